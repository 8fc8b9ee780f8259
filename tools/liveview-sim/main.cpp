// liveview-sim: a stand-in for the live-view program on the station's
// machine. It publishes the recorder and preset lists, registers its window,
// prints every request and notification the station sends, and sends the
// station commands typed on its standard input.
#include "links/LiveViewMessages.h"
#include "links/ViewerRequest.h"
#include "liveview-sim/LiveViewPeer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage = R"(Usage: liveview-sim [options]

Plays the live-view program for a station on this machine.

Options:
  --prefix TEXT         put TEXT before every shared object name (tests)
  --window N            window handle to use (default: the process id)
  --recorder ITEM       a recorder of the recorder list, ITEM being
                        NAME|ADDRESS|ITEM|... where an ITEM is a preset name or
                        "##N" (N decimal); repeatable. A NAME with "$$" marks
                        a hybrid recorder. Without any, a demonstration list
                        is published.
  --preset NAME         a name of the preset list; repeatable (demonstration
                        list without any)
  --raw-recorder-list FILE
                        publish the bytes of FILE as the recorder list
  --raw-preset-list FILE
                        publish the bytes of FILE as the preset list
  --no-lists            publish neither list
  --help                show this text

Commands on standard input, one per line:
  alarms     print the station's alarm table
  requests   take the waiting requests out of the queue and print them
  subscribe  subscribe this window to the station's events
  select     ask the station to handle its selected alarm (command 2)
  notice     post "KavexNoticiation" to the station's window
  quit       unregister and end (also at the end of input)

Output lines: "ready window=N", "request ...", "event N NAME",
"message NAME FIRST SECOND", "alarm ...", "alarms N shown=T", "ok ...",
"failed ...".
)";

struct Options {
    std::string prefix;
    uint32_t window = 0;
    std::vector<SharedRecorder> recorders;
    std::vector<std::string> presets;
    std::string rawRecorderList;
    std::string rawPresetList;
    bool lists = true;
};

void Say(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::vector<std::string> SplitBars(std::string_view text)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    for (;;) {
        size_t end = text.find('|', begin);
        parts.emplace_back(text.substr(begin, end - begin));
        if (end == std::string_view::npos)
            return parts;
        begin = end + 1;
    }
}

SharedRecorder ParseRecorder(std::string_view item)
{
    std::vector<std::string> parts = SplitBars(item);
    SharedRecorder recorder;
    recorder.name = parts[0];
    if (parts.size() > 1)
        recorder.address = parts[1];
    for (size_t i = 2; i < parts.size(); ++i) {
        if (!parts[i].starts_with("##")) {
            recorder.presets.push_back(parts[i]);
            continue;
        }
        auto number = static_cast<uint32_t>(std::strtoul(parts[i].c_str() + 2, nullptr, 10));
        recorder.topBits = static_cast<int32_t>(number >> 24);
        recorder.lowBits = static_cast<int32_t>(number & 0xffffff);
    }
    return recorder;
}

