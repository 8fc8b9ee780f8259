// The alarm list on the screen: sorting by header click with the arrow, the
// status line, select all, deleting under the delete right, the context
// menu with bulk confirmation, opening an alarm by double click and the
// saved column widths and order.
#include "AlarmListFixture.h"
#include "ModelCheck.h"
#include "db/RecordFilter.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListMenu.h"
#include "users/UserAccounts.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int count = 0;
};

constexpr int32_t kTrackFull = 10000;
constexpr int32_t kContact = 10005;
constexpr int32_t kDiskFull = 10001;

// Passes records whose AddInfo is "x".
class AddInfoFilter final : public RecordFilter {
public:
    bool Matches(const AlarmRecord& record) override
    {
        return record.Field(AlarmField::AddInfo) == "x";
    }
};

class AlarmListViewTest : public AlarmListFixture {
protected:
    AlarmListModel& Model() { return list->Model(); }
    QHeaderView* Header() { return list->horizontalHeader(); }

    void ClickHeader(int column)
    {
        QPoint at(Header()->sectionViewportPosition(column) + 5, Header()->height() / 2);
        QTest::mouseClick(Header()->viewport(), Qt::LeftButton, {}, at);
    }

    QStringList Column(int column)
    {
        QStringList texts;
        for (int row = 0; row < Model().rowCount(); ++row)
            texts << Cell(row, column);
        return texts;
    }

    // The centre of the row's recorder cell, far enough left for a menu to
    // open there without being pushed back into the screen.
    QPoint RowCentre(int row)
    {
        return list->visualRect(Model().index(row, kColumnRecorder)).center();
    }

    // Opens the context menu by a right click on the row's centre and runs
    // `act` on it while it is open; returns where it opened.
    QPoint RightClick(int row, const std::function<void(AlarmListMenu&)>& act)
    {
        QPoint opened(-1, -1);
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<AlarmListMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                ADD_FAILURE() << "no context menu";
                return;
            }
            opened = menu->pos();
            act(*menu);
        });
        QPoint at = RowCentre(row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        return opened;
    }

    static void Choose(AlarmListMenu& menu, QAction* action)
    {
        menu.setActiveAction(action);
        QTest::keyClick(&menu, Qt::Key_Return);
    }

    ConfigNode* AddUser(std::string_view name)
    {
        ConfigNode* users = tree->TopFolder("Program")->Child("UserList");
        ConfigNode* user = users->NewEntry(users->ChildCount());
        user->Child("Name")->SetString(name);
        return user;
    }

    std::vector<std::string> DeletionNotices()
    {
        std::vector<std::string> notices;
        for (const std::string& call : liveView.calls) {
            if (call.starts_with("RemoveAlarm") || call == "Notify 4")
                notices.push_back(call);
        }
        return notices;
    }

    std::string Arrival(int number) { return Field(number, AlarmField::TimeArrival); }
};

