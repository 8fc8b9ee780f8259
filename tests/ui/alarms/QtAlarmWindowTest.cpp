// The Qt alarm window on the alarm window logic: colour, texts and hidden
// sections, the comment and the phrase, confirming, postponing by the close
// box or Escape, cascading and pinning, remembered position and width, the
// running text and the flashing caption, and Shift with minimise or restore.
#include "AlarmListFixture.h"
#include "alarm/AlarmSettingsLookup.h"
#include "config/Timestamp.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmScroller.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

constexpr int32_t kContact = 10005;

class QtAlarmWindowTest : public AlarmListFixture {
protected:
    QtAlarmWindowTest()
    {
        ConfigNode* entry = Setting(kContact);
        entry->Child("Priority")->SetInt(0);
        entry->Child("ShowAlarmWindow")->SetInt(1);
        entry->Child("ShwAlmTxtShort")->SetInt(1);
        entry->Child("Title")->SetString("Tor offen!");
        entry->Child("ShwAlmTxtMessage")->SetInt(1);
        entry->Child("Message")->SetString("Kontakt am Haupttor ausgeloest");
        entry->Child("ShwScroller")->SetInt(1);
    }

    AlarmWindowDialog& OnlyDialog()
    {
        std::vector<AlarmWindowDialog*> dialogs = OpenDialogs();
        EXPECT_EQ(dialogs.size(), 1u);
        if (dialogs.empty())
            throw std::runtime_error("no alarm window");
        return *dialogs.back();
    }

    // Opens the alarm of a stored record from the list.
    AlarmWindowDialog& Open(int number)
    {
        list->OpenAlarm(RowOfRecord(number));
        return OnlyDialog();
    }

    void RequirePhrase()
    {
        Setting(kContact)->Child("RequireConfirmComment")->SetInt(1);
        Setting(kContact)->Child("RequirePhrase")->SetInt(1);
        Setting(kContact)->Child("Phrase")->SetString("Bestaetigt");
    }

    ConfigNode* WindowState(std::string_view key)
    {
        return tree->TopFolder("Runtime")->Child("GUI")->Child("DlgAlarmWindow")->Child(key);
    }

    static QColor Background(QWidget* widget) { return widget->palette().color(QPalette::Window); }

    static WorkArea Area()
    {
        QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    }
};

