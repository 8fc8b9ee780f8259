#include "alarm/AlarmSettings.h"

#include "config/ConfigNode.h"

namespace {

void Read(const ConfigNode& entry, std::string_view key, int32_t& value)
{
    if (const ConfigNode* node = entry.Child(key))
        value = node->GetInt();
}

void Read(const ConfigNode& entry, std::string_view key, int64_t& value)
{
    if (const ConfigNode* node = entry.Child(key))
        value = node->GetInt64();
}

void Read(const ConfigNode& entry, std::string_view key, std::string& value)
{
    if (const ConfigNode* node = entry.Child(key))
        value = node->GetString();
}

} // namespace

AlarmSettings ReadAlarmSettings(const ConfigNode& entry)
{
    AlarmSettings s;
    Read(entry, "Type", s.type);
    Read(entry, "SubType", s.subType);
    Read(entry, "SubID", s.subId);
    Read(entry, "SubDetail", s.subDetail);
    Read(entry, "SubName", s.subName);
    Read(entry, "ShowAlarmWindow", s.showAlarmWindow);
    Read(entry, "Priority", s.priority);
    Read(entry, "Title", s.title);
    Read(entry, "Message", s.message);
    Read(entry, "ShwAlmTxtShort", s.showShortText);
    Read(entry, "ShwAlmTxtMessage", s.showLongText);
    Read(entry, "ShwScroller", s.showScroller);
    Read(entry, "RequireConfirmComment", s.requireComment);
    Read(entry, "RequirePhrase", s.requirePhrase);
    Read(entry, "Phrase", s.phrase);
    Read(entry, "ShwLivePic", s.showLivePicture);
    Read(entry, "ShwTrack", s.showTrack);
    Read(entry, "ShwTrackKind", s.trackKind);
    Read(entry, "TrackName", s.trackName);
    Read(entry, "DoTimeshift", s.doTimeshift);
    Read(entry, "TimeshiftMin", s.timeshiftMin);
    Read(entry, "TimeshiftSec", s.timeshiftSec);
    Read(entry, "DoContext", s.doContext);
    Read(entry, "DoAuto", s.doAuto);
    Read(entry, "presetDoLoad", s.presetDoLoad);
    Read(entry, "presetName", s.presetName);
    Read(entry, "mailDoSendMail", s.mailDoSendMail);
    Read(entry, "mailFromAddress", s.mailFromAddress);
    Read(entry, "mailToAddress", s.mailToAddress);
    Read(entry, "mailFormatedSubject", s.mailSubject);
    Read(entry, "mailFormatedBody", s.mailBody);
    Read(entry, "execprgPath", s.programPath);
    Read(entry, "execprgArgs", s.programArgs);
    Read(entry, "execprgWorkDir", s.programWorkDir);
    Read(entry, "execprgOnce", s.programOnce);
    Read(entry, "EscalationChain", s.escalationChain);
    return s;
}
