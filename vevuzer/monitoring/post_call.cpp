#include "vevuzer/monitoring/post_call.h"

#include <limits>
#include <string>

#include "vevuzer/monitoring/call_back_recorder.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/monitoring/update_check.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/main_window.h"

namespace vevuzer {
namespace {

constexpr DWORD kFlashMs = 1000;
constexpr int kMaxNewCalls = std::numeric_limits<short>::max();

std::string notAvailableStatus(int newcalls) {
    return "Caller ID info for call " + std::to_string(newcalls) + "\r\nwas not available";
}

// Date and time as the lines of calls without caller data write them: a semicolon between.
std::string dateAndTime() {
    const core::OleDate when = core::now();
    return dateText(when) + "; " + timeText(when);
}

}  // namespace

void countNewCall(MainWindowState& state) {
    if (state.newcalls < kMaxNewCalls)
        ++state.newcalls;
}

PostCallTimer::PostCallTimer(MainWindow& window, MainWindowForm& form)
    : m_window(window), m_form(form), m_recorder(std::make_unique<CallBackRecorder>(window, form)) {
    using controls::RecordEvent;
    m_window.setRecordEventHandler(
        RecordEvent::OnDone, [this](const com::EventArgs&) { m_recorder->lkRecord1_OnDone(); });
    m_window.setRecordEventHandler(
        RecordEvent::OnError, [this](const com::EventArgs&) { m_recorder->lkRecord1_OnError(); });
}

PostCallTimer::~PostCallTimer() = default;

void PostCallTimer::Timer1_Timer() {
    // A tick that comes while the recorder pumps would start a second recording on the same line.
    if (m_recorder->running()) {
        refuseWhileRecording();
        return;
    }
    m_refusalLogged = false;
    serialRingWithoutCallerData();
    if (!lineRingWithoutCallerId())
        return;
    m_window.updateCheck().run();
}

// Ticks come about once a second while a recording runs: the call they would start is refused
// with one line, and a ring that re-arms the hold-off meanwhile makes a new call to refuse.
void PostCallTimer::refuseWhileRecording() {
    const MainWindowState& state = m_window.state();
    if (state.ringholdoff > 0) {
        m_refusalLogged = false;
        return;
    }
    if (m_refusalLogged || !state.callbackpending || !settings::isOn(settings::recorder::getcid))
        return;
    m_refusalLogged = true;
    log("A call-back recording is already running, this one is not started");
}

void PostCallTimer::serialRingWithoutCallerData() {
    MainWindowState& state = m_window.state();
    if (!state.serialnocid || state.ringholdoff > 0)
        return;
    countNewCall(state);
    log("Incoming call logged with no info on comm port");
    m_form.setTxtDisplayText(notAvailableStatus(state.newcalls));
    state.callbackpending = false;
    state.serialnocid = false;
    m_window.flash().setInterval(kFlashMs);
    const std::optional<LONG> port = m_window.comm().getLong(controls::comm::CommPort);
    appendCallLog("Unknow caller on comm " + (port ? std::to_string(*port) : std::string()) +
                  ", Caller ID not available, " + dateAndTime());
}

bool PostCallTimer::lineRingWithoutCallerId() {
    MainWindowState& state = m_window.state();
    if (settings::isOn(settings::recorder::getcid) && state.callbackpending &&
        state.ringholdoff <= 0) {
        return m_recorder->run() == CallBackRecorder::Outcome::Recorded;
    }
    if (!state.callbackpending || state.ringholdoff != 0)
        return true;
    countNewCall(state);
    log("Incoming call logged with no info on line " + std::to_string(state.callline));
    m_form.setTxtDisplayText(notAvailableStatus(state.newcalls));
    state.callbackpending = false;
    m_window.flash().setInterval(kFlashMs);
    appendCallLog("Unknow caller on line " + std::to_string(state.callline) +
                  ", Caller ID not recorded, " + dateAndTime());
    return true;
}

}  // namespace vevuzer
