#include "ui/config/SystemPage.h"

#include "alarm/AlarmDispatcher.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/ConfigPath.h"
#include "db/DatabaseMaintenance.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "platform/SoundPlayer.h"
#include "ui/config/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {

constexpr int kMaxSpeakerMs = 5000;
constexpr int kMaxBackupHours = 24 * 365;
constexpr int kMaxBackupCopies = 1000;
constexpr int kMaxAlarmCount = 10'000'000;
constexpr int kMaxAgeDays = 3650;

QPushButton* NewButton(QWidget* parent, const QString& objectName, const std::string& text)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

SystemPage::SystemPage(ConfigTree& tree, Prompt& prompt, SoundPlayer* sound, Beeper* speaker,
                       QWidget* parent)
    : QWidget(parent), m_copy(tree, {"Program", "Configuration", "System"}), m_prompt(prompt),
      m_sound(sound), m_speaker(speaker)
{
    setObjectName("SystemPage");
    m_chooseFile = [this](const QString& current) {
        return QFileDialog::getOpenFileName(this, ToQt(Tr("Alarmton waehlen")), current,
                                            ToQt(Tr("Wave-Dateien")) + " (*.wav);;" +
                                                ToQt(Tr("Alle Dateien")) + " (*)");
    };
    auto* left = new QVBoxLayout;
    left->addWidget(BuildMailGroup());
    left->addWidget(BuildSoundGroup());
    left->addWidget(BuildBackupGroup());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildSpeakerGroup());
    right->addWidget(BuildWindowGroup());
    right->addWidget(BuildLimitGroup());
    right->addWidget(BuildForwardingGroup());
    right->addStretch(1);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    UpdateAuthFields();
    UpdateLimitFields();
}

SystemPage::~SystemPage()
{
    StopSound();
}

ConfigNode* SystemPage::Key(std::string_view name) const
{
    return m_copy.Values().Child(name);
}

void SystemPage::Apply()
{
    m_copy.Apply();
}

QCheckBox* SystemPage::BindCheck(const char* key, const std::string& text)
{
    auto* box = new QCheckBox(ToQt(text), this);
    box->setObjectName(key);
    box->setChecked(Key(key)->GetInt() == 1);
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { Key(key)->SetInt(on ? 1 : 0); });
    return box;
}

QSpinBox* SystemPage::BindSpin(const char* key, int minimum, int maximum)
{
    auto* spin = new QSpinBox(this);
    spin->setObjectName(key);
    spin->setRange(minimum, maximum);
    spin->setValue(Key(key)->GetInt());
    connect(spin, &QSpinBox::valueChanged, this,
            [this, key](int value) { Key(key)->SetInt(value); });
    return spin;
}

QLineEdit* SystemPage::BindEdit(const char* key)
{
    auto* edit = new QLineEdit(ToQt(Key(key)->GetString()), this);
    edit->setObjectName(key);
    connect(edit, &QLineEdit::textChanged, this,
            [this, key](const QString& text) { Key(key)->SetString(FromQt(text)); });
    return edit;
}

