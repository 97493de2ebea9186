// Dialling out on a telephone line or through the serial modem, and the dial-tone probe.
#include "vevuzer/monitoring/dial_out.h"

#include <string>

#include "platform/core/messages.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

namespace line = controls::line;
namespace comm = controls::comm;

constexpr int kRedials = 3;  // after the first dial
constexpr int kDialToneSeconds = 3;
constexpr int kConnectionSeconds = 60;
constexpr int kDialPauseSeconds = 1;
constexpr int kSerialDialSeconds = 3;
constexpr int kProbeSeconds = 1;
// A wait follows the status timer's countdown; this much longer, it ends without it.
constexpr DWORD kWaitMarginMs = 2000;
constexpr std::string_view kPickUp = "Please pick up your handset, and then click on the red box";
constexpr std::string_view kPickUpBox = "Please pick up your hand set and then click on this box";
constexpr std::string_view kErrorBox = "There was an error, Please click on this red box";

// Held while a dial-out or probe runs: a second one started meanwhile (from a handler that runs
// inside the wait) would dial into the same line and read the same shared flags.
class Busy {
  public:
    explicit Busy(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Busy() { m_flag = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    bool& m_flag;
};

// A number goes into a modem command as it is, but for control characters: a CR or LF in it
// would end the command early and start another.
std::string dialableNumber(std::string_view number) {
    std::string out;
    for (const char c : number) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

int lineNamed(std::string_view linea) {
    return linea.size() == 1 && linea[0] >= '1' && linea[0] <= '4' ? linea[0] - '0' : 0;
}

DialOut::DialOut(MainWindow& window, MainWindowForm& form) : m_window(window), m_form(form) {}

void DialOut::prompt(std::string_view text) {
    if (m_prompt) {
        m_prompt->setText1Text(text);
    }
}

void DialOut::hidePrompt() {
    if (m_prompt) {
        m_prompt->setText1Visible(false);
    }
}

bool DialOut::waitFor(Wait what, int seconds) {
    MainWindowState& state = m_window.state();
    state.countdown = seconds;
    core::pumpUntil(
        [&state, what] {
            if (state.countdown == 0) {
                return true;
            }
            return what == Wait::DialTone ? state.dialtoneseen
                                          : state.connectedseen || state.busyseen;
        },
        static_cast<DWORD>(seconds) * 1000 + kWaitMarginMs);
    return what == Wait::DialTone ? state.dialtoneseen : state.connectedseen || state.busyseen;
}

void DialOut::findconnected(std::string_view number, std::string_view linea) {
    if (m_dialling) {
        log("A dial out is already running, this one is not started");
        return;
    }
    const Busy busy(m_dialling);
    MainWindowState& state = m_window.state();
    const int N = lineNamed(linea);
    const HostedControl* control = N ? &m_window.lkLine(N) : nullptr;
    for (int attempt = 0;; ++attempt) {
        state.connectedseen = false;
        state.dialtoneseen = false;
        state.busyseen = false;
        log("This is the dialing control");
        if (m_window.comm().getBool(comm::PortOpen).value_or(false)) {
            dialSerial(number);
            return;
        }
        if (control) {
            if (!control->getBool(line::DeviceActive).value_or(false)) {
                say("Sorry, line " + std::to_string(N) + " is un available.", kSayNormal);
                hidePrompt();
                return;
            }
            control->putLong(line::CallMediaMode, 0);
            control->putText(line::CallPhoneNumber, "," + std::string(number));
            mod_clock::Pause(kDialPauseSeconds);
            log("Dialing out on line " + std::to_string(N));
            control->call(line::CallDial);
        }
        log("Waiting for dial tone");
        if (waitFor(Wait::DialTone, kDialToneSeconds)) {
            break;
        }
        // The dead call goes before the line is dialled again.
        if (control) {
            control->call(line::CallHangup);
        }
        if (attempt == kRedials) {
            log("No dial tone, quiting");
            m_form.beep();
            say("There is an error", kSayNormal);
            prompt(kErrorBox);
            return;
        }
    }

    log("Waiting for connect");
    waitFor(Wait::Connection, kConnectionSeconds);
    if (!state.connectedseen && !state.busyseen) {
        log("No connection so quitting");
        m_form.beep();
        say("There is an error", kSayNormal);
        prompt(kErrorBox);
    } else if (state.busyseen) {
        log("The line is busy");
        say("The line is engaged, sorry!", kSayNormal);
        hidePrompt();
        // Nobody is left to hang up an engaged call: the box that would do it is gone.
        if (control) {
            control->call(line::CallHangup);
        }
    } else {
        log("connected, notifying user");
        say(kPickUp, kSayUrgent);
        prompt(kPickUpBox);
    }
}

// The modem dials and the user picks up; nothing is waited for. The reader stays still meanwhile:
// the modem's answers are no caller's data.
void DialOut::dialSerial(std::string_view number) {
    m_window.commscan().setInterval(0);
    m_window.comm().putText(comm::Output, "ATDT," + dialableNumber(number) + "\r");
    mod_clock::Pause(kSerialDialSeconds);
    say(kPickUp, kSayUrgent);
    prompt(kPickUpBox);
}

bool DialOut::finddial(std::string_view linea) {
    MainWindowState& state = m_window.state();
    if (m_dialling) {
        log("A dial out is already running, the dial tone test is not started");
        return false;
    }
    const Busy busy(m_dialling);
    state.dialtoneseen = false;
    const int N = lineNamed(linea);
    std::string errorText;
    if (N) {
        const HostedControl& control = m_window.lkLine(N);
        control.putLong(line::CallMediaMode, 0);
        control.putText(line::CallPhoneNumber, ",,");
        const com::Outcome dialled = control.call(line::CallDial);
        if (!dialled.succeeded() || !dialled.value.toBool().value_or(false)) {
            log("Error trying to find dialtone on line " + std::to_string(N));
        }
        errorText = control.getText(line::ErrorText).value_or("");
    }
    mod_clock::Pause(kProbeSeconds);
    if (N) {
        m_window.lkLine(N).call(line::CallHangup);
    }
    if (!errorText.empty()) {
        state.dialtoneseen = false;
    }
    return state.dialtoneseen;
}

}  // namespace vevuzer
