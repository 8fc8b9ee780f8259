// The main window's filter toggle and selector: which filter the database
// view applies, and when filtering is off or impossible.
#include "filters/FilterController.h"

#include "../db/DbTestSupport.h"
#include "filters/FilterStore.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

namespace {

NamedFilter TypeFilter(std::string name, int32_t type)
{
    NamedFilter named;
    named.name = std::move(name);
    named.filter.activeParts = AlarmFilter::kTypePart;
    named.filter.alarmTypes = {type};
    return named;
}

class FilterControllerTest : public ::testing::Test {
protected:
    FilterControllerTest()
    {
        WriteFileBytes(db.DbPath(), EncodeRecords({MakeRecord(1, 10001), MakeRecord(2, 10002),
                                                   MakeRecord(3, 10001), MakeRecord(4, 10003)}));
        EXPECT_TRUE(db.Open());
    }

    TempDir dir;
    DbFixture db{dir.Path()};
    FakeClock clock;
    FilterController controller{*db.tree, *db.database, clock};
};

} // namespace

TEST_F(FilterControllerTest, FilteringStartsOffWithTheFirstFilterSelected)
{
    SaveFilters(*db.tree, {TypeFilter("Eins", 10001), TypeFilter("Zwei", 10002)});
    controller.LoadFilters();
    EXPECT_EQ(controller.Names(), (std::vector<std::string>{"Eins", "Zwei"}));
    EXPECT_EQ(controller.Selected(), 0);
    EXPECT_TRUE(controller.ControlsEnabled());
    EXPECT_EQ(controller.State(), Filtering::Off);
    EXPECT_EQ(db.database->ViewCount(), 4);
}

TEST_F(FilterControllerTest, ToggleAppliesTheSelectedFilterAndOffShowsAllAgain)
{
    SaveFilters(*db.tree, {TypeFilter("Eins", 10001), TypeFilter("Zwei", 10002)});
    controller.LoadFilters();
    controller.SetFiltering(Filtering::On);
    EXPECT_TRUE(db.database->IsFilterActive());
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 2}));
    controller.Select(1);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1}));
    controller.SetFiltering(Filtering::Off);
    EXPECT_FALSE(db.database->IsFilterActive());
    EXPECT_EQ(db.database->ViewCount(), 4);
    // Choosing while off only selects.
    controller.Select(0);
    EXPECT_EQ(db.database->ViewCount(), 4);
    EXPECT_EQ(controller.Selected(), 0);
}

TEST_F(FilterControllerTest, NewAlarmsAreAdmittedByTheAppliedFilter)
{
    SaveFilters(*db.tree, {TypeFilter("Drei", 10003)});
    controller.LoadFilters();
    controller.SetFiltering(Filtering::On);
    ASSERT_TRUE(db.database->Append(MakeRecord(5, 10001)));
    EXPECT_EQ(db.database->LastPosition(), -1);
    ASSERT_TRUE(db.database->Append(MakeRecord(6, 10003)));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 5}));
}

TEST_F(FilterControllerTest, EmptyListDisablesTheControlsAndSwitchesFilteringOff)
{
    SaveFilters(*db.tree, {TypeFilter("Eins", 10001)});
    controller.LoadFilters();
    controller.SetFiltering(Filtering::On);
    SaveFilters(*db.tree, {});
    controller.LoadFilters();
    EXPECT_FALSE(controller.ControlsEnabled());
    EXPECT_EQ(controller.State(), Filtering::Off);
    EXPECT_EQ(controller.Selected(), -1);
    EXPECT_FALSE(db.database->IsFilterActive());
    controller.SetFiltering(Filtering::On);
    EXPECT_EQ(controller.State(), Filtering::Off);
}

TEST_F(FilterControllerTest, ReloadWhileOnAppliesTheFirstFilter)
{
    SaveFilters(*db.tree, {TypeFilter("Eins", 10001), TypeFilter("Zwei", 10002)});
    controller.LoadFilters();
    controller.SetFiltering(Filtering::On);
    controller.Select(1);
    SaveFilters(*db.tree, {TypeFilter("Drei", 10003)});
    controller.LoadFilters();
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3}));
}

TEST_F(FilterControllerTest, IndexOutsideTheListChangesNothing)
{
    SaveFilters(*db.tree, {TypeFilter("Eins", 10001)});
    controller.LoadFilters();
    controller.SetFiltering(Filtering::On);
    controller.Select(3);
    controller.ApplyFilter(-1);
    EXPECT_EQ(controller.Selected(), 0);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 2}));
}

TEST_F(FilterControllerTest, DescriptionNamesTheAppliedFilterItsPartsAndRestriction)
{
    NamedFilter both = TypeFilter("Tor", 10001);
    both.filter.activeParts |= AlarmFilter::kRecorderPart;
    both.filter.recorders = {{"Nord", -1}, {"Sued", 3}};
    both.filter.link = AlarmFilter::kLinkOr;
    both.filter.onlyUnconfirmed = true;
    NamedFilter none;
    none.name = "Leer";
    SaveFilters(*db.tree, {both, none});
    controller.LoadFilters();
    EXPECT_EQ(controller.DescribeApplied(0), "");
    controller.SetFiltering(Filtering::On);
    EXPECT_EQ(
        controller.DescribeApplied(0),
        "Tor: 2 Rekorder im Filter (Nord, Sued) ODER 1 Alarm im Filter, nur nicht quittierte");
    controller.Select(1);
    EXPECT_EQ(controller.DescribeApplied(0), "Leer: kein Teil aktiv");
}
