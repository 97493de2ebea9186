#include "vevuzer/shell/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>

namespace {

// A signal handler may do almost nothing; it writes one byte, and the UI thread reads it.
int g_signalPipe[2] = {-1, -1};

void onQuitSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void drainSignalPipe() {
    char bytes[64];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void closeOnQuitSignals(QWidget* window) {
    if (g_signalPipe[0] >= 0 || ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window,
                     [target = QPointer<QWidget>(window)] {
                         drainSignalPipe();
                         if (target)
                             target->close();
                     });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}
