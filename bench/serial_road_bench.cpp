// The serial caller-ID road: from a modem's caller-ID report, once the pseudo-terminal holds its
// last byte, to the caller's line in inclog.txt. The main window runs offscreen on the modem
// simulator's terminal with its real serial control, address book and speech. The reader's
// designed waits (its poll, and the quiet tick that tells the batch is complete) run in virtual
// time, so what is measured is the work: the reads, the parse, the look-ups, the announcement's
// hand-over and the file appends, from the moment the bytes can be read from the terminal. Each
// repetition is one call; the report gives the median and the 99th percentile of 300 of them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com.h"
#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frm_main.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The main window, noting when the caller pop-up is shown: the step right after the call-log line
// is written.
class TimedMainWindow : public frm_main {
  public:
    void frmDisplayShow() override {
        frm_main::frmDisplayShow();
        m_shownAt = Clock::now();
        m_shown = true;
    }
    bool m_shown = false;
    Clock::time_point m_shownAt;
};

struct Program {
    Program() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::string home = (std::filesystem::temp_directory_path() / "belltale-bench-XXXXXX");
        setenv("BELLTALE_HOME", mkdtemp(home.data()), 1);
        registry::dropCache();
        app = std::make_unique<QApplication>(argc, argv);
        time = std::make_unique<core::VirtualTime>();
        registerControlLibrary();
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(),
                              "COM1");
        // Set up already: no first-run welcome.
        settings::write(settings::key::line, settings::kNoModem);
        settings::write(settings::key::line2, settings::kNoModem);
        settings::write(settings::key::comp, "True");
        settings::write(settings::key::commport, "1");
        settings::write(settings::key::init, "AT+VCID=1");
        writeAddressBook();
        // A second look at the terminal, opened before the program takes it for itself.
        terminal = ::open(modem.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        window = std::make_unique<TimedMainWindow>();
        window->Form_Load();
        modem.waitForCommands(2, 5s);
        time->advance(3000ms);
    }
    ~Program() {
        window.reset();
        if (terminal >= 0) {
            ::close(terminal);
        }
        time.reset();
        std::filesystem::remove_all(core::programFolder());
        // Qt's own globals are gone when this object dies at exit: the application is left to
        // the process's end.
        (void)app.release();
    }

    static void registerControlLibrary() {
        void* library = dlopen(LKLK36_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        auto entry =
            library
                ? reinterpret_cast<DllRegisterServerFunction>(dlsym(library, "DllRegisterServer"))
                : nullptr;
        if (entry) {
            entry();
        }
    }

    // A book of a few hundred callers, the ringing ones near its end.
    static void writeAddressBook() {
        std::string book = "[callers]\r\n";
        for (int i = 0; i < 300; ++i) {
            book += "0163296" + std::to_string(1000 + i) + "=Caller " + std::to_string(i) + "\r\n";
        }
        core::rewriteFile(core::programFolder() / "directory.ini", book);
    }

    // Whether what the modem sent can be read from the terminal (the program's reads take it).
    bool bytesReadable() const {
        pollfd ready{terminal, POLLIN, 0};
        return terminal >= 0 && ::poll(&ready, 1, 1000) > 0 && (ready.revents & POLLIN);
    }

    std::size_t callLogSize() const {
        std::error_code ignored;
        const auto size = std::filesystem::file_size(vevuzer::callLogPath(), ignored);
        return ignored ? 0 : static_cast<std::size_t>(size);
    }

    int argc = 1;
    char name[18] = "serial_road_bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<core::VirtualTime> time;
    modemsim::ModemSimulator modem;
    int terminal = -1;
    std::unique_ptr<TimedMainWindow> window;
};

double percentile(const std::vector<double>& samples, double fraction) {
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted.at(index);
}

void LastCallerIdByteToCallLogLine(benchmark::State& state) {
    static Program program;
    int call = 0;
    for (auto _ : state) {
        const std::string number = "0163296" + std::to_string(1290 - (call++ % 2));
        const std::string report =
            "\r\nRING\r\n\r\nDATE = 0302\r\nTIME = 0900\r\nNMBR = " + number +
            "\r\nNAME = RINGING CALLER\r\n";
        // A running program's event loop has painted the window by the time the line is quiet;
        // virtual time never gives it a turn (and Qt holds a repaint back a few real milliseconds),
        // so the window is painted here, outside the measured span.
        QCoreApplication::processEvents();
        program.window->repaint();
        const std::size_t before = program.callLogSize();
        program.window->m_shown = false;
        program.modem.send(report);
        // In a run the reader's first look comes a poll interval after the last byte, long after
        // the kernel has moved the bytes to the terminal's reading side; virtual time brings that
        // look at once, when a read would wait for the kernel's hand-over (milliseconds on a busy
        // machine). The span starts once the bytes can be read.
        if (!program.bytesReadable()) {
            state.SkipWithError("the terminal did not hand the bytes over");
            break;
        }
        const Clock::time_point sent = Clock::now();
        // The reader's ticks run as soon as they are due; real time passes only for the work.
        for (int step = 0; step < 1000 && !program.window->m_shown; ++step) {
            program.time->advance(100ms);
        }
        if (!program.window->m_shown || program.callLogSize() <= before) {
            state.SkipWithError("the caller was not logged");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(program.window->m_shownAt - sent).count());
        // The rings end, the hold-off runs out, and the next call is shown afresh.
        program.time->advance(12000ms);
    }
}

BENCHMARK(LastCallerIdByteToCallLogLine)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(300)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("p99", [](const std::vector<double>& v) { return percentile(v, 0.99); })
    ->Unit(benchmark::kMillisecond);

}  // namespace
