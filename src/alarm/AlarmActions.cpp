#include "alarm/AlarmActions.h"

#include "alarm/LiveViewLink.h"
#include "alarm/MailSender.h"
#include "alarm/Placeholders.h"
#include "config/ConfigTree.h"
#include "db/ConfigPath.h"
#include "platform/ShellLauncher.h"

namespace {

constexpr int kContextViewCount = 3;
constexpr int64_t kContextStepMs = 1000;
// The index a live request carries after the three requests of a context view.
constexpr int kAfterContextView = 3;

std::string SystemText(ConfigTree& tree, std::string_view key)
{
    ConfigNode* node = FindConfigNode(tree, {"Program", "Configuration", "System", key});
    return node == nullptr ? std::string() : node->GetString();
}

int32_t SystemInt(ConfigTree& tree, std::string_view key)
{
    ConfigNode* node = FindConfigNode(tree, {"Program", "Configuration", "System", key});
    return node == nullptr ? 0 : node->GetInt();
}

// Every LF not already after a CR becomes CR LF, so a body stored with
// either line end goes out the same.
std::string WithCrLf(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            result += '\r';
        result += text[i];
    }
    return result;
}

// The folder part of a program path, with its trailing slash.
std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

AlarmActions::AlarmActions(ConfigTree& tree, ShellLauncher& launcher, MailSender& mail,
                           LiveViewLink& liveView, std::string stationFolder)
    : m_tree(tree), m_launcher(launcher), m_mail(mail), m_liveView(liveView),
      m_stationFolder(std::move(stationFolder))
{
}

bool AlarmActions::RunAlarmAction(ActionMode mode, const AlarmContext& context, ActionCall call,
                                  Freshness freshness)
{
    if (!context.settings)
        return false;
    switch (mode) {
    case ActionMode::Program:
        RunProgram(context);
        return false;
    case ActionMode::Mail:
        SendMail(context);
        return false;
    case ActionMode::LiveView:
        return RequestLiveView(context, call, freshness);
    }
    return false;
}

void AlarmActions::RunProgram(const AlarmContext& context)
{
    const AlarmSettings& settings = *context.settings;
    if (settings.programPath.empty())
        return;
    PlaceholderMap map = MakePlaceholderMap(context);
    map["${ExecProgrammDir}"] = FolderOf(settings.programPath);
    map["${WardexDir}"] = m_stationFolder;
    // Split first, then expand each word: whatever an alarm's text holds
    // (blanks, quotes, shell syntax) stays one literal argument.
    std::vector<std::string> args = SplitArguments(settings.programArgs);
    for (std::string& arg : args)
        arg = ExpandPlaceholders(map, arg);
    std::string workDir = settings.programWorkDir.empty()
                              ? std::string()
                              : ExpandPlaceholders(map, settings.programWorkDir);
    m_launcher.Open(settings.programPath, args, workDir);
}

void AlarmActions::SendMail(const AlarmContext& context)
{
    const AlarmSettings& settings = *context.settings;
    if (settings.mailDoSendMail != 1 || settings.mailFromAddress.empty() ||
        settings.mailToAddress.empty())
        return;
    PlaceholderMap map = MakePlaceholderMap(context);
    AlarmMail mail;
    mail.to = settings.mailToAddress;
    mail.from = settings.mailFromAddress;
    {
        ConfigLock lock(m_tree);
        mail.server = SystemText(m_tree, "mailSMTPServer");
        mail.useAuth = SystemInt(m_tree, "mailDoAuth") == 1;
        mail.authUser = SystemText(m_tree, "mailAuthUser");
        mail.authPassword = SystemText(m_tree, "mailAuthPassword");
    }
    mail.subject = ExpandPlaceholders(map, settings.mailSubject) + "\r\n";
    mail.body = WithCrLf(ExpandPlaceholders(map, settings.mailBody));
    m_mail.Send(mail);
}

bool AlarmActions::RequestLiveView(const AlarmContext& context, ActionCall call,
                                   Freshness freshness)
{
    const AlarmSettings& settings = *context.settings;
    // The request queue's field for the recorder holds its address.
    const std::string& recorder = context.recorderAddress;
    if (call == ActionCall::Automatic) {
        if (settings.doAuto != 1)
            return false;
        m_liveView.ShowLive(recorder, context.camera, 1, LiveViewLink::kNoIndex);
        return true;
    }
    if (settings.presetDoLoad == 1) {
        m_liveView.LoadPreset(settings.presetName);
        return false;
    }
    bool requested = false;
    int liveIndex = LiveViewLink::kNoIndex;
    if (settings.showTrack == 1) {
        auto requestTrack = [&](int64_t time, int index) {
            if (settings.trackKind == 1)
                m_liveView.ShowTrackByName(recorder, settings.trackName, context.camera, time, 0,
                                           index);
            else
                m_liveView.ShowTrackByNumber(recorder, context.track, context.camera, time, 0,
                                             index);
        };
        if (settings.doContext == 1) {
            int64_t start = context.departure - kContextStepMs;
            for (int i = 0; i < kContextViewCount; ++i)
                requestTrack(start + i * kContextStepMs, i);
            liveIndex = kAfterContextView;
        } else {
            int64_t start = context.departure;
            if (settings.doTimeshift == 1)
                start -=
                    int64_t{settings.timeshiftSec} * 1000 + int64_t{settings.timeshiftMin} * 60000;
            requestTrack(start, LiveViewLink::kNoIndex);
        }
        requested = true;
    }
    if (settings.showLivePicture == 1) {
        m_liveView.ShowLive(recorder, context.camera, static_cast<uint8_t>(freshness), liveIndex);
        requested = true;
    }
    return requested;
}
