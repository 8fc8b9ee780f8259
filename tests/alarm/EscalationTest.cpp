// Escalation chains on a fake clock: each step at its time, none after
// confirmation, a restart in the middle of a chain, the catch-up after a
// station was stopped, and the state file.
#include "AlarmFixture.h"
#include "alarm/AlarmEscalation.h"
#include "alarm/AlarmWindowManager.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kGroupContact = 10004; // given priority 0: a window at once

EscalationStep MailStep(int32_t after, std::string to)
{
    EscalationStep step;
    step.afterSeconds = after;
    step.mailTo = std::move(to);
    return step;
}

class EscalationTest : public AlarmFixture {
protected:
    EscalationTest()
    {
        ConfigNode& folder = Folder();
        EscalationSettings settings = ReadEscalationSettings(folder);
        settings.mailFrom = "wardex@example.org";
        WriteEscalationSettings(settings, folder);
        Setting(kGroupContact)->Child("Priority")->SetInt(0);
    }

    ConfigNode& Folder()
    {
        return *FindConfigNode(*tree, {"Program", "Configuration", "Escalation"});
    }

    void SetChain(int priority, std::vector<EscalationStep> steps)
    {
        EscalationSettings settings = ReadEscalationSettings(Folder());
        settings.chains[static_cast<size_t>(priority)] = std::move(steps);
        WriteEscalationSettings(settings, Folder());
    }

    // Moves the clock to `seconds` after `arrival` and ticks.
    void TickAt(int64_t arrival, double seconds)
    {
        int64_t target = arrival + static_cast<int64_t>(seconds * 1000);
        clock.source.AdvanceMs(target - clock.NowMs());
        handling->Escalation().Tick(clock.NowMs());
    }

    std::vector<std::string> Recipients() const
    {
        std::vector<std::string> to;
        for (const AlarmMail& sent : mail.sent)
            to.push_back(sent.to);
        return to;
    }

