// Common decoding of every alarm telegram: the reset, arrival and departure
// times, recorder address, hybrid value and software version, the recorder
// check, the unknown-alarm event and the cases that are not dispatched.
#include "DecoderFixture.h"
#include "ScopedTranslation.h"
#include "config/Timestamp.h"
#include "events/RecorderLookup.h"

#include <gtest/gtest.h>

namespace {

using EventDecoderTest = DecoderFixture;

StampFields Stamp(int year, int month, int day, int hour, int minute, int second, int ms)
{
    StampFields stamp;
    stamp.year = static_cast<uint16_t>(year);
    stamp.month = static_cast<uint16_t>(month);
    stamp.day = static_cast<uint16_t>(day);
    stamp.hour = static_cast<uint16_t>(hour);
    stamp.minute = static_cast<uint16_t>(minute);
    stamp.second = static_cast<uint16_t>(second);
    stamp.millisecond = static_cast<uint16_t>(ms);
    return stamp;
}

} // namespace

TEST_F(EventDecoderTest, FillsTheCommonFields)
{
    GuardEvent event = DecodeOne(10020, 0);
    EXPECT_EQ(event.recorder, kRecorderIp);
    EXPECT_EQ(event.alarmType, 10020);
    EXPECT_EQ(event.timeArrival,
              Timestamp(kStartRealtimeUs + kUnixEpochSeconds * kOneSecondUs).ToMs());
    EXPECT_EQ(event.timeDeparture, -1);
    EXPECT_EQ(event.cameraId, -1);
    EXPECT_EQ(event.trackId, -1);
    EXPECT_EQ(event.hybrid, -1);
    EXPECT_EQ(event.addInfo, "");
    EXPECT_EQ(event.trackName, "");
    EXPECT_EQ(event.cameraName, "");
}

TEST_F(EventDecoderTest, EveryTelegramStartsFromTheResetValues)
{
    EntryListWriter payload;
    payload.Track(4, "Eingang").Camera(2);
    GuardEvent first = DecodeOne(10005, 0, payload);
    EXPECT_EQ(first.trackId, 4);
    GuardEvent second = DecodeOne(10020, 0);
    EXPECT_EQ(second.trackId, -1);
    EXPECT_EQ(second.cameraId, -1);
    EXPECT_EQ(second.trackName, "");
    EXPECT_EQ(second.addInfo, "");
}

TEST_F(EventDecoderTest, TelegramsInTheSameMillisecondGetIncreasingArrivalTimes)
{
    int64_t first = DecodeOne(10020, 0).timeArrival;
    int64_t second = DecodeOne(10020, 0).timeArrival;
    int64_t third = DecodeOne(10020, 0).timeArrival;
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, first + 2);
}