TEST_F(AlarmListViewTest, StartsInArrivalOrderWithTheArrowOnItsColumn)
{
    Store(kTrackFull, 0, kRecorderIp, "a");
    Store(kTrackFull, 0, kRecorderIp, "b");
    EXPECT_EQ(Column(kColumnAddInfo), QStringList({"a", "b"}));
    EXPECT_TRUE(Header()->isSortIndicatorShown());
    EXPECT_EQ(Header()->sortIndicatorSection(), kColumnArrival);
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(AlarmListViewTest, ClickingTheSameHeaderTwiceSortsAscendingThenDescending)
{
    Store(kTrackFull, 3, kRecorderIp, "b");
    Store(kTrackFull, 1, kRecorderIp, "c");
    Store(kTrackFull, 2, kRecorderIp, "a");

    ClickHeader(kColumnCamera);
    EXPECT_EQ(Column(kColumnCamera), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Header()->sortIndicatorSection(), kColumnCamera);
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(kColumnCamera);
    EXPECT_EQ(Column(kColumnCamera), QStringList({"3", "2", "1"}));
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::DescendingOrder);

    // Texts sort the other way round: ascending is Z to A.
    ClickHeader(kColumnAddInfo);
    EXPECT_EQ(Column(kColumnAddInfo), QStringList({"c", "b", "a"}));
    EXPECT_EQ(Header()->sortIndicatorSection(), kColumnAddInfo);
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(kColumnAddInfo);
    EXPECT_EQ(Column(kColumnAddInfo), QStringList({"a", "b", "c"}));
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(AlarmListViewTest, SortingClearsTheSelection)
{
    Store(kTrackFull);
    Store(kTrackFull);
    SelectRows({0, 1});
    ClickHeader(kColumnRecorder);
    EXPECT_TRUE(list->SelectedRows().empty());
}

TEST_F(AlarmListViewTest, PriorityColumnSortsByTheSettingsPriority)
{
    Setting(kTrackFull)->Child("Priority")->SetInt(4);
    Setting(kContact)->Child("Priority")->SetInt(0);
    Setting(kDiskFull)->Child("Priority")->SetInt(2);
    Store(kTrackFull);
    Store(kContact);
    Store(kDiskFull);
    ClickHeader(kColumnPriority);
    EXPECT_EQ(Column(kColumnPriority), QStringList({"1", "3", "5"}));
}

TEST_F(AlarmListViewTest, WhileThePresentationWindowIsActiveTheListSortsByPriority)
{
    Setting(kTrackFull)->Child("Priority")->SetInt(4);
    Setting(kContact)->Child("Priority")->SetInt(0);
    Setting(kDiskFull)->Child("Priority")->SetInt(2);
    Store(kTrackFull, 0, kRecorderIp, "a");
    Store(kContact, 0, kRecorderIp, "c");
    Store(kDiskFull, 0, kRecorderIp, "b");
    presentation.active = true;
    ClickHeader(kColumnAddInfo);
    EXPECT_EQ(Column(kColumnPriority), QStringList({"1", "3", "5"}));
    ClickHeader(kColumnAddInfo);
    EXPECT_EQ(Column(kColumnPriority), QStringList({"1", "3", "5"}));
}

TEST_F(AlarmListViewTest, StatusLineCountsTheAlarms)
{
    QSignalSpy changed(list, &AlarmListView::StatusChanged);
    EXPECT_EQ(list->StatusText(), "0 Alarme");
    Store(kTrackFull, 0, kRecorderIp, "x");
    EXPECT_EQ(list->StatusText(), "1 Alarm");
    Store(kTrackFull);
    EXPECT_EQ(list->StatusText(), "2 Alarme");
    // The second within the paint interval is shown with the rows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return changed.count() == 2; }));
}

TEST_F(AlarmListViewTest, StatusLineWithTheFilterUsesTheSingularForOneMatch)
{
    AddInfoFilter filter;
    database->SetViewFilter(&filter);
    Store(kTrackFull, 0, kRecorderIp, "x");
    Store(kTrackFull, 0, kRecorderIp, "y");
    Store(kTrackFull, 0, kRecorderIp, "z");
    database->SetFilterActive();
    list->Refresh();
    EXPECT_EQ(Model().rowCount(), 1);
    EXPECT_EQ(list->StatusText(), "1 / 3 Alarm (Filter aktiv!)");
    Store(kTrackFull, 0, kRecorderIp, "x");
    EXPECT_EQ(list->StatusText(), "2 / 4 Alarme (Filter aktiv!)");
    database->ClearFilter();
    list->Refresh();
    EXPECT_EQ(list->StatusText(), "4 Alarme");
    database->SetViewFilter(nullptr);
}

TEST_F(AlarmListViewTest, SelectAllMarksEveryRowAndTakesTheFocus)
{
    list->SelectAll();
    EXPECT_TRUE(list->SelectedRows().empty());
    Store(kTrackFull);
    Store(kTrackFull);
    Store(kTrackFull);
    place->activateWindow();
    list->SelectAll();
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(place->focusWidget(), list);
}

TEST_F(AlarmListViewTest, DeletingASelectionKeepsTheAlarmOfTheOpenWindow)
{
    ModelCheck check(&Model());
    for (int i = 0; i < 5; ++i)
        Store(kTrackFull, i);
    std::string shown = Arrival(2);
    std::string first = Arrival(1);
    std::string last = Arrival(3);
    list->OpenAlarm(RowOfRecord(2));
    ASSERT_EQ(OpenDialogs().size(), 1u);
    SelectRows({1, 2, 3});
    list->selectionModel()->setCurrentIndex(Model().index(3, 0), QItemSelectionModel::NoUpdate);
    liveView.calls.clear();

    prompt.Answer(PromptAnswer::Yes);
    list->DeleteSelected();

    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0], "Sollen die ausgewaehlten Alarme wirklich gelöscht werden?");
    EXPECT_EQ(prompt.icons[0], PromptIcon::Question);
    ASSERT_EQ(database->RecordCount(), 3);
    EXPECT_EQ(Arrival(1), shown);
    EXPECT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Cell(1, kColumnCamera), "2");
    // From the last selected row to the first.
    EXPECT_EQ(DeletionNotices(), (std::vector<std::string>{"RemoveAlarm " + last, "Notify 4",
                                                           "RemoveAlarm " + first, "Notify 4"}));
    EXPECT_EQ(OpenDialogs().size(), 1u);
    // The row at the former selection mark is selected again.
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{2});
}

