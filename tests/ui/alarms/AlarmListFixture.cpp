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

AlarmListFixture::AlarmListFixture() : AlarmFixture(Unassembled{1000})
{
    settingsSource = std::make_unique<SettingsForSortKeys>(*tree);
    sortKeys = std::make_unique<SettingsSortKeys>(*tree, *settingsSource);
    database->SetSortKeySource(sortKeys.get());

    users = std::make_unique<UserSession>(*tree, accountDialogs, prompt, beeper);
    Assemble(prompt, station, views);
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
    EXPECT_TRUE(prompt.answers.empty()) << "a message box that was expected did not appear";
}

ConfigNode* AlarmListFixture::User(std::string_view name)
{
    return FindUser(*tree, name);
}

int AlarmListFixture::Store(int32_t alarmType, int32_t camera, std::string_view recorder,
                            std::string_view addInfo)
{
    int number = AlarmFixture::Store(alarmType, camera, recorder, addInfo);
    list->Refresh();
    return number;
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
