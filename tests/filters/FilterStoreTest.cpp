// Filters in the configuration tree: reading FilterList, rewriting it from
// an edited list, and dropping a deleted recorder from every filter.
#include "filters/FilterStore.h"

#include "../db/DbTestSupport.h"

#include <gtest/gtest.h>

namespace {

NamedFilter SampleFilter()
{
    NamedFilter named;
    named.name = "Nachts Tor";
    AlarmFilter& filter = named.filter;
    filter.rangeStart = Timestamp::FromMs(12'900'000'000'000);
    filter.rangeEnd = Timestamp::FromMs(12'900'086'400'000);
    filter.lastDays = 3;
    filter.useArrivalTime = true;
    filter.mode = AlarmFilter::kModeLastDays;
    filter.recorders = {{"Tor", 0b110}, {"Lager", -1}};
    filter.alarmTypes = {10016, 10900, 11011};
    filter.link = AlarmFilter::kLinkOr;
    filter.onlyUnconfirmed = true;
    filter.activeParts = AlarmFilter::kTimePart | AlarmFilter::kTypePart;
    return named;
}

} // namespace

TEST(FilterStore, EmptyListLoadsNoFilter)
{
    auto tree = MakeDefaultTree();
    EXPECT_TRUE(LoadFilters(*tree).empty());
}

TEST(FilterStore, SavedFiltersLoadBackInOrder)
{
    auto tree = MakeDefaultTree();
    NamedFilter second;
    second.name = "Neuer Filter";
    second.filter.lastDays = 14;
    std::vector<NamedFilter> filters{SampleFilter(), second};
    SaveFilters(*tree, filters);
    EXPECT_EQ(LoadFilters(*tree), filters);
}

TEST(FilterStore, SavingWritesTheSchemaKeys)
{
    auto tree = MakeDefaultTree();
    SaveFilters(*tree, {SampleFilter()});
    ConfigNode* list = Node(*tree, "Program/FilterList");
    ASSERT_EQ(list->ChildCount(), 1);
    ConfigNode* entry = list->ChildAt(0);
    EXPECT_EQ(entry->Name(), "00000000");
    EXPECT_EQ(entry->Child("Name")->GetString(), "Nachts Tor");
    ConfigNode* data = entry->Child("FilterData");
    EXPECT_EQ(data->Child("UseFilter")->GetInt(), 5);
    EXPECT_EQ(data->Child("LinkANDorOR")->GetInt(), 1);
    EXPECT_EQ(data->Child("IsCommited")->GetInt(), 0);
    EXPECT_EQ(data->Child("NotCommited")->GetInt(), 1);
    ConfigNode* time = data->Child("Time");
    EXPECT_EQ(time->Child("Mode")->GetInt(), 1);
    EXPECT_EQ(time->Child("LastDays")->GetInt(), 3);
    EXPECT_EQ(time->Child("TimeBegin")->GetInt64(), 12'900'000'000'000);
    EXPECT_EQ(time->Child("TimeEnd")->GetInt64(), 12'900'086'400'000);
    EXPECT_EQ(time->Child("iTimeUseTimestamp")->GetInt(), 1);
    ConfigNode* recorders = data->Child("Recorder");
    ASSERT_EQ(recorders->ChildCount(), 2);
    EXPECT_EQ(recorders->ChildAt(0)->Child("Name")->GetString(), "Tor");
    EXPECT_EQ(recorders->ChildAt(0)->Child("CamFilter")->GetInt(), 6);
    EXPECT_EQ(recorders->ChildAt(0)->Child("IPorDNSName")->GetString(), "");
    EXPECT_EQ(recorders->ChildAt(1)->Child("CamFilter")->GetInt(), -1);
    ConfigNode* types = data->Child("AlarmType");
    ASSERT_EQ(types->ChildCount(), 3);
    EXPECT_EQ(types->ChildAt(2)->Child("Nr")->GetInt(), 11011);
}

TEST(FilterStore, SavingReplacesTheWholeList)
{
    auto tree = MakeDefaultTree();
    SaveFilters(*tree, {SampleFilter(), SampleFilter(), SampleFilter()});
    NamedFilter only;
    only.name = "Einzig";
    SaveFilters(*tree, {only});
    std::vector<NamedFilter> loaded = LoadFilters(*tree);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0], only);
}

TEST(FilterStore, EntryWithTemplateDefaultsLoadsAsTheSchemaSays)
{
    auto tree = MakeDefaultTree();
    ConfigNode* entry = Node(*tree, "Program/FilterList")->NewEntry(0);
    entry->Child("FilterData")->Child("Recorder")->NewEntry(0)->Child("Name")->SetString("Tor");
    std::vector<NamedFilter> loaded = LoadFilters(*tree);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].name, "Neuer Filter");
    ASSERT_EQ(loaded[0].filter.recorders.size(), 1u);
    EXPECT_EQ(loaded[0].filter.recorders[0].cameraMask, -1);
    EXPECT_EQ(loaded[0].filter.activeParts, 0);
    EXPECT_EQ(loaded[0].filter.lastDays, 0);
}

TEST(FilterStore, DeletedRecorderLeavesEveryFilter)
{
    auto tree = MakeDefaultTree();
    NamedFilter a = SampleFilter();
    NamedFilter b = SampleFilter();
    b.filter.recorders = {{"Tor", 1}, {"Tor", 2}, {"Halle", 3}};
    SaveFilters(*tree, {a, b});
    EXPECT_EQ(RemoveRecorderFromFilters(*tree, "Tor"), 3);
    std::vector<NamedFilter> loaded = LoadFilters(*tree);
    EXPECT_EQ(loaded[0].filter.recorders, (std::vector<FilterRecorder>{{"Lager", -1}}));
    EXPECT_EQ(loaded[1].filter.recorders, (std::vector<FilterRecorder>{{"Halle", 3}}));
    EXPECT_EQ(RemoveRecorderFromFilters(*tree, "Tor"), 0);
}