TEST_F(AlarmListViewTest, DeletingOneAlarmAsksInTheSingular)
{
    Store(kTrackFull);
    Store(kTrackFull);
    SelectRows({0});
    prompt.Answer(PromptAnswer::No);
    list->DeleteSelected();
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0], "Soll der ausgewaehlte Alarm wirklich gelöscht werden?");
    EXPECT_EQ(database->RecordCount(), 2);
    EXPECT_TRUE(DeletionNotices().empty());

    prompt.Answer(PromptAnswer::Yes);
    list->DeleteSelected();
    EXPECT_EQ(database->RecordCount(), 1);
    EXPECT_EQ(Model().rowCount(), 1);
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{0});
}

TEST_F(AlarmListViewTest, DeletingWithoutTheRightIsRefused)
{
    ConfigNode* user = AddUser("otto");
    user->Child("RTDelAlarm")->SetInt(0);
    ASSERT_TRUE(LogIn(*tree, "otto"));
    Store(kTrackFull);
    SelectRows({0});
    prompt.Answer(PromptAnswer::Ok);
    list->DeleteSelected();
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_TRUE(
        prompt.shown[0].starts_with("Sie haben nicht die noetigen Rechte, um Alarme zu loeschen!"));
    EXPECT_EQ(database->RecordCount(), 1);
}

TEST_F(AlarmListViewTest, DeletingWithNothingSelectedAsksNothing)
{
    ConfigNode* user = AddUser("otto");
    user->Child("RTDelAlarm")->SetInt(0);
    ASSERT_TRUE(LogIn(*tree, "otto"));
    Store(kTrackFull);
    list->DeleteSelected();
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(database->RecordCount(), 1);
}

TEST_F(AlarmListViewTest, DeletingTheLastOpenAlarmStopsTheAlarmSound)
{
    System("SndPrio0")->SetString("prio0.wav");
    Setting(kTrackFull)->Child("Priority")->SetInt(0);
    Setting(kTrackFull)->Child("ShowAlarmWindow")->SetInt(0);
    Raise(kTrackFull);
    ASSERT_EQ(sound.playing, "prio0.wav");
    SelectRows({0});
    prompt.Answer(PromptAnswer::Yes);
    list->DeleteSelected();
    EXPECT_EQ(database->RecordCount(), 0);
    EXPECT_EQ(sound.playing, "");
}

TEST_F(AlarmListViewTest, ContextMenuOpensBelowTheClickOnlyWithASelection)
{
    Store(kTrackFull);
    Store(kTrackFull);
    bool opened = false;
    QTimer::singleShot(0, [&] { opened = QApplication::activePopupWidget() != nullptr; });
    QPoint at = RowCentre(0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);

    SelectRows({0});
    QStringList entries;
    QPoint where = RightClick(0, [&](AlarmListMenu& menu) {
        for (QAction* action : menu.actions())
            entries << action->text();
        menu.close();
    });
    EXPECT_EQ(entries, QStringList({"&Loeschen", "Bestaetigen", "&Alle auswaehlen"}));
    EXPECT_EQ(where, list->viewport()->mapToGlobal(RowCentre(0)) +
                         QPoint(0, Header()->height() + AlarmListView::kMenuOffset));
}

TEST_F(AlarmListViewTest, ContextMenuRunsItsEntries)
{
    Store(kTrackFull);
    Store(kTrackFull);
    Store(kTrackFull);
    SelectRows({1});
    RightClick(1, [](AlarmListMenu& menu) { Choose(menu, menu.SelectAllAction()); });
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{0, 1, 2}));

    SelectRows({0});
    prompt.Answer(PromptAnswer::Yes);
    RightClick(0, [](AlarmListMenu& menu) { Choose(menu, menu.DeleteAction()); });
    EXPECT_EQ(database->RecordCount(), 2);

    SelectRows({1});
    RightClick(1, [](AlarmListMenu& menu) { Choose(menu, menu.ConfirmAction()); });
    EXPECT_EQ(Field(1, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(1, AlarmField::ConfirmUser), "administrator");
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(Model().CellIcon(1), StateIcon::Confirmed);
}

