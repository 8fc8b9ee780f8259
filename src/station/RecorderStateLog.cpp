// Appending to the state record and keeping it within its bound.
#include "station/RecorderStateLog.h"

#include <map>
#include <utility>

RecorderStateLog::RecorderStateLog(std::filesystem::path path) : m_path(std::move(path)) {}

void RecorderStateLog::Open(int64_t nowMs)
{
    m_file = FileHandle::OpenReadWrite(m_path.string());
    std::string text;
    int64_t size = m_file.IsOpen() ? m_file.Size() : -1;
    if (size > 0) {
        text.resize(static_cast<size_t>(size));
        int64_t read = m_file.ReadAt(0, text.data(), text.size());
        text.resize(read < 0 ? 0 : static_cast<size_t>(read));
    }
    m_lines = ParseStateLog(text);
    m_size = static_cast<int64_t>(text.size());
    // A line cut short by a kill, a damaged or foreign file, or old lines:
    // written anew.
    std::string expected;
    for (const StateLogLine& line : m_lines)
        expected += FormatStateLogLine(line);
    if (expected != text || (!m_lines.empty() && m_lines.front().atMs < nowMs - kKeepMs))
        Cut(nowMs - kKeepMs);
    Append(StateLogLine::Mark(StateLogLine::Kind::Start, nowMs));
}

void RecorderStateLog::Heartbeat(int64_t nowMs)
{
    if (nowMs - m_lastWrittenMs >= kAliveMs)
        Append(StateLogLine::Mark(StateLogLine::Kind::Alive, nowMs));
}

void RecorderStateLog::Close(int64_t nowMs)
{
    Append(StateLogLine::Mark(StateLogLine::Kind::End, nowMs));
    m_file.Close();
}

void RecorderStateLog::OnRecorderState(const RecorderStatus& status, std::optional<RecorderState>,
                                       int64_t atMs)
{
    Append({StateLogLine::Kind::Recorder, atMs, status.state, status.hybrid, status.ip});
}

void RecorderStateLog::Append(const StateLogLine& line)
{
    // A clock set back must not put a line before the ones written.
    StateLogLine kept = line;
    if (!m_lines.empty() && kept.atMs < m_lines.back().atMs)
        kept.atMs = m_lines.back().atMs;
    m_lines.push_back(kept);
    m_lastWrittenMs = line.atMs;
    std::string text = FormatStateLogLine(kept);
    if (m_file.IsOpen() && m_file.WriteAt(m_size, text.data(), text.size()))
        m_size += static_cast<int64_t>(text.size());
    if (m_size > kMaxBytes) {
        // Half the bound, so that cutting is rare.
        size_t keep = m_lines.size() / 2;
        Cut(m_lines[m_lines.size() - keep].atMs);
    }
}

void RecorderStateLog::Cut(int64_t cutMs)
{
    std::vector<StateLogLine> kept;
    bool running = false;
    std::map<std::pair<std::string, int32_t>, StateLogLine> states;
    size_t first = 0;
    for (; first < m_lines.size() && m_lines[first].atMs < cutMs; ++first) {
        const StateLogLine& line = m_lines[first];
        if (line.kind == StateLogLine::Kind::Start || line.kind == StateLogLine::Kind::End) {
            running = line.kind == StateLogLine::Kind::Start;
            states.clear();
        } else if (line.kind == StateLogLine::Kind::Recorder) {
            states[{line.ip, line.hybrid}] = line;
        }
    }
    if (running && first > 0) {
        // The run goes on past the cut: it seems to start there.
        kept.push_back(StateLogLine::Mark(StateLogLine::Kind::Start, cutMs));
        for (auto& [key, line] : states) {
            line.atMs = cutMs;
            kept.push_back(line);
        }
    }
    kept.insert(kept.end(), m_lines.begin() + static_cast<std::ptrdiff_t>(first), m_lines.end());
    m_lines = std::move(kept);
    if (!Rewrite())
        m_file.Close();
}

bool RecorderStateLog::Rewrite()
{
    std::string text;
    for (const StateLogLine& line : m_lines)
        text += FormatStateLogLine(line);
    m_file.Close();
    bool written =
        ReplaceFileWhole(m_path.string(), ".new", Survives::ProcessDeath,
                         [&text](FileHandle& out) { return out.Write(text.data(), text.size()); });
    if (!written)
        return false;
    m_file = FileHandle::OpenReadWrite(m_path.string());
    m_size = static_cast<int64_t>(text.size());
    return m_file.IsOpen();
}
