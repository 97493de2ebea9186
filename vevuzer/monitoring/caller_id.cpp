// The caller-ID processing: everything the program does once a line reports who is calling, in
// the order the user sees it happen.
#include <string>
#include <vector>

#include "platform/core/text.h"
#include "vevuzer/mail/sendmail.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/monitoring/monitoring_text.h"
#include "vevuzer/monitoring/number_list.h"
#include "vevuzer/monitoring/post_call.h"
#include "vevuzer/records/INIFuncs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

namespace line = controls::line;
using monitoring::callerName;
using monitoring::callerNumber;
using monitoring::callerOutOfArea;
using monitoring::callerWithheld;

constexpr std::string_view kCrLf = "\r\n";
constexpr double kNewCallStatusSeconds = 30;
constexpr double kBlockedStatusSeconds = 10;
constexpr DWORD kFlashMs = 1000;
constexpr int kBlockedCallHoldSeconds = 1;
constexpr std::string_view kWithheld = "Withheld";
constexpr std::string_view kUnavailable = "Unavailable";

std::string lineDigit(int N) {
    return std::to_string(N);
}

// The address book's name for the number: as received, then without "-", then also without
// blanks, until a try finds a name of 2 or more characters.
std::string directoryName(std::string_view number) {
    const std::string withoutDashes = monitoring::without(number, "-");
    const std::string withoutBlanks = monitoring::without(number, "- ");
    const std::vector<std::string> found = INIFuncs::ReadIniValues(
        INIFuncs::directoryIniPath(), {number, withoutDashes, withoutBlanks});
    for (const std::string& name : found) {
        if (textLength(name) >= 2) {
            return name;
        }
    }
    return found.back();
}

}  // namespace

// The working values of one run of the caller-ID processing.
struct CallMonitor::CallerIdRun {
    // The caller as the control gave it: hanging up a blocked call ends the call whose values
    // the control holds, and the status text and the mail after it still need them.
    std::string number;
    std::string networkName;
    // Whether the line marked the caller withheld or out of area, read once for the lists and
    // the name.
    bool markedWithheld = false;
    bool outOfArea = false;
    bool withheld = false;
    std::string name;     // for speech, status box and log
    std::string dirname;  // the address book's name
    std::string spokenDigits;
    std::string shownNumber;  // the number as the status box and log show it
    bool blocked = false;
    bool mail = false;
};

CallMonitor::CallMonitor(MainWindow& window, MainWindowForm& form)
    : m_window(window),
      m_form(form),
      m_sendmail([&window](std::string_view number, std::string_view name) {
          sendmail(window, number, name);
      }) {
    window.setLineEventHandler(controls::LineEvent::OnRing,
                               [this](int N, const com::EventArgs&) { lkLine_OnRing(N); });
    window.setLineEventHandler(controls::LineEvent::OnCallerID,
                               [this](int N, const com::EventArgs&) { lkLine_OnCallerID(N); });
    registerLineEvents(window);
}

void CallMonitor::lkLine_OnCallerID(int N) {
    const HostedControl& control = m_window.lkLine(N);
    MainWindowState& state = m_window.state();
    CallerIdRun run;
    // Read once: each read is a call into the control that formats the number afresh.
    run.number = callerNumber(control);
    run.networkName = callerName(control);

    log("Caller ID on lkline" + lineDigit(N) + ", name:" + run.networkName +
        ": number: " + run.number + ":");
    if (!m_form.formVisible()) {
        m_form.setFormVisible(true);
    }
    countNewCall(state);
    state.callbackpending = false;
    state.statuscountdown = kNewCallStatusSeconds;
    state.serialnocid = false;

    run.markedWithheld = callerWithheld(control);
    run.outOfArea = callerOutOfArea(control);
    testNumberLists(run);
    run.spokenDigits = monitoring::spokenDigits(run.number);
    nameWithheldOrUnavailable(run);
    run.dirname = directoryName(run.number);
    announce(N, run);

    run.shownNumber = run.number;
    const std::string lowerName = core::toLowerAscii(run.name);
    if (lowerName == "withheld" || lowerName == "unavailable") {
        run.shownNumber.clear();
    }
    if (textLength(run.dirname) > 2 && textLength(run.name) < 2) {
        run.name = run.dirname;
    }
    showNewCallStatus(run);
    log(" ***************************** ");
    log("Incoming call detected on line " + lineDigit(N) + " ," + run.shownNumber +
        std::string(kCrLf) + run.name);

    const std::string loggedName = textLength(run.dirname) >= 3 ? run.dirname : run.networkName;
    appendCallLog(CallLogLine(run.number, loggedName));
    showCallerPopup(N, run);
    m_window.flash().setInterval(kFlashMs);

    run.withheld = callerWithheld(control);
    if (run.blocked) {
        dropBlockedCall(N, control, run);
    }
    if (run.mail) {
        mailCall(run);
    }
}

