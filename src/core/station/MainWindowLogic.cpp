#include "core/station/MainWindowLogic.h"

#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "core/station/ConfigurationUpgrade.h"
#include "core/station/Station.h"
#include "core/station/StationDesktop.h"
#include "db/AlarmDatabase.h"
#include "db/DatabaseMaintenance.h"
#include "events/RecorderSupervision.h"
#include "platform/FileTimes.h"
#include "platform/Prompt.h"
#include "users/UserSession.h"

MainWindowLogic::MainWindowLogic(Station& station, MainWindowView& view, UserSession& users)
    : m_station(station), m_view(view), m_users(users)
{
    m_maintenance = std::make_unique<DatabaseMaintenance>(
        *station.Database(), station.Tree(), station.ProgramFolder(), SystemFileTimes(),
        station.Desktop().Busy());
}

MainWindowLogic::~MainWindowLogic() = default;

void MainWindowLogic::Initialise()
{
    UpgradeConfiguration(m_station.Tree(), VersionNumber(ProductVersion()));
    CheckMailConfiguration();
    Post([] {});
}

void MainWindowLogic::ConfigurationAccepted()
{
    m_station.SaveConfiguration();
    CheckMailConfiguration();
}

void MainWindowLogic::CheckMailConfiguration()
{
    ConfigTree& tree = m_station.Tree();
    ConfigLock lock(tree);
    ConfigNode* system = tree.TopFolder("Program")->Child("Configuration")->Child("System");
    if (!system->Child("mailSMTPServer")->GetString().empty())
        return;
    ConfigNode* recorders = tree.TopFolder("Program")->Child("RecorderList");
    for (int r = 0; r < recorders->ChildCount(); ++r) {
        ConfigNode* settings = recorders->ChildAt(r)->Child("AlarmSettings");
        for (int e = 0; e < settings->ChildCount(); ++e) {
            if (settings->ChildAt(e)->Child("mailDoSendMail")->GetInt() != 1)
                continue;
            m_station.Desktop().Messages().Show(
                Tr("E-Mail Benachrichtigung nicht moeglich, bitte konfigurieren Sie den SMTP "
                   "Server!"),
                Tr("Hinweis"), PromptIcon::Information, PromptButtons::Ok);
            return;
        }
    }
}

void MainWindowLogic::Tick()
{
    if (++m_tick >= kTicksPerCycle) {
        m_tick = 0;
        return;
    }
    m_view.AnimateAlarmWindows(m_tick);
    {
        ConfigLock lock(m_station.Tree());
        m_station.Supervision()->CheckRecorderSignals(Timestamp::NowMs());
    }
    m_maintenance->RunBackupIfDue();
    if (m_maintenance->RunAgeLimitIfDue() > 0)
        m_view.RefreshAlarmList();
}

bool MainWindowLogic::RequestExit()
{
    if (m_users.ConfirmExit(m_busy) != ExitAnswer::Exit)
        return false;
    m_station.RequestQuit();
    return true;
}

void MainWindowLogic::Post(std::function<void()> message)
{
    m_posted.push_back(std::move(message));
}

void MainWindowLogic::RunPosted()
{
    // Messages posted while these run wait for the next round.
    for (size_t n = m_posted.size(); n > 0 && !m_posted.empty(); --n) {
        std::function<void()> message = std::move(m_posted.front());
        m_posted.pop_front();
        message();
    }
}
