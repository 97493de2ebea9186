// The serial path of a call: the port set-up, the reader that gathers what the modem or the
// caller-ID unit sends, the ring alert, and the caller-ID road, in the order the user sees it.
#include "vevuzer/monitoring/serial_monitor.h"

#include <cmath>
#include <string>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/monitoring/monitoring_text.h"
#include "vevuzer/monitoring/number_list.h"
#include "vevuzer/monitoring/post_call.h"
#include "vevuzer/monitoring/serial_batch.h"
#include "vevuzer/records/INIFuncs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/sound.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

namespace comm = controls::comm;
using monitoring::SerialCallerId;

constexpr std::string_view kCr = "\r";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kModemSettings = "9600,N,8,1";
constexpr std::string_view kUnitSettings = "1200,N,8,1";
constexpr SHORT kRtsHandshaking = 2;
constexpr SHORT kRingEvent = 6;
constexpr int kSetUpPauseSeconds = 1;
constexpr DWORD kIdlePollMs = 300;
constexpr DWORD kGatheringPollMs = 200;
constexpr DWORD kRingPictureMs = 500;
constexpr DWORD kFlashMs = 1000;
constexpr int kRingHoldOffSeconds = 10;
constexpr double kUnknownCallListSeconds = 15;
constexpr double kNewCallStatusSeconds = 30;
constexpr double kBlockedStatusSeconds = 10;
constexpr int kBlockedCallHoldSeconds = 1;
// A caller's lines are a few hundred bytes: a batch keeps its newest 64 KiB, and a device that
// never pauses still has its batch read every few seconds.
constexpr std::size_t kLongestBatch = 64 * 1024;
constexpr std::int64_t kLongestGatheringMs = 3000;
// The activity log shows the start of a long batch and says how long it was.
constexpr std::size_t kLongestDump = 4 * 1024;
// A device that went away is looked for again this often.
constexpr std::int64_t kReopenMs = 5000;
constexpr double kPortStatusSeconds = 30;
constexpr std::string_view kWithheld = "Withheld";
constexpr std::string_view kUnavailable = "Unavailable";
constexpr std::string_view kNoNumber = "No Number";

// The port carries bytes; the control hands them over as characters of the same codes, which the
// text of a member read brings as UTF-8.
std::string bytesOfText(std::string_view utf8) {
    std::string bytes;
    for (const char16_t c : core::toUtf16(utf8)) {
        bytes.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    }
    return bytes;
}

std::string textOfBytes(std::string_view bytes) {
    std::u16string wide;
    for (const char b : bytes) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(b)));
    }
    return core::toUtf8(wide);
}

// The address book's name for the number: without "-", then also without blanks, until a try
// finds a name of 2 or more characters.
std::string directoryName(std::string_view number) {
    const std::string book = INIFuncs::directoryIniPath();
    std::string found = INIFuncs::ReadIniValue(book, INIFuncs::kCallersSection,
                                               monitoring::without(number, "-"), "");
    if (textLength(found) < 2) {
        found = INIFuncs::ReadIniValue(book, INIFuncs::kCallersSection,
                                       monitoring::without(number, "- "), "");
    }
    return found;
}

}  // namespace

// The working values of one caller's run.
struct SerialMonitor::CallerRun {
    // As parsed, for the pop-up.
    std::string parsedNumber;
    std::string parsedName;
    bool withheld = false;
    bool outOfArea = false;
    // As the status box, the logs and the mail show them.
    std::string number;
    std::string name;
    std::string dirname;
    std::string spokenDigits;
    bool blocked = false;
    bool mail = false;
};

SerialMonitor::SerialMonitor(MainWindow& window, MainWindowForm& form)
    : m_window(window), m_form(form) {}

bool SerialMonitor::callerIdUnit() const {
    return settings::read(settings::serial::kind) == settings::kCallerIdPlug;
}

std::string SerialMonitor::commPort() const {
    const std::optional<LONG> port = m_window.comm().getLong(comm::CommPort);
    return port ? std::to_string(*port) : std::string();
}

// ---- Opening the port ----

