// The alarm list's model: the cell texts and state icons of the records,
// rows entering and leaving as the view changes (under the model tester),
// and reading one record per rendered row only.
#include "AlarmListFixture.h"
#include "ModelCheck.h"
#include "config/Timestamp.h"
#include "ui/alarms/AlarmListColumns.h"

#include <QSignalSpy>

namespace {

constexpr int32_t kTrackFull = 10000;
constexpr int32_t kContact = 10005;

class AlarmListModelTest : public AlarmListFixture {
protected:
    AlarmListModel& Model() { return list->Model(); }

    ConfigNode* DefaultSetting(int32_t alarmType)
    {
        return tree->TopFolder("Program")
            ->Child("DefaultAlarmSettings")
            ->FindEntryByInt("Type", alarmType);
    }

    // Writes a record's fields directly.
    void Change(int number, AlarmField field, std::string_view text)
    {
        AlarmRecord record = RecordAt(number);
        record.SetField(field, text);
        ASSERT_TRUE(database->Update(number, record));
        list->Refresh();
    }
};

TEST_F(AlarmListModelTest, HasTheElevenColumnsWithTheirHeaders)
{
    ASSERT_EQ(Model().columnCount(), 11);
    QStringList headers;
    for (int column = 0; column < 11; ++column)
        headers << Model().headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Quitt.", "Zeit-Eingang", "Zeit-Versand", "Rekorder", "Kamera",
                                    "Alarm-Typ", "Zusaetzl. Info", "Quit.-Benutzer",
                                    "Quit.-Kommentar", "Prio.", "Zeit-Quittierung"}));
}

