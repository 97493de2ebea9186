// Incoming calls through the telephony API as the line engine meets them: each call is offered,
// shows its caller ID, goes idle when the caller hangs up and is deallocated by a pumping
// application that reads the call information. Runs in virtual time, so what is measured is the
// API, the exchange and the message pump, not waiting. Reports calls per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/tapi.h"

namespace {

struct Counters {
    benchmark::IterationCount callerIds = 0;
    benchmark::IterationCount deallocated = 0;
};

Counters counters;
std::vector<BYTE> info(4096 + sizeof(LINECALLINFO));

void engineLikeCallback(DWORD device, DWORD message, DWORD_PTR, DWORD_PTR p1, DWORD_PTR,
                        DWORD_PTR) {
    if (message == LINE_CALLINFO && (p1 & LINECALLINFOSTATE_CALLERID)) {
        auto* ci = reinterpret_cast<LINECALLINFO*>(info.data());
        ci->dwTotalSize = static_cast<DWORD>(info.size());
        if (lineGetCallInfo(device, ci) == 0 && ci->dwCallerIDSize > 0)
            ++counters.callerIds;
    } else if (message == LINE_CALLSTATE && p1 == LINECALLSTATE_IDLE) {
        if (lineDeallocateCall(device) == 0)
            ++counters.deallocated;
    }
}

void IncomingCallsThroughTheApi(benchmark::State& state) {
    core::VirtualTime time;
    tapi::exchange().reset();
    HLINEAPP app = 0;
    DWORD devices = 0, version = TAPI_CURRENT_VERSION;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    lineInitializeEx(&app, nullptr, &engineLikeCallback, "bench", &devices, &version, &params);
    HLINE line = 0;
    lineOpen(app, 0, &line, TAPI_CURRENT_VERSION, 0, 1,
             LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_INTERACTIVEVOICE,
             nullptr);
    lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0);
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    caller.name = "ANN SMITH";
    caller.callerIdDelayMs = 1;
    caller.ringIntervalMs = 2;
    caller.hangUpAfterRings = 1;
    counters = {};
    for (auto _ : state) {
        tapi::exchange().ring(0, caller);
        time.advance(std::chrono::milliseconds(3));
    }
    lineShutdown(app);
    if (counters.deallocated != state.iterations() || counters.callerIds != state.iterations()) {
        state.SkipWithError("a call was not shown or not deallocated");
    }
    state.counters["calls_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(IncomingCallsThroughTheApi)->Unit(benchmark::kMicrosecond);

}  // namespace