TEST_F(QtAlarmWindowTest, OpensAtArrivalInThePriorityColourWithItsTexts)
{
    Raise(kContact, 4);
    AlarmWindowDialog& dialog = OnlyDialog();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(dialog.windowTitle(), "Meldung von Rekorder Tor");
    EXPECT_EQ(dialog.Caption()->text(), "Meldung von Rekorder Tor");
    EXPECT_EQ(Background(&dialog), QColor(255, 0, 0));
    EXPECT_EQ(dialog.ShortText()->text(), "Tor offen!");
    EXPECT_FALSE(dialog.ShortText()->isHidden());
    EXPECT_EQ(dialog.LongText()->text(), "Kontakt am Haupttor ausgeloest");
    EXPECT_FALSE(dialog.LongText()->isHidden());
    EXPECT_FALSE(dialog.Scroller()->isHidden());
    EXPECT_TRUE(dialog.Scroller()->Text().contains("Kamera: 5 +++ "));
    EXPECT_TRUE(dialog.Scroller()->Text().contains("Rekorder: Tor"));
    EXPECT_TRUE(dialog.CommentBox()->isHidden());
    EXPECT_TRUE(dialog.CommentLabel()->isHidden());
    EXPECT_EQ(dialog.ConfirmButton()->text(), "Bestaetigen");
    EXPECT_EQ(dialog.focusWidget(), dialog.ConfirmButton());
    // Without a sizing border the window has one size.
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

TEST_F(QtAlarmWindowTest, HiddenSectionsShrinkTheWindow)
{
    int full = Open(Store(kContact)).height();
    int fullWidth = OnlyDialog().width();
    Setting(kContact)->Child("ShwAlmTxtShort")->SetInt(0);
    Setting(kContact)->Child("ShwAlmTxtMessage")->SetInt(0);
    Setting(kContact)->Child("ShwScroller")->SetInt(0);
    AlarmWindowDialog& bare = Open(Store(kContact));
    EXPECT_TRUE(bare.ShortText()->isHidden());
    EXPECT_TRUE(bare.LongText()->isHidden());
    EXPECT_TRUE(bare.Scroller()->isHidden());
    EXPECT_EQ(bare.width(), fullWidth);
    int sections = bare.ShortText()->sizeHint().height() + bare.Scroller()->sizeHint().height();
    EXPECT_LE(bare.height(), full - sections);
    // Only the short text back: the window grows by about its height.
    Setting(kContact)->Child("ShwAlmTxtShort")->SetInt(1);
    AlarmWindowDialog& shortOnly = Open(Store(kContact));
    EXPECT_GT(shortOnly.height(), bare.height());
    EXPECT_LT(shortOnly.height(), full);
}

TEST_F(QtAlarmWindowTest, CommentWithPhraseTakesTheFocusAndAtMost45Characters)
{
    RequirePhrase();
    AlarmWindowDialog& dialog = Open(Store(kContact));
    EXPECT_FALSE(dialog.CommentBox()->isHidden());
    EXPECT_TRUE(dialog.CommentBox()->isEnabled());
    EXPECT_EQ(dialog.CommentLabel()->text(), "Bearbeitungsnotiz (Phrase erforderlich):");
    EXPECT_EQ(dialog.focusWidget(), dialog.CommentBox());
    QTest::keyClicks(dialog.CommentBox(), QString(50, 'a'));
    EXPECT_EQ(dialog.CommentBox()->text(), QString(45, 'a'));
}

TEST_F(QtAlarmWindowTest, CommentWithoutPhraseKeepsTheLabel)
{
    Setting(kContact)->Child("RequireConfirmComment")->SetInt(1);
    AlarmWindowDialog& dialog = Open(Store(kContact));
    EXPECT_EQ(dialog.CommentLabel()->text(), "Bearbeitungsnotiz:");
    EXPECT_EQ(dialog.focusWidget(), dialog.ConfirmButton());
    QTest::keyClicks(dialog.CommentBox(), "Tor geschlossen");
    QTest::mouseClick(dialog.ConfirmButton(), Qt::LeftButton);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::ConfirmComment), "Tor geschlossen");
}