QWidget* SystemPage::BuildMailGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("E-Mail-Versand")), this);
    m_server = BindEdit("mailSMTPServer");
    m_server->setPlaceholderText(ToQt(Tr("Rechner[:Port]")));
    m_doAuth = BindCheck("mailDoAuth", Tr("Server verlangt Anmeldung (AUTH LOGIN)"));
    m_authUser = BindEdit("mailAuthUser");
    m_authPassword = BindEdit("mailAuthPassword");
    m_authPassword->setEchoMode(QLineEdit::Password);
    connect(m_doAuth, &QCheckBox::toggled, this, [this] { UpdateAuthFields(); });

    m_testFrom = new QLineEdit(this);
    m_testFrom->setObjectName("TestFrom");
    m_testTo = new QLineEdit(this);
    m_testTo->setObjectName("TestTo");
    QPushButton* test = NewButton(this, "TestMail", Tr("Testen"));
    connect(test, &QPushButton::clicked, this,
            [this] { emit TestMailRequested(m_testFrom->text(), m_testTo->text()); });
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_testTo, 1);
    testRow->addWidget(test);

    auto* form = new QFormLayout(group);
    form->addRow(ToQt(Tr("SMTP-Server:")), m_server);
    form->addRow(m_doAuth);
    form->addRow(ToQt(Tr("Benutzer:")), m_authUser);
    form->addRow(ToQt(Tr("Passwort:")), m_authPassword);
    form->addRow(ToQt(Tr("Testmail von:")), m_testFrom);
    form->addRow(ToQt(Tr("Testmail an:")), testRow);
    m_mailQueue = new QLabel(group);
    m_mailQueue->setObjectName("MailQueueState");
    m_mailQueue->setWordWrap(true);
    m_mailQueue->hide();
    form->addRow(m_mailQueue);
    return group;
}

void SystemPage::ShowMailQueue(std::function<std::string()> status)
{
    m_mailQueueStatus = std::move(status);
    auto refresh = [this] { m_mailQueue->setText(ToQt(m_mailQueueStatus())); };
    refresh();
    m_mailQueue->show();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, refresh);
    timer->start(1000);
}

QWidget* SystemPage::BuildSoundGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Alarmtoene")), this);
    auto* grid = new QGridLayout(group);
    for (int priority = 0; priority < kPriorities; ++priority) {
        std::string key = "SndPrio" + std::to_string(priority);
        auto* file = new QLineEdit(ToQt(Key(key)->GetString()), group);
        file->setObjectName(ToQt(key));
        file->setToolTip(file->text());
        connect(file, &QLineEdit::textChanged, this, [this, key, file](const QString& text) {
            file->setToolTip(text);
            Key(key)->SetString(FromQt(text));
        });
        QString suffix = QString::number(priority);
        QPushButton* choose = NewButton(group, "Choose" + suffix, "...");
        choose->setToolTip(ToQt(Tr("Datei waehlen")));
        choose->setMaximumWidth(32);
        QPushButton* play = NewButton(group, "Play" + suffix, Tr("Abspielen"));
        play->setCheckable(true);
        play->setEnabled(m_sound != nullptr);
        QPushButton* clear = NewButton(group, "Clear" + suffix, Tr("Leeren"));
        connect(choose, &QPushButton::clicked, this, [this, file] {
            QString chosen = m_chooseFile(file->text());
            if (!chosen.isEmpty())
                file->setText(chosen);
        });
        connect(play, &QPushButton::clicked, this, [this, priority] { TrySound(priority); });
        connect(clear, &QPushButton::clicked, file, &QLineEdit::clear);
        m_soundFiles[static_cast<size_t>(priority)] = file;
        m_playButtons[static_cast<size_t>(priority)] = play;
        grid->addWidget(
            new QLabel(ToQt(Tr("Prioritaet")) + " " + QString::number(priority + 1), group),
            priority, 0);
        grid->addWidget(file, priority, 1);
        grid->addWidget(choose, priority, 2);
        grid->addWidget(play, priority, 3);
        grid->addWidget(clear, priority, 4);
    }
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* SystemPage::BuildSpeakerGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("PC-Lautsprecher")), this);
    QCheckBox* on = BindCheck("pcspkPlaySound", Tr("Alarme am PC-Lautsprecher melden"));
    m_pitch = new QComboBox(group);
    m_pitch->setObjectName("pcspkFrequ");
    for (const char* text :
         {"tief (250 Hz)", "mittel (500 Hz)", "hoch (1000 Hz)", "steigend (drei Toene)"})
        m_pitch->addItem(ToQt(Tr(text)));
    int choice = Key("pcspkFrequ")->GetInt();
    m_pitch->setCurrentIndex(choice >= 0 && choice <= 3 ? choice : 2);
    connect(m_pitch, &QComboBox::currentIndexChanged, this,
            [this](int index) { Key("pcspkFrequ")->SetInt(index); });
    QSpinBox* length = BindSpin("pcspkMilliSeconds", 1, kMaxSpeakerMs);
    length->setSuffix(" ms");
    QPushButton* tryIt = NewButton(group, "TrySpeaker", Tr("Probieren"));
    tryIt->setEnabled(m_speaker != nullptr);
    connect(tryIt, &QPushButton::clicked, this, [this] { TrySpeaker(); });
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(length, 1);
    lengthRow->addWidget(tryIt);
    auto* form = new QFormLayout(group);
    form->addRow(on);
    form->addRow(ToQt(Tr("Tonhoehe:")), m_pitch);
    form->addRow(ToQt(Tr("Dauer:")), lengthRow);
    return group;
}

