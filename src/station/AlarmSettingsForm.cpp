#include "station/AlarmSettingsForm.h"

#include "config/ConfigNode.h"

#include <algorithm>
#include <limits>

namespace {

class EntryReader {
public:
    explicit EntryReader(const ConfigNode& entry) : m_entry(entry) {}

    void Flag(std::string_view key, bool& value) const
    {
        if (const ConfigNode* node = m_entry.Child(key))
            value = node->GetInt() == 1;
    }
    void Int(std::string_view key, int32_t& value) const
    {
        if (const ConfigNode* node = m_entry.Child(key))
            value = node->GetInt();
    }
    void IntText(std::string_view key, std::string& value) const
    {
        if (const ConfigNode* node = m_entry.Child(key))
            value = std::to_string(node->GetInt());
    }
    void Text(std::string_view key, std::string& value) const
    {
        if (const ConfigNode* node = m_entry.Child(key))
            value = node->GetString();
    }

private:
    const ConfigNode& m_entry;
};

class EntryWriter {
public:
    explicit EntryWriter(ConfigNode& entry) : m_entry(entry) {}

    void Flag(std::string_view key, bool value) const { Int(key, value ? 1 : 0); }
    void Int(std::string_view key, int32_t value) const
    {
        if (ConfigNode* node = m_entry.Child(key))
            node->SetInt(value);
    }
    void Text(std::string_view key, std::string_view value) const
    {
        if (ConfigNode* node = m_entry.Child(key))
            node->SetString(value);
    }

private:
    ConfigNode& m_entry;
};

} // namespace

AlarmSettingsForm ReadAlarmSettingsForm(const ConfigNode& entry)
{
    AlarmSettingsForm f;
    EntryReader in(entry);
    in.Flag("ShowAlarmWindow", f.showAlarmWindow);
    in.Flag("ShwAlmTxtMessage", f.showMessage);
    in.Text("Message", f.message);
    in.Flag("ShwAlmTxtShort", f.showShortText);
    in.Flag("ShwScroller", f.showScroller);
    in.Text("Title", f.title);
    in.Flag("RequireConfirmComment", f.requireComment);
    in.Flag("RequirePhrase", f.requirePhrase);
    in.Text("Phrase", f.phrase);
    in.Int("Priority", f.priority);
    in.Flag("ShwLivePic", f.showLivePicture);
    in.Flag("ShwTrack", f.showTrack);
    in.Int("ShwTrackKind", f.trackKind);
    in.Text("TrackName", f.trackName);
    in.Flag("DoTimeshift", f.doTimeshift);
    in.Flag("DoContext", f.doContext);
    in.Flag("DoAuto", f.doAuto);
    in.IntText("TimeshiftMin", f.timeshiftMin);
    in.IntText("TimeshiftSec", f.timeshiftSec);
    in.Flag("presetDoLoad", f.presetDoLoad);
    in.Text("presetName", f.presetName);
    in.Flag("mailDoSendMail", f.mailDoSendMail);
    in.Text("mailFromAddress", f.mailFromAddress);
    in.Text("mailToAddress", f.mailToAddress);
    in.Text("mailFormatedSubject", f.mailSubject);
    in.Text("mailFormatedBody", f.mailBody);
    in.Text("execprgPath", f.programPath);
    in.Text("execprgArgs", f.programArgs);
    in.Text("execprgWorkDir", f.programWorkDir);
    in.Flag("execprgOnce", f.programOnce);
    return f;
}

void WriteAlarmSettingsForm(const AlarmSettingsForm& f, ConfigNode& entry)
{
    EntryWriter out(entry);
    out.Flag("ShowAlarmWindow", f.showAlarmWindow);
    out.Flag("ShwAlmTxtMessage", f.showMessage);
    out.Text("Message", f.message);
    out.Flag("ShwAlmTxtShort", f.showShortText);
    out.Flag("ShwScroller", f.showScroller);
    out.Text("Title", f.title);
    out.Flag("RequireConfirmComment", f.requireComment);
    out.Flag("RequirePhrase", f.requirePhrase);
    out.Text("Phrase", f.phrase);
    out.Int("Priority", f.priority);
    out.Flag("ShwLivePic", f.showLivePicture);
    out.Flag("ShwTrack", f.showTrack);
    out.Int("ShwTrackKind", f.trackKind);
    out.Text("TrackName", f.trackName);
    out.Flag("DoTimeshift", f.doTimeshift);
    out.Flag("DoContext", f.doContext);
    out.Flag("DoAuto", f.doAuto);
    out.Int("TimeshiftMin", LeadingWholeNumber(f.timeshiftMin));
    out.Int("TimeshiftSec", LeadingWholeNumber(f.timeshiftSec));
    out.Flag("presetDoLoad", f.presetDoLoad);
    out.Text("presetName", f.presetName);
    out.Flag("mailDoSendMail", f.mailDoSendMail);
    out.Text("mailFromAddress", f.mailFromAddress);
    out.Text("mailToAddress", f.mailToAddress);
    out.Text("mailFormatedSubject", f.mailSubject);
    out.Text("mailFormatedBody", f.mailBody);
    out.Text("execprgPath", f.programPath);
    out.Text("execprgArgs", f.programArgs);
    out.Text("execprgWorkDir", f.programWorkDir);
    out.Flag("execprgOnce", f.programOnce);
}

int32_t LeadingWholeNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLimit + 1);
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min(value, kLimit));
}