std::vector<SharedRecorder> DemoRecorders()
{
    return {
        {"Tor", "192.168.1.20", {"Einfahrt", "Schranke"}, 0, 0},
        {"Lager$$Nord", "192.168.1.21", {"Rampe"}, 1, 5},
        {"Buero", "192.168.1.22", {}, 0, 0},
    };
}

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// 0: go on, 1: --help shown, 2: bad arguments.
int ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 1;
        }
        if (option == "--no-lists") {
            options.lists = false;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "liveview-sim: %s needs a value (see --help)\n", argv[i]);
            return 2;
        }
        std::string value = argv[++i];
        if (option == "--prefix") {
            options.prefix = value;
        } else if (option == "--window") {
            options.window = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (option == "--recorder") {
            options.recorders.push_back(ParseRecorder(value));
        } else if (option == "--preset") {
            options.presets.push_back(value);
        } else if (option == "--raw-recorder-list") {
            if (!ReadFile(value, options.rawRecorderList)) {
                std::fprintf(stderr, "liveview-sim: cannot read %s\n", value.c_str());
                return 2;
            }
        } else if (option == "--raw-preset-list") {
            if (!ReadFile(value, options.rawPresetList)) {
                std::fprintf(stderr, "liveview-sim: cannot read %s\n", value.c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "liveview-sim: unknown option %s (see --help)\n", argv[i - 1]);
            return 2;
        }
    }
    return 0;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string IndexText(int index)
{
    return index == ViewerRequest::kNoIndex ? "-" : std::to_string(index);
}

std::string DescribeRequest(const ViewerRequest& request)
{
    std::string line = "request " + std::to_string(request.request) + " ";
    switch (static_cast<ViewerRequestKind>(request.request)) {
    case ViewerRequestKind::ShowTrack:
        line += "show-track recorder=" + Quoted(request.recorderAddress) +
                " camera=" + std::to_string(request.camera) +
                " track=" + Quoted(request.trackName) +
                " number=" + std::to_string(request.trackNumber) +
                " time=" + std::to_string(request.time) + " flag=" + std::to_string(request.flag) +
                " index=" + IndexText(request.index);
        break;
    case ViewerRequestKind::ShowLive:
        line += "show-live recorder=" + Quoted(request.recorderAddress) +
                " camera=" + std::to_string(request.camera) +
                " flag=" + std::to_string(request.flag) + " index=" + IndexText(request.index);
        break;
    case ViewerRequestKind::LoadPreset:
        line += "load-preset preset=" + Quoted(request.presetName);
        break;
    case ViewerRequestKind::RegistrationChanged:
        line += "registration-changed";
        break;
    default:
        line += "unknown";
    }
    return line + " sender=" + std::to_string(request.senderKind);
}

const char* EventName(int64_t code)
{
    switch (static_cast<StationEvent>(code)) {
    case StationEvent::AlarmDispatched:
        return "alarm-dispatched";
    case StationEvent::AlarmConfirmed:
        return "alarm-confirmed";
    case StationEvent::AlarmPostponed:
        return "alarm-postponed";
    case StationEvent::AlarmDeleted:
        return "alarm-deleted";
    case StationEvent::AlarmWindowOpened:
        return "alarm-window-opened";
    case StationEvent::StationEnding:
        return "station-ending";
    }
    return "unknown";
}

void PrintRequests(LiveViewPeer& peer)
{
    for (const ViewerRequest& request : peer.TakeRequests())
        Say(DescribeRequest(request));
}

void OnMessage(LiveViewPeer& peer, const WindowMessage& message)
{
    if (message.name == kStationCommandMessage) {
        Say("event " + std::to_string(message.first) + " " + EventName(message.first));
        return;
    }
    Say("message " + message.name + " " + std::to_string(message.first) + " " +
        std::to_string(message.second));
    if (message.name == kViewerNotificationMessage)
        PrintRequests(peer);
}

void PrintAlarms(LiveViewPeer& peer)
{
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    if (!peer.ReadAlarms(records, shown)) {
        Say("failed alarms: the alarm table is not available");
        return;
    }
    for (const AlarmTableRecord& record : records) {
        Say("alarm recorder=" + Quoted(record.recorderName) +
            " camera=" + std::to_string(record.camera) + " track=" + Quoted(record.trackName) +
            " priority=" + std::to_string(record.priority) +
            " arrival=" + std::to_string(record.arrival));
    }
    Say("alarms " + std::to_string(records.size()) + " shown=" + std::to_string(shown));
}

// False when the simulator should end.
bool RunCommand(LiveViewPeer& peer, std::string_view command)
{
    if (command == "quit")
        return false;
    if (command == "alarms") {
        PrintAlarms(peer);
    } else if (command == "requests") {
        PrintRequests(peer);
        Say("ok requests");
    } else if (command == "subscribe") {
        Say(peer.Subscribe() ? "ok subscribe" : "failed subscribe");
    } else if (command == "select") {
        Say(peer.RequestSelectedAlarm() ? "ok select" : "failed select");
    } else if (command == "notice") {
        Say(peer.NotifyStation() == PostResult::Posted ? "ok notice" : "failed notice");
    } else if (!command.empty()) {
        Say("failed unknown command " + std::string(command));
    }
    return true;
}

bool Publish(LiveViewPeer& peer, const Options& options)
{
    if (!options.lists)
        return true;
    auto bytes = [](const std::string& text) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    };
    bool recorders = !options.rawRecorderList.empty()
                         ? peer.PublishRawRecorderList(bytes(options.rawRecorderList))
                         : peer.PublishRecorderList(options.recorders.empty() ? DemoRecorders()
                                                                              : options.recorders);
    std::vector<std::string> presets =
        options.presets.empty() ? std::vector<std::string>{"Einfahrt", "Rampe", "Parkplatz"}
                                : options.presets;
    bool presetList = !options.rawPresetList.empty()
                          ? peer.PublishRawPresetList(bytes(options.rawPresetList))
                          : peer.PublishPresetList(presets);
    if (!recorders)
        Say("failed recorder list");
    if (!presetList)
        Say("failed preset list");
    return recorders && presetList;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    options.window = OwnWindowHandle();
    if (int parsed = ParseOptions(argc, argv, options); parsed != 0)
        return parsed == 1 ? 0 : 2;

    LiveViewPeer peer(options.prefix, options.window);
    if (!Publish(peer, options))
        return 1;
    if (!peer.OpenWindow()) {
        Say("failed window " + std::to_string(options.window));
        return 1;
    }
    if (!peer.RegisterWindow()) {
        Say("failed request queue");
        return 1;
    }
    Say("ready window=" + std::to_string(options.window));

    std::string pending;
    bool running = true;
    while (running) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {peer.WindowEndpoint(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            WindowMessage message;
            ReceiveResult result;
            while ((result = peer.Receive(message)) != ReceiveResult::Nothing &&
                   result != ReceiveResult::Failed) {
                if (result == ReceiveResult::Message)
                    OnMessage(peer, message);
                else
                    Say("failed malformed message");
            }
        }
        if ((fds[0].revents & (POLLIN | POLLHUP)) == 0)
            continue;
        char chunk[512];
        ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0)
            break;
        pending.append(chunk, static_cast<size_t>(n));
        for (size_t end; running && (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            running = RunCommand(peer, line);
        }
    }
    peer.UnregisterWindow();
    Say("bye");
    return 0;
}
