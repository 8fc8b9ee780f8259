// Writes a picture of the whole X screen named by DISPLAY to the file given
// as its argument; the end-to-end tests use it under their own X server.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: screen_grab FILE.png\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
    return !picture.isNull() && picture.save(argv[1]) ? 0 : 1;
}
