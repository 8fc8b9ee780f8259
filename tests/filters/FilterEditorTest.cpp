// The filter dialog's rules without widgets: parts that need entries, the
// time dialog's refusals, the two recorder lists, camera boxes, and saving
// only what changed.
#include "filters/FilterEditor.h"

#include "../db/DbTestSupport.h"
#include "filters/FilterDialogRules.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

namespace {

class FilterEditorTest : public ::testing::Test {
protected:
    FilterEditorTest()
    {
        WriteFileBytes(db.DbPath(), EncodeRecords({MakeRecord(5000), MakeRecord(9000)}));
        EXPECT_TRUE(db.Open());
    }

    TempDir dir;
    DbFixture db{dir.Path()};
};

Timestamp Ms(int64_t ms)
{
    return Timestamp::FromMs(ms);
}

} // namespace

TEST_F(FilterEditorTest, NewFilterSpansTheDatabaseAndIsSelected)
{
    FilterEditor editor(std::vector<NamedFilter>{});
    EXPECT_EQ(editor.AddNew(*db.database), 0);
    EXPECT_EQ(editor.Selected(), 0);
    EXPECT_EQ(editor.Filters()[0].name, "Neuer Filter");
    EXPECT_EQ(editor.Current().rangeStart, Ms(5000));
    EXPECT_EQ(editor.Current().rangeEnd, Ms(9000));
    EXPECT_EQ(editor.Current().lastDays, 14);
    editor.RemoveSelected();
    EXPECT_TRUE(editor.Filters().empty());
    EXPECT_EQ(editor.Selected(), -1);
}

TEST_F(FilterEditorTest, PartsWithoutEntriesAreRefusedAndEmptyListsSwitchThemOff)
{
    FilterEditor editor(std::vector<NamedFilter>{{"F", {}}});
    editor.Select(0);
    EXPECT_EQ(editor.SetPart(AlarmFilter::kTimePart, true), std::nullopt);
    EXPECT_NE(editor.SetPart(AlarmFilter::kRecorderPart, true)->find("mindestens ein Rekorder"),
              std::string::npos);
    EXPECT_NE(editor.SetPart(AlarmFilter::kTypePart, true)->find("mindestens ein Alarm"),
              std::string::npos);
    EXPECT_EQ(editor.Current().activeParts, AlarmFilter::kTimePart);

    editor.SetRecorders({{"Pforte", -1}});
    editor.SetAlarmTypes({10001});
    EXPECT_EQ(editor.SetPart(AlarmFilter::kRecorderPart, true), std::nullopt);
    EXPECT_EQ(editor.SetPart(AlarmFilter::kTypePart, true), std::nullopt);
    EXPECT_TRUE(editor.PartTicked(AlarmFilter::kRecorderPart));
    editor.SetAlarmTypes({});
    EXPECT_FALSE(editor.PartTicked(AlarmFilter::kTypePart));
    EXPECT_EQ(editor.Current().activeParts, AlarmFilter::kTimePart | AlarmFilter::kRecorderPart);
    editor.SetPart(AlarmFilter::kTimePart, false);
    EXPECT_EQ(editor.Current().activeParts, AlarmFilter::kRecorderPart);
}

TEST_F(FilterEditorTest, ChoosingAPartsEntriesSwitchesThePartOn)
{
    FilterEditor editor(std::vector<NamedFilter>{{"F", {}}});
    editor.Select(0);
    editor.SetTime(AlarmFilter::kModeLastDays, Ms(1000), Ms(2000), 3, true);
    EXPECT_TRUE(editor.PartTicked(AlarmFilter::kTimePart));
    editor.SetRecorders({{"Pforte", -1}});
    EXPECT_TRUE(editor.PartTicked(AlarmFilter::kRecorderPart));
    editor.SetAlarmTypes({10001});
    EXPECT_EQ(editor.Current().activeParts,
              AlarmFilter::kTimePart | AlarmFilter::kRecorderPart | AlarmFilter::kTypePart);
}

