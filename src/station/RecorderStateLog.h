// The record of the recorders' state changes in the program folder
// ("RecorderStates.log", owner only): a line when the station starts, one
// per state change, one a minute while it runs and one at an orderly end,
// so that the time it did not run is known afterwards. Old lines are cut
// away at the start and whenever the file grows past its bound; the states
// in force where the cut falls are written in front of what is kept.
#pragma once

#include "events/RecorderStateBoard.h"
#include "platform/posix/FileHandle.h"
#include "station/RecorderAvailability.h"

#include <filesystem>
#include <vector>

class RecorderStateLog final : public RecorderStateListener {
public:
    static constexpr const char* kFileName = "RecorderStates.log";
    static constexpr int64_t kAliveMs = 60'000;
    // Enough for the month before the last and 30 days back.
    static constexpr int64_t kKeepMs = 100LL * 86'400'000;
    static constexpr int64_t kMaxBytes = 4 << 20;

    explicit RecorderStateLog(std::filesystem::path path);

    // Reads what earlier runs wrote, cuts it to its bound and notes the
    // start. Without a usable file the record lives in memory for this run.
    void Open(int64_t nowMs);
    // From the main window's tick: the "alive" line once a minute.
    void Heartbeat(int64_t nowMs);
    // The orderly end.
    void Close(int64_t nowMs);

    void OnRecorderState(const RecorderStatus& status, std::optional<RecorderState> before,
                         int64_t atMs) override;

    const std::vector<StateLogLine>& Lines() const { return m_lines; }
    bool FileUsable() const { return m_file.IsOpen(); }

private:
    void Append(const StateLogLine& line);
    // Keeps the lines from `cutMs` on, after the states in force then.
    void Cut(int64_t cutMs);
    bool Rewrite();

    std::filesystem::path m_path;
    FileHandle m_file;
    int64_t m_size = 0;
    int64_t m_lastWrittenMs = 0;
    std::vector<StateLogLine> m_lines;
};
