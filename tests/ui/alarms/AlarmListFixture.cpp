#include "AlarmListFixture.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/BarDiagram.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "events/AlarmDefaults.h"
#include "events/GuardEvent.h"
#include "users/UserAccounts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

QMessageBox::StandardButton ButtonOf(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Ok:
        return QMessageBox::Ok;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

PromptAnswer Refusal(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

} // namespace

PromptAnswer AnsweringPrompt::Show(std::string_view text, std::string_view caption, PromptIcon icon,
                                   PromptButtons buttons)
{
    icons.push_back(icon);
    if (answers.empty()) {
        shown.emplace_back(text);
        ADD_FAILURE() << "unexpected message box: " << text;
        return Refusal(buttons);
    }
    QMessageBox::StandardButton button = ButtonOf(answers.front());
    answers.pop_front();
    QTimer::singleShot(0, [this, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->button(button) == nullptr) {
            ADD_FAILURE() << "no message box with that button is shown";
            return;
        }
        shown.push_back(box->text().toStdString());
        box->button(button)->click();
    });
    return m_real.Show(text, caption, icon, buttons);
}

const ConfigNode* SettingsForSortKeys::FindAlarmSettings(int32_t alarmType, int32_t cameraId,
                                                         std::string_view recorder)
{
    return ::FindAlarmSettings(m_tree, alarmType, cameraId, recorder);
}

AlarmListFixture::AlarmListFixture()
{
    tree = std::make_unique<ConfigTree>();
    FakePrompt scriptPrompt;
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), scriptPrompt));
    EXPECT_TRUE(RebuildAlarmDefaults(*tree));
    CreateBuiltInAccount(*tree);
    AddRecorder(kRecorderIp, "Tor");
    CompleteRecorderSettings(*tree);

    database = std::make_unique<AlarmDatabase>(*tree, dir.Path(), keys, NoBusyIndicator());
    EXPECT_TRUE(database->Open(dir.File("AlarmDB.txt")));
    intake = std::make_unique<AlarmIntake>(*tree, Clock::Global());
    intake->SetStore(database.get());
    settingsSource = std::make_unique<SettingsForSortKeys>(*tree);
    sortKeys = std::make_unique<SettingsSortKeys>(*tree, *settingsSource);
    database->SetSortKeySource(sortKeys.get());

    users = std::make_unique<UserSession>(*tree, accountDialogs, prompt, beeper);
    handling = std::make_unique<AlarmHandling>(AlarmHandlingParts{
        *tree, *database, *intake, liveView, mail, launcher, sound, beeper, prompt, station,
        presentation, views, trend, NoBarDiagram(), "/opt/wardex"});
    place = std::make_unique<QWidget>();
    place->resize(1200, 400);
    list = InstallAlarmList(*place,
                            AlarmListParts{*tree, *database, handling->Windows(), handling->Sound(),
                                           *users, prompt, liveView, presentation});
    station.list = list;
    place->show();
}

AlarmListFixture::~AlarmListFixture()
{
    station.list = nullptr;
    place.reset();
    handling.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    database->SetSortKeySource(nullptr);
    intake->SetStore(nullptr);
    database->Close();
    EXPECT_TRUE(prompt.answers.empty()) << "a message box that was expected did not appear";
}

ConfigNode* AlarmListFixture::System(std::string_view key)
{
    return tree->TopFolder("Program")->Child("Configuration")->Child("System")->Child(key);
}

ConfigNode* AlarmListFixture::AddRecorder(std::string_view ip, std::string_view name)
{
    ConfigNode* recorders = tree->TopFolder("Program")->Child("RecorderList");
    ConfigNode* recorder = recorders->NewEntry(recorders->ChildCount());
    recorder->Child("IP")->SetString(ip);
    recorder->Child("Name")->SetString(name);
    recorder->Child("Hybrid")->SetInt(0);
    return recorder;
}

ConfigNode* AlarmListFixture::Setting(int32_t alarmType, std::string_view recorderIp)
{
    ConfigNode* recorder =
        tree->TopFolder("Program")->Child("RecorderList")->FindEntryByString("IP", recorderIp);
    return recorder->Child("AlarmSettings")->FindEntryByInt("Type", alarmType);
}

ConfigNode* AlarmListFixture::User(std::string_view name)
{
    return FindUser(*tree, name);
}

int AlarmListFixture::Store(int32_t alarmType, int32_t camera, std::string_view recorder,
                            std::string_view addInfo)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, Timestamp::NowMs());
    record.SetNumber(AlarmField::TimeDeparture, Timestamp::NowMs() - 2000);
    record.SetField(AlarmField::Recorder, recorder);
    record.SetNumber(AlarmField::CameraID, camera);
    record.SetNumber(AlarmField::TrackID, 0);
    record.SetNumber(AlarmField::AlarmType, alarmType);
    record.SetField(AlarmField::AddInfo, addInfo);
    EXPECT_TRUE(database->Append(record));
    clock.source.AdvanceMs(1000);
    list->Refresh();
    return database->RecordCount() - 1;
}

int64_t AlarmListFixture::Raise(int32_t alarmType, int32_t camera, std::string_view recorder)
{
    GuardEvent event;
    event.recorder = std::string(recorder);
    event.timeArrival = Timestamp::NowMs();
    event.timeDeparture = event.timeArrival - 2000;
    event.alarmType = alarmType;
    event.cameraId = camera;
    event.trackId = 0;
    event.hybrid = 0;
    intake->Raise(event);
    clock.source.AdvanceMs(1000);
    return event.timeArrival;
}

AlarmRecord AlarmListFixture::RecordAt(int number)
{
    AlarmRecord record;
    EXPECT_TRUE(database->Read(number, record));
    return record;
}

std::string AlarmListFixture::Field(int number, AlarmField field)
{
    return std::string(RecordAt(number).Field(field));
}

void AlarmListFixture::RunNextAlarmRequests()
{
    while (station.pendingNextAlarm > 0) {
        --station.pendingNextAlarm;
        handling->Windows().NextAlarmWindow();
    }
}

QString AlarmListFixture::Cell(int row, int column)
{
    return list->Model().data(list->Model().index(row, column)).toString();
}

int AlarmListFixture::RowOfRecord(int number)
{
    for (int row = 0; row < list->Model().rowCount(); ++row) {
        if (list->Model().RecordNumber(row) == number)
            return row;
    }
    return -1;
}

void AlarmListFixture::SelectRows(std::initializer_list<int> rows)
{
    list->clearSelection();
    for (int row : rows)
        list->selectionModel()->select(list->Model().index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
