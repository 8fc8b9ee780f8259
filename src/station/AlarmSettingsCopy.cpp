#include "station/AlarmSettingsCopy.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "platform/Prompt.h"
#include "station/RecorderQueries.h"

#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kProgramKeys[] = {"execprgPath", "execprgArgs", "execprgWorkDir",
                                             "execprgOnce"};
constexpr std::string_view kMailKeys[] = {"mailDoSendMail", "mailFromAddress", "mailToAddress",
                                          "mailFormatedSubject", "mailFormatedBody"};
constexpr std::string_view kMasterKeys[] = {"ShowAlarmWindow"};
constexpr std::string_view kLiveViewKeys[] = {
    "DoTimeshift", "DoContext",    "DoAuto",    "TimeshiftMin", "TimeshiftSec", "ShwLivePic",
    "ShwTrack",    "ShwTrackKind", "TrackName", "presetDoLoad", "presetName"};
constexpr std::string_view kConfirmationKeys[] = {"RequireConfirmComment", "RequirePhrase",
                                                  "Phrase", "Priority"};
constexpr std::string_view kMessageKeys[] = {"ShwAlmTxtMessage", "Message"};
constexpr std::string_view kShortTextKeys[] = {"ShwAlmTxtShort"};
constexpr std::string_view kScrollerKeys[] = {"ShwScroller"};

std::vector<std::string_view> ChosenKeys(const AlarmSettingGroups& groups)
{
    std::vector<std::string_view> keys;
    auto add = [&keys](bool chosen, const auto& group) {
        if (chosen)
            keys.insert(keys.end(), std::begin(group), std::end(group));
    };
    add(groups.program, kProgramKeys);
    add(groups.mail, kMailKeys);
    add(groups.masterSwitch, kMasterKeys);
    add(groups.liveView, kLiveViewKeys);
    add(groups.confirmation, kConfirmationKeys);
    add(groups.appearance && groups.message, kMessageKeys);
    add(groups.appearance && groups.shortText, kShortTextKeys);
    add(groups.appearance && groups.scroller, kScrollerKeys);
    return keys;
}

int CopyInto(ConfigNode& list, const ConfigNode& source, const std::vector<std::string_view>& keys)
{
    int written = 0;
    for (int i = 0; i < list.ChildCount(); ++i) {
        ConfigNode& entry = *list.ChildAt(i);
        if (&entry == &source)
            continue;
        for (std::string_view key : keys) {
            const ConfigNode* from = source.Child(key);
            ConfigNode* to = entry.Child(key);
            if (from != nullptr && to != nullptr)
                to->SetBytes(from->Content().data(), from->Content().size());
        }
        ++written;
    }
    return written;
}

} // namespace

std::optional<int> CopyAlarmSettingGroups(ConfigTree& tree, Prompt& prompt, ConfigNode& recorder,
                                          const ConfigNode& source,
                                          const AlarmSettingGroups& groups, CopyTargets targets,
                                          const ConfigNode* liveRecorder)
{
    std::string question =
        targets == CopyTargets::ThisRecorder
            ? Tr("Sollen die ausgewaehlten Alarmeinstellungen wirklich fuer jeden Alarm dieses "
                 "Rekorders uebernommen werden?")
            : Tr("Sollen die ausgewaehlten Alarmeinstellungen wirklich fuer jeden Alarm und jeden "
                 "Rekorder uebernommen werden?");
    if (prompt.Show(question, Tr("Frage"), PromptIcon::Question, PromptButtons::OkCancel) !=
        PromptAnswer::Ok)
        return std::nullopt;

    ConfigLock lock(tree);
    std::vector<std::string_view> keys = ChosenKeys(groups);
    std::vector<ConfigNode*> recorders = targets == CopyTargets::ThisRecorder
                                             ? std::vector<ConfigNode*>{&recorder}
                                             : RecordersAsEdited(tree, recorder, liveRecorder);
    int written = 0;
    for (ConfigNode* target : recorders) {
        if (ConfigNode* list = Find(*target, kRecorderAlarmSettings))
            written += CopyInto(*list, source, keys);
    }
    return written;
}