// A withheld or out-of-area caller has no number to look for, and an empty one matches nothing.
void CallMonitor::testNumberLists(CallerIdRun& run) const {
    const std::string& number = run.number;
    if (run.markedWithheld || run.outOfArea || number.empty()) {
        return;
    }
    run.blocked = numberListed(kBlockedListFile, number);
    run.mail = numberListed(kEmailListFile, number);
}

void CallMonitor::nameWithheldOrUnavailable(CallerIdRun& run) const {
    if (run.markedWithheld) {
        run.name = kWithheld;
        if (settings::isOn(settings::shell::blockwithheld)) {
            run.blocked = true;
        }
    }
    if (run.outOfArea) {
        run.name = kUnavailable;
    }
}

void CallMonitor::announce(int N, const CallerIdRun& run) const {
    const std::string onLine = ", on line " + lineDigit(N);
    if (textLength(run.dirname) > 2) {
        say(run.dirname + onLine, kSayUrgent);
    } else {
        say(core::toLowerAscii(run.name) + ", " + run.spokenDigits + onLine, kSayUrgent);
    }
}

void CallMonitor::showNewCallStatus(const CallerIdRun& run) {
    const int newcalls = m_window.state().newcalls;
    const std::string banner = newcalls > 1
                                   ? "You have had " + std::to_string(newcalls) + " new calls"
                                   : std::string("You have had 1 new call");
    m_form.setTxtDisplayText(banner + std::string(kCrLf) + run.shownNumber + std::string(kCrLf) +
                             run.name);
}

void CallMonitor::showCallerPopup(int N, const CallerIdRun& run) {
    m_form.frmDisplayShow();
    m_form.frmDisplayDisplay(run.number, N);
    if (N != 1) {
        m_form.frmDisplaySetFocus();
    }
    if (textLength(run.name) > 3) {
        m_form.setFrmDisplayName(run.name);
    } else if (textLength(run.networkName) > 3) {
        m_form.setFrmDisplayName(run.networkName);
    } else {
        m_form.setFrmDisplayName("");
    }
    if (N == 1) {
        m_form.frmDisplaySetFocus();
    }
}

// Answered and hung up after a second, so the caller hears the line taken and dropped. The hang-up
// is tried even when the answer failed; a hang-up that failed is not reported as a disconnection.
void CallMonitor::dropBlockedCall(int N, const HostedControl& control, const CallerIdRun& run) {
    control.putBool(line::CallOwner, true);
    control.call(line::CallAnswer);
    mod_clock::Pause(kBlockedCallHoldSeconds);
    const com::Outcome hangup = control.call(line::CallHangup);
    const bool dropped = hangup.succeeded() && hangup.value.toBool().value_or(false);
    MainWindowState& state = m_window.state();
    state.statuscountdown = kBlockedStatusSeconds;
    if (!dropped) {
        log("The blocked call on line " + lineDigit(N) + " could not be disconnected");
    }
    if (run.withheld) {
        m_form.setTxtDisplayText(
            std::string("Withheld incoming call") + std::string(kCrLf) +
            (dropped ? "This call has been blocked" : "This call could not be blocked"));
    } else {
        m_form.setTxtDisplayText(
            run.number + std::string(kCrLf) + "Is a blocked number" + std::string(kCrLf) +
            (dropped ? "and was disconnected" : "but could not be disconnected"));
    }
}

void CallMonitor::mailCall(const CallerIdRun& run) {
    m_form.setTxtDisplayText(std::string("This number is in the Email list") + std::string(kCrLf) +
                             "I am now emailing the information" + std::string(kCrLf) +
                             "Please wait !");
    if (m_sendmail) {
        m_sendmail(run.number, run.networkName);
    }
}

}  // namespace vevuzer