TEST_F(AlarmListViewTest, BulkConfirmationReportsTheAlarmThatNeedsAPhrase)
{
    Setting(kContact)->Child("RequireConfirmComment")->SetInt(1);
    Setting(kContact)->Child("RequirePhrase")->SetInt(1);
    Setting(kContact)->Child("Phrase")->SetString("Bestaetigt");
    Store(kContact);
    Store(kTrackFull);
    Store(kTrackFull);
    SelectRows({0, 1, 2});
    prompt.Answer(PromptAnswer::Yes);
    prompt.Answer(PromptAnswer::Ok);
    list->ConfirmSelected();
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0], "Die 3 ausgewaehlten Alarme bestaetigen?");
    EXPECT_EQ(prompt.shown[1], "1 Alarm konnte nicht bestaetigt werden");
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(1, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(2, AlarmField::Confirmed), "1");
    // The first handled alarm is selected.
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{1});
}

TEST_F(AlarmListViewTest, DoubleClickOpensTheAlarmForPostProcessing)
{
    Store(kTrackFull);
    Store(kTrackFull, 4);
    QSignalSpy clicked(list, &QAbstractItemView::doubleClicked);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(place.get()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCentre(1));
    ASSERT_EQ(clicked.count(), 1);
    std::vector<AlarmWindowDialog*> dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]->windowTitle(), "Nachbearbeitung Rekorder Tor");
    EXPECT_EQ(handling->Windows().OpenWindows().at(0)->Arrival(),
              RecordAt(1).Number(AlarmField::TimeArrival));
    EXPECT_EQ(list->SelectedRecord(), 1);
}

TEST_F(AlarmListViewTest, SelectedRecordIsTheFirstSelectedRow)
{
    Store(kTrackFull);
    Store(kTrackFull);
    Store(kTrackFull);
    EXPECT_EQ(list->SelectedRecord(), -1);
    list->SortByColumn(kColumnArrival);
    SelectRows({2, 1});
    EXPECT_EQ(list->SelectedRecord(), 1);
}

TEST_F(AlarmListViewTest, ColumnWidthsAndOrderComeFromTheConfiguration)
{
    // The built-in order is not a permutation of the eleven columns.
    for (int column = 0; column < kAlarmListColumnCount; ++column)
        EXPECT_EQ(Header()->visualIndex(column), column);
    EXPECT_EQ(Header()->sectionSize(kColumnAddInfo), 260);
    EXPECT_EQ(Header()->sectionSize(kColumnActionTime), 200);

    ConfigNode* widths =
        tree->TopFolder("Runtime")->Child("GUI")->Child("WardexMEDlg")->Child("ColumnWidths");
    ConfigNode* order =
        tree->TopFolder("Runtime")->Child("GUI")->Child("WardexMEDlg")->Child("ColumnPos");
    widths->Child("Recorder")->SetInt(180);
    widths->Child("Timestamp")->SetInt(60);
    widths->Child("RecDepartTime")->SetInt(0);
    const int shown[] = {9, 0, 1, 3, 5, 6, 2, 4, 7, 8, 10};
    for (int position = 0; position < kAlarmListColumnCount; ++position)
        order->Child(AlarmListColumns()[static_cast<size_t>(position)].key)
            ->SetInt(shown[position]);
    list->RestoreColumns();
    EXPECT_EQ(Header()->sectionSize(kColumnRecorder), 180);
    // A narrow time column still shows the whole date; a hidden one stays hidden.
    EXPECT_GT(Header()->sectionSize(kColumnArrival),
              list->fontMetrics().horizontalAdvance("14.11.2023, 23:13:27"));
    EXPECT_EQ(Header()->sectionSize(kColumnDeparture), 0);
    for (int position = 0; position < kAlarmListColumnCount; ++position)
        EXPECT_EQ(Header()->logicalIndex(position), shown[position]);

    // A repeated column leaves the natural order.
    order->Child("Kamera")->SetInt(9);
    list->RestoreColumns();
    for (int column = 0; column < kAlarmListColumnCount; ++column)
        EXPECT_EQ(Header()->visualIndex(column), column);
}