    std::string StepLog() const
    {
        std::ifstream file(dir.File(AlarmEscalation::kStepLogName));
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

} // namespace

TEST_F(EscalationTest, EachStepIsTakenAtItsTime)
{
    EscalationStep program;
    program.afterSeconds = 30;
    program.programPath = "/usr/local/bin/alarmieren";
    program.programArgs = "${RecorderName}";
    EscalationStep loud;
    loud.afterSeconds = 60;
    loud.soundFile = "/sounds/laut.wav";
    loud.speaker = 3;
    loud.raise = true;
    SetChain(0, {MailStep(10, "schichtleiter@example.org"), program, loud});
    int64_t arrival = Raise(kGroupContact);
    ASSERT_EQ(handling->Escalation().Entries().size(), 1u);

    struct Row {
        double seconds;
        size_t mails;
        size_t programs;
        size_t tones;
        size_t entries;
    };
    const Row rows[] = {
        {9.999, 0, 0, 0, 1}, {10, 1, 0, 0, 1}, {29.9, 1, 0, 0, 1}, {30, 1, 1, 0, 1},
        {59.9, 1, 1, 0, 1},  {60, 1, 1, 3, 0}, {600, 1, 1, 3, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.seconds);
        TickAt(arrival, row.seconds);
        EXPECT_EQ(mail.sent.size(), row.mails);
        EXPECT_EQ(launcher.started.size(), row.programs);
        EXPECT_EQ(beeper.tones.size(), row.tones);
        EXPECT_EQ(handling->Escalation().Entries().size(), row.entries);
    }
    EXPECT_EQ(Recipients(), std::vector<std::string>{"schichtleiter@example.org"});
    EXPECT_EQ(mail.sent[0].subject, "Eskalation: Kamera Sammelkontakt Tor\r\n");
    EXPECT_EQ(launcher.started[0].args, std::vector<std::string>{"Tor"});
    EXPECT_EQ(sound.playing, "/sounds/laut.wav");
    EXPECT_EQ(handling->Sound().State(), AlarmSound::kEscalated);
    EXPECT_EQ(ViewOf(OnlyWindow()).raised, 1);
    std::string a = std::to_string(arrival);
    EXPECT_EQ(StepLog(), a + "\t1\t" + std::to_string(arrival + 10000) +
                             "\tmail:schichtleiter@example.org\n" + a + "\t2\t" +
                             std::to_string(arrival + 30000) +
                             "\tprogram:/usr/local/bin/alarmieren\n" + a + "\t3\t" +
                             std::to_string(arrival + 60000) + "\tsound,speaker,raise\n");
}

TEST_F(EscalationTest, ConfirmationStopsTheChain)
{
    SetChain(0, {MailStep(10, "a@example.org"), MailStep(20, "b@example.org")});
    int64_t arrival = Raise(kGroupContact);
    TickAt(arrival, 12);
    ASSERT_TRUE(handling->Windows().ConfirmAlarm(OnlyWindow()));
    TickAt(arrival, 25);
    TickAt(arrival, 600);
    EXPECT_EQ(Recipients(), std::vector<std::string>{"a@example.org"});
    EXPECT_TRUE(handling->Escalation().Entries().empty());
}

TEST_F(EscalationTest, RestartContinuesTheChainCountedFromArrival)
{
    SetChain(0, {MailStep(10, "a@example.org"), MailStep(40, "b@example.org")});
    int64_t arrival = Raise(kGroupContact);
    TickAt(arrival, 15);
    RestartHandling();
    ASSERT_EQ(handling->Escalation().Entries().size(), 1u);
    EXPECT_EQ(handling->Escalation().Entries()[0].stepsDone, 1);
    TickAt(arrival, 39);
    EXPECT_EQ(Recipients(), std::vector<std::string>{"a@example.org"});
    TickAt(arrival, 40);
    EXPECT_EQ(Recipients(), (std::vector<std::string>{"a@example.org", "b@example.org"}));
}

TEST_F(EscalationTest, StepsMissedWhileStoppedRunOnceAtStart)
{
    SetChain(0, {MailStep(10, "a@example.org"), MailStep(20, "b@example.org"),
                 MailStep(900, "c@example.org")});
    // Stopped before any tick: the state is written as the station ends.
    int64_t arrival = Raise(kGroupContact);
    handling.reset();
    clock.source.AdvanceMs(300'000);
    RestartHandling();
    for (int tick = 0; tick < 5; ++tick)
        TickAt(arrival, 301 + tick * 0.025);
    EXPECT_EQ(Recipients(), (std::vector<std::string>{"a@example.org", "b@example.org"}));
}

TEST_F(EscalationTest, ChainChoice)
{
    struct Row {
        int32_t override;
        int chainPriority;
        size_t entries;
    };
    const Row rows[] = {
        {kOwnPriorityChain, 0, 1}, // the entry's own priority
        {2, 2, 1},                 // another priority's chain
        {kNoChain, 0, 0},          // none
        {kOwnPriorityChain, 1, 0}, // the own priority's chain is empty
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.override);
        RestartHandling();
        for (int priority = 0; priority < kEscalationPriorities; ++priority)
            SetChain(priority, {});
        SetChain(row.chainPriority, {MailStep(10, "a@example.org")});
        Setting(kGroupContact)->Child("EscalationChain")->SetInt(row.override);
        size_t before = handling->Escalation().Entries().size();
        Raise(kGroupContact);
        EXPECT_EQ(handling->Escalation().Entries().size() - before, row.entries);
        handling->Windows().ConfirmAlarm(OnlyWindow());
        handling->Escalation().Tick(clock.NowMs() + 60'000);
    }
}

TEST_F(EscalationTest, StateFileReadsBackAndRefusesWhatItDidNotWrite)
{
    std::vector<EscalationEntry> entries{{133'000'000'000'000, 7, 3, 1}, {-5, 0, 0, 5}};
    EXPECT_EQ(AlarmEscalation::Parse(AlarmEscalation::Serialize(entries)), entries);
    const char* refused[] = {
        "",
        "WardexEscalation 2\n",
        "WardexEscalation 1\n1 2 3 4",
        "WardexEscalation 1\n1 2 3\n",
        "WardexEscalation 1\n1 2 6 0\n",
        "WardexEscalation 1\n1 2 3 6\n",
        "WardexEscalation 1\n1 2 3 4 5\n",
        "WardexEscalation 1\n1 99999999999 3 4\n",
        "WardexEscalation 1\n1 x 3 4\n",
    };
    for (const char* bytes : refused)
        EXPECT_FALSE(AlarmEscalation::Parse(bytes)) << bytes;
}