TEST_F(QtAlarmWindowTest, ConfirmingWithThePhraseStoresTheRestOfTheComment)
{
    RequirePhrase();
    int number = Store(kContact);
    AlarmWindowDialog& dialog = Open(number);
    int refreshes = station.refreshes;
    QTest::keyClicks(dialog.CommentBox(), "bestaetigt Tor offen");
    QTest::mouseClick(dialog.ConfirmButton(), Qt::LeftButton);
    EXPECT_EQ(Field(number, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(number, AlarmField::ConfirmState), "2");
    EXPECT_EQ(Field(number, AlarmField::ConfirmComment), "Tor offen");
    EXPECT_TRUE(OpenDialogs().empty());
    EXPECT_GT(station.refreshes, refreshes);
    EXPECT_EQ(Cell(0, kColumnConfirmComment), "Tor offen");
    EXPECT_EQ(list->Model().CellIcon(0), StateIcon::Confirmed);
}

TEST_F(QtAlarmWindowTest, ConfirmingWithoutThePhraseBeepsAndKeepsTheWindow)
{
    RequirePhrase();
    int number = Store(kContact);
    AlarmWindowDialog& dialog = Open(number);
    QTest::keyClicks(dialog.CommentBox(), "Tor offen");
    QTest::mouseClick(dialog.ConfirmButton(), Qt::LeftButton);
    EXPECT_EQ(beeper.beeps, std::vector<SystemBeep>{SystemBeep::Warning});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Field(number, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(number, AlarmField::ConfirmComment), "");
    // Says why, until the comment is edited.
    EXPECT_TRUE(dialog.Refusal()->isVisible());
    EXPECT_TRUE(dialog.Refusal()->text().contains("Phrase"));
    EXPECT_GE(dialog.height(), dialog.layout()->totalMinimumSize().height());
    QTest::keyClick(dialog.CommentBox(), Qt::Key_Home);
    QTest::keyClicks(dialog.CommentBox(), "x");
    EXPECT_FALSE(dialog.Refusal()->isVisible());
}

TEST_F(QtAlarmWindowTest, CloseBoxPostponesAndTheNextWaitingPriority0AlarmOpens)
{
    int waiting = Store(kContact);
    int shown = Store(kContact);
    AlarmWindowDialog& dialog = Open(shown);
    EXPECT_FALSE(dialog.close());
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(Field(shown, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(shown, AlarmField::ConfirmState), "1");
    EXPECT_EQ(list->Model().CellIcon(RowOfRecord(shown)), StateIcon::Postponed);
    ASSERT_EQ(station.pendingNextAlarm, 1);
    RunNextAlarmRequests();
    ASSERT_EQ(OpenDialogs().size(), 1u);
    EXPECT_EQ(handling->Windows().OpenWindows().at(0)->Arrival(),
              RecordAt(waiting).Number(AlarmField::TimeArrival));
}

TEST_F(QtAlarmWindowTest, PostponeButtonHoldsTheOnlyAlarmBack)
{
    int number = Store(kContact);
    AlarmWindowDialog& dialog = Open(number);
    QTest::mouseClick(dialog.PostponeButton(), Qt::LeftButton);
    EXPECT_TRUE(OpenDialogs().empty());
    EXPECT_EQ(Field(number, AlarmField::ConfirmState), "1");
    RunNextAlarmRequests();
    EXPECT_TRUE(OpenDialogs().empty());
}

TEST_F(QtAlarmWindowTest, EscapePostponesLikeTheCloseBox)
{
    int number = Store(kContact);
    AlarmWindowDialog& dialog = Open(number);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(OpenDialogs().empty());
    EXPECT_EQ(Field(number, AlarmField::ConfirmState), "1");
}

TEST_F(QtAlarmWindowTest, TenWindowsCascadeAndWrapAtTheWorkAreasEdges)
{
    System("iSizeAlarmWnd")->SetInt(1);
    WindowState("iWinLastSizeX")->SetInt(600);
    int height = Open(Store(kContact)).frameGeometry().height();
    WorkArea area = Area();
    // Started near the bottom, the cascade wraps at both edges.
    WindowPoint expected{0, area.bottom - height - 10};
    WindowState("iWinLastPosX")->SetInt(expected.x);
    WindowState("iWinLastPosY")->SetInt(expected.y);
    bool wrappedRight = false;
    bool wrappedBottom = false;
    for (int i = 0; i < 10; ++i) {
        int number = Store(kContact);
        AlarmWindowDialog& dialog = Open(number);
        ASSERT_EQ(dialog.width(), 600);
        expected.x += 30;
        if (expected.x + dialog.frameGeometry().width() > area.right) {
            expected.x = 0;
            expected.y += 30;
            wrappedRight = true;
        }
        if (expected.y + dialog.frameGeometry().height() > area.bottom) {
            expected.y = 0;
            wrappedBottom = true;
        }
        SCOPED_TRACE(i);
        EXPECT_EQ(dialog.pos(), QPoint(expected.x, expected.y));
        EXPECT_EQ(WindowState("iWinLastPosX")->GetInt(), expected.x);
        EXPECT_EQ(WindowState("iWinLastPosY")->GetInt(), expected.y);
    }
    EXPECT_TRUE(wrappedRight);
    EXPECT_TRUE(wrappedBottom);
}

TEST_F(QtAlarmWindowTest, PinnedWindowsAllOpenAtTheRememberedPlace)
{
    System("iPinAlarmWnd")->SetInt(1);
    WindowState("iWinLastPosX")->SetInt(120);
    WindowState("iWinLastPosY")->SetInt(40);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Open(Store(kContact)).pos(), QPoint(120, 40));
}

TEST_F(QtAlarmWindowTest, TheFirstWindowOpensAtTheTopLeftCorner)
{
    EXPECT_EQ(WindowState("iWinLastPosX")->GetInt(), -1);
    EXPECT_EQ(Open(Store(kContact)).pos(), QPoint(Area().left, Area().top));
}

TEST_F(QtAlarmWindowTest, MovingTheWindowIsRemembered)
{
    AlarmWindowDialog& dialog = Open(Store(kContact));
    dialog.move(210, 145);
    EXPECT_EQ(WindowState("iWinLastPosX")->GetInt(), 210);
    EXPECT_EQ(WindowState("iWinLastPosY")->GetInt(), 145);
}

TEST_F(QtAlarmWindowTest, AResizedWidthIsRememberedForTheNextWindow)
{
    System("iSizeAlarmWnd")->SetInt(1);
    AlarmWindowDialog& dialog = Open(Store(kContact));
    EXPECT_EQ(dialog.width(), AlarmWindowDialog::kDefaultWidth);
    EXPECT_NE(dialog.minimumSize(), dialog.maximumSize());
    dialog.resize(700, dialog.height());
    QTest::mouseClick(dialog.ConfirmButton(), Qt::LeftButton);
    EXPECT_EQ(WindowState("iWinLastSizeX")->GetInt(), 700);
    EXPECT_EQ(Open(Store(kContact)).width(), 700);
}

TEST_F(QtAlarmWindowTest, WithoutSizingTheWidthIsNeitherChangedNorRemembered)
{
    WindowState("iWinLastSizeX")->SetInt(700);
    AlarmWindowDialog& dialog = Open(Store(kContact));
    EXPECT_EQ(dialog.width(), AlarmWindowDialog::kDefaultWidth);
    dialog.resize(650, dialog.height());
    EXPECT_EQ(dialog.width(), AlarmWindowDialog::kDefaultWidth);
    QTest::mouseClick(dialog.ConfirmButton(), Qt::LeftButton);
    EXPECT_EQ(WindowState("iWinLastSizeX")->GetInt(), 700);
}

TEST_F(QtAlarmWindowTest, TicksRunTheTextAndFlashTheCaptionEveryTenth)
{
    AlarmWindowDialog& dialog = Open(Store(kContact));
    QColor dark = Background(dialog.CaptionBand());
    for (int i = 0; i < 9; ++i)
        handling->Windows().Tick();
    EXPECT_EQ(dialog.Scroller()->Offset(), 9 * AlarmScroller::kStep);
    EXPECT_FALSE(dialog.CaptionFlash());
    handling->Windows().Tick();
    EXPECT_TRUE(dialog.CaptionFlash());
    EXPECT_NE(Background(dialog.CaptionBand()), dark);
    for (int i = 0; i < 10; ++i)
        handling->Windows().Tick();
    EXPECT_FALSE(dialog.CaptionFlash());
    EXPECT_EQ(Background(dialog.CaptionBand()), dark);
}

TEST_F(QtAlarmWindowTest, ShiftWithMinimiseOrRestoreActsOnEveryAlarmWindow)
{
    // The system opens one window at a time; the logic can hold more.
    for (int i = 0; i < 2; ++i) {
        AlarmRecord record = RecordAt(Store(kContact));
        AlarmContext context;
        context.arrival = record.Number(AlarmField::TimeArrival);
        context.departure = record.Number(AlarmField::TimeDeparture);
        context.alarmType = kContact;
        context.recorderAddress = kRecorderIp;
        context.recorderName = "Tor";
        context.settings = LookupAlarmSettings(*tree, kContact, 0, kRecorderIp);
        handling->Windows().OpenAlarmWindow(context, i, PostProcessing::No);
    }
    std::vector<AlarmWindowDialog*> dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 2u);

    dialogs[0]->showMinimized();
    EXPECT_FALSE(dialogs[1]->isMinimized());
    dialogs[0]->showNormal();

    shiftHeld = true;
    dialogs[0]->showMinimized();
    EXPECT_TRUE(dialogs[0]->isMinimized());
    EXPECT_TRUE(dialogs[1]->isMinimized());
    dialogs[1]->showNormal();
    EXPECT_FALSE(dialogs[0]->isMinimized());
    EXPECT_FALSE(dialogs[1]->isMinimized());
}

} // namespace