TEST_F(FilterEditorTest, SavesOnlyWhatDiffersFromTheStart)
{
    SaveFilters(*db.tree, std::vector<NamedFilter>{{"Alt", {}}});
    FilterEditor editor(LoadFilters(*db.tree));
    editor.Select(0);
    editor.SetLink(AlarmFilter::kLinkOr);
    editor.SetLink(AlarmFilter::kLinkAnd);
    EXPECT_FALSE(editor.SaveIfChanged(*db.tree));

    editor.Rename(0, "Nachts");
    editor.SetOnlyUnconfirmed(true);
    editor.SetTime(AlarmFilter::kModeLastDays, Ms(1000), Ms(2000), 3, true);
    ASSERT_TRUE(editor.SaveIfChanged(*db.tree));
    std::vector<NamedFilter> saved = LoadFilters(*db.tree);
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0], editor.Filters()[0]);
}

TEST(FilterDialogRules, TimeChoicesAreRefusedWithTheirMessage)
{
    struct Case {
        TimeChoice choice;
        const char* refusal; // a piece of the message, nullptr for none
    } cases[] = {
        {{AlarmFilter::kModeRange, 2020, 2021, Ms(1000), Ms(2000), 0}, nullptr},
        {{AlarmFilter::kModeRange, 2020, 2020, Ms(2000), Ms(2000), 0}, "Zeitspanne"},
        {{AlarmFilter::kModeRange, 2020, 2020, Ms(3000), Ms(2000), 0}, "Zeitspanne"},
        {{AlarmFilter::kModeRange, 1969, 2020, Ms(1000), Ms(2000), 0}, "1970 - 2037"},
        {{AlarmFilter::kModeRange, 2020, 2038, Ms(1000), Ms(2000), 0}, "1970 - 2037"},
        {{AlarmFilter::kModeLastDays, 1601, 1601, Ms(0), Ms(0), 1}, nullptr},
        {{AlarmFilter::kModeLastDays, 2020, 2020, Ms(0), Ms(0), 0}, "Letzten Tage"},
        {{AlarmFilter::kModeLastDays, 2020, 2020, Ms(0), Ms(0), -4}, "Letzten Tage"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> refusal = CheckTimeChoice(c.choice);
        if (c.refusal == nullptr)
            EXPECT_EQ(refusal, std::nullopt);
        else
            EXPECT_NE(refusal.value_or("").find(c.refusal), std::string::npos) << c.refusal;
    }
}

TEST(FilterDialogRules, RecordersSplitInRecorderListOrderWithTheFirstMask)
{
    RecorderLists lists =
        SplitRecorders({"A", "B", "C", "D"}, {{"C", 5}, {"Weg", -1}, {"A", 0}, {"C", 7}});
    EXPECT_EQ(lists.shown, (std::vector<FilterRecorder>{{"A", 0}, {"C", 5}}));
    EXPECT_EQ(lists.hidden, (std::vector<std::string>{"B", "D"}));
}

TEST(FilterDialogRules, CameraBoxesFollowTheMask)
{
    struct Case {
        int32_t mask;
        int ticked;
        const char* column;
        int32_t back;
    } cases[] = {
        {-1, 24, "", 16'777'215},
        {16'777'215, 24, "", 16'777'215},
        {0, 0, "Filter aktiv", 0},
        {0b101, 2, "Filter aktiv", 0b101},
        {16'777'214, 23, "Filter aktiv", 16'777'214},
        {1 << 25, 24, "", 16'777'215},
    };
    for (const Case& c : cases) {
        std::array<bool, kFilterCameraBoxes> boxes = CameraBoxes(c.mask);
        EXPECT_EQ(std::count(boxes.begin(), boxes.end(), true), c.ticked) << c.mask;
        EXPECT_EQ(CameraColumnText(c.mask), c.column) << c.mask;
        EXPECT_EQ(MaskOfBoxes(boxes), c.back) << c.mask;
    }
}

TEST(FilterDialogRules, TimeRangeFollowsTheTimePart)
{
    AlarmFilter filter;
    filter.rangeStart = Ms(5000);
    filter.rangeEnd = Ms(9000);
    filter.lastDays = 2;
    EXPECT_EQ(filter.TimeRange(1'000'000'000), std::nullopt);
    filter.activeParts = AlarmFilter::kTimePart;
    EXPECT_EQ(filter.TimeRange(1'000'000'000), (std::pair<int64_t, int64_t>{5000, 10'001}));
    filter.mode = AlarmFilter::kModeLastDays;
    EXPECT_EQ(filter.TimeRange(1'000'000'000),
              (std::pair<int64_t, int64_t>{1'000'000'000 - 2 * 86'400'000, 1'000'000'001}));
}