QWidget* SystemPage::BuildWindowGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Alarmfenster")), this);
    auto* column = new QVBoxLayout(group);
    column->addWidget(BindCheck("iStackWnd", Tr("Stapelmodus (Alarme im Praesentationsfenster)")));
    column->addWidget(BindCheck("iPinAlarmWnd", Tr("Position beibehalten")));
    column->addWidget(BindCheck("iSizeAlarmWnd", Tr("Breite veraenderbar")));
    return group;
}

QWidget* SystemPage::BuildBackupGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Datensicherung")), this);
    QSpinBox* interval = BindSpin("iBupInterval", 0, kMaxBackupHours);
    interval->setSuffix(ToQt(" " + Tr("Std.")));
    interval->setSpecialValueText(ToQt(Tr("aus")));
    QSpinBox* copies = BindSpin("iBupMaxAnz", 0, kMaxBackupCopies);
    auto* form = new QFormLayout(group);
    form->addRow(ToQt(Tr("Sicherung alle (0 = aus):")), interval);
    form->addRow(ToQt(Tr("Aufbewahrte Sicherungen:")), copies);
    m_backupGroup = group;
    return group;
}

void SystemPage::ShowBackups(DatabaseMaintenance& maintenance)
{
    m_maintenance = &maintenance;
    auto* form = static_cast<QFormLayout*>(m_backupGroup->layout());
    m_backupState = new QLabel(m_backupGroup);
    m_backupState->setObjectName("BackupState");
    // Three lines, not wrapped: a wrapping label in a form row is given the
    // height of its first text and cuts its last line.
    m_backupState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* now = NewButton(m_backupGroup, "BackUpNow", Tr("Jetzt sichern"));
    connect(now, &QPushButton::clicked, this, [this] { BackUpNow(); });
    form->addRow(m_backupState);
    form->addRow(now);
    UpdateBackupState();
}

void SystemPage::UpdateBackupState()
{
    auto when = [](int64_t ms) {
        if (ms <= 0)
            return Tr("keine");
        Timestamp time = Timestamp::FromMs(ms);
        return time.FormatDate() + " " + time.FormatTime(WithMs::No);
    };
    std::string text = Tr("Ordner:") + " " + m_maintenance->BackupFolder().string() + "\n" +
                       Tr("Letzte Sicherung:") + " " + when(m_maintenance->LastBackupMs()) + "\n" +
                       Tr("Naechste Sicherung:") + " " + when(m_maintenance->NextBackupMs());
    m_backupState->setText(ToQt(text));
}

void SystemPage::BackUpNow()
{
    if (!m_maintenance->MakeBackup())
        m_prompt.Show(Tr("Die Sicherung ist fehlgeschlagen."), Tr("Fehler!"), PromptIcon::Error,
                      PromptButtons::Ok);
    UpdateBackupState();
}