void SerialMonitor::initport() {
    const std::string port = settings::read(settings::serial::commport);
    if (port.empty()) {
        return;
    }
    m_lost = false;
    MainWindowState& state = m_window.state();
    const HostedControl& control = m_window.comm();
    state.portinit = true;
    log("Using compatbility mode, opening line " + port + " now");
    // A port setting that is not a number leaves the control on the port it had.
    const std::optional<double> number = settings::number(settings::serial::commport);
    const bool unit = callerIdUnit();
    if (unit) {
        log("Initialising Rochelle Caller ID plug on comm " + port);
    }
    if (number) {
        control.putLong(comm::CommPort, static_cast<LONG>(std::floor(*number)));
    }
    if (unit) {
        control.putText(comm::Settings, kUnitSettings);
        control.putBool(comm::DTREnable, true);
        control.putBool(comm::EOFEnable, true);
        control.putLong(comm::Handshaking, kRtsHandshaking);
        control.putBool(comm::NullDiscard, true);
        control.putBool(comm::RTSEnable, true);
        control.putBool(comm::PortOpen, true);
    } else {
        control.putText(comm::Settings, kModemSettings);
        control.putBool(comm::PortOpen, true);
        control.putBool(comm::PortOpen, false);
        mod_clock::Pause(kSetUpPauseSeconds);
        control.putBool(comm::PortOpen, true);
    }
    if (!control.getBool(comm::PortOpen).value_or(false)) {
        log("Tried to Open Comm " + commPort() + " but it failed to open.");
        return;
    }
    prepareOpenPort();
}

// The device on the freshly opened port: a modem is reset and given its caller-ID enable command.
void SerialMonitor::prepareOpenPort() {
    MainWindowState& state = m_window.state();
    const HostedControl& control = m_window.comm();
    if (callerIdUnit()) {
        log("Port now open and ready for use");
        control.putLong(comm::InBufferCount, 0);
        mod_clock::Pause(kSetUpPauseSeconds);
        state.portinit = false;
        return;
    }
    control.putLong(comm::InBufferCount, 0);
    control.putText(comm::Output, "AT&F" + std::string(kCr));
    log("Comm port open, Sending AT&F to modem");
    mod_clock::Pause(kSetUpPauseSeconds);
    state.portinit = false;
    const std::string init = settings::read(settings::serial::init);
    if (!init.empty()) {
        control.putText(comm::Output, init + std::string(kCr));
    }
    log("All okay, modem is now ready");
}

std::string SerialMonitor::deviceName() const {
    return callerIdUnit() ? "caller ID plug" : "modem";
}

// The device went away under the reader (unplugged, switched off): said once, then looked for
// every few seconds by the reader's own tick, so nothing waits or spins meanwhile.
void SerialMonitor::portLost() {
    m_lost = true;
    m_nextReopen = core::tickCount64() + kReopenMs;
    log("The " + deviceName() + " on comm " + commPort() +
        " has gone (unplugged or switched off), looking for it every 5 seconds");
    m_form.setTxtDisplayText("The " + deviceName() + " on comm " + commPort() + std::string(kCrLf) +
                             "has gone. Plug it in again");
    m_window.state().statuscountdown = kPortStatusSeconds;
}

void SerialMonitor::reopenLostPort() {
    if (core::tickCount64() < m_nextReopen) {
        return;
    }
    m_nextReopen = core::tickCount64() + kReopenMs;
    const HostedControl& control = m_window.comm();
    if (FAILED(control.putBool(comm::PortOpen, true)) ||
        !control.getBool(comm::PortOpen).value_or(false)) {
        return;
    }
    m_lost = false;
    log("The " + deviceName() + " on comm " + commPort() + " is back");
    m_form.setTxtDisplayText("The " + deviceName() + " on comm " + commPort() + std::string(kCrLf) +
                             "is back");
    m_window.state().statuscountdown = kPortStatusSeconds;
    // A device plugged in again has forgotten its set-up; the pauses pump, and the reader waits.
    m_reading = true;
    prepareOpenPort();
    m_reading = false;
}

// ---- The caller-ID unit's ring ----

void SerialMonitor::comm_OnComm() {
    if (m_window.state().portinit || !callerIdUnit()) {
        return;
    }
    if (m_window.comm().getLong(comm::CommEvent).value_or(0) != kRingEvent) {
        return;
    }
    alertRing(false, "Rochelle on Comm " + commPort() + " is ringing, playing wav ring file");
}

// The alert of a ring whose caller is not known yet: the pop-up says so and the call list shows
// an unknown call, which the post-call timer logs once the rings end without caller data.
void SerialMonitor::showUnknownCall(const std::string& logged) {
    MainWindowState& state = m_window.state();
    log(logged);
    log("Showing display with details in it");
    m_form.frmDisplayShow();
    m_form.frmDisplayDisplayOther("Incoming call", "No caller id", "");
    m_form.setFrmDisplayName("");
    m_form.setFrmDisplayNumber("Incoming call");
    m_form.frmDisplaySetFocus();
    state.callbackpending = false;
    state.serialnocid = true;
    m_form.setDisplayVisible(true);
    m_form.displayClear();
    m_form.displayAddItem("Unknown Incoming call");
    state.statuscountdown = kUnknownCallListSeconds;
}

// ---- The reader ----

