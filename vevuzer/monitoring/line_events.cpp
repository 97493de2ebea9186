// The Line controls' other events: the flags the dialling waits read, the log lines of a call's
// progress, control errors, and the keypad digits of line 1.
#include <string>

#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

namespace line = controls::line;
namespace record = controls::record;
using controls::LineEvent;

constexpr SHORT kHashKey = 35;

std::string onLine(int N) {
    return "line " + std::to_string(N);
}

}  // namespace

void CallMonitor::registerLineEvents(MainWindow& window) {
    const auto on = [&window, this](LineEvent event, void (CallMonitor::*handler)(int)) {
        window.setLineEventHandler(
            event, [this, handler](int N, const com::EventArgs&) { (this->*handler)(N); });
    };
    on(LineEvent::OnBusy, &CallMonitor::lkLine_OnBusy);
    on(LineEvent::OnCallEnd, &CallMonitor::lkLine_OnCallEnd);
    on(LineEvent::OnConnected, &CallMonitor::lkLine_OnConnected);
    on(LineEvent::OnDialing, &CallMonitor::lkLine_OnDialing);
    on(LineEvent::OnDialtone, &CallMonitor::lkLine_OnDialtone);
    on(LineEvent::OnDisconnected, &CallMonitor::lkLine_OnDisconnected);
    on(LineEvent::OnError, &CallMonitor::lkLine_OnError);
    on(LineEvent::OnIdle, &CallMonitor::lkLine_OnIdle);
    on(LineEvent::OnSilence, &CallMonitor::lkLine_OnSilence);
    window.setLineEventHandler(
        LineEvent::OnDigitReceived, [this](int N, const com::EventArgs& args) {
            lkLine_OnDigitReceived(N, static_cast<SHORT>(args.int32(1).value_or(0)));
        });
}

void CallMonitor::lkLine_OnBusy(int /*N*/) {
    m_window.state().busyseen = true;
}

void CallMonitor::lkLine_OnCallEnd(int N) {
    log("The call on " + onLine(N) + " has now ended at " + timeText());
}

void CallMonitor::lkLine_OnConnected(int N) {
    m_window.state().connectedseen = true;
    log("Connection detected on " + onLine(N));
}

void CallMonitor::lkLine_OnDialing(int N) {
    log("The modem on " + onLine(N) + " is now dialing out");
}

void CallMonitor::lkLine_OnDialtone(int N) {
    m_window.state().dialtoneseen = true;
    log("Dialtone detected on " + onLine(N));
}

// Digits are kept as the characters the caller pressed, each followed by a blank, so the sentence
// reads them out one by one; "#" speaks everything gathered since the program started.
void CallMonitor::lkLine_OnDigitReceived(int N, SHORT Digit) {
    if (N != 1) {
        return;
    }
    std::string& digits = m_window.state().digits;
    if (Digit != kHashKey) {
        digits += static_cast<char>(Digit);
        digits += ' ';
        return;
    }
    say("You entered " + digits, kSayNormal);
}

void CallMonitor::lkLine_OnDisconnected(int N) {
    log("Line " + std::to_string(N) + " is now disconnected");
}

void CallMonitor::lkLine_OnError(int N) {
    const HostedControl& control = m_window.lkLine(N);
    const std::string text = control.getText(line::ErrorText).value_or("");
    const LONG number = control.getLong(line::ErrorNumber).value_or(0);
    log("Error on " + onLine(N) + " = " + text + ", number = " + std::to_string(number));
}

// A call that goes idle on any line ends a call-back recording.
void CallMonitor::lkLine_OnIdle(int /*N*/) {
    const HostedControl& recorder = m_window.lkRecord1();
    if (recorder.getBool(record::DeviceActive).value_or(false)) {
        recorder.putBool(record::DeviceActive, false);
    }
}

void CallMonitor::lkLine_OnSilence(int N) {
    if (N == 1) {
        m_window.state().silenceseen = true;
    }
}

}  // namespace vevuzer