QWidget* SystemPage::BuildLimitGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Datenbank")), this);
    m_enableMaxAlarms = BindCheck("iEnableMaxAlarms", Tr("Hoechstens so viele Alarme:"));
    m_numMaxAlarms = BindSpin("iNumMaxAlarms", 1, kMaxAlarmCount);
    m_enableMaxAge = BindCheck("iEnableMaxAge", Tr("Alarme loeschen nach Tagen:"));
    m_maxAge = BindSpin("iMaxAge", 1, kMaxAgeDays);
    connect(m_enableMaxAlarms, &QCheckBox::toggled, this, [this] { UpdateLimitFields(); });
    connect(m_enableMaxAge, &QCheckBox::toggled, this, [this] { UpdateLimitFields(); });
    QPushButton* reset =
        NewButton(group, "ResetCountCache", Tr("Datenbank-Cache zuruecksetzen..."));
    connect(reset, &QPushButton::clicked, this, [this] { AskCountCacheReset(); });
    auto* form = new QFormLayout(group);
    form->addRow(m_enableMaxAlarms, m_numMaxAlarms);
    form->addRow(m_enableMaxAge, m_maxAge);
    form->addRow(reset);
    return group;
}

QWidget* SystemPage::BuildForwardingGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Weiterleitung an diese Station")), this);
    QLineEdit* allowed = BindEdit("strForwardAllowed");
    allowed->setPlaceholderText(ToQt(Tr("leer = jede Station")));
    auto* note = new QLabel(
        ToQt(Tr("Nur diese Stationen (Rechner oder Adressen, durch \";\" getrennt) duerfen "
                "Alarme hierher weiterleiten.")),
        group);
    note->setWordWrap(true);
    auto* form = new QFormLayout(group);
    form->addRow(ToQt(Tr("Erlaubte Stationen:")), allowed);
    form->addRow(note);
    return group;
}

void SystemPage::UpdateAuthFields()
{
    m_authUser->setEnabled(m_doAuth->isChecked());
    m_authPassword->setEnabled(m_doAuth->isChecked());
}

void SystemPage::UpdateLimitFields()
{
    m_numMaxAlarms->setEnabled(m_enableMaxAlarms->isChecked());
    m_maxAge->setEnabled(m_enableMaxAge->isChecked());
}

void SystemPage::StopSound()
{
    if (m_playing < 0)
        return;
    m_playButtons[static_cast<size_t>(m_playing)]->setChecked(false);
    m_playing = -1;
    if (m_sound != nullptr)
        m_sound->Stop();
}

void SystemPage::TrySound(int priority)
{
    bool start = m_playing != priority;
    StopSound();
    QPushButton* button = m_playButtons[static_cast<size_t>(priority)];
    std::string file = FromQt(m_soundFiles[static_cast<size_t>(priority)]->text());
    if (!start || m_sound == nullptr || file.empty()) {
        button->setChecked(false);
        return;
    }
    if (!m_sound->PlayLoop(file)) {
        // Alarms stay silent the same way, so the operator learns it here.
        button->setChecked(false);
        m_prompt.Show(FormatTr(TrNoop("Die Datei kann nicht abgespielt werden: Sie fehlt, ist "
                                      "nicht lesbar, oder es gibt kein Tonausgabegeraet.\n%s"),
                               file),
                      Tr("Achtung"), PromptIcon::Warning, PromptButtons::Ok);
        return;
    }
    button->setChecked(true);
    m_playing = priority;
}

void SystemPage::TrySpeaker()
{
    if (m_speaker == nullptr)
        return;
    PlaySpeakerSignal(*m_speaker, Key("pcspkFrequ")->GetInt(), Key("pcspkMilliSeconds")->GetInt());
}

void SystemPage::AskCountCacheReset()
{
    if (m_prompt.Show(Tr("Datenbank-Cache zuruecksetzen und Wardex beenden?"), Tr("Frage:"),
                      PromptIcon::Question, PromptButtons::OkCancel) == PromptAnswer::Ok)
        emit CountCacheResetConfirmed();
}
