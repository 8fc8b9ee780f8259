// The configuration sheet opened from the main window: its pages in their
// order, each added only with its right, and OK or Abbrechen. Each page edits
// a copy of its settings, applied to the tree at OK and dropped at
// Abbrechen; the recorder page's commands and sheets act on their own. The
// caller saves the tree when the sheet ends with OK.
#pragma once

#include "ui/config/RecorderPageOptions.h"
#include "users/UserSession.h"

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Beeper;
class CPropPageRecorder;
class ConfigNode;
class ConfigTree;
class LanguagePage;
class DatabaseMaintenance;
class EscalationPage;
class SoundPlayer;
class SystemPage;
class UserPage;
class Prompt;
class QTabWidget;
class Station;

// What the user, language and system pages need beyond the tree. Without a
// sound player or speaker the system page cannot try them.
struct SheetServices {
    SoundPlayer* sound = nullptr;
    Beeper* speaker = nullptr;
    std::filesystem::path languageFolder = "Languages";
    // For the backup state and "Jetzt sichern"; null hides them.
    DatabaseMaintenance* maintenance = nullptr;
    // The state of the alarm mail queue for the system page; none in tests.
    std::function<std::string()> mailQueueStatus = {};
};

class ConfigurationSheet final : public QDialog {
    Q_OBJECT

public:
    ConfigurationSheet(ConfigTree& tree, Prompt& prompt, const std::vector<SheetPage>& pages,
                       const RecorderPageOptions& options, QWidget* parent = nullptr,
                       const SheetServices& services = {});
    ~ConfigurationSheet() override;

    // Null when the user may not edit recorders.
    CPropPageRecorder* RecorderPage() { return m_recorderPage; }
    QTabWidget* Pages() { return m_pages; }
    // Null without their rights (the language page is always there).
    UserPage* Users() { return m_userPage; }
    LanguagePage* Languages() { return m_languagePage; }
    SystemPage* System() { return m_systemPage; }
    EscalationPage* Escalation() { return m_escalationPage; }
    // The system page confirmed the count-cache reset; the sheet ended with OK.
    bool CountCacheResetRequested() const { return m_resetCountCache; }

    void done(int result) override;

private:
    Prompt& m_prompt;
    QTabWidget* m_pages = nullptr;
    CPropPageRecorder* m_recorderPage = nullptr;
    UserPage* m_userPage = nullptr;
    LanguagePage* m_languagePage = nullptr;
    SystemPage* m_systemPage = nullptr;
    EscalationPage* m_escalationPage = nullptr;
    bool m_resetCountCache = false;
};

// Runs the sheet for the station's current user; true when it ended with OK.
// systemConfirmed runs when it ended with OK on a sheet with the system page.
// A confirmed count-cache reset ends the station. services brings what the
// station's pages show beyond the tree; sound, speaker and languages are its own.
bool RunConfigurationSheet(Station& station, const std::vector<SheetPage>& pages, QWidget* parent,
                           const std::function<void()>& systemConfirmed = {},
                           SheetServices services = {});
