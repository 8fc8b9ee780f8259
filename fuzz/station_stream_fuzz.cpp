// Fuzzes a whole station in this process from a byte stream on one loopback
// connection: listener, session, decoder, intake, database and the main
// window's reactions (alarm windows, sound, escalation, recorder states).
// The station must end in order, and what it stored must be whole records
// that read back.
//
// Input: one mode byte (bit 0: the sender is a known recorder; bit 1: its
// alarms of type 10001 need confirming and open a window; bit 2: the connection is cut
// instead of closed after the last chunk), then chunks, each a length byte
// followed by that many bytes, sent one chunk per loop round.
#include "DrainSocket.h"
#include "FuzzScratch.h"
#include "StationFakes.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "station/MainWindowLogic.h"
#include "station/Station.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Rounds a station gets after the last chunk to read it and see the end,
// when it does not close the connection first.
constexpr int kRoundsAfterLastChunk = 200;
// A cut connection: rounds for the station to take in the reset.
constexpr int kRoundsAfterCut = 3;

class NoDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&, int) override { return false; }
    bool RunLogOut(std::string_view) override { return true; }
};

void AddLoopbackRecorder(ConfigTree& tree, bool needsConfirming)
{
    ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
    recorder->Child("IP")->SetString("127.0.0.1");
    recorder->Child("Name")->SetString("Fuzz");
    if (!needsConfirming)
        return;
    ConfigNode* entry = recorder->Child("AlarmSettings")->NewEntry(0);
    entry->Child("Type")->SetInt(10001);
    entry->Child("Priority")->SetInt(0);
    entry->Child("ShowAlarmWindow")->SetInt(1);
}

int ConnectTo(int port)
{
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (handle < 0)
        std::abort();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A loopback connect completes at once or is in progress; the station
    // accepts it in its next round either way.
    (void)::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return handle;
}

// The chunks of the input, handed out one per round.
class ChunkReader {
public:
    ChunkReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    std::string Next()
    {
        size_t length = m_data[m_at++];
        length = std::min(length, m_size - m_at);
        std::string chunk(reinterpret_cast<const char*>(m_data + m_at), length);
        m_at += length;
        return chunk;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 1;
};

// Every record counted is in the file and reads back.
void CheckStoredRecords(AlarmDatabase& database)
{
    std::error_code error;
    auto bytes = std::filesystem::file_size(database.Path(), error);
    if (error ||
        bytes != static_cast<uintmax_t>(database.RecordCount()) * AlarmRecord::kRecordBytes)
        std::abort();
    AlarmRecord record;
    for (int number = 0; number < database.RecordCount(); ++number) {
        if (!database.Read(number, record))
            std::abort();
    }
}

void RemoveSharedObjects(const std::string& prefix)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
        if (entry.path().filename().string().starts_with(prefix))
            std::filesystem::remove(entry.path(), error);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool known = (data[0] & 1) != 0;
    const bool confirming = (data[0] & 2) != 0;
    const bool cut = (data[0] & 4) != 0;
    const std::filesystem::path folder = FuzzScratch() / "station";
    const std::string prefix = "wdxfuzz-" + std::to_string(::getpid()) + "-";
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    std::filesystem::create_directories(folder, error);

    FakeDesktop desktop;
    FakeMainView view;
    NoDialogs dialogs;
    ConfigTree tree;
    std::unique_ptr<UserSession> users;
    std::unique_ptr<MainWindowLogic> logic;
    ChunkReader chunks(data, size);
    std::string replies;
    int peer = -1;
    int quietRounds = 0;
    desktop.onRound = [&](Station& s) {
        if (logic == nullptr) {
            if (known)
                AddLoopbackRecorder(s.Tree(), confirming);
            users =
                std::make_unique<UserSession>(s.Tree(), dialogs, desktop.prompt, desktop.beeper);
            logic = std::make_unique<MainWindowLogic>(s, view, *users);
            peer = ConnectTo(s.ListeningPort());
        }
        logic->RunPosted();
        if (peer >= 0) {
            DrainSocket(peer, replies);
            replies.clear();
        }
        // The station has read the whole stream once it closes its end.
        char probe;
        bool ended = peer >= 0 ? ::recv(peer, &probe, 1, MSG_DONTWAIT | MSG_PEEK) == 0
                               : quietRounds >= kRoundsAfterCut;
        if (!chunks.Done()) {
            std::string chunk = chunks.Next();
            // A full socket buffer drops the rest of the chunk: the station
            // sees a stream cut short, which is input as well.
            (void)::send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (chunks.Done() && !cut)
                ::shutdown(peer, SHUT_WR);
            return;
        }
        if (cut && peer >= 0) {
            linger abort{1, 0};
            ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ::close(peer);
            peer = -1;
        }
        if (!ended && ++quietRounds < kRoundsAfterLastChunk)
            return;
        CheckStoredRecords(*s.Database());
        s.RequestQuit();
    };
    {
        Station station(
            CommandLine("/datadir:\"" + folder.string() + "\" /port:0 /shmprefix:" + prefix),
            desktop, tree);
        if (station.Run() != StationExit::Normal)
            std::abort();
        logic.reset();
        users.reset();
    }
    if (peer >= 0)
        ::close(peer);
    RemoveSharedObjects(prefix);
    return 0;
}