TEST_F(AlarmListModelTest, CellsOfAKnownRecorder)
{
    Setting(kTrackFull)->Child("Priority")->SetInt(2);
    Setting(kTrackFull)->Child("Message")->SetString("Spur ist voll (Tor)");
    int number = Store(kTrackFull, 2, kRecorderIp, "Spur 1: Eingang");
    AlarmRecord record = RecordAt(number);
    record.SetField(AlarmField::ConfirmUser, "wache");
    record.SetField(AlarmField::ConfirmComment, "erledigt");
    record.SetNumber(AlarmField::ActionTime, record.Number(AlarmField::TimeArrival) + 60'000);
    ASSERT_TRUE(database->Update(number, record));
    list->Refresh();

    ASSERT_EQ(Model().rowCount(), 1);
    // 2023-11-14 22:13:20 UTC is 23:13:20 in Berlin.
    EXPECT_EQ(Cell(0, kColumnArrival), "14.11.2023, 23:13:20");
    EXPECT_EQ(Cell(0, kColumnDeparture), "14.11.2023, 23:13:18");
    EXPECT_EQ(Cell(0, kColumnRecorder), "Tor");
    EXPECT_EQ(Cell(0, kColumnCamera), "2");
    EXPECT_EQ(Cell(0, kColumnAlarmType), "Spur ist voll (Tor)");
    EXPECT_EQ(Cell(0, kColumnAddInfo), "Spur 1: Eingang");
    EXPECT_EQ(Cell(0, kColumnConfirmUser), "wache");
    EXPECT_EQ(Cell(0, kColumnConfirmComment), "erledigt");
    EXPECT_EQ(Cell(0, kColumnPriority), "3");
    EXPECT_EQ(Cell(0, kColumnActionTime), "14.11.2023, 23:14:20");
    EXPECT_EQ(Cell(0, kColumnState), "");
}

TEST_F(AlarmListModelTest, UnknownRecorderShowsItsAddressAndTakesTheDefaults)
{
    DefaultSetting(kTrackFull)->Child("Priority")->SetInt(3);
    DefaultSetting(kTrackFull)->Child("Message")->SetString("Spur voll (Vorgabe)");
    Setting(kTrackFull)->Child("Priority")->SetInt(0);
    Setting(kTrackFull)->Child("Message")->SetString("Spur voll (Tor)");
    Store(kTrackFull, 1, "10.9.9.9");

    EXPECT_EQ(Cell(0, kColumnRecorder), "Unbekannter Rekorder: 10.9.9.9");
    EXPECT_EQ(Cell(0, kColumnPriority), "4");
    EXPECT_EQ(Cell(0, kColumnAlarmType), "Spur voll (Vorgabe)");
}

TEST_F(AlarmListModelTest, CameraMinusOneIsAnEmptyCell)
{
    Store(kTrackFull, -1);
    Store(kTrackFull, 0);
    EXPECT_EQ(Cell(0, kColumnCamera), "");
    EXPECT_EQ(Cell(1, kColumnCamera), "0");
}

TEST_F(AlarmListModelTest, TimesThatAreZeroOrNegativeAreEmpty)
{
    int number = Store(kTrackFull);
    Change(number, AlarmField::TimeDeparture, "0");
    Change(number, AlarmField::ActionTime, "-5");
    EXPECT_EQ(Cell(0, kColumnDeparture), "");
    EXPECT_EQ(Cell(0, kColumnActionTime), "");
    EXPECT_FALSE(Cell(0, kColumnArrival).isEmpty());
}

TEST_F(AlarmListModelTest, PriorityCellCarriesThePriorityColour)
{
    Setting(kTrackFull)->Child("Priority")->SetInt(0);
    Store(kTrackFull);
    QModelIndex priority = Model().index(0, kColumnPriority);
    EXPECT_EQ(Model().data(priority, Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    // Black stands out more on red than white does.
    EXPECT_EQ(Model().data(priority, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    EXPECT_FALSE(Model().data(Model().index(0, kColumnRecorder), Qt::BackgroundRole).isValid());
}

TEST_F(AlarmListModelTest, StateIconFollowsTheConfirmationFields)
{
    struct Case {
        const char* confirmed;
        const char* state;
        const char* automatic;
        StateIcon normal;
        StateIcon presenting;
    };
    const Case cases[] = {
        {"1", "2", "0", StateIcon::Confirmed, StateIcon::Confirmed},
        {"1", "3", "0", StateIcon::Confirmed, StateIcon::Confirmed},
        {"0", "1", "0", StateIcon::Postponed, StateIcon::PostponedPresenting},
        {"0", "3", "0", StateIcon::Postponed, StateIcon::Postponed},
        {"1", "0", "1", StateIcon::AutoConfirmed, StateIcon::AutoConfirmed},
        {"1", "1", "1", StateIcon::Postponed, StateIcon::PostponedPresenting},
        {"0", "0", "0", StateIcon::Open, StateIcon::OpenPresenting},
        {"0", "2", "0", StateIcon::Open, StateIcon::Open},
        {"", "", "", StateIcon::Open, StateIcon::OpenPresenting},
    };
    for (const Case& c : cases) {
        AlarmRecord record = AlarmRecord::NewAlarm();
        record.SetField(AlarmField::Confirmed, c.confirmed);
        record.SetField(AlarmField::ConfirmState, c.state);
        record.SetField(AlarmField::AutoConfirmed, c.automatic);
        SCOPED_TRACE(std::string(c.confirmed) + "/" + c.state + "/" + c.automatic);
        EXPECT_EQ(StateIconOf(record, Presenting::No), c.normal);
        EXPECT_EQ(StateIconOf(record, Presenting::Yes), c.presenting);
    }
}

TEST_F(AlarmListModelTest, IconColumnShowsTheStateWhileThePresentationWindowIsActive)
{
    Store(kTrackFull);
    EXPECT_EQ(Model().CellIcon(0), StateIcon::Open);
    presentation.active = true;
    list->Refresh();
    EXPECT_EQ(Model().CellIcon(0), StateIcon::OpenPresenting);
    QVariant decoration = Model().data(Model().index(0, kColumnState), Qt::DecorationRole);
    EXPECT_FALSE(decoration.value<QIcon>().isNull());
    EXPECT_FALSE(Model().data(Model().index(0, kColumnArrival), Qt::DecorationRole).isValid());
}

TEST_F(AlarmListModelTest, ARowIsReadOnceForAllItsCells)
{
    Store(kTrackFull);
    Store(kTrackFull);
    int64_t before = Model().RowReads();
    for (int column = 0; column < kAlarmListColumnCount; ++column) {
        for (int role : {Qt::DisplayRole, Qt::DecorationRole, Qt::BackgroundRole})
            Model().data(Model().index(1, column), role);
    }
    EXPECT_EQ(Model().RowReads(), before + 1);
    // A refresh forgets the row: the record may have changed.
    list->Refresh();
    Model().data(Model().index(1, kColumnAddInfo));
    EXPECT_EQ(Model().RowReads(), before + 2);
}

TEST_F(AlarmListModelTest, ARecordThatCannotBeReadGivesAnEmptyRow)
{
    Store(kTrackFull);
    // The file loses its record behind the model's back.
    std::vector<int> all{0};
    ASSERT_TRUE(database->DeleteRecords(all));
    EXPECT_EQ(Model().rowCount(), 1);
    EXPECT_EQ(Cell(0, kColumnRecorder), "");
    EXPECT_FALSE(Model().CellIcon(0).has_value());
    list->Refresh();
    EXPECT_EQ(Model().rowCount(), 0);
}

TEST_F(AlarmListModelTest, ANewAlarmEntersAsOneRowAtItsSortedPlace)
{
    ModelCheck check(&Model());
    Store(kTrackFull, 0, kRecorderIp, "erster");
    Store(kTrackFull, 0, kRecorderIp, "zweiter");
    // Newest first.
    list->SortByColumn(kColumnArrival);
    ASSERT_FALSE(Model().SortAscending());
    QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&Model(), &QAbstractItemModel::modelReset);
    Store(kTrackFull, 0, kRecorderIp, "dritter");
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 0);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(Cell(0, kColumnAddInfo), "dritter");
    EXPECT_EQ(Cell(2, kColumnAddInfo), "erster");
}

TEST_F(AlarmListModelTest, ChangesOfTheViewPassTheModelTester)
{
    ModelCheck check(&Model());
    for (int i = 0; i < 5; ++i)
        Store(i % 2 == 0 ? kTrackFull : kContact, i, kRecorderIp, std::to_string(i));
    list->SortByColumn(kColumnAddInfo);
    list->SortByColumn(kColumnAddInfo);
    Raise(kTrackFull);
    // Two records at once reset the rows.
    AlarmRecord record = RecordAt(0);
    record.SetNumber(AlarmField::TimeArrival, clock.NowMs() + 10'000);
    ASSERT_TRUE(database->Append(record));
    record.SetNumber(AlarmField::TimeArrival, clock.NowMs() + 20'000);
    ASSERT_TRUE(database->Append(record));
    list->Refresh();
    EXPECT_EQ(Model().rowCount(), 8);
    std::vector<int> some{1, 3};
    ASSERT_TRUE(database->DeleteRecords(some));
    list->Refresh();
    EXPECT_EQ(Model().rowCount(), 6);
    list->Refresh();
    EXPECT_EQ(Model().rowCount(), 6);
}

} // namespace
