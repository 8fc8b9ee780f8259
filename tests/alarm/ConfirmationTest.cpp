// Confirming and postponing in the alarm window, the record's state changes
// with their live-view notices, the queue rule, opening alarms from the list
// and bulk confirmation.
#include "AlarmFixture.h"
#include "alarm/AlarmWindowManager.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"
#include "db/RecordFilter.h"
#include "users/UserAccounts.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kTrackFull = 10000;    // priority 1
constexpr int32_t kGroupContact = 10004; // priority 3

class ConfirmationTest : public AlarmFixture {
protected:
    ConfirmationTest()
    {
        Setting(kGroupContact)->Child("Priority")->SetInt(0);
        System("SndPrio0")->SetString("prio0.wav");
        System("SndPrio1")->SetString("prio1.wav");
    }

    void RequirePhrase(std::string_view phrase, int32_t type = kGroupContact)
    {
        Setting(type)->Child("RequireConfirmComment")->SetInt(1);
        Setting(type)->Child("RequirePhrase")->SetInt(1);
        Setting(type)->Child("Phrase")->SetString(phrase);
    }

    AlarmWindowManager& Windows() { return handling->Windows(); }
};

// Passes the records that an operator has not confirmed.
class UnconfirmedFilter final : public RecordFilter {
public:
    bool Matches(const AlarmRecord& record) override
    {
        return record.Field(AlarmField::Confirmed) != "1";
    }
};

} // namespace

TEST_F(ConfirmationTest, CommentMustBeginWithThePhraseWhichIsThenRemoved)
{
    RequirePhrase("Bestaetigt");
    Raise(kGroupContact);
    AlarmWindow& window = OnlyWindow();
    ViewOf(window).comment = "Tor offen";
    EXPECT_FALSE(Windows().ConfirmAlarm(window));
    EXPECT_EQ(beeper.beeps, std::vector<SystemBeep>{SystemBeep::Warning});
    EXPECT_EQ(ViewOf(window).refusal,
              "Nicht bestaetigt: Die Bearbeitungsnotiz muss mit der vereinbarten Phrase beginnen.");
    EXPECT_EQ(Windows().OpenCount(), 1);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(station.nextAlarmRequests, 0);

    ViewOf(window).comment = "bestaetigt Tor offen";
    clock.source.AdvanceMs(1500);
    int64_t now = clock.NowMs();
    EXPECT_TRUE(Windows().ConfirmAlarm(window));
    EXPECT_EQ(Windows().OpenCount(), 0);
    EXPECT_EQ(Field(0, AlarmField::ConfirmComment), "Tor offen");
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::ConfirmState), "2");
    EXPECT_EQ(Field(0, AlarmField::AutoConfirmed), "0");
    EXPECT_EQ(Field(0, AlarmField::ConfirmUser), "administrator");
    EXPECT_EQ(Field(0, AlarmField::ActionTime), std::to_string(now));
}

TEST_F(ConfirmationTest, PhraseRemovalIgnoresCaseAndLeadingBlanks)
{
    EXPECT_EQ(CommentWithoutPhrase("bestaetigt Tor offen", "Bestaetigt"), "Tor offen");
    EXPECT_EQ(CommentWithoutPhrase("BESTAETIGT\t Tor bestaetigt zu", "Bestaetigt"), "Tor  zu");
    EXPECT_EQ(CommentWithoutPhrase("Bestaetigt", "Bestaetigt"), "");
    EXPECT_EQ(CommentWithoutPhrase("Bestaetig", "Bestaetigt"), std::nullopt);
    EXPECT_EQ(CommentWithoutPhrase(" Bestaetigt", "Bestaetigt"), std::nullopt);
    EXPECT_EQ(CommentWithoutPhrase("GEPR\xC3\x9C"
                                   "FT ok",
                                   "gepr\xC3\xBC"
                                   "ft"),
              "ok");
    EXPECT_EQ(CommentWithoutPhrase("  frei", ""), "frei");
}

TEST_F(ConfirmationTest, CommentWithoutPhraseRuleIsStoredAsTyped)
{
    Setting(kGroupContact)->Child("RequireConfirmComment")->SetInt(1);
    Raise(kGroupContact);
    ViewOf(OnlyWindow()).comment = " Tor offen";
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(Field(0, AlarmField::ConfirmComment), " Tor offen");
}

