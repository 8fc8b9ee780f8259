#include "alarm/ResponseLog.h"

#include "platform/posix/FileHandle.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

namespace {

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

template <typename T>
bool Number(std::string_view text, T& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// Tabs and line ends would break the line apart.
std::string Clean(std::string_view text)
{
    std::string clean(text);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; },
        ' ');
    return clean;
}

} // namespace

ResponseLog::ResponseLog(std::filesystem::path folder)
    : m_path(folder.empty() ? std::filesystem::path() : folder / kFileName)
{
}

void ResponseLog::OnNewAlarm(const NewAlarm& alarm)
{
    if (alarm.storedConfirmed || !alarm.context.settings)
        return;
    const AlarmContext& context = alarm.context;
    m_pending += "A\t" + std::to_string(context.arrival) + '\t' +
                 std::to_string(context.settings->priority) + '\t' +
                 std::to_string(context.alarmType) + '\t' + Clean(context.recorderAddress) + '\n';
}

void ResponseLog::Shown(int64_t arrival, int64_t nowMs)
{
    if (!m_shown.insert(arrival).second)
        return;
    m_pending += "S\t" + std::to_string(arrival) + '\t' + std::to_string(nowMs) + '\n';
}

void ResponseLog::Confirmed(int64_t arrival, int64_t nowMs, std::string_view user)
{
    m_shown.erase(arrival);
    m_pending +=
        "C\t" + std::to_string(arrival) + '\t' + std::to_string(nowMs) + '\t' + Clean(user) + '\n';
}

void ResponseLog::StepTaken(int64_t arrival)
{
    m_pending += "E\t" + std::to_string(arrival) + '\n';
}

void ResponseLog::Flush()
{
    if (m_pending.empty())
        return;
    if (m_path.empty()) {
        m_pending.clear();
        return;
    }
    FileHandle file = FileHandle::OpenReadWrite(m_path.string());
    int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0 || !file.WriteAt(size, m_pending.data(), m_pending.size()))
        std::fprintf(stderr, "Wardex: response times could not be written to %s.\n", kFileName);
    m_pending.clear();
}

std::vector<AlarmResponse> ResponseLog::Parse(std::string_view bytes)
{
    // The window of an alarm opens while it is dispatched, so its "S" line
    // may come before its "A" line.
    struct Entry {
        AlarmResponse alarm;
        bool stored = false;
    };
    std::map<int64_t, Entry> alarms;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        std::vector<std::string_view> f = SplitTabs(line);
        int64_t arrival = 0;
        if (f.size() < 2 || !Number(f[1], arrival))
            continue;
        Entry& entry = alarms[arrival];
        AlarmResponse& alarm = entry.alarm;
        alarm.arrival = arrival;
        int64_t time = 0;
        if (f[0] == "A" && f.size() == 5) {
            if (!entry.stored && Number(f[2], alarm.priority) && Number(f[3], alarm.alarmType)) {
                alarm.recorder = std::string(f[4]);
                entry.stored = true;
            }
        } else if (f[0] == "S" && f.size() == 3 && Number(f[2], time)) {
            if (!alarm.shownMs)
                alarm.shownMs = time;
        } else if (f[0] == "C" && f.size() == 4 && Number(f[2], time)) {
            if (!alarm.confirmedMs) {
                alarm.confirmedMs = time;
                alarm.user = std::string(f[3]);
            }
        } else if (f[0] == "E" && f.size() == 2) {
            ++alarm.steps;
        }
    }
    std::vector<AlarmResponse> result;
    for (auto& [arrival, entry] : alarms) {
        if (entry.stored)
            result.push_back(std::move(entry.alarm));
    }
    return result;
}

std::vector<AlarmResponse> ResponseLog::Load(const std::filesystem::path& path)
{
    FileHandle file = FileHandle::OpenReadOnly(path.string());
    int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size <= 0)
        return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    if (file.ReadAt(0, bytes.data(), bytes.size()) != size)
        return {};
    return Parse(bytes);
}
