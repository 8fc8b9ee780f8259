#include "ui/config/ConfigurationSheet.h"

#include "audit/AuditTrail.h"
#include "config/ConfigKeys.h"
#include "config/Translator.h"
#include "platform/qt/QtSoundPlayer.h"
#include "station/ConfigAudit.h"
#include "station/Station.h"
#include "station/StationDesktop.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/EscalationPage.h"
#include "ui/config/LanguagePage.h"
#include "ui/config/QtText.h"
#include "ui/config/SystemPage.h"
#include "ui/config/TestMailDialog.h"
#include "ui/config/UserPage.h"
#include "ui/diagrams/DiagramColourPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

ConfigurationSheet::ConfigurationSheet(ConfigTree& tree, Prompt& prompt,
                                       const std::vector<SheetPage>& pages,
                                       const RecorderPageOptions& options, QWidget* parent,
                                       const SheetServices& services)
    : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(ToQt(Tr("Konfiguration")));
    resize(720, 460);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("ConfigurationPages");
    for (SheetPage page : pages) {
        switch (page) {
        case SheetPage::Recorder:
            m_recorderPage = new CPropPageRecorder(tree, prompt, options);
            m_pages->addTab(m_recorderPage, ToQt(Tr("Rekorder")));
            break;
        case SheetPage::Diagram:
            m_pages->addTab(new DiagramColourPage(tree, *this), ToQt(Tr("Diagramm")));
            break;
        case SheetPage::User:
            m_userPage = new UserPage(tree, prompt);
            m_pages->addTab(m_userPage, ToQt(Tr("Benutzer")));
            break;
        case SheetPage::Language:
            m_languagePage = new LanguagePage(tree, services.languageFolder);
            m_pages->addTab(m_languagePage, ToQt(Tr("Sprache")));
            break;
        case SheetPage::System:
            m_systemPage = new SystemPage(tree, prompt, services.sound, services.speaker);
            if (services.maintenance != nullptr)
                m_systemPage->ShowBackups(*services.maintenance);
            if (services.mailQueueStatus)
                m_systemPage->ShowMailQueue(services.mailQueueStatus);
            m_pages->addTab(m_systemPage, ToQt(Tr("System")));
            connect(m_systemPage, &SystemPage::TestMailRequested, this,
                    [this](const QString& from, const QString& to) {
                        RunTestMail(m_systemPage->Values(), m_prompt, FromQt(from), FromQt(to),
                                    this);
                    });
            connect(m_systemPage, &SystemPage::CountCacheResetConfirmed, this, [this] {
                m_resetCountCache = true;
                accept();
            });
            break;
        case SheetPage::Escalation:
            m_escalationPage = new EscalationPage(tree);
            m_pages->addTab(m_escalationPage, ToQt(Tr("Eskalation")));
            break;
        }
    }
    // The user list's eight columns and the system page's groups need room.
    if (m_userPage != nullptr || m_systemPage != nullptr || m_escalationPage != nullptr)
        resize(960, 640);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(ToQt(Tr("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(Tr("Abbrechen")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buttons);
}

ConfigurationSheet::~ConfigurationSheet() = default;

void ConfigurationSheet::done(int result)
{
    if (m_recorderPage != nullptr)
        m_recorderPage->Leave();
    if (m_systemPage != nullptr)
        m_systemPage->StopSound();
    // Abbrechen just drops the pages' copies.
    if (result == QDialog::Accepted) {
        if (m_userPage != nullptr)
            m_userPage->Apply();
        if (m_languagePage != nullptr)
            m_languagePage->Apply();
        if (m_systemPage != nullptr)
            m_systemPage->Apply();
        if (m_escalationPage != nullptr)
            m_escalationPage->Apply();
    }
    QDialog::done(result);
}

bool RunConfigurationSheet(Station& station, const std::vector<SheetPage>& pages, QWidget* parent,
                           const std::function<void()>& systemConfirmed, SheetServices services)
{
    RecorderPageOptions options;
    options.hybrid = station.Options().Has("hybrid") ? HybridChoice::Offered : HybridChoice::Hidden;
    options.sharedPrefix = station.Options().Value("shmprefix").value_or("");
    // Trying a sound must not replace the looping sound of an open alarm.
    QtSoundPlayer trial;
    services.sound = &trial;
    services.speaker = &station.Desktop().Speaker();
    // Where the station itself loads its language from: the data folder's,
    // else the one beside the program, else the installed one.
    services.languageFolder = station.LanguagesFolder();
    ConfigAudit changes(station.Tree());
    ConfigurationSheet sheet(station.Tree(), station.Desktop().Messages(), pages, options, parent,
                             services);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    if (AuditTrail* audit = station.Audit())
        changes.Record(*audit);
    if (sheet.System() != nullptr && systemConfirmed)
        systemConfirmed();
    if (sheet.CountCacheResetRequested()) {
        ConfigTree& tree = station.Tree();
        ConfigLock lock(tree);
        Set(tree, kDoNotWriteCountCache, 1);
        station.RequestQuit();
    }
    return true;
}
