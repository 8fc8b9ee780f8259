// Evaluation of a filter against stored records: the confirmation test, the
// time, recorder and alarm type parts, AND and OR, and the camera masks.
#include "filters/FilterMatcher.h"

#include "../db/DbTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kDayMs = 86'400'000;

void AddRecorder(ConfigTree& tree, std::string_view ip, std::string_view name, int32_t hybrid = 0)
{
    ConfigNode* entry = Node(tree, "Program/RecorderList")->NewEntry(0);
    entry->Child("IP")->SetString(ip);
    entry->Child("Name")->SetString(name);
    entry->Child("Hybrid")->SetInt(hybrid);
}

class FilterMatcherTest : public ::testing::Test {
protected:
    FilterMatcherTest()
    {
        AddRecorder(*tree, "10.0.0.1", "Lager");
        AddRecorder(*tree, "10.0.0.2", "Tor");
        AddRecorder(*tree, "10.0.0.3", "Hybridgeraet", 1);
    }

    bool Matches(const AlarmRecord& record)
    {
        matcher.SetFilter(filter);
        return matcher.Matches(record);
    }

    FakeClock clock;
    std::unique_ptr<ConfigTree> tree = MakeDefaultTree();
    FilterMatcher matcher{*tree, clock};
    AlarmFilter filter;
};

AlarmRecord Confirmation(std::string_view confirmed, std::string_view automatic)
{
    AlarmRecord record = MakeRecord(1000);
    record.SetField(AlarmField::Confirmed, confirmed);
    record.SetField(AlarmField::AutoConfirmed, automatic);
    return record;
}

AlarmRecord FromRecorder(std::string_view ip, int32_t camera)
{
    return MakeRecord(1000, 10005, ip, camera);
}

} // namespace

TEST_F(FilterMatcherTest, NoActivePartAdmitsEverythingUnderAndNothingUnderOr)
{
    EXPECT_TRUE(Matches(MakeRecord(1)));
    filter.link = AlarmFilter::kLinkOr;
    EXPECT_FALSE(Matches(MakeRecord(1)));
}

TEST_F(FilterMatcherTest, ConfirmationFlagsApplyWhateverPartIsActive)
{
    filter.onlyConfirmed = true;
    EXPECT_FALSE(Matches(Confirmation("0", "0")));
    EXPECT_TRUE(Matches(Confirmation("1", "0")));
    EXPECT_TRUE(Matches(Confirmation("0", "1")));
    EXPECT_TRUE(Matches(Confirmation("2", "")));

    filter.onlyConfirmed = false;
    filter.onlyUnconfirmed = true;
    EXPECT_TRUE(Matches(Confirmation("0", "0")));
    EXPECT_TRUE(Matches(Confirmation("", "")));
    EXPECT_FALSE(Matches(Confirmation("0", "1")));

    // Under OR the test still comes first.
    filter.link = AlarmFilter::kLinkOr;
    filter.activeParts = AlarmFilter::kTypePart;
    filter.alarmTypes = {10005};
    EXPECT_FALSE(Matches(Confirmation("1", "0")));
}

TEST_F(FilterMatcherTest, BothConfirmationFlagsAdmitNothing)
{
    filter.onlyConfirmed = true;
    filter.onlyUnconfirmed = true;
    EXPECT_FALSE(Matches(Confirmation("0", "0")));
    EXPECT_FALSE(Matches(Confirmation("1", "0")));
}

TEST_F(FilterMatcherTest, RangeAdmitsUpToOneSecondAfterItsEnd)
{
    filter.activeParts = AlarmFilter::kTimePart;
    filter.useArrivalTime = true;
    filter.rangeStart = Timestamp::FromMs(10'000);
    filter.rangeEnd = Timestamp::FromMs(20'000);
    EXPECT_FALSE(Matches(MakeRecord(9'999)));
    EXPECT_TRUE(Matches(MakeRecord(10'000)));
    EXPECT_TRUE(Matches(MakeRecord(21'000)));
    EXPECT_FALSE(Matches(MakeRecord(21'001)));
}

TEST_F(FilterMatcherTest, TimeChoiceSelectsArrivalOrDeparture)
{
    filter.activeParts = AlarmFilter::kTimePart;
    filter.rangeStart = Timestamp::FromMs(10'000);
    filter.rangeEnd = Timestamp::FromMs(10'000);
    AlarmRecord record = MakeRecord(50'000);
    record.SetNumber(AlarmField::TimeDeparture, 10'500);
    EXPECT_TRUE(Matches(record));
    filter.useArrivalTime = true;
    EXPECT_FALSE(Matches(record));
}

TEST_F(FilterMatcherTest, LastDaysAdmitsTheAlarmsOfThatManyDays)
{
    int64_t now = clock.NowMs();
    filter.activeParts = AlarmFilter::kTimePart;
    filter.mode = AlarmFilter::kModeLastDays;
    filter.lastDays = 1;
    filter.useArrivalTime = true;
    EXPECT_TRUE(Matches(MakeRecord(now - kDayMs)));
    EXPECT_FALSE(Matches(MakeRecord(now - kDayMs - 1)));
    EXPECT_TRUE(Matches(MakeRecord(now)));
    clock.source.AdvanceMs(10);
    EXPECT_FALSE(Matches(MakeRecord(now - kDayMs)));
}

TEST_F(FilterMatcherTest, RecorderPartLooksTheNameUpByAddress)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Tor", -1}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.2", 3)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 3)));
    // Names compare with case.
    filter.recorders = {{"tor", -1}};
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.2", 3)));
    // A recorder known only with Hybrid 1 has no name here.
    filter.recorders = {{"Hybridgeraet", -1}};
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.3", 3)));
}

TEST_F(FilterMatcherTest, LastRecorderWithTheAddressNamesIt)
{
    AddRecorder(*tree, "10.0.0.2", "Tor Nord");
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Tor Nord", -1}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.2", 0)));
}

TEST_F(FilterMatcherTest, UnknownRecorderMatchesOnlyAnEmptyName)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Tor", -1}};
    EXPECT_FALSE(Matches(FromRecorder("192.168.9.9", 0)));
    filter.recorders = {{"Tor", -1}, {"", -1}};
    EXPECT_TRUE(Matches(FromRecorder("192.168.9.9", 0)));
}

TEST_F(FilterMatcherTest, MaskZeroAdmitsOnlyAlarmsWithoutACamera)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Lager", 0}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", -1)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 0)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 5)));
}

TEST_F(FilterMatcherTest, DefaultMaskAdmitsEveryAlarmOfTheRecorder)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Lager", -1}};
    for (int camera : {-1, 0, 23, 31, 32, 1000, -7})
        EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", camera))) << camera;
    filter.recorders = {{"Lager", 16'777'215}};
    for (int camera : {-1, 0, 23, 40})
        EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", camera))) << camera;
}

TEST_F(FilterMatcherTest, MaskBitsSelectCameras)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Lager", 0b101}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 0)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 1)));
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 2)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", -1)));
    // All 24 cameras but one: still a camera filter.
    filter.recorders = {{"Lager", 16'777'214}};
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 0)));
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 23)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 24)));
}

