// The ring alert: what a ring on a line does before (and unless) the caller is known.
#include <string>

#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/monitoring/monitoring_text.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/sound.h"

namespace vevuzer {
namespace {

namespace line = controls::line;

constexpr DWORD kRingPictureMs = 500;
constexpr int kShakeRounds = 5;
constexpr int kShakeTwips = 100;
constexpr int kRingHoldOffSeconds = 10;
constexpr double kUnknownCallListSeconds = 15;
constexpr std::string_view kUnavailableNumber = "*unavailable";

std::string lineDigit(int N) {
    return std::to_string(N);
}

}  // namespace

void CallMonitor::lkLine_OnRing(int N) {
    if (!m_form.formVisible()) {
        m_form.setFormVisible(true);
    }
    showRingPicture();
    log("Now shaking the display");
    shakeWindow();
    // Read only after the shake: caller data that arrived meanwhile makes the call a known one.
    const HostedControl& control = m_window.lkLine(N);
    if (ringIsUnidentified(control)) {
        alertUnidentifiedRing(N, control);
    }
}

void CallMonitor::showRingPicture() {
    m_form.setPicRingVisible(true);
    core::DoEvents();
    m_window.timerring().setInterval(kRingPictureMs);
}

// Five times down the screen and back, a twip at a step; the window ends where it started.
void CallMonitor::shakeWindow() {
    for (int round = 0; round < kShakeRounds; ++round) {
        core::DoEvents();
        const int top = m_form.formTop();
        for (int step = 0; step <= kShakeTwips; ++step) {
            m_form.setFormTop(top + step);
        }
        core::DoEvents();
        for (int step = kShakeTwips; step >= 0; --step) {
            m_form.setFormTop(top + step);
        }
        core::DoEvents();
    }
}

// A ring is unidentified while the call has no caller data, or the network says the number is
// unavailable, and the caller neither withheld the number nor rang from out of the area.
bool CallMonitor::ringIsUnidentified(const HostedControl& control) const {
    const auto readParty = [&control] {
        struct {
            std::string number, name;
            bool blocked, outOfArea;
        } party{monitoring::callerNumber(control), monitoring::callerName(control),
                monitoring::callerWithheld(control), monitoring::callerOutOfArea(control)};
        return party;
    };
    const auto first = readParty();
    if (first.number.empty() && first.name.empty() && !first.blocked && !first.outOfArea) {
        return true;
    }
    const auto again = readParty();
    return core::equalsNoCase(again.number, kUnavailableNumber) && !again.blocked &&
           !again.outOfArea;
}

void CallMonitor::alertUnidentifiedRing(int N, const HostedControl& control) {
    MainWindowState& state = m_window.state();
    const std::string ringing = "Line " + lineDigit(N) + " is ringing, playing wav ring file";
    if (N == 1) {
        log(ringing);
        showIncomingCallPopup(N);
    } else {
        showIncomingCallPopup(N);
        log(ringing);
    }
    // With `repeat` off only the first ring after a quiet hold-off sounds.
    if (settings::isOn(settings::shell::repeat) || state.ringholdoff == 0) {
        playfile(settings::read(settings::shell::incoming));
    }
    if (N == 1) {
        log("LklinecallerID = " + monitoring::callerNumber(control) + ", " +
            monitoring::callerName(control));
    }
    // A call-back recording of this call records from the line's own wave-in device. A line
    // without one (a data or fax modem) reads 0 there, which is the PC's first recording device.
    if (control.getBool(line::WaveRecordAvailable).value_or(false)) {
        if (const auto device = control.getLong(line::WaveRecordID))
            m_window.lkRecord1().putLong(controls::record::DeviceID, *device);
    }
    state.callbackpending = true;
    state.callline = N;
    state.ringholdoff = kRingHoldOffSeconds;
    listUnknownCall(N);
    state.statuscountdown = kUnknownCallListSeconds;
}

void CallMonitor::showIncomingCallPopup(int N) {
    m_form.frmDisplayShow();
    m_form.frmDisplayDisplay("Incoming Call", N);
    m_form.frmDisplaySetFocus();
}

void CallMonitor::listUnknownCall(int N) {
    m_form.setDisplayVisible(true);
    m_form.displayClear();
    m_form.displayAddItem("Unknown Incoming call");
    m_form.displayAddItem("On line " + lineDigit(N));
    m_form.displayAddItem(std::string("Callback is set to ") +
                          (m_window.state().callbackpending ? "True" : "False"));
}

}  // namespace vevuzer
