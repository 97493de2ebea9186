// Opens the address book and the incoming-call log from the main window's buttons, as a user
// would, on the program folder named by $BELLTALE_HOME, and keeps them open until it is ended. It
// prints each window's X window id and then a ready line, so a test can take their pictures.
#include <QApplication>
#include <QPushButton>
#include <cstdio>

#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_inclog.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/quit_signals.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    frm_main window;
    closeOnQuitSignals(&window);
    window.setEndProgram([] { QCoreApplication::exit(0); });
    window.move(0, 0);
    window.show();
    window.control<QPushButton>("Command2")->click();
    window.control<QPushButton>("Command1")->click();
    frm_directory& directory = window.showTelephoneDirectory();
    frm_inclog& log = window.showIncomingCallsLog();
    directory.logic().callers_Click(directory.logic().controls().callersText);
    directory.move(10, 140);
    log.move(460, 140);
    std::printf("frm_directory 0x%llx\n", static_cast<unsigned long long>(directory.winId()));
    std::printf("frm_inclog 0x%llx\n", static_cast<unsigned long long>(log.winId()));
    std::printf("records windows: ready\n");
    std::fflush(stdout);
    return application.exec();
}
