// The station's entry point: the Qt application around RunStation.
#include "config/ConfigTree.h"
#include "platform/JournalOutput.h"
#include "platform/qt/QtEventDrain.h"
#include "station/AuditCommand.h"
#include "station/CommandLine.h"
#include "station/Station.h"
#include "ui/QtDesktop.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <optional>
#include <string>

namespace {

// Exit status of a start refused for its command line or its folder.
constexpr int kBadStart = 2;

} // namespace

int main(int argc, char** argv)
{
    // Under a service manager standard output is the journal's socket: each
    // line should reach it as it is written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    AdaptStandardOutputToJournal();
    CommandLine options = CommandLine::FromArguments(argc, argv);
    // A mistyped value must not start a station on the defaults, perhaps
    // beside the production one.
    if (std::optional<std::string> error = options.CheckValues()) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return kBadStart;
    }
    if (options.Has("verifyaudit"))
        return VerifyAuditCommand(options);
    bool unattended = ChooseOffscreenWithoutDesktop();
    if (unattended)
        std::puts("Wardex: no desktop found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                  "running without windows on Qt's offscreen platform.");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tessaro Electronic");
    QApplication::setApplicationName("Wardex");
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName("de.tessaro.Wardex");
    QApplication::setWindowIcon(QIcon::fromTheme("de.tessaro.Wardex"));
    // The station's loop ends the program, not the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    // Offscreen nobody sees a message box, however the platform was chosen.
    if (QGuiApplication::platformName() == "offscreen" ||
        QGuiApplication::platformName() == "minimal")
        unattended = true;
    QtDesktop desktop(unattended ? Attendance::Unattended : Attendance::Desktop);
    Station station(options, desktop, ConfigTree::Global());
    switch (station.Run()) {
    case StationExit::Normal:
    case StationExit::AlreadyRunning:
    case StationExit::AdminReset:
        return 0;
    case StationExit::FolderFailed:
    case StationExit::ResetRefused:
        return kBadStart;
    case StationExit::InitFailed:
    case StationExit::DatabaseFailed:
        break;
    }
    return 1;
}
