// Where the widget tests put their pictures: the build folder offscreen, a
// folder per X setup beside it (scripts/xvfb-screenshots names its window
// manager in WARDEX_SCREENSHOT_WM).
#pragma once

#include <QDir>
#include <QGuiApplication>

inline QString ScreenshotFolder()
{
    QString platform = QGuiApplication::platformName();
    QString manager = qEnvironmentVariable("WARDEX_SCREENSHOT_WM");
    QString folder = QString(WARDEX_SCREENSHOT_DIR) +
                     (platform == "offscreen" ? "" : "/" + platform) +
                     (manager.isEmpty() || platform == "offscreen" ? "" : "-" + manager);
    QDir().mkpath(folder);
    return folder;
}
