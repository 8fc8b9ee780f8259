// main() for every test binary that needs a QApplication: the offscreen
// platform (or the one WARDEX_UI_PLATFORM names) is set before it exists,
// settings and audio clients write into a temporary home.
#include "testsupport/TempDir.h"

#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    TempDir home;
    // Offscreen unless a test run asks for a real X server: scripts/xvfb-screenshots
    // with WARDEX_UI_PLATFORM, the modal tests with QT_QPA_PLATFORM.
    if (const char* platform = getenv("WARDEX_UI_PLATFORM"))
        setenv("QT_QPA_PLATFORM", platform, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
