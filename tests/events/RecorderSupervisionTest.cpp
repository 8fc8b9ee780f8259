// The test message and the supervision of recorder signals: the timeline of
// a due signal with its grace period, switched-off and test-only messages,
// a message without an interval, and a miss reported once.
#include "events/RecorderSupervision.h"

#include "DecoderFixture.h"
#include "ScopedTranslation.h"
#include "config/Timestamp.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kMinuteMs = 60'000;

StampFields Local(int hour, int minute, int second)
{
    StampFields stamp;
    stamp.day = 5;
    stamp.month = 3;
    stamp.year = 2024;
    stamp.hour = static_cast<uint16_t>(hour);
    stamp.minute = static_cast<uint16_t>(minute);
    stamp.second = static_cast<uint16_t>(second);
    return stamp;
}

// 2024-03-05 12:00:00 in Berlin (UTC+1), as microseconds since 1970.
constexpr int64_t kNoonUs = 1'709'636'400'000'000;

class Supervision : public DecoderFixture {
protected:
    Supervision() { m_source.StepWallUs(kNoonUs - kStartRealtimeUs); }

    EntryListWriter TestMessage(std::optional<int32_t> interval, std::optional<uint8_t> flags = {},
                                std::optional<StampFields> departure = Local(12, 0, 0))
    {
        EntryListWriter payload;
        if (departure)
            payload.Departure(*departure);
        if (interval)
            payload.Value32(1, static_cast<uint32_t>(*interval));
        if (flags)
            payload.Flags(1, *flags);
        payload.Text(1, "Rekorder 1");
        return payload;
    }

    ConfigNode& Recorder() { return *RecorderList().ChildAt(0); }
    int64_t NextSignal() { return Recorder().Child("iNextSignal")->GetInt64(); }
    int64_t LastSignal() { return Recorder().Child("iLastSignal")->GetInt64(); }
    int32_t SignalState() { return Recorder().Child("iSignalState")->GetInt(); }

    int64_t MsAt(int hour, int minute, int second)
    {
        return Timestamp::FromLocalFields(5, 3, 2024, hour, minute, second, 0)->ToMs();
    }

    // Moves the clock to the given local time of the day and runs a tick.
    std::vector<GuardEvent> TickAt(int64_t ms)
    {
        m_source.AdvanceMs(ms - NowMs());
        m_supervision.CheckRecorderSignals(NowMs());
        std::vector<GuardEvent> events = std::move(m_recorder.events);
        m_recorder.events.clear();
        return events;
    }

    RecorderSupervision m_supervision{m_tree, m_decoder.Arrivals(), m_recorder};
};

} // namespace

TEST_F(Supervision, TestMessageAnnouncesTheNextSignal)
{
    ASSERT_EQ(NowMs(), MsAt(12, 0, 0));
    GuardEvent event = DecodeOne(10042, 0, TestMessage(600));
    EXPECT_EQ(event.alarmType, 10042);
    EXPECT_EQ(event.addInfo, "Naechstes Signal: 05.03.2024,12:10:00");
    EXPECT_EQ(NextSignal(), MsAt(12, 10, 0));
    EXPECT_EQ(LastSignal(), MsAt(12, 0, 0));
    EXPECT_EQ(SignalState(), 1);
}

TEST_F(Supervision, NextSignalTextFollowsTheRecorderClock)
{
    GuardEvent event = DecodeOne(10042, 0, TestMessage(60, {}, Local(11, 58, 30)));
    EXPECT_EQ(event.addInfo, "Naechstes Signal: 05.03.2024,11:59:30");
    EXPECT_EQ(NextSignal(), MsAt(12, 1, 0));
}

TEST_F(Supervision, TimesAreWholeSeconds)
{
    m_source.AdvanceMs(700);
    DecodeOne(10042, 0, TestMessage(600));
    EXPECT_EQ(LastSignal(), MsAt(12, 0, 0));
    EXPECT_EQ(NextSignal(), MsAt(12, 10, 0));
}