TEST_F(FilterMatcherTest, CamerasOutsideTheMaskBitsNeverMatchABit)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    // Bits 0 and 16 to 23, below 16777215: a camera filter.
    filter.recorders = {{"Lager", 0x00FF0001}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 0)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 32)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 33)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", -2)));
    // A mask with bit 31 is 2^31 or more unsigned: every camera.
    filter.recorders = {{"Lager", static_cast<int32_t>(0x80000000u)}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 64)));
}

TEST_F(FilterMatcherTest, OnlyTheFirstRecorderOfAName)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Lager", 0b1}, {"Lager", -1}};
    EXPECT_TRUE(Matches(FromRecorder("10.0.0.1", 0)));
    EXPECT_FALSE(Matches(FromRecorder("10.0.0.1", 4)));
}

TEST_F(FilterMatcherTest, AlarmTypePartAdmitsTheListedCodes)
{
    filter.activeParts = AlarmFilter::kTypePart;
    filter.alarmTypes = {10016, 10900};
    EXPECT_TRUE(Matches(MakeRecord(1, 10900)));
    EXPECT_FALSE(Matches(MakeRecord(1, 10005)));
}

TEST_F(FilterMatcherTest, AndNeedsEveryActivePartOrNeedsOne)
{
    filter.activeParts =
        AlarmFilter::kTimePart | AlarmFilter::kRecorderPart | AlarmFilter::kTypePart;
    filter.useArrivalTime = true;
    filter.rangeStart = Timestamp::FromMs(0);
    filter.rangeEnd = Timestamp::FromMs(5000);
    filter.recorders = {{"Tor", -1}};
    filter.alarmTypes = {10042};
    AlarmRecord all = MakeRecord(1000, 10042, "10.0.0.2", 0);
    AlarmRecord onlyType = MakeRecord(90'000, 10042, "10.0.0.1", 0);
    AlarmRecord onlyTime = MakeRecord(1000, 10005, "10.0.0.1", 0);
    AlarmRecord onlyRecorder = MakeRecord(90'000, 10005, "10.0.0.2", 0);
    AlarmRecord none = MakeRecord(90'000, 10005, "10.0.0.1", 0);
    EXPECT_TRUE(Matches(all));
    EXPECT_FALSE(Matches(onlyType));
    EXPECT_FALSE(Matches(onlyTime));
    filter.link = AlarmFilter::kLinkOr;
    EXPECT_TRUE(Matches(all));
    EXPECT_TRUE(Matches(onlyType));
    EXPECT_TRUE(Matches(onlyTime));
    EXPECT_TRUE(Matches(onlyRecorder));
    EXPECT_FALSE(Matches(none));
}

TEST_F(FilterMatcherTest, APassTakesRecorderNamesOnceAndSeesRenamesAfterwards)
{
    filter.activeParts = AlarmFilter::kRecorderPart;
    filter.recorders = {{"Tor", -1}};
    matcher.SetFilter(filter);
    matcher.BeginPass();
    EXPECT_TRUE(matcher.Matches(FromRecorder("10.0.0.2", 0)));
    Node(*tree, "Program/RecorderList")->ChildAt(1)->Child("Name")->SetString("Einfahrt");
    EXPECT_TRUE(matcher.Matches(FromRecorder("10.0.0.2", 0)));
    matcher.EndPass();
    EXPECT_FALSE(matcher.Matches(FromRecorder("10.0.0.2", 0)));
}
