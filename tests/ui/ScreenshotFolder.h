// Where the widget tests put their pictures: the build folder for the
// offscreen platform, a folder per X setup beside it (scripts/xvfb-screenshots
// names the window manager it runs, if any).
#pragma once

#include <QDir>
#include <QGuiApplication>
#include <QString>
#include <cstdlib>

inline QString ScreenshotFolder()
{
    QString platform = QGuiApplication::platformName();
    QString folder = QString(WARDEX_SCREENSHOT_DIR);
    if (platform != "offscreen") {
        const char* manager = std::getenv("WARDEX_SCREENSHOT_WM");
        folder +=
            "/" + platform + (manager != nullptr && *manager != '\0' ? "-" + QString(manager) : "");
    }
    QDir().mkpath(folder);
    return folder;
}