TEST_F(Supervision, MissedSignalRaisesAnAlarmAfterTheGracePeriod)
{
    DecodeOne(10042, 0, TestMessage(600));
    EXPECT_TRUE(TickAt(MsAt(12, 10, 1)).empty());
    EXPECT_TRUE(TickAt(MsAt(12, 25, 0)).empty());
    std::vector<GuardEvent> events = TickAt(MsAt(12, 25, 0) + 1);
    ASSERT_EQ(events.size(), 1u);
    const GuardEvent& alarm = events[0];
    EXPECT_EQ(alarm.alarmType, 11011);
    EXPECT_EQ(alarm.recorder, kRecorderIp);
    EXPECT_EQ(alarm.timeDeparture, MsAt(12, 10, 0));
    EXPECT_EQ(alarm.timeArrival, MsAt(12, 25, 0) + 2);
    EXPECT_EQ(alarm.hybrid, 0);
    EXPECT_EQ(alarm.addInfo, "Intervall für Rekordersignal überschritten. Letzte "
                             "Rekordermeldung um 05.03.2024, 12:00:00");
    EXPECT_EQ(alarm.cameraId, -1);
    EXPECT_EQ(NextSignal(), 0);
    EXPECT_EQ(SignalState(), -1);
}

TEST_F(Supervision, MissIsReportedOnceUntilTheNextTestMessage)
{
    DecodeOne(10042, 0, TestMessage(60));
    EXPECT_EQ(TickAt(MsAt(12, 17, 0)).size(), 1u);
    EXPECT_TRUE(TickAt(MsAt(12, 30, 0)).empty());
    EXPECT_TRUE(TickAt(MsAt(14, 0, 0)).empty());

    EXPECT_EQ(Decode(10042, 0, TestMessage(60, {}, Local(14, 0, 0))).size(), 2u);
    EXPECT_EQ(SignalState(), 1);
    EXPECT_TRUE(TickAt(MsAt(14, 16, 0)).empty());
    EXPECT_EQ(TickAt(MsAt(14, 16, 1)).size(), 1u);
}

TEST_F(Supervision, GracePeriodComesFromTheStartOption)
{
    RecorderSupervision shortGrace(m_tree, m_decoder.Arrivals(), m_recorder, 1);
    DecodeOne(10042, 0, TestMessage(60));
    m_source.AdvanceMs(MsAt(12, 2, 1) - NowMs());
    shortGrace.CheckRecorderSignals(NowMs());
    EXPECT_EQ(m_recorder.events.size(), 1u);
}

TEST_F(Supervision, SwitchedOffRecorderIsNotSupervised)
{
    DecodeOne(10042, 0, TestMessage(600));
    GuardEvent event = DecodeOne(10042, 0, TestMessage(600, 4));
    EXPECT_EQ(event.addInfo, "Betrieb aus");
    EXPECT_EQ(SignalState(), 0);
    EXPECT_EQ(NextSignal(), 0);
    EXPECT_EQ(LastSignal(), MsAt(12, 0, 0));
    EXPECT_TRUE(TickAt(MsAt(23, 0, 0)).empty());
}

TEST_F(Supervision, TestOnlyMessageChangesNothing)
{
    DecodeOne(10042, 0, TestMessage(600));
    m_source.AdvanceMs(5 * kMinuteMs);
    GuardEvent event = DecodeOne(10042, 0, TestMessage(30, 8));
    EXPECT_EQ(event.addInfo, "Test");
    EXPECT_EQ(event.alarmType, 10042);
    EXPECT_EQ(NextSignal(), MsAt(12, 10, 0));
    EXPECT_EQ(LastSignal(), MsAt(12, 0, 0));
    EXPECT_EQ(SignalState(), 1);
}

TEST_F(Supervision, OtherFlagsAreIgnored)
{
    GuardEvent event = DecodeOne(10042, 0, TestMessage(600, 12));
    EXPECT_EQ(event.addInfo, "Naechstes Signal: 05.03.2024,12:10:00");
    EXPECT_EQ(SignalState(), 1);
}

