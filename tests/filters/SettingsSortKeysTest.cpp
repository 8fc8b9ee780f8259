// Sorting the view by the alarm settings' Title (code 101) and Priority
// (code 102), looked up once per recorder, type and camera during a sort.
#include "filters/SettingsSortKeys.h"

#include "../db/DbTestSupport.h"
#include "config/ConfigNode.h"
#include "filters/AlarmSettingsSource.h"
#include "testsupport/TempDir.h"

#include <map>
#include <memory>

#include <gtest/gtest.h>

namespace {

// Settings entries per alarm type; none for other types.
class FakeSettings final : public AlarmSettingsSource {
public:
    void Add(int32_t type, std::string_view title, int32_t priority)
    {
        auto entry = std::make_unique<ConfigNode>(NodeKind::Folder, "entry");
        auto titleNode = std::make_unique<ConfigNode>(NodeKind::String, "Title");
        titleNode->SetString(title);
        auto priorityNode = std::make_unique<ConfigNode>(NodeKind::Integer, "Priority");
        priorityNode->SetInt(priority);
        entry->AddChild(std::move(titleNode));
        entry->AddChild(std::move(priorityNode));
        m_entries[type] = std::move(entry);
    }
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t, std::string_view) override
    {
        ++lookups;
        auto it = m_entries.find(alarmType);
        return it == m_entries.end() ? nullptr : it->second.get();
    }
    int lookups = 0;

private:
    std::map<int32_t, std::unique_ptr<ConfigNode>> m_entries;
};

class SettingsSortKeysTest : public ::testing::Test {
protected:
    SettingsSortKeysTest()
    {
        settings.Add(10001, "Tor offen", 3);
        settings.Add(10002, "brand", 0);
        settings.Add(10003, "Tor OFFEN", 3);
        WriteFileBytes(db.DbPath(), EncodeRecords({MakeRecord(1, 10001), MakeRecord(2, 10002),
                                                   MakeRecord(3, 10003), MakeRecord(4, 10007),
                                                   MakeRecord(5, 10001)}));
        EXPECT_TRUE(db.Open());
        db.database->SetSortKeySource(&keys);
    }

    TempDir dir;
    DbFixture db{dir.Path()};
    FakeSettings settings;
    SettingsSortKeys keys{*db.tree, settings};
};

} // namespace

TEST_F(SettingsSortKeysTest, PriorityAscendingPutsTheMostUrgentFirstAndTiesNewestFirst)
{
    ASSERT_TRUE(db.database->SortView(102, SortDirection::Ascending));
    // 10007 has no settings entry: after every priority.
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1, 4, 2, 0, 3}));
    ASSERT_TRUE(db.database->SortView(102, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 4, 2, 0, 1}));
}

TEST_F(SettingsSortKeysTest, TitleAscendingRunsFromZToAIgnoringCase)
{
    ASSERT_TRUE(db.database->SortView(101, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{4, 2, 0, 1, 3}));
    ASSERT_TRUE(db.database->SortView(101, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 1, 4, 2, 0}));
}

TEST_F(SettingsSortKeysTest, EachAlarmKindIsLookedUpOncePerSort)
{
    ASSERT_TRUE(db.database->SortView(102, SortDirection::Ascending));
    EXPECT_EQ(settings.lookups, 4);
    ASSERT_TRUE(db.database->SortView(101, SortDirection::Ascending));
    EXPECT_EQ(settings.lookups, 8);
}

TEST_F(SettingsSortKeysTest, NewAlarmTakesItsPlaceByPriority)
{
    ASSERT_TRUE(db.database->SortView(102, SortDirection::Ascending));
    ASSERT_TRUE(db.database->Append(MakeRecord(6, 10002)));
    EXPECT_EQ(db.database->LastPosition(), 0);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{5, 1, 4, 2, 0, 3}));
}

TEST_F(SettingsSortKeysTest, OtherCodesAreNotItsBusiness)
{
    EXPECT_EQ(keys.KindOf(103), SortKeyKind::None);
    EXPECT_EQ(keys.KindOf(10), SortKeyKind::None);
    EXPECT_FALSE(db.database->SortView(103, SortDirection::Ascending));
}
