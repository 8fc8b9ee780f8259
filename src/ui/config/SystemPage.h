// The system page of the configuration sheet: every key of
// Program/Configuration/System, grouped as the operator thinks of them (mail
// server, alarm sounds, PC speaker, alarm windows, backups, database limits).
// The controls edit a copy of the folder: an alarm handled while the sheet is
// open sees the saved settings, never a half-typed server. The sheet applies
// the copy on OK and drops it on Abbrechen.
#pragma once

#include "config/SettingsCopy.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Beeper;
class DatabaseMaintenance;
class QLabel;
class ConfigNode;
class ConfigTree;
class Prompt;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class SoundPlayer;

class SystemPage final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPriorities = 6;

    // sound and speaker may be null: the page then cannot try them.
    SystemPage(ConfigTree& tree, Prompt& prompt, SoundPlayer* sound, Beeper* speaker,
               QWidget* parent = nullptr);
    ~SystemPage() override;

    // The sound file chooser; tests replace it.
    using FileChooser = std::function<QString(const QString& current)>;
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The right column ends here, so that further groups can be added.

    // Shows the alarm mail queue under the mail settings, refreshed every
    // second while the page is open.
    void ShowMailQueue(std::function<std::string()> status);

    void StopSound();
    // The values as the page holds them, and their application to the tree.
    const ConfigNode& Values() const { return m_copy.Values(); }
    void Apply();
    // Shows the backup folder, the last and the next backup and offers
    // "Jetzt sichern".
    void ShowBackups(DatabaseMaintenance& maintenance);

signals:
    // "Testen": sender and recipient typed for the test.
    void TestMailRequested(const QString& from, const QString& to);
    // The count-cache reset was confirmed: the station ends.
    void CountCacheResetConfirmed();

private:
    QWidget* BuildMailGroup();
    QWidget* BuildSoundGroup();
    QWidget* BuildSpeakerGroup();
    QWidget* BuildWindowGroup();
    QWidget* BuildBackupGroup();
    QWidget* BuildLimitGroup();
    QWidget* BuildForwardingGroup();

    ConfigNode* Key(std::string_view name) const;
    QCheckBox* BindCheck(const char* key, const std::string& text);
    QSpinBox* BindSpin(const char* key, int minimum, int maximum);
    QLineEdit* BindEdit(const char* key);
    void UpdateAuthFields();
    void UpdateLimitFields();
    void TrySound(int priority);
    void TrySpeaker();
    void AskCountCacheReset();
    void UpdateBackupState();
    void BackUpNow();

    SettingsCopy m_copy;
    Prompt& m_prompt;
    SoundPlayer* m_sound;
    Beeper* m_speaker;
    FileChooser m_chooseFile;
    int m_playing = -1;

    DatabaseMaintenance* m_maintenance = nullptr;
    QWidget* m_backupGroup = nullptr;
    QLabel* m_backupState = nullptr;
    QLineEdit* m_server = nullptr;
    QCheckBox* m_doAuth = nullptr;
    QLineEdit* m_authUser = nullptr;
    QLineEdit* m_authPassword = nullptr;
    QLineEdit* m_testFrom = nullptr;
    QLineEdit* m_testTo = nullptr;
    QLabel* m_mailQueue = nullptr;
    std::function<std::string()> m_mailQueueStatus;
    std::array<QLineEdit*, kPriorities> m_soundFiles{};
    std::array<QPushButton*, kPriorities> m_playButtons{};
    QComboBox* m_pitch = nullptr;
    QCheckBox* m_enableMaxAlarms = nullptr;
    QSpinBox* m_numMaxAlarms = nullptr;
    QCheckBox* m_enableMaxAge = nullptr;
    QSpinBox* m_maxAge = nullptr;
};
