// The main alarm list and the Qt alarm windows over a real station's parts:
// the built-in configuration with a recorder "Tor" at 10.0.0.1, the database
// in a temporary folder, alarm handling with the Qt alarm window factory,
// real message boxes answered by the test, and fakes for what lies outside
// (live-view program, sound, mail, programs, presentation window).
#pragma once

#include "AlarmFixture.h"
#include "alarm/AlarmHandling.h"
#include "alarm/AlarmIntake.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/SettingsSortKeys.h"
#include "platform/qt/QtPrompt.h"
#include "testsupport/ScopedTimeZone.h"
#include "ui/alarms/AlarmListModel.h"
#include "ui/alarms/AlarmListView.h"
#include "ui/alarms/AlarmWindowDialog.h"
#include "ui/alarms/QtAlarmWindowFactory.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Shows real message boxes and clicks the answer the test queued; a box
// nobody expected fails the test instead of waiting for a click forever.
class AnsweringPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                      PromptButtons buttons) override;

    void Answer(PromptAnswer answer) { answers.push_back(answer); }

    std::deque<PromptAnswer> answers;
    // Every text shown, in order, as the box showed it.
    std::vector<std::string> shown;
    std::vector<PromptIcon> icons;

private:
    QtPrompt m_real;
};

class NoAccountDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&, int) override { return false; }
    bool RunLogOut(std::string_view) override { return false; }
};

// The main window's part: the list is refreshed, next-alarm requests are
// queued like posted messages.
class ListStationWindow final : public StationWindow {
public:
    void RefreshAlarmList() override
    {
        ++refreshes;
        if (list != nullptr)
            list->Refresh();
    }
    void BringToFront() override {}
    void PostNextAlarmRequest() override { ++pendingNextAlarm; }

    AlarmListView* list = nullptr;
    int refreshes = 0;
    int pendingNextAlarm = 0;
};

class SettingsForSortKeys final : public AlarmSettingsSource {
public:
    explicit SettingsForSortKeys(ConfigTree& tree) : m_tree(tree) {}
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t cameraId,
                                        std::string_view recorder) override;

private:
    ConfigTree& m_tree;
};

// The alarm fixture with real alarm windows and message boxes, and the list.
class AlarmListFixture : public AlarmFixture {
protected:
    AlarmListFixture();
    ~AlarmListFixture() override;

    ConfigNode* User(std::string_view name);

    // Appends a record without dispatch and refreshes the list; returns its
    // number. The clock moves on 1 s, so arrivals are unique and ordered.
    int Store(int32_t alarmType, int32_t camera = 0, std::string_view recorder = kRecorderIp,
              std::string_view addInfo = {});
    // Runs the queued next-alarm requests, as the main window's drain does.
    void RunNextAlarmRequests();

    QString Cell(int row, int column);
    int RowOfRecord(int number);
    void SelectRows(std::initializer_list<int> rows);
    std::vector<AlarmWindowDialog*> OpenDialogs() { return views.OpenDialogs(); }

    ScopedTimeZone zone{"Europe/Berlin"};
    AnsweringPrompt prompt;
    NoAccountDialogs accountDialogs;
    std::unique_ptr<UserSession> users;
    ListStationWindow station;
    bool shiftHeld = false;
    QtAlarmWindowFactory views{[this] { return shiftHeld; }};
    std::unique_ptr<SettingsForSortKeys> settingsSource;
    std::unique_ptr<SettingsSortKeys> sortKeys;
    std::unique_ptr<QWidget> place;
    AlarmListView* list = nullptr;
};
