// vevuzer: fills the program folder on first start, shows the main window and runs until it closes.
#include <QApplication>
#include <cstdio>
#include <string>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/quit_signals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("vevuzer");

    // A missing asset is reported where it is needed; the program can still start without it.
    std::string error;
    if (!core::fillProgramFolder(&error)) {
        std::fprintf(stderr, "vevuzer: could not fill the program folder: %s\n", error.c_str());
    }

    frm_main mainWindow;
    closeOnQuitSignals(&mainWindow);
    mainWindow.show();
    // Said once the event loop runs, so whoever started us knows the window is up.
    core::post([] {
        std::printf("vevuzer: the main window is open; close it or press Ctrl+C to quit.\n");
        std::fflush(stdout);
    });
    return app.exec();
}
