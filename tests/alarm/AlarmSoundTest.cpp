// The looping alarm sound follows the most urgent alarm that no operator has
// acknowledged and stops with the last one.
#include "alarm/AlarmSound.h"

#include "AlarmFixture.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kTrackFull = 10000;    // priority 1 by default
constexpr int32_t kGroupContact = 10004; // priority 3 by default

class AlarmSoundTest : public AlarmFixture {
protected:
    AlarmSoundTest()
    {
        for (int p = 0; p <= 5; ++p)
            System("SndPrio" + std::to_string(p))->SetString("prio" + std::to_string(p) + ".wav");
    }

    void Confirm(int number)
    {
        AlarmRecord record = RecordAt(number);
        ASSERT_TRUE(handling->Windows().ConfirmRecord(number, record, ConfirmKind::Confirm));
    }

    AlarmSound& Sound() { return handling->Sound(); }
};

} // namespace

TEST_F(AlarmSoundTest, SoundFollowsTheMostUrgentUnacknowledgedAlarm)
{
    Raise(kGroupContact);
    EXPECT_EQ(sound.playing, "prio3.wav");
    Raise(kTrackFull);
    EXPECT_EQ(sound.playing, "prio1.wav");
    EXPECT_EQ(Sound().State(), 1);

    Confirm(1);
    Sound().UpdateAlarmSound(SoundSwitch::On);
    EXPECT_EQ(sound.playing, "prio3.wav");
    Confirm(0);
    Sound().UpdateAlarmSound(SoundSwitch::On);
    EXPECT_EQ(sound.playing, "");
    EXPECT_EQ(Sound().State(), AlarmSound::kSilent);
    EXPECT_EQ(sound.played, (std::vector<std::string>{"prio3.wav", "prio1.wav", "prio3.wav"}));
}

TEST_F(AlarmSoundTest, RunningSoundIsNotRestartedForTheSamePriority)
{
    Raise(kGroupContact);
    Raise(kGroupContact, 1);
    Sound().UpdateAlarmSound(SoundSwitch::On);
    EXPECT_EQ(sound.played, std::vector<std::string>{"prio3.wav"});
}

TEST_F(AlarmSoundTest, OffStopsAndOnStartsAgain)
{
    Raise(kGroupContact);
    Sound().UpdateAlarmSound(SoundSwitch::Off);
    EXPECT_EQ(sound.playing, "");
    EXPECT_EQ(Sound().State(), AlarmSound::kSilent);
    Sound().UpdateAlarmSound(SoundSwitch::On);
    EXPECT_EQ(sound.playing, "prio3.wav");
}

TEST_F(AlarmSoundTest, PostponedAndAutomaticallyConfirmedAlarmsStillSound)
{
    Setting(kGroupContact)->Child("ShowAlarmWindow")->SetInt(0);
    Raise(kGroupContact);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(sound.playing, "prio3.wav");

    Raise(kTrackFull);
    AlarmRecord record = RecordAt(1);
    handling->Windows().ConfirmRecord(1, record, ConfirmKind::Postpone);
    Sound().UpdateAlarmSound(SoundSwitch::On);
    EXPECT_EQ(sound.playing, "prio1.wav");
}

TEST_F(AlarmSoundTest, PriorityWithoutFileIsSilent)
{
    System("SndPrio1")->SetString("");
    Raise(kGroupContact);
    Raise(kTrackFull);
    EXPECT_EQ(sound.playing, "");
    EXPECT_EQ(Sound().State(), AlarmSound::kSilent);
}

TEST_F(AlarmSoundTest, UnplayableFileIsNotRetriedForEveryAlarm)
{
    sound.playable = false;
    Raise(kGroupContact);
    Raise(kGroupContact);
    EXPECT_EQ(Sound().State(), 3);
    EXPECT_EQ(sound.played.size(), 1u);
}

TEST_F(AlarmSoundTest, PriorityOutsideTheScaleDoesNotSilenceTheOthers)
{
    Raise(kGroupContact);
    Setting(kTrackFull)->Child("Priority")->SetInt(-1);
    Raise(kTrackFull);
    EXPECT_EQ(sound.playing, "prio3.wav");
}