TEST_F(Supervision, MessageWithoutIntervalEndsSupervision)
{
    DecodeOne(10042, 0, TestMessage(600));
    DecodeOne(10042, 0, TestMessage(std::nullopt));
    EXPECT_EQ(NextSignal(), 0);
    EXPECT_EQ(LastSignal(), 0);
    EXPECT_EQ(SignalState(), 1);
    EXPECT_TRUE(TickAt(MsAt(23, 0, 0)).empty());
}

TEST_F(Supervision, MessageWithoutDepartureUsesTheStationClockForItsText)
{
    GuardEvent event = DecodeOne(10042, 0, TestMessage(600, {}, std::nullopt));
    EXPECT_EQ(event.timeDeparture, -1);
    EXPECT_EQ(event.addInfo, "Naechstes Signal: 05.03.2024,12:10:00");
}

TEST_F(Supervision, RejectedPayloadGivesTheProtocolError)
{
    DecodeOne(10042, 0, TestMessage(600));
    EntryListWriter rejected;
    rejected.Raw(0, {}).Value32(1, 5);
    EXPECT_EQ(DecodeOne(10042, 0, rejected).addInfo, "Fehler: Interner Protokollfehler!");
    EXPECT_EQ(NextSignal(), MsAt(12, 10, 0));
}

TEST_F(Supervision, TestMessageFromUnknownRecorderRaisesNothing)
{
    EXPECT_TRUE(Decode(10042, 0, TestMessage(600), "10.9.9.9").empty());
    EXPECT_EQ(NextSignal(), 0);
}

TEST_F(Supervision, OnlyTheRecorderWithHybridZeroIsUpdated)
{
    ConfigNode& hybrid = AddRecorder(kRecorderIp, "Hybrid", 1);
    DecodeOne(10042, 0, TestMessage(600));
    EXPECT_EQ(hybrid.Child("iNextSignal")->GetInt64(), 0);
    EXPECT_EQ(NextSignal(), MsAt(12, 10, 0));
}

TEST_F(Supervision, TwoRecordersMissingInTheSameTickGetDistinctArrivals)
{
    ConfigNode& second = AddRecorder("10.0.0.2", "Zweiter");
    DecodeOne(10042, 0, TestMessage(60));
    DecodeOne(10042, 0, TestMessage(60), "10.0.0.2");
    std::vector<GuardEvent> events = TickAt(MsAt(13, 0, 0));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].recorder, kRecorderIp);
    EXPECT_EQ(events[1].recorder, "10.0.0.2");
    EXPECT_EQ(events[0].timeArrival, MsAt(13, 0, 0) + 1);
    EXPECT_EQ(events[1].timeArrival, MsAt(13, 0, 0) + 2);
    EXPECT_EQ(second.Child("iSignalState")->GetInt(), -1);
}

TEST_F(Supervision, MissArrivalNeverRepeatsATelegramArrival)
{
    DecodeOne(10042, 0, TestMessage(60));
    m_source.AdvanceMs(MsAt(12, 16, 1) - NowMs());
    int64_t telegram = DecodeOne(10001, 0).timeArrival;
    m_supervision.CheckRecorderSignals(telegram - 1);
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_GT(m_recorder.events[0].timeArrival, telegram);
}

TEST_F(Supervision, MissWithoutLastSignalHasNoText)
{
    Recorder().Child("iNextSignal")->SetInt64(MsAt(11, 0, 0));
    Recorder().Child("iLastSignal")->SetInt64(0);
    Recorder().Child("Hybrid")->SetInt(0);
    std::vector<GuardEvent> events = TickAt(MsAt(12, 0, 0));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].addInfo, "");
    EXPECT_EQ(events[0].hybrid, -1);
    EXPECT_EQ(events[0].timeDeparture, MsAt(11, 0, 0));
}

TEST_F(Supervision, DueTimeThatPassedBeforeAStartRaisesAtTheFirstTick)
{
    Recorder().Child("iNextSignal")->SetInt64(MsAt(3, 0, 0));
    Recorder().Child("iLastSignal")->SetInt64(MsAt(2, 50, 0));
    std::vector<GuardEvent> events = TickAt(NowMs());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].addInfo, "Intervall für Rekordersignal überschritten. Letzte "
                                 "Rekordermeldung um 05.03.2024, 02:50:00");
}

