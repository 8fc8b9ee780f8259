// What an alarm window shows, where it opens and how wide, its animation,
// and what opening it tells the live-view program and starts.
#include "AlarmFixture.h"
#include "alarm/AlarmWindowManager.h"
#include "alarm/WindowPlacement.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"
#include "events/ScopedTranslation.h"
#include "testsupport/ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kGroupContact = 10004;

class AlarmWindowTest : public AlarmFixture {
protected:
    AlarmWindowTest() { Setting(kGroupContact)->Child("Priority")->SetInt(0); }

    ConfigNode* WindowState(std::string_view key)
    {
        return FindConfigNode(*tree, {"Runtime", "GUI", "DlgAlarmWindow", key});
    }

    AlarmContext Context(int32_t camera = 0, int32_t track = 0)
    {
        AlarmContext context;
        context.settings = AlarmSettings{};
        context.settings->title = "Tor offen";
        context.settings->message = "Kontakt am Haupttor";
        context.settings->showShortText = 1;
        context.settings->showLongText = 1;
        context.settings->showScroller = 1;
        context.settings->priority = 2;
        context.arrival = arrival;
        context.departure = departure;
        context.alarmType = kGroupContact;
        context.recorderAddress = kRecorderIp;
        context.recorderName = "Tor";
        context.camera = camera;
        context.track = track;
        return context;
    }

    // Opens a window for a new priority-0 alarm and postpones it, as
    // operators do one after another; returns where it opened.
    WindowPoint OpenAndClose()
    {
        Raise(kGroupContact);
        AlarmWindow& window = OnlyWindow();
        WindowPoint position = ViewOf(window).position;
        ViewOf(window).events.OnClose();
        return position;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    int64_t arrival = Timestamp::FromLocalFields(1, 3, 2024, 12, 34, 56, 0)->ToMs();
    int64_t departure = Timestamp::FromLocalFields(1, 3, 2024, 12, 34, 50, 0)->ToMs();
};

} // namespace

TEST_F(AlarmWindowTest, ShowsCaptionTimesTextsAndPriorityColour)
{
    AlarmWindowContent content = ComposeAlarmWindow(Context(), PostProcessing::No);
    EXPECT_EQ(content.caption, "Meldung von Rekorder Tor");
    EXPECT_EQ(content.arrivalText, "01.03.2024,12:34:56");
    EXPECT_EQ(content.departureText, "01.03.2024, 12:34:50");
    EXPECT_TRUE(content.showShortText);
    EXPECT_EQ(content.shortText, "Tor offen");
    EXPECT_TRUE(content.showLongText);
    EXPECT_EQ(content.longText, "Kontakt am Haupttor");
    EXPECT_EQ(content.priority, 2);
    EXPECT_EQ(content.priorityColor, (RgbColor{255, 150, 0}));
    EXPECT_EQ(ComposeAlarmWindow(Context(), PostProcessing::Yes).caption,
              "Nachbearbeitung Rekorder Tor");
}

TEST_F(AlarmWindowTest, SectionsSwitchedOffAreHidden)
{
    AlarmContext context = Context();
    context.settings->showShortText = 0;
    context.settings->showLongText = 0;
    context.settings->showScroller = 0;
    AlarmWindowContent content = ComposeAlarmWindow(context, PostProcessing::No);
    EXPECT_FALSE(content.showShortText);
    EXPECT_FALSE(content.showLongText);
    EXPECT_FALSE(content.showScroller);
    EXPECT_EQ(content.scrollerText, "");
}

TEST_F(AlarmWindowTest, ScrollerNamesCameraAndTrackWhenKnown)
{
    EXPECT_EQ(ComposeAlarmWindow(Context(2, 7), PostProcessing::No).scrollerText,
              "Zeitpunkt-Kavex Station: 01.03.2024,12:34:56 +++ Zeitpunkt-Rekorder: 01.03.2024, "
              "12:34:50 +++ Art: Kamera Sammelkontakt +++ Kamera: 3 +++  Rekorder: Tor +++ "
              "Spur-ID: 7 +++ ");
    EXPECT_EQ(ComposeAlarmWindow(Context(-1, -1), PostProcessing::No).scrollerText,
              "Zeitpunkt-Kavex Station: 01.03.2024,12:34:56 +++ Zeitpunkt-Rekorder: 01.03.2024, "
              "12:34:50 +++ Art: Kamera Sammelkontakt +++  Rekorder: Tor +++ ");
}