TEST_F(ConfirmationTest, ConfirmingTellsEveryoneAndRequestsTheNextAlarm)
{
    int64_t arrival = Raise(kGroupContact);
    liveView.calls.clear();
    int refreshes = station.refreshes;
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(liveView.calls,
              (std::vector<std::string>{"SetShownAlarm 0", "RemoveAlarm " + std::to_string(arrival),
                                        "Notify 2", "SetShownAlarm 0"}));
    EXPECT_EQ(station.refreshes, refreshes + 1);
    EXPECT_EQ(station.nextAlarmRequests, 1);
    EXPECT_EQ(station.broughtToFront, 1);
    EXPECT_EQ(sound.stops, 2); // off, then on with nothing left
    EXPECT_EQ(views.views.size(), 1u);
    EXPECT_TRUE(views.views[0]->closed);
    Windows().Tick();
    EXPECT_TRUE(views.views.empty());
}

TEST_F(ConfirmationTest, ConfirmingTheLastUnacknowledgedAlarmStopsTheSound)
{
    Raise(kTrackFull);
    Raise(kGroupContact);
    EXPECT_EQ(sound.playing, "prio0.wav");
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(sound.playing, "prio1.wav");
    Windows().OpenSelectedAlarm(0);
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(sound.playing, "");
}

TEST_F(ConfirmationTest, CloseBoxPostponesAndTheNextWaitingAlarmOpens)
{
    int64_t first = Raise(kGroupContact);
    int64_t second = Raise(kGroupContact);
    liveView.calls.clear();
    ViewOf(OnlyWindow()).events.OnClose();
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(0, AlarmField::ConfirmState), "1");
    EXPECT_EQ(Field(0, AlarmField::ConfirmUser), "");
    EXPECT_EQ(liveView.CallsStartingWith("Notify"), std::vector<std::string>{"Notify 3"});
    EXPECT_EQ(liveView.CallsStartingWith("RemoveAlarm"),
              std::vector<std::string>{"RemoveAlarm " + std::to_string(first)});

    // The queue passes over the postponed alarm until its time runs out.
    Windows().NextAlarmWindow();
    EXPECT_EQ(OnlyWindow().Arrival(), second);
    ViewOf(OnlyWindow()).events.OnConfirm();
    Windows().NextAlarmWindow();
    EXPECT_FALSE(Windows().AnyOpen());
}

TEST_F(ConfirmationTest, PostponedAlarmComesBackWhenItsTimeRunsOut)
{
    struct Row {
        int32_t postponeSeconds;
        int64_t heldMs; // before it is offered again
    };
    // 0: the queue offers it again at once, as the close box always did.
    const Row rows[] = {{0, 0}, {300, 300'000}, {60, 60'000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.postponeSeconds);
        FindConfigNode(*tree, {"Program", "Configuration", "Escalation", "iPostponeSeconds"})
            ->SetInt(row.postponeSeconds);
        int64_t arrival = Raise(kGroupContact);
        ViewOf(OnlyWindow()).events.OnClose();
        int requests = station.nextAlarmRequests;
        if (row.heldMs > 0) {
            clock.source.AdvanceMs(row.heldMs - 1);
            Windows().Tick();
            Windows().NextAlarmWindow();
            EXPECT_FALSE(Windows().AnyOpen());
            EXPECT_EQ(station.nextAlarmRequests, requests);
            clock.source.AdvanceMs(1);
            Windows().Tick();
            EXPECT_EQ(station.nextAlarmRequests, requests + 1);
        }
        Windows().NextAlarmWindow();
        ASSERT_TRUE(Windows().AnyOpen());
        EXPECT_EQ(OnlyWindow().Arrival(), arrival);
        ViewOf(OnlyWindow()).events.OnConfirm();
    }
}

TEST_F(ConfirmationTest, PostponingChangesTheStateOnceMore)
{
    EXPECT_EQ(PostponedState("0"), 1);
    EXPECT_EQ(PostponedState("1"), 1);
    EXPECT_EQ(PostponedState("2"), 3);
    EXPECT_EQ(PostponedState("3"), 3);
    EXPECT_EQ(PostponedState(""), 3);
    EXPECT_EQ(PostponedState("x"), 3);

    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetField(AlarmField::Confirmed, "1");
    record.SetField(AlarmField::ConfirmState, "2");
    record.SetField(AlarmField::AutoConfirmed, "1");
    ApplyConfirmation(record, ConfirmKind::Postpone, "wache", 5);
    EXPECT_EQ(record.Field(AlarmField::Confirmed), "0");
    EXPECT_EQ(record.Field(AlarmField::ConfirmState), "3");
    EXPECT_EQ(record.Field(AlarmField::AutoConfirmed), "0");
    EXPECT_EQ(record.Field(AlarmField::ConfirmUser), "");
    EXPECT_EQ(record.Field(AlarmField::ActionTime), "");
}

