// The station's entry point: the Qt application around RunStation.
#include "config/ConfigTree.h"
#include "core/station/CommandLine.h"
#include "core/station/Station.h"
#include "platform/JournalOutput.h"
#include "platform/qt/QtEventDrain.h"
#include "ui/QtDesktop.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char** argv)
{
    // Under a service manager standard output is the journal's socket: each
    // line should reach it as it is written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    AdaptStandardOutputToJournal();
    CommandLine options = CommandLine::FromArguments(argc, argv);
    if (ChooseOffscreenWithoutDesktop())
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

    QtDesktop desktop;
    Station station(options, desktop, ConfigTree::Global());
    StationExit exit = station.Run();
    return exit == StationExit::Normal || exit == StationExit::AlreadyRunning ? 0 : 1;
}
