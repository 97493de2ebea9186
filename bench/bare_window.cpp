// The yardstick for vevuzer's start: the smallest Qt widgets program that opens a window and says
// so once its event loop turns, as vevuzer does.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(460, 100);
    window.show();
    QTimer::singleShot(0, [] {
        std::printf("bare window: open\n");
        std::fflush(stdout);
    });
    return app.exec();
}