TEST_F(ConfirmationTest, ConfirmingUsesTheCurrentUser)
{
    ConfigNode* list = tree->TopFolder("Program")->Child("UserList");
    list->NewEntry(1)->Child("Name")->SetString("wache");
    ASSERT_TRUE(LogIn(*tree, "wache"));
    Raise(kGroupContact);
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(Field(0, AlarmField::ConfirmUser), "wache");
}

TEST_F(ConfirmationTest, MissingRecordIsReportedAndTheWindowStillCloses)
{
    Raise(kGroupContact);
    Store(kTrackFull);
    AlarmWindow& window = OnlyWindow();
    std::vector<int> gone{0};
    ASSERT_TRUE(database->DeleteRecords(gone));
    EXPECT_TRUE(Windows().ConfirmAlarm(window));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Ein Fehler trat auf: Der zurueckzustellende Datensatz konnte "
                                    "nicht gefunden werden!");
    EXPECT_EQ(Windows().OpenCount(), 0);
    EXPECT_EQ(station.nextAlarmRequests, 1);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
}

TEST_F(ConfirmationTest, RecordThatMovedIsStillFound)
{
    Store(kTrackFull);
    Raise(kGroupContact);
    ASSERT_EQ(OnlyWindow().RecordHint(), 1);
    std::vector<int> gone{0};
    ASSERT_TRUE(database->DeleteRecords(gone));
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
}

TEST_F(ConfirmationTest, ConfirmedRecordLeavesAFilteredView)
{
    UnconfirmedFilter filter;
    database->SetViewFilter(&filter);
    Raise(kGroupContact);
    database->SetFilterActive();
    EXPECT_EQ(database->ViewCount(), 1);
    EXPECT_TRUE(Windows().ConfirmAlarm(OnlyWindow()));
    EXPECT_EQ(database->ViewCount(), 0);
    database->ClearFilter();
    database->SetViewFilter(nullptr);
}

TEST_F(ConfirmationTest, QueueRuleWaitsForOpenWindowsAndSkipsWhatItCannotOpen)
{
    Store(kGroupContact, 0, "10.9.9.9"); // unknown recorder
    Store(kTrackFull);                   // priority 1
    Raise(kGroupContact);                // opens at once
    int waiting = Store(kGroupContact);
    Windows().NextAlarmWindow();
    EXPECT_EQ(views.created, 1);

    ViewOf(OnlyWindow()).events.OnConfirm();
    Windows().NextAlarmWindow();
    EXPECT_EQ(OnlyWindow().RecordHint(), waiting);

    ViewOf(OnlyWindow()).events.OnConfirm();
    Windows().NextAlarmWindow();
    EXPECT_EQ(Windows().OpenCount(), 0);
}

TEST_F(ConfirmationTest, ActivePresentationWindowChoosesTheNextAlarmItself)
{
    Store(kGroupContact);
    presentation.exists = presentation.active = true;
    Windows().NextAlarmWindow();
    EXPECT_EQ(presentation.choseNext, 1);
    EXPECT_EQ(Windows().OpenCount(), 0);
}

TEST_F(ConfirmationTest, SelectedAlarmOfAnUnknownRecorderIsRefused)
{
    int unknown = Store(kGroupContact, 0, "10.9.9.9");
    Windows().OpenSelectedAlarm(unknown);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "Der angewaehlte Rekorder ist Wardex unbekannt.\n\nUm Alarme dieses Rekorders auf "
              "Kavex aufschalten zu koennen, \nmuessen Sie diesen Rekorder im "
              "Konfigurations-Dialog in die\nListe der bekannten Rekorder eintragen!");
    EXPECT_EQ(Windows().OpenCount(), 0);

    Raise(kGroupContact);
    Windows().OpenSelectedAlarm(unknown);
    EXPECT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(beeper.tones, (std::vector<FakeBeeper::PlayedTone>{{100, 100}}));
}