TEST_F(Supervision, CorruptDueTimeDoesNotOverflow)
{
    Recorder().Child("iNextSignal")->SetInt64(INT64_MAX);
    EXPECT_TRUE(TickAt(NowMs()).empty());
}

TEST_F(Supervision, MissTextTranslated)
{
    ScopedTranslation translation(
        {{"Intervall für Rekordersignal überschritten. Letzte Rekordermeldung um %s, %s",
          "Recorder signal interval exceeded. Last message at %s, %s"}});
    DecodeOne(10042, 0, TestMessage(60));
    std::vector<GuardEvent> events = TickAt(MsAt(12, 20, 0));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].addInfo, "Recorder signal interval exceeded. Last message at "
                                 "05.03.2024, 12:00:00");
}

TEST_F(Supervision, MissedRecorderSendingAgainIsBackOnlineWithTheOutage)
{
    DecodeOne(10042, 0, TestMessage(600));
    ASSERT_EQ(TickAt(MsAt(12, 25, 1)).size(), 1u);
    m_source.AdvanceMs(MsAt(13, 40, 30) - NowMs());
    std::vector<GuardEvent> events = Decode(10042, 0, TestMessage(600, {}, Local(13, 40, 30)));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].alarmType, 10042);
    const GuardEvent& back = events[1];
    EXPECT_EQ(back.alarmType, 11012);
    EXPECT_EQ(back.recorder, kRecorderIp);
    EXPECT_EQ(back.hybrid, 0);
    EXPECT_EQ(back.timeDeparture, events[0].timeDeparture);
    EXPECT_GT(back.timeArrival, events[0].timeArrival);
    EXPECT_EQ(back.addInfo, "Ausfall seit 05.03.2024, 12:10:00, Dauer 1:30:30");
    EXPECT_EQ(SignalState(), 1);
    EXPECT_EQ(Recorder().Child("iMissedSignal")->GetInt64(), 0);
    // Back once: the next message is an ordinary one.
    EXPECT_EQ(Decode(10042, 0, TestMessage(600)).size(), 1u);
}

TEST_F(Supervision, OnlyAMissedRecorderComesBackOnline)
{
    struct Case {
        int32_t state;
        std::optional<uint8_t> flags;
        size_t events;
        int32_t stateAfter;
    };
    for (const Case& c : {Case{1, {}, 1, 1}, Case{0, {}, 1, 1}, Case{-1, {}, 2, 1},
                          Case{-1, 4, 2, 0}, Case{-1, 8, 1, -1}}) {
        Recorder().Child("iSignalState")->SetInt(c.state);
        EXPECT_EQ(Decode(10042, 0, TestMessage(600, c.flags)).size(), c.events) << c.state;
        EXPECT_EQ(SignalState(), c.stateAfter) << c.state;
    }
}

TEST_F(Supervision, OutageOfAMissSavedWithoutItsDueTimeCountsFromTheLastSignal)
{
    Recorder().Child("iSignalState")->SetInt(-1);
    Recorder().Child("iLastSignal")->SetInt64(MsAt(12, 0, 0) - 26 * 3600'000);
    std::vector<GuardEvent> events = Decode(10042, 0, TestMessage(600));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].addInfo, "Ausfall seit 04.03.2024, 10:00:00, Dauer 1 d 2:00:00");
    Recorder().Child("iSignalState")->SetInt(-1);
    Recorder().Child("iLastSignal")->SetInt64(0);
    EXPECT_EQ(Decode(10042, 0, TestMessage(600))[1].addInfo, "");
}

TEST_F(Supervision, TestMessageTextsAreNotTranslated)
{
    ScopedTranslation translation({{"Test", "Probe"}, {"Betrieb aus", "Off"}});
    EXPECT_EQ(DecodeOne(10042, 0, TestMessage(600, 8)).addInfo, "Test");
    EXPECT_EQ(DecodeOne(10042, 0, TestMessage(600, 4)).addInfo, "Betrieb aus");
}
