// The Line monitor window's cost: opening it, one call's life refreshed in it while it shows its
// busiest page (the call's property tree), one refresh of the call tree, and a rebuild of every
// tree. Offscreen, on the simulated exchange in virtual time, so only the work is measured.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QTabWidget>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/vantage_windows.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/tapi/exchange.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A Line control with its line open on the exchange, in virtual time.
class OpenLine {
  public:
    OpenLine() {
        tapi::exchange().reset();
        setLkLibraryReady(true);
        installVantageWindows();
        line = std::make_unique<TlkLineInternal>();
        line->log().SetCount(200);
        line->SetDeviceActive(true);
        line->OnTAPIMessage = [this](TlkLineInternal&, DWORD, DWORD, DWORD, DWORD, DWORD) {
            ++messages;
        };
    }
    ~OpenLine() {
        line.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        removeVantageWindows();
        setLkLibraryReady(false);
        tapi::exchange().reset();
    }

    TlkLineVantage* openOnCallTree() {
        line->Vantage().SetVisible(true);
        auto* window = dynamic_cast<TlkLineVantage*>(line->Vantage().form());
        window->component<QTabWidget>("PageControl1")
            ->setCurrentWidget(window->component("TabSheetCall"));
        window->component<QTabWidget>("PageControlCall")
            ->setCurrentWidget(window->component("TabSheetCallProperties"));
        return window;
    }

    // Offer with caller ID, answer, the far end hangs up, the call goes idle. False when the
    // exchange had no line free for the call.
    bool callLife() {
        tapi::IncomingCall caller;
        caller.number = "01632960123";
        caller.name = "ANN SMITH";
        caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
        if (tapi::exchange().ring(0, caller) == 0)
            return false;
        time.advance(10ms);
        line->Call.Answer();
        time.advance(10ms);
        tapi::exchange().hangup(0);
        time.advance(10ms);
        // The idle call is let go, as a host does, so the line is free for the next one.
        line->DeallocateCall(line->Call.Handle);
        time.advance(10ms);
        return true;
    }

    core::VirtualTime time;
    std::unique_ptr<TlkLineInternal> line;
    long messages = 0;
};

// Each event of a call's life (every TAPI message the line handles) with the window open on the
// call tree and painted as the program pumps, against the same life with no window: the
// difference is the window's work, refreshes and painting. Time per event is the time per life
// divided by events_per_life; CPU time is the UI thread's own work.
void BM_CallLifeRefreshPerEvent(benchmark::State& state) {
    const bool window = state.range(0) != 0;
    OpenLine open;
    if (window)
        open.openOnCallTree();
    for (auto _ : state) {
        if (!open.callLife()) {
            state.SkipWithError("the exchange refused the call");
            break;
        }
    }
    // Time per event = the time per call's life divided by its events.
    state.counters["events_per_life"] =
        benchmark::Counter(static_cast<double>(open.messages), benchmark::Counter::kAvgIterations);
    state.SetLabel(window ? "window open on the call tree" : "no window");
}
BENCHMARK(BM_CallLifeRefreshPerEvent)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenLineWindow(benchmark::State& state) {
    OpenLine open;
    for (auto _ : state) {
        open.line->Vantage().SetVisible(true);
        state.PauseTiming();
        open.line->Vantage().SetVisible(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenLineWindow)->Unit(benchmark::kMillisecond);

void BM_CallTreeRefresh(benchmark::State& state) {
    OpenLine open;
    TlkLineVantage* window = open.openOnCallTree();
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
    tapi::exchange().ring(0, caller);
    open.time.advance(10ms);
    for (auto _ : state)
        window->UpdateCallDetails();
}
BENCHMARK(BM_CallTreeRefresh)->Unit(benchmark::kMicrosecond);

void BM_RebuildEveryTree(benchmark::State& state) {
    OpenLine open;
    TlkLineVantage* window = open.openOnCallTree();
    for (auto _ : state) {
        state.PauseTiming();
        for (QTreeWidget* tree : window->findChildren<QTreeWidget*>())
            tree->clear();
        state.ResumeTiming();
        window->refreshAll();
    }
}
BENCHMARK(BM_RebuildEveryTree)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string home = (fs::temp_directory_path() / "vantage-bench-XXXXXX").string();
    if (!mkdtemp(home.data()))
        return 1;
    setenv("BELLTALE_HOME", home.c_str(), 1);
    registry::dropCache();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return 0;
}