TEST_F(ConfirmationTest, SelectedConfirmedAlarmOnlyAsksForPictures)
{
    ConfigNode* entry = Setting(kTrackFull);
    entry->Child("ShwLivePic")->SetInt(0);
    entry->Child("ShowAlarmWindow")->SetInt(0);
    int number = Store(kTrackFull, 4);
    AlarmRecord record = RecordAt(number);
    Windows().ConfirmRecord(number, record, ConfirmKind::Confirm);
    clock.source.AdvanceMs(60'000);
    liveView.calls.clear();
    Windows().OpenSelectedAlarm(number);
    EXPECT_EQ(Windows().OpenCount(), 0);
    // No request from the settings: the camera's live picture.
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 4 0 -1"});

    entry->Child("ShwLivePic")->SetInt(1);
    entry->Child("ShwTrack")->SetInt(1);
    liveView.calls.clear();
    Windows().OpenSelectedAlarm(number);
    EXPECT_EQ(liveView.Requests().size(), 2u);
}

TEST_F(ConfirmationTest, SelectingTheShownAlarmRaisesItsWindow)
{
    Raise(kGroupContact);
    Windows().OpenSelectedAlarm(0);
    EXPECT_EQ(views.created, 1);
    EXPECT_EQ(ViewOf(OnlyWindow()).raised, 1);
}

TEST_F(ConfirmationTest, SelectingAnotherAlarmPostponesTheOpenOne)
{
    Raise(kGroupContact);
    int other = Store(kTrackFull);
    Windows().OpenSelectedAlarm(other);
    EXPECT_EQ(Field(0, AlarmField::ConfirmState), "1");
    EXPECT_EQ(OnlyWindow().RecordHint(), other);
    EXPECT_EQ(OnlyWindow().IsPostProcessing(), PostProcessing::Yes);
}

TEST_F(ConfirmationTest, BulkConfirmationReportsTheSingleFailureWithItsCount)
{
    RequirePhrase("Bestaetigt", kTrackFull);
    int a = Store(kGroupContact);
    int b = Store(kTrackFull);
    int c = Store(kGroupContact, 2);
    std::vector<int> selected{a, b, c};
    BulkConfirmation result = Windows().ConfirmSelectedAlarms(selected);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, "Die 3 ausgewaehlten Alarme bestaetigen?");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Question);
    EXPECT_EQ(prompt.shown[1].text, "1 Alarm konnte nicht bestaetigt werden");
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.firstHandled, a);
    EXPECT_EQ(Field(a, AlarmField::ConfirmState), "2");
    EXPECT_EQ(Field(b, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(c, AlarmField::Confirmed), "1");
    EXPECT_EQ(station.refreshes, 1);
}

TEST_F(ConfirmationTest, BulkConfirmationCanBeDeclined)
{
    Store(kGroupContact);
    Store(kGroupContact);
    prompt.SetNextAnswer(PromptAnswer::No);
    std::vector<int> selected{0, 1};
    BulkConfirmation result = Windows().ConfirmSelectedAlarms(selected);
    EXPECT_EQ(result.done, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(prompt.shown.size(), 1u);
    EXPECT_TRUE(Windows().ConfirmSelectedAlarms({}).firstHandled < 0);
    EXPECT_EQ(prompt.shown.size(), 1u);
}

TEST_F(ConfirmationTest, BulkConfirmationSkipsTheShownAlarmAndUnknownRecorders)
{
    Raise(kGroupContact);
    int unknown = Store(kGroupContact, 0, "10.9.9.9");
    int confirmed = Store(kTrackFull);
    AlarmRecord record = RecordAt(confirmed);
    Windows().ConfirmRecord(confirmed, record, ConfirmKind::Confirm);
    std::string actionTime = Field(confirmed, AlarmField::ActionTime);
    clock.source.AdvanceMs(1000);

    std::vector<int> selected{0, unknown, confirmed};
    BulkConfirmation result = Windows().ConfirmSelectedAlarms(selected);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.failed, 2);
    EXPECT_EQ(result.firstHandled, confirmed);
    EXPECT_EQ(prompt.shown.back().text, "2 Alarme konnten nicht bestaetigt werden");
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(confirmed, AlarmField::ActionTime), actionTime);
}

TEST_F(ConfirmationTest, SingleSelectedFailureHasNoCountInFront)
{
    RequirePhrase("Bestaetigt");
    int number = Store(kGroupContact);
    std::vector<int> selected{number};
    Windows().ConfirmSelectedAlarms(selected);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Alarm konnte nicht bestaetigt werden");
}

TEST_F(ConfirmationTest, OpenWindowsAreKnownToThePruning)
{
    int64_t arrival = Raise(kGroupContact);
    const OpenAlarmWindows& windows = Windows();
    EXPECT_TRUE(windows.IsShownInAlarmWindow(arrival));
    EXPECT_FALSE(windows.IsShownInAlarmWindow(arrival + 1));
    ViewOf(OnlyWindow()).events.OnClose();
    EXPECT_FALSE(windows.IsShownInAlarmWindow(arrival));
}

TEST_F(ConfirmationTest, SystemMenuActsOnEveryWindow)
{
    Raise(kGroupContact);
    ViewOf(OnlyWindow()).events.OnMinimiseAll();
    EXPECT_TRUE(ViewOf(OnlyWindow()).minimised);
    ViewOf(OnlyWindow()).events.OnRestoreAll();
    EXPECT_FALSE(ViewOf(OnlyWindow()).minimised);
    Windows().HideAll();
    EXPECT_FALSE(ViewOf(OnlyWindow()).visible);
    Windows().ShowAll();
    EXPECT_TRUE(ViewOf(OnlyWindow()).visible);
}
