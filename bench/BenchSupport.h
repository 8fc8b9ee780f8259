// What the benchmarks share: a message box nobody answers, a scratch folder
// for the run, a connection to the station, and a station prepared to
// measure intake.
#pragma once

#include "config/ConfigTree.h"
#include "db/AlarmRecord.h"
#include "platform/Prompt.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class NoPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
};

// A new folder below /tmp, removed with all it holds at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
    {
        std::string pattern = "/tmp/wardex-" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A blocking connection to the station on loopback, from the local address
// `from` when given (each recorder is told apart by its address); -1 when
// it fails.
inline int ConnectToStation(int port, const char* from = nullptr)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (from != nullptr) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, from, &local.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close(fd);
            return -1;
        }
    }
    sockaddr_in station{};
    station.sin_family = AF_INET;
    station.sin_port = htons(static_cast<uint16_t>(port));
    station.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&station), sizeof station) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The count limit (5 000 by default) would delete what a burst stores: the
// benchmarks measure intake, not pruning.
inline void TurnOffCountLimit(ConfigTree& tree)
{
    tree.TopFolder("Program")
        ->Child("Configuration")
        ->Child("System")
        ->Child("iEnableMaxAlarms")
        ->SetInt(0);
}

// A confirmed alarm of an unlisted recorder, to fill a database with.
inline AlarmRecord StoredConfirmedAlarm()
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetField(AlarmField::Recorder, "10.9.9.9");
    record.SetField(AlarmField::AlarmType, "10001");
    record.SetField(AlarmField::ConfirmState, "2");
    record.SetField(AlarmField::Confirmed, "1");
    return record;
}