TEST_F(AlarmWindowTest, CommentBoxFollowsTheConfirmationRules)
{
    AlarmContext context = Context();
    AlarmWindowContent content = ComposeAlarmWindow(context, PostProcessing::No);
    EXPECT_FALSE(content.showComment);
    EXPECT_EQ(content.focus, WindowFocus::ConfirmButton);

    context.settings->requireComment = 1;
    content = ComposeAlarmWindow(context, PostProcessing::No);
    EXPECT_TRUE(content.showComment);
    EXPECT_EQ(content.commentLabel, "Bearbeitungsnotiz:");
    EXPECT_EQ(AlarmWindowContent::kCommentLimit, 45);

    context.settings->requirePhrase = 1;
    content = ComposeAlarmWindow(context, PostProcessing::No);
    EXPECT_EQ(content.commentLabel, "Bearbeitungsnotiz (Phrase erforderlich):");
    EXPECT_EQ(content.focus, WindowFocus::Comment);

    ScopedTranslation french{{"Bearbeitungsnotiz:", "Note de traitement :"},
                             {" (Phrase erforderlich):", " (phrase obligatoire) :"}};
    EXPECT_EQ(ComposeAlarmWindow(context, PostProcessing::No).commentLabel,
              "Note de traitement (phrase obligatoire) :");
}

TEST_F(AlarmWindowTest, CascadeWrapsAtTheRightAndBottomEdges)
{
    WorkArea area{0, 0, 500, 400};
    WindowSize size{400, 300};
    WindowPoint last{kNoLastPosition, kNoLastPosition};
    std::vector<WindowPoint> positions;
    for (int i = 0; i < 10; ++i) {
        last = PlaceAlarmWindow(last, Pinning::Cascade, size, area);
        positions.push_back(last);
    }
    EXPECT_EQ(positions, (std::vector<WindowPoint>{{0, 0},
                                                   {30, 0},
                                                   {60, 0},
                                                   {90, 0},
                                                   {0, 30},
                                                   {30, 30},
                                                   {60, 30},
                                                   {90, 30},
                                                   {0, 60},
                                                   {30, 60}}));
    EXPECT_EQ(PlaceAlarmWindow({90, 90}, Pinning::Cascade, size, area), (WindowPoint{0, 0}));
    EXPECT_EQ(PlaceAlarmWindow({90, 90}, Pinning::Pinned, size, area), (WindowPoint{90, 90}));
    EXPECT_EQ(PlaceAlarmWindow({kNoLastPosition, 50}, Pinning::Pinned, size, {10, 20, 500, 400}),
              (WindowPoint{10, 20}));
}

TEST_F(AlarmWindowTest, TenWindowsOneAfterAnotherCascade30PixelsApart)
{
    std::vector<WindowPoint> positions;
    for (int i = 0; i < 10; ++i)
        positions.push_back(OpenAndClose());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(positions[static_cast<size_t>(i)], (WindowPoint{30 * i, 0})) << i;
    EXPECT_EQ(WindowState("iWinLastPosX")->GetInt(), 270);
    EXPECT_EQ(WindowState("iWinLastPosY")->GetInt(), 0);
}

TEST_F(AlarmWindowTest, PinnedWindowsAllOpenAtTheSamePlace)
{
    System("iPinAlarmWnd")->SetInt(1);
    WindowState("iWinLastPosX")->SetInt(200);
    WindowState("iWinLastPosY")->SetInt(150);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(OpenAndClose(), (WindowPoint{200, 150}));
}