TEST_F(EventDecoderTest, ArrivalTimesIncreaseWhenTheClockGoesBack)
{
    int64_t first = DecodeOne(10020, 0).timeArrival;
    m_source.StepWallUs(-3'600'000'000);
    m_source.AdvanceMs(100); // the clock notices the step and resynchronises
    int64_t second = DecodeOne(10020, 0).timeArrival;
    EXPECT_EQ(second, first + 1);
}

TEST_F(EventDecoderTest, ArrivalFollowsTheClockWhenItMovesOn)
{
    int64_t first = DecodeOne(10020, 0).timeArrival;
    m_source.AdvanceMs(250);
    EXPECT_EQ(DecodeOne(10020, 0).timeArrival, first + 250);
}

TEST_F(EventDecoderTest, DepartureIsTheRecorderLocalTime)
{
    EntryListWriter winter;
    winter.Departure(Stamp(2024, 1, 15, 12, 30, 5, 250));
    EXPECT_EQ(DecodeOne(10020, 0, winter).timeDeparture,
              Timestamp::FromLocalFields(15, 1, 2024, 11, 30, 5, 250, FieldsAre::Utc)->ToMs());

    EntryListWriter summer;
    summer.Departure(Stamp(2024, 7, 15, 12, 30, 5, 0));
    EXPECT_EQ(DecodeOne(10020, 0, summer).timeDeparture,
              Timestamp::FromLocalFields(15, 7, 2024, 10, 30, 5, 0, FieldsAre::Utc)->ToMs());
}

TEST_F(EventDecoderTest, InvalidDepartureStampCountsAsNone)
{
    EntryListWriter payload;
    payload.Departure(Stamp(2024, 2, 30, 12, 0, 0, 0));
    EXPECT_EQ(DecodeOne(10020, 0, payload).timeDeparture, -1);

    EntryListWriter hour;
    hour.Departure(Stamp(2024, 2, 3, 24, 0, 0, 0));
    EXPECT_EQ(DecodeOne(10020, 0, hour).timeDeparture, -1);
}

TEST_F(EventDecoderTest, ShortDepartureEntryIsSkipped)
{
    const uint8_t data[] = {0xEA, 0xFD, 15, 0, 1, 0, 0xE8, 0x07};
    EntryListWriter payload;
    payload.Raw(0x0869, data);
    EXPECT_EQ(DecodeOne(10020, 0, payload).timeDeparture, -1);
}

TEST_F(EventDecoderTest, StampOfAnotherKindIsNoDeparture)
{
    EntryListWriter payload;
    payload.Stamp(1, Stamp(2024, 1, 15, 12, 30, 5, 0));
    EXPECT_EQ(DecodeOne(10020, 0, payload).timeDeparture, -1);
}

TEST_F(EventDecoderTest, HybridValueIsTakenFromThePayload)
{
    EntryListWriter payload;
    payload.Hybrid(7);
    EXPECT_EQ(DecodeOne(10020, 0, payload).hybrid, 7);
}

TEST_F(EventDecoderTest, SoftwareVersionSelectsTheLayoutPerTelegram)
{
    EXPECT_EQ(DecodeOne(10018, 0x8003, EntryLayout()).cameraId, 3);
    // The same recorder's next telegram without a version entry is decoded
    // in the detail-word layout.
    EXPECT_EQ(DecodeOne(10018, 0x8003).cameraId, -1);
    EntryListWriter older;
    older.SoftwareVersion(31302);
    EXPECT_EQ(DecodeOne(10018, 0x8003, older).cameraId, -1);
}

TEST_F(EventDecoderTest, ForwardedTelegramBelongsToItsOriginAddress)
{
    AddRecorder("10.1.2.3", "Filiale");
    GuardEvent event = DecodeOne(10020, 0, {}, "10.1.2.3");
    EXPECT_EQ(event.recorder, "10.1.2.3");
}

TEST_F(EventDecoderTest, ForwardingStationsFollowTheListAsItChanges)
{
    ConfigNode* allowed = m_tree.TopFolder("Program")
                              ->Child("Configuration")
                              ->Child("System")
                              ->Child("strForwardAllowed");
    const struct {
        const char* list;
        bool fromOne; // 127.0.0.1
        bool fromTwo; // 127.0.0.2
    } steps[] = {{"", true, true},
                 {"127.0.0.2", false, true},
                 {" 127.0.0.1 ; 127.0.0.3", true, false},
                 {"", true, true}};
    for (const auto& step : steps) {
        allowed->SetString(step.list);
        EXPECT_EQ(m_decoder.AcceptsForwardingFrom("127.0.0.1"), step.fromOne) << step.list;
        EXPECT_EQ(m_decoder.AcceptsForwardingFrom("127.0.0.2"), step.fromTwo) << step.list;
    }
}

TEST_F(EventDecoderTest, UnknownRecorderRaisesNoAlarm)
{
    DecodeOne(10001, 0);
    EXPECT_EQ(Decode(10001, 0, {}, "10.9.9.9").size(), 0u);
    TelegramFields fields;
    fields.typeCode = 10001;
    EXPECT_EQ(DecodeBytes(EncodeTelegram(fields), "10.9.9.9"), TelegramOutcome::UnknownRecorder);
    EXPECT_EQ(DecodeBytes(EncodeTelegram(fields), kRecorderIp), TelegramOutcome::Decoded);
}

TEST_F(EventDecoderTest, RecorderWithOtherHybridValueIsUnknown)
{
    AddRecorder("10.1.2.4", "Hybrid", 1);
    EXPECT_EQ(Decode(10001, 0, {}, "10.1.2.4").size(), 0u);
}

TEST_F(EventDecoderTest, RecorderAddressMustMatchExactly)
{
    EXPECT_EQ(Decode(10001, 0, {}, "192.168.10.2").size(), 0u);
    EXPECT_EQ(Decode(10001, 0, {}, "192.168.10.200").size(), 0u);
    EXPECT_EQ(Decode(10001, 0, {}, " 192.168.10.20").size(), 0u);
}

TEST_F(EventDecoderTest, UnknownAlarmTypeIsDispatchedAs11001)
{
    GuardEvent event = DecodeOne(10008, 0);
    EXPECT_EQ(event.alarmType, 11001);
    EXPECT_EQ(event.addInfo, "Unbekannter Alarm 10008");
    EXPECT_EQ(DecodeOne(0, 0).addInfo, "Unbekannter Alarm 0");
    EXPECT_EQ(DecodeOne(65535, 0).addInfo, "Unbekannter Alarm 65535");
}

TEST_F(EventDecoderTest, UnknownAlarmTextIsTranslated)
{
    ScopedTranslation translation({{"Unbekannter Alarm", "Unknown alarm"}});
    EXPECT_EQ(DecodeOne(10041, 0).addInfo, "Unknown alarm 10041");
}

TEST_F(EventDecoderTest, Type10037IsConsumedSilently)
{
    EXPECT_EQ(Decode(10037, 0).size(), 0u);
}

TEST_F(EventDecoderTest, TelegramOfAnotherKindIsIgnored)
{
    TelegramFields fields;
    fields.kind = 254;
    fields.typeCode = 10001;
    DecodeBytes(EncodeTelegram(fields));
    EXPECT_TRUE(m_recorder.events.empty());
}

TEST_F(EventDecoderTest, TruncatedTelegramIsReadOnlyAsFarAsItGoes)
{
    TelegramFields fields;
    fields.typeCode = 10020;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    telegram.resize(10);
    DecodeBytes(telegram);
    EXPECT_TRUE(m_recorder.events.empty());

    EntryListWriter payload;
    payload.Hybrid(5);
    fields.payloadLength = 1000;
    DecodeBytes(EncodeTelegram(fields, payload.Bytes()));
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].hybrid, 5);
}

TEST_F(EventDecoderTest, RecorderLookupNamesTheLastMatch)
{
    AddRecorder("10.0.0.5", "Erster");
    AddRecorder("10.0.0.5", "Zweiter");
    AddRecorder("10.0.0.5", "Hybrid", 1);
    EXPECT_EQ(FindRecorderName(m_tree, "10.0.0.5", 0), "Zweiter");
    EXPECT_EQ(FindRecorderName(m_tree, "10.0.0.5", 1), "Hybrid");
    EXPECT_FALSE(FindRecorderName(m_tree, "10.0.0.5", 2));
    EXPECT_FALSE(FindRecorderName(m_tree, "10.0.0.6", 0));
    EXPECT_EQ(FindRecorderName(m_tree, kRecorderIp, 0), kRecorderName);
}