void SerialMonitor::commscan_Timer() {
    const HostedControl& control = m_window.comm();
    // The status timer may restart the reader while a batch is read and the drop of a blocked
    // caller pumps: the batch in hand is finished first.
    if (m_reading) {
        return;
    }
    if (!control.getBool(comm::PortOpen).value_or(false)) {
        if (m_lost) {
            reopenLostPort();
        }
        return;
    }
    const std::string input = bytesOfText(control.getText(comm::Input).value_or(""));
    // The read closes a port whose device went away; what came before it is still read.
    const bool lost = !control.getBool(comm::PortOpen).value_or(false);
    if (m_serialbuffer.empty() && input.empty()) {
        if (lost) {
            portLost();
        }
        return;
    }
    log("Modem data coming in on port " + commPort());
    if (!input.empty()) {
        if (m_serialbuffer.empty()) {
            m_gatheringSince = core::tickCount64();
            m_gathered = 0;
        }
        gather(input);
        // Still coming: read the batch once the port is quiet for a tick, or once it has gathered
        // for long enough that a device which never pauses does not hide a caller.
        if (!lost && core::tickCount64() - m_gatheringSince < kLongestGatheringMs) {
            m_window.commscan().setInterval(kGatheringPollMs);
            return;
        }
    }
    m_window.commscan().setInterval(0);
    m_reading = true;
    readBatch();
    m_reading = false;
    control.putLong(comm::InBufferCount, 0);
    log("Buffer dump from modem on comm " + commPort());
    logDump();
    m_serialbuffer.clear();
    m_window.commscan().setInterval(kIdlePollMs);
    if (lost) {
        portLost();
    }
}

void SerialMonitor::gather(const std::string& input) {
    m_gathered += input.size();
    m_serialbuffer += input;
    if (m_serialbuffer.size() > kLongestBatch) {
        m_serialbuffer.erase(0, m_serialbuffer.size() - kLongestBatch);
    }
}

void SerialMonitor::logDump() {
    if (m_gathered <= kLongestDump && m_serialbuffer.size() <= kLongestDump) {
        log(textOfBytes(m_serialbuffer));
        return;
    }
    log(textOfBytes(std::string_view(m_serialbuffer).substr(0, kLongestDump)) + " ... (" +
        std::to_string(m_gathered) + " bytes in all)");
}

void SerialMonitor::readBatch() {
    const monitoring::SerialDevice device =
        callerIdUnit() ? monitoring::SerialDevice::CallerIdUnit : monitoring::SerialDevice::Modem;
    const SerialCallerId parsed = monitoring::parseSerialBatch(m_serialbuffer, device);
    if (device == monitoring::SerialDevice::CallerIdUnit &&
        m_serialbuffer.size() >= monitoring::kShortestBlockBatch) {
        // The unit's block was read: the port's leftovers belong to it.
        m_window.comm().putLong(comm::InBufferCount, 0);
        m_window.state().callbackpending = false;
        m_window.state().serialnocid = false;
    }
    // A withheld or out-of-area call is caller data too, though it brings no number or name.
    const bool callerData =
        !parsed.number.empty() || !parsed.name.empty() || parsed.withheld || parsed.outOfArea;
    if (parsed.ring) {
        alertRing(callerData, "Modem on Comm " + commPort() + " is ringing, playing wav ring file");
    }
    if (callerData && !m_window.state().callershown) {
        processCaller(parsed);
    }
}

// The ring of the modem or the unit. With no caller known yet the ring sounds and the unknown
// call is shown, under `unknownLog`.
void SerialMonitor::alertRing(bool callerData, const std::string& unknownLog) {
    MainWindowState& state = m_window.state();
    if (!callerData && (settings::isOn(settings::serial::repeat) || state.ringholdoff == 0)) {
        playfile(settings::read(settings::serial::incoming));
    }
    state.ringholdoff = kRingHoldOffSeconds;
    log("Incoming call on comm " + commPort() + " the line is ringing");
    if (!m_form.formVisible()) {
        m_form.setFormVisible(true);
    }
    m_form.setPicRingVisible(true);
    core::DoEvents();
    m_window.timerring().setInterval(kRingPictureMs);
    if (!callerData && !state.callershown) {
        state.callline = 1;
        showUnknownCall(unknownLog);
    }
}

// ---- The caller ----

