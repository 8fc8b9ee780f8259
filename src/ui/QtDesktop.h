// The desktop for the real station: Qt message boxes, profile, keyboard,
// sound, the start-up progress window and the main window.
#pragma once

#include "platform/BusyIndicator.h"
#include "platform/UnattendedPrompt.h"
#include "platform/qt/QtBeeper.h"
#include "platform/qt/QtModifierKeys.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtPrompt.h"
#include "platform/qt/QtSoundPlayer.h"
#include "station/StationDesktop.h"

#include <memory>
#include <string>

class MainWindow;
class NestedLoopDriver;
class QObject;
class QProgressDialog;

// Whether a person can answer the station's message boxes.
enum class Attendance { Desktop, Unattended };

class QtBusyIndicator final : public BusyIndicator {
public:
    void SetBusy(bool busy) override;
    void ShowProgress(int64_t done, int64_t total) override;
};

// Qt's own texts (standard buttons, file, print and colour dialogs) in the
// station's language, from the system's Qt translations; false where the
// system has none for it.
bool LoadQtTranslation(const std::string& language);

class QtDesktop final : public StationDesktop {
public:
    explicit QtDesktop(Attendance attendance = Attendance::Desktop);
    ~QtDesktop() override;

    Prompt& Messages() override;
    Profile& UserProfile() override { return m_profile; }
    ModifierKeys& Keys() override { return m_keys; }
    BusyIndicator& Busy() override { return m_busy; }
    SoundPlayer& Sound() override { return m_sound; }
    Beeper& Speaker() override { return m_beeper; }
    std::optional<std::string> InterfaceLanguage() override;
    void ShowStartupProgress(int percent) override;
    void DrainEvents() override;
    void CreateMainWindow(Station& station) override;
    void DestroyMainWindow() override;
    void LoopEnded() override;
    void EndMainWindow() override;
    void CancelModalDialogs() override;

    MainWindow* Window() { return m_window.get(); }

private:
    Attendance m_attendance;
    QtPrompt m_prompt;
    UnattendedPrompt m_unattended;
    QtProfile m_profile;
    QtModifierKeys m_keys;
    QtBusyIndicator m_busy;
    QtBeeper m_beeper;
    QtSoundPlayer m_sound;
    std::unique_ptr<QProgressDialog> m_progress;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<NestedLoopDriver> m_nestedLoops;
    std::unique_ptr<QObject> m_sessionEnd;
    Station* m_station = nullptr;
};