TEST_F(AlarmListViewTest, SavingWritesTheWidthsAndTheDisplayOrder)
{
    Header()->resizeSection(kColumnAddInfo, 321);
    Header()->moveSection(Header()->visualIndex(kColumnPriority), 0);
    list->SaveColumns();
    ConfigNode* state = tree->TopFolder("Runtime")->Child("GUI")->Child("WardexMEDlg");
    EXPECT_EQ(state->Child("ColumnWidths")->Child("AddInfo")->GetInt(), 321);
    EXPECT_EQ(state->Child("ColumnWidths")->Child("Quittierung")->GetInt(), 50);
    ConfigNode* order = state->Child("ColumnPos");
    EXPECT_EQ(order->Child("Quittierung")->GetInt(), kColumnPriority);
    EXPECT_EQ(order->Child("Timestamp")->GetInt(), kColumnState);
    EXPECT_EQ(order->Child("Priority")->GetInt(), kColumnConfirmComment);
    EXPECT_EQ(order->Child("ActionTime")->GetInt(), kColumnActionTime);

    // A list created later shows what was saved.
    AlarmListView again(AlarmListParts{*tree, *database, handling->Windows(), handling->Sound(),
                                       *users, prompt, liveView, presentation});
    EXPECT_EQ(again.horizontalHeader()->logicalIndex(0), kColumnPriority);
    EXPECT_EQ(again.horizontalHeader()->sectionSize(kColumnAddInfo), 321);
}

TEST_F(AlarmListViewTest, TheOperatorsSortOutlivesTheList)
{
    Store(10005, 1, kRecorderIp, "alt");
    Store(10005, 1, kRecorderIp, "neu");
    // Arrival, ascending: the oldest first.
    EXPECT_EQ(Cell(0, kColumnAddInfo), "alt");
    list->SortByColumn(kColumnArrival);
    list->SaveColumns();

    AlarmListView again(AlarmListParts{*tree, *database, handling->Windows(), handling->Sound(),
                                       *users, prompt, liveView, presentation});
    EXPECT_EQ(again.Model().SortColumn(), kColumnArrival);
    EXPECT_FALSE(again.Model().SortAscending());
    EXPECT_EQ(again.Model().CellText(0, kColumnAddInfo), "neu");
    EXPECT_EQ(again.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
}

} // namespace

TEST_F(AlarmListViewTest, ABurstOfAlarmsIsPaintedOnceTheIntervalIsOver)
{
    PaintCounter paints(list->viewport());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !list->PaintingHeld(); }));
    Store(kDiskFull);
    for (int i = 0; i < 4; ++i) {
        Store(kDiskFull);
        QCoreApplication::processEvents();
    }
    // The rows are there at once, for clicks and selections; only painting waits.
    EXPECT_EQ(Model().rowCount(), 5);
    EXPECT_TRUE(list->PaintingHeld());
    int held = paints.count;
    EXPECT_LE(held, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > held; }));
    EXPECT_EQ(Cell(4, kColumnRecorder), "Tor");
}

TEST_F(AlarmListViewTest, ShownWhilePaintingIsHeldItIsLaidOutForItsFirstPaint)
{
    list->window()->hide();
    Store(kDiskFull);
    Store(kDiskFull);
    ASSERT_TRUE(list->PaintingHeld());
    list->window()->resize(900, 300);
    list->window()->show();
    // The header as wide as the rows below it, not as the list was before.
    EXPECT_EQ(list->horizontalHeader()->width(), list->viewport()->width());
}

TEST_F(AlarmListViewTest, ARowOfABurstCanBeScrolledToBeforeItIsPainted)
{
    constexpr int kRows = 60;
    for (int i = 0; i < kRows; ++i)
        Store(kDiskFull);
    QCoreApplication::processEvents();
    ASSERT_TRUE(list->PaintingHeld());
    QModelIndex last = Model().index(kRows - 1, kColumnRecorder);
    list->scrollTo(last);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(last)));
}

TEST_F(AlarmListViewTest, AnArrivalRepaintsTheRowsOnlyWhenItMovesVisibleOnes)
{
    // Oldest first, a new row goes below the visible ones; newest first, on top.
    for (bool newestFirst : {false, true}) {
        SCOPED_TRACE(newestFirst);
        if (newestFirst)
            list->SortByColumn(kColumnArrival);
        for (int i = 0; i < 40; ++i)
            Store(kDiskFull);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !list->PaintingHeld(); }));
        QCoreApplication::processEvents();
        PaintCounter paints(list->viewport());
        int rows = list->verticalScrollBar()->maximum();
        Store(kDiskFull);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->verticalScrollBar()->maximum() > rows; }));
        if (newestFirst) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(paints.count > 0, newestFirst);
    }
}
