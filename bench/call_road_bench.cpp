// The caller-ID road of the running program, in real time: from the exchange's caller-ID message
// for a ringing call to the line written in inclog.txt and the caller pop-up shown with its name.
// The main window runs offscreen with its real controls, address book and speech; each
// repetition is one caller-ID message, and the report gives the median and the 99th percentile
// of 1,000 of them. "kept_file_state:0" is the same road with every folder listed afresh, every
// log line's file opened and closed on its own and every file looked at on each use, for
// comparison; the two run interleaved.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <dlfcn.h>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/registry/registry.h"
#include "platform/tapi/exchange.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frm_main.h"

namespace {

using Clock = std::chrono::steady_clock;

// The main window, noting when the pop-up is brought forward: the last step of showing it.
class TimedMainWindow : public frm_main {
  public:
    void frmDisplaySetFocus() override {
        frm_main::frmDisplaySetFocus();
        m_popupShownAt = Clock::now();
        m_popupShown = true;
    }
    bool m_popupShown = false;
    Clock::time_point m_popupShownAt;
};

// The offscreen platform cannot raise a window and says so, formatted and written to stderr, each
// time the pop-up is brought forward; a desktop platform raises it. That is not the road's work.
QtMessageHandler g_otherMessages = nullptr;

void withoutOffscreenRaiseWarning(QtMsgType type, const QMessageLogContext& context,
                                  const QString& message) {
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support raise()"))
        return;
    if (g_otherMessages)
        g_otherMessages(type, context, message);
}

struct Program {
    Program() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        g_otherMessages = qInstallMessageHandler(withoutOffscreenRaiseWarning);
        std::string home = (std::filesystem::temp_directory_path() / "belltale-bench-XXXXXX");
        setenv("BELLTALE_HOME", mkdtemp(home.data()), 1);
        registry::dropCache();
        app = std::make_unique<QApplication>(argc, argv);
        registerControlLibrary();
        tapi::exchange().reset();
        for (int n = 1; n <= vevuzer::kLineCount; ++n) {
            static constexpr std::string_view keys[] = {settings::key::line, settings::key::line2,
                                                        settings::key::line3, settings::key::line4};
            settings::write(
                keys[n - 1],
                tapi::exchange().config().lines.at(static_cast<std::size_t>(n - 1)).name);
        }
        writeAddressBook();
        window = std::make_unique<TimedMainWindow>();
        window->Form_Load();
        ringOnce();
    }
    ~Program() {
        window.reset();
        app.reset();
        std::filesystem::remove_all(core::programFolder());
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

    // A book of a few hundred callers, the one ringing near its end.
    static void writeAddressBook() {
        std::string book = "[callers]\r\n";
        for (int i = 0; i < 300; ++i) {
            book += "0163296" + std::to_string(1000 + i) + "=Caller " + std::to_string(i) + "\r\n";
        }
        core::rewriteFile(core::programFolder() / "directory.ini", book);
    }

    // One call that keeps ringing; each measured message gives it a caller ID again.
    void ringOnce() {
        tapi::IncomingCall call;
        call.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
        call.ringIntervalMs = 24 * 3600 * 1000;
        tapi::exchange().ring(0, call);
        core::pumpUntil([] { return false; }, 1000);
    }

    int argc = 1;
    char name[16] = "call_road_bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<TimedMainWindow> window;
};

double percentile(const std::vector<double>& samples, double fraction) {
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted.at(index);
}

void CallerIdToLogLineAndPopup(benchmark::State& state) {
    static Program program;
    TimedMainWindow& window = *program.window;
    core::keepFileState(state.range(0) != 0);
    int call = 0;
    for (auto _ : state) {
        tapi::IncomingCall caller;
        caller.number = "0163296" + std::to_string(1290 - (call++ % 2));
        caller.name = "RINGING CALLER";
        window.m_popupShown = false;
        const Clock::time_point sent = Clock::now();
        tapi::exchange().updateCaller(0, caller);
        core::pumpUntil([&window] { return window.m_popupShown; }, 5000);
        state.SetIterationTime(std::chrono::duration<double>(window.m_popupShownAt - sent).count());
        // Whatever the road left queued (speech, the flasher) runs before the next message.
        core::pumpUntil([] { return false; }, 5);
    }
}

BENCHMARK(CallerIdToLogLineAndPopup)
    ->ArgName("kept_file_state")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(1000)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("p99", [](const std::vector<double>& v) { return percentile(v, 0.99); })
    ->Unit(benchmark::kMillisecond);

}  // namespace

// The two settings' repetitions run interleaved, so a busy machine weighs on both alike; a flag
// given on the command line still wins.
int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    char interleaved[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleaved);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