void SerialMonitor::processCaller(const SerialCallerId& parsed) {
    MainWindowState& state = m_window.state();
    CallerRun run;
    run.parsedNumber = textOfBytes(parsed.number);
    run.parsedName = textOfBytes(parsed.name);
    run.withheld = parsed.withheld;
    run.outOfArea = parsed.outOfArea;
    // A call withheld or out of area by a single letter has no name to show: the pop-up says why.
    if (run.parsedName.empty() && (run.withheld || run.outOfArea)) {
        run.parsedName = run.outOfArea ? kUnavailable : kWithheld;
    }
    run.number = run.parsedNumber;
    run.name = run.parsedName;

    playfile("");
    if (!m_form.formVisible()) {
        m_form.setFormVisible(true);
    }
    countNewCall(state);
    state.callbackpending = false;
    state.statuscountdown = kNewCallStatusSeconds;
    if (!run.number.empty() && !run.withheld) {
        run.blocked = numberListed(kBlockedListFile, run.number);
        run.mail = numberListed(kEmailListFile, run.number);
    }
    run.spokenDigits = monitoring::spokenDigits(run.number);
    nameTheCaller(run);
    if (textLength(run.dirname) > 2) {
        say(run.dirname, kSayUrgent);
    } else {
        say(core::toLowerAscii(run.name) + ", " + run.spokenDigits, kSayUrgent);
    }
    state.callbackpending = false;
    state.serialnocid = false;
    if (run.name == kWithheld || run.name == kUnavailable) {
        run.number = kNoNumber;
    }
    if (textLength(run.name) < 2 && textLength(run.dirname) > 2) {
        run.name = run.dirname;
    }

    const int newcalls = state.newcalls;
    const std::string banner = newcalls > 1
                                   ? "You have had " + std::to_string(newcalls) + " new calls"
                                   : std::string("You have had 1 new call");
    m_form.setTxtDisplayText(banner + std::string(kCrLf) + run.number + std::string(kCrLf) +
                             run.name);
    log(" ***************************** ");
    log("Incoming call detected on comm port ," + run.number + std::string(kCrLf) + run.name);
    appendCallLog(CallLogLine(run.number, run.name));
    showCallerPopup(run);
    state.ringholdoff = kRingHoldOffSeconds;
    state.callershown = true;
    m_window.flash().setInterval(kFlashMs);
    if (run.blocked) {
        dropBlockedCall(run);
    }
    holdMail(run);
    m_window.comm().putLong(comm::InBufferCount, 0);
}

void SerialMonitor::nameTheCaller(CallerRun& run) const {
    if (run.withheld) {
        run.name = kWithheld;
        if (settings::isOn(settings::shell::blockwithheld)) {
            run.blocked = true;
        }
    }
    if (run.outOfArea) {
        run.name = kUnavailable;
    }
    if (!run.withheld && !run.outOfArea) {
        run.dirname = directoryName(run.number);
    }
}

void SerialMonitor::showCallerPopup(const CallerRun& run) {
    m_form.frmDisplayShow();
    std::string label = textLength(run.name) > 3 ? run.parsedName : "No name available";
    m_form.setFrmDisplayName(label);
    m_form.frmDisplaySetFocus();
    if (textLength(run.dirname) > 2 && textLength(label) < 2) {
        label = run.dirname;
        m_form.setFrmDisplayName(label);
    }
    m_form.setFrmDisplayNumber(run.parsedNumber);
    m_form.frmDisplayDisplayOther(run.parsedName, run.parsedNumber, run.dirname);
    m_form.frmDisplaySetFocus();
}

// The modem takes the line and puts it down again a second later. A caller-ID unit cannot take
// the line, and a modem that did not take the commands has not dropped the call: neither is
// reported as a disconnection.
void SerialMonitor::dropBlockedCall(const CallerRun& run) {
    const HostedControl& control = m_window.comm();
    bool dropped = false;
    if (callerIdUnit()) {
        log("The caller ID plug on comm " + commPort() + " cannot hang up a blocked call");
    } else {
        const HRESULT taken = control.putText(comm::Output, "ATDT" + std::string(kCr));
        mod_clock::Pause(kBlockedCallHoldSeconds);
        const HRESULT hungUp = control.putText(comm::Output, "ATH" + std::string(kCr));
        dropped = SUCCEEDED(taken) && SUCCEEDED(hungUp);
        if (!dropped) {
            log("The blocked call on comm " + commPort() + " could not be disconnected");
        }
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
    m_window.state().statuscountdown = kBlockedStatusSeconds;
}

// The mail goes once the rings have ended, from the status timer.
void SerialMonitor::holdMail(const CallerRun& run) {
    MainWindowState& state = m_window.state();
    state.mailpending = run.mail;
    if (!run.mail) {
        return;
    }
    m_form.setTxtDisplayText(std::string("This number is in the Email list") + std::string(kCrLf) +
                             "Emailing the information in a" + std::string(kCrLf) +
                             "few seconds, Please wait !");
    state.mailnumber = run.number;
    state.mailname = run.name;
}

}  // namespace vevuzer
