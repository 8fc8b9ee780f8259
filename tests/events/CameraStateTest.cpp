// Camera failure (10016) and sensor-card camera signal (10022) reports:
// each is compared with the recorder's previous mask, and a report that both
// restores and loses cameras raises two alarms.
#include "DecoderFixture.h"
#include "ScopedTranslation.h"

#include <gtest/gtest.h>

namespace {

using CameraState = DecoderFixture;

} // namespace

TEST_F(CameraState, FirstReportIsComparedWithAnEmptyMask)
{
    GuardEvent event = DecodeOne(10016, 0b0101);
    EXPECT_EQ(event.alarmType, 10016);
    EXPECT_EQ(event.addInfo, "Kameras: 1, 3");
    EXPECT_EQ(event.cameraId, 0);
}

TEST_F(CameraState, RestoredAndFailedCamerasRaiseTwoAlarms)
{
    int64_t firstArrival = DecodeOne(10016, 0b0101).timeArrival;
    std::vector<GuardEvent> events = Decode(10016, 0b0110);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].alarmType, 10900);
    EXPECT_EQ(events[0].addInfo, "Kameras: 1");
    EXPECT_EQ(events[0].cameraId, 0);
    EXPECT_EQ(events[1].alarmType, 10016);
    EXPECT_EQ(events[1].addInfo, "Kameras: 2");
    EXPECT_EQ(events[1].cameraId, -1);
    // Same millisecond: the telegram's arrival is first + 1, its recovery one more.
    EXPECT_EQ(events[1].timeArrival, firstArrival + 1);
    EXPECT_EQ(events[0].timeArrival, events[1].timeArrival + 1);
    for (const GuardEvent& event : events)
        EXPECT_EQ(event.recorder, kRecorderIp);
}

TEST_F(CameraState, NextTelegramDoesNotReuseTheRecoveryArrival)
{
    DecodeOne(10016, 0b01);
    std::vector<GuardEvent> pair = Decode(10016, 0b10);
    ASSERT_EQ(pair.size(), 2u);
    int64_t next = DecodeOne(10001, 0).timeArrival;
    EXPECT_GT(next, pair[0].timeArrival);
    EXPECT_GT(next, pair[1].timeArrival);
}

TEST_F(CameraState, SameMaskTwiceRaisesNoSecondAlarm)
{
    EXPECT_EQ(Decode(10016, 0b11).size(), 1u);
    EXPECT_EQ(Decode(10016, 0b11).size(), 0u);
    // Bits above camera 24 are no cameras.
    EXPECT_EQ(Decode(10016, 0x0F000003).size(), 0u);
}

TEST_F(CameraState, OnlyRestoredCamerasRaiseTheDerivedType)
{
    DecodeOne(10016, 0b1100);
    GuardEvent event = DecodeOne(10016, 0b0100);
    EXPECT_EQ(event.alarmType, 10900);
    EXPECT_EQ(event.addInfo, "Kameras: 4");
    EXPECT_EQ(event.cameraId, 3);
}

TEST_F(CameraState, MasksAreKeptPerRecorder)
{
    AddRecorder("10.0.0.7", "Zweiter");
    DecodeOne(10016, 0b1);
    GuardEvent other = DecodeOne(10016, 0b1, {}, "10.0.0.7");
    EXPECT_EQ(other.alarmType, 10016);
    EXPECT_EQ(other.recorder, "10.0.0.7");
    EXPECT_EQ(Decode(10016, 0b1).size(), 0u);
}

TEST_F(CameraState, MasksOverSeveralTelegrams)
{
    EXPECT_EQ(DecodeOne(10016, 0x800000).addInfo, "Kameras: 24");
    EXPECT_EQ(DecodeOne(10016, 0x800001).addInfo, "Kameras: 1");
    GuardEvent allBack = DecodeOne(10016, 0);
    EXPECT_EQ(allBack.alarmType, 10900);
    EXPECT_EQ(allBack.addInfo, "Kameras: 1, 24");
    EXPECT_EQ(allBack.cameraId, 0);
    EXPECT_EQ(Decode(10016, 0).size(), 0u);
}

TEST_F(CameraState, SensorCardSignalsHaveTheirOwnTable)
{
    DecodeOne(10016, 0b1);
    GuardEvent sensor = DecodeOne(10022, 0b1);
    EXPECT_EQ(sensor.alarmType, 10022);
    EXPECT_EQ(sensor.addInfo, "Kameras: 1");
    EXPECT_EQ(sensor.cameraId, -1);
}

TEST_F(CameraState, SensorCardRestoredAndFailed)
{
    DecodeOne(10022, 0b01);
    std::vector<GuardEvent> events = Decode(10022, 0b10);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].alarmType, 10950);
    EXPECT_EQ(events[0].addInfo, "Kameras: 1");
    EXPECT_EQ(events[0].cameraId, -1);
    EXPECT_EQ(events[1].alarmType, 10022);
    EXPECT_EQ(events[1].addInfo, "Kameras: 2");
    // Each alarm is stored under its own arrival time.
    EXPECT_NE(events[0].timeArrival, events[1].timeArrival);
}

TEST_F(CameraState, SensorCardOnlyRestored)
{
    DecodeOne(10022, 0b11);
    GuardEvent event = DecodeOne(10022, 0b01);
    EXPECT_EQ(event.alarmType, 10950);
    EXPECT_EQ(event.addInfo, "Kameras: 2");
    EXPECT_EQ(event.cameraId, -1);
}

TEST_F(CameraState, UnknownRecorderLeavesTheTableAlone)
{
    EXPECT_EQ(Decode(10016, 0b1, {}, "10.9.9.9").size(), 0u);
    AddRecorder("10.9.9.9", "Neu");
    EXPECT_EQ(DecodeOne(10016, 0b1, {}, "10.9.9.9").addInfo, "Kameras: 1");
}

TEST_F(CameraState, CameraTextTranslated)
{
    ScopedTranslation translation({{"Kameras: ", "Cameras: "}});
    EXPECT_EQ(DecodeOne(10016, 0b110).addInfo, "Cameras: 2, 3");
}