TEST_F(AlarmWindowTest, MovedWindowIsRememberedForTheNextOne)
{
    Raise(kGroupContact);
    ViewOf(OnlyWindow()).events.OnMoved({500, 320});
    EXPECT_EQ(WindowState("iWinLastPosX")->GetInt(), 500);
    EXPECT_EQ(WindowState("iWinLastPosY")->GetInt(), 320);
    ViewOf(OnlyWindow()).events.OnClose();
    EXPECT_EQ(OpenAndClose(), (WindowPoint{530, 320}));
}

TEST_F(AlarmWindowTest, WidthIsRememberedOnlyForResizableWindows)
{
    Raise(kGroupContact);
    EXPECT_FALSE(ViewOf(OnlyWindow()).content.resizable);
    ViewOf(OnlyWindow()).events.OnResized(520);
    ViewOf(OnlyWindow()).events.OnClose();
    EXPECT_EQ(WindowState("iWinLastSizeX")->GetInt(), -1);

    System("iSizeAlarmWnd")->SetInt(1);
    Raise(kGroupContact);
    handling->Windows().NextAlarmWindow();
    EXPECT_TRUE(ViewOf(OnlyWindow()).content.resizable);
    EXPECT_EQ(ViewOf(OnlyWindow()).size.width, 400);
    ViewOf(OnlyWindow()).events.OnResized(520);
    ViewOf(OnlyWindow()).events.OnClose();
    EXPECT_EQ(WindowState("iWinLastSizeX")->GetInt(), 520);

    // Back from postponing.
    clock.source.AdvanceMs(300'000);
    handling->Windows().NextAlarmWindow();
    EXPECT_EQ(ViewOf(OnlyWindow()).size.width, 520);
}

TEST_F(AlarmWindowTest, EveryTickScrollsAndEveryTenthFlashes)
{
    Raise(kGroupContact);
    AlarmWindow& window = OnlyWindow();
    for (int i = 0; i < 25; ++i)
        handling->Windows().Tick();
    EXPECT_EQ(ViewOf(window).scrollerSteps, 25);
    EXPECT_EQ(ViewOf(window).flashes, (std::vector<bool>{true, false}));
    EXPECT_TRUE(presentation.selected.empty());

    presentation.exists = presentation.active = true;
    handling->Windows().Tick();
    EXPECT_EQ(presentation.selected, std::vector<int64_t>{window.Arrival()});
}

TEST_F(AlarmWindowTest, OpeningTellsTheLiveViewProgramWhichAlarmIsShown)
{
    int64_t shown = Raise(kGroupContact);
    EXPECT_EQ(liveView.shownAlarm, shown);
    EXPECT_EQ(liveView.CallsStartingWith("Notify"),
              (std::vector<std::string>{"Notify 1", "Notify 5"}));
}

TEST_F(AlarmWindowTest, LateWindowAsksForALivePictureThatIsNotFresh)
{
    Setting(kGroupContact)->Child("Priority")->SetInt(3);
    Raise(kGroupContact, 6);
    clock.source.AdvanceMs(5001);
    handling->Windows().OpenSelectedAlarm(0);
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 6 0 -1"});
}

TEST_F(AlarmWindowTest, ProgramRunsWhenTheWindowOpensUnlessItRanAtArrival)
{
    ConfigNode* entry = Setting(kGroupContact);
    entry->Child("execprgPath")->SetString("/usr/local/bin/melden");
    Raise(kGroupContact);
    EXPECT_EQ(launcher.started.size(), 1u);
    ViewOf(OnlyWindow()).events.OnClose();

    entry->Child("execprgOnce")->SetInt(1);
    Raise(kGroupContact);
    EXPECT_EQ(launcher.started.size(), 2u); // at arrival, not again at opening
    ViewOf(OnlyWindow()).events.OnClose();

    // Reopened later for post-processing: the program runs again.
    handling->Windows().OpenSelectedAlarm(1);
    EXPECT_EQ(launcher.started.size(), 3u);
}
