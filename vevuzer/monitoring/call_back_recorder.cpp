// The call-back recorder of calls that rang without caller ID.
#include "vevuzer/monitoring/call_back_recorder.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/monitoring/post_call.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/sound.h"

namespace vevuzer {
namespace {

namespace line = controls::line;
namespace record = controls::record;

constexpr DWORD kFlashMs = 1000;
constexpr int kRetrySeconds = 15;
constexpr int kConnectSeconds = 7;
constexpr int kCloseSeconds = 10;
// A line that keeps saying it is active is asked this often to go inactive, then left as it is.
constexpr int kSwitchOffTries = 20;
// Waits follow the status timer's countdown; this much longer, they end without it.
constexpr DWORD kWaitMarginMs = 2000;
// Wave formats of the recording: 8 kHz mono 8-bit mu-law for the one provider that needs it,
// else 8 kHz mono 16-bit PCM.
constexpr LONG kMuLaw8kMono8 = 18;
constexpr LONG kPcm8kMono16 = 3;

constexpr std::string_view kNoDialToneMessage =
    "I couldn't deletect a dialtone on the line. If you COULD hear a dialtone or if you know "
    "that there IS A DIAL TONE, then you can turn the dial tone detection OFF in the 'General "
    "settings' tab in the 'Settings' window and then try the callback routine again.";

// Held while an attempt runs.
class Running {
  public:
    explicit Running(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Running() { m_flag = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    bool& m_flag;
};

// A whole number of seconds as the counters hold it (0 to 32767); nothing for any other text.
std::optional<int> seconds(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 32767)
        return std::nullopt;
    return value;
}

// Pumps while `more()` holds, doing `step()` before each pump, for at most `timeoutMs`.
template <typename More, typename Step>
void pumpWhile(More more, Step step, DWORD timeoutMs) {
    const std::int64_t deadline = core::tickCount64() + timeoutMs;
    while (more() && core::tickCount64() < deadline) {
        step();
        core::DoEvents();
    }
}

std::string recordingStamp() {
    const core::OleDate when = core::now();
    return dateText(when) + " " + timeText(when);
}

std::string inProgramFolder(const std::string& name) {
    return (core::programFolder() / name).string();
}

}  // namespace

std::string freeRecordingName() {
    for (int n = 1;; ++n) {
        const std::string name = std::to_string(n) + ".wav";
        if (!core::findFileNoCase(core::programFolder() / name))
            return name;
    }
}

CallBackRecorder::CallBackRecorder(MainWindow& window, MainWindowForm& form)
    : m_window(window), m_form(form) {}

CallBackRecorder::Outcome CallBackRecorder::run() {
    if (m_running)
        return Outcome::Ended;
    const Running running(m_running);
    // The line that rang stays the one dialled and hung up, even when another rings meanwhile.
    return record(m_window.state().callline);
}

CallBackRecorder::Outcome CallBackRecorder::record(int N) {
    MainWindowState& state = m_window.state();
    const HostedControl& lkLine = m_window.lkLine(N);
    const HostedControl& lkRecord1 = m_window.lkRecord1();

    log("Callback is True and lastring = 0, so getting Caller ID data");
    state.statuscountdown = 30;
    m_form.setDisplayVisible(false);
    m_form.setTxtDisplayVisible(true);

    if (lkLine.getBool(line::CallActive).value_or(false)) {
        m_form.setTxtDisplayText(
            "Waiting to get caller ID info\r\nModem activity detected\r\nRe trying in 15 seconds");
        state.ringholdoff = kRetrySeconds;
        return Outcome::Ended;
    }

    const std::string reclength = settings::read(settings::recorder::reclength);
    const std::string callback = settings::read(settings::recorder::callback);
    log("About to attempt caller ID record, rec length = " + reclength +
        ", call number = " + callback);
    if (callback.size() < 2) {
        state.callbackpending = false;
        return Outcome::Ended;
    }
    state.connectedseen = false;

    switchOtherLinesOff(N);
    m_form.setTxtDisplayText("Getting ready to record caller ID\r\nInformation on line " +
                             std::to_string(N) + ". Vevuzer " + callback);
    core::DoEvents();

    // A device the Record control refuses (gone, its driver unloaded) would leave it on the one it
    // had, and another device's sound would be listed as this call's. A line without a recording
    // device (a data or fax modem) reads 0, the PC's first recording device: it has none to use.
    const std::optional<LONG> device = lkLine.getBool(line::WaveRecordAvailable).value_or(false)
                                           ? lkLine.getLong(line::WaveRecordID)
                                           : std::nullopt;
    if (device)
        lkRecord1.putLong(record::DeviceID, *device);
    const bool onTheLine = device && lkRecord1.getLong(record::DeviceID) == device;
    const std::string provider = core::toLowerAscii(lkLine.getText(line::TAPITSP).value_or(""));
    lkRecord1.putLong(record::SourceFormatID, provider.find("dialogic") != std::string::npos
                                                  ? kMuLaw8kMono8
                                                  : kPcm8kMono16);
    core::DoEvents();

    const std::string name = freeRecordingName();
    lkRecord1.putText(record::SourceFileName, inProgramFolder(name));
    log("Wav filename decided and is " + name);
    if (!onTheLine)
        log("The recording device of line " + std::to_string(N) + " is not available");
    if (!onTheLine || !lkRecord1.getBool(record::SourceValid).value_or(false)) {
        log("Invalid source for Record1, quiting and opening lines again");
        m_window.openlines();
        state.callbackpending = false;
        return Outcome::Ended;
    }
    core::DoEvents();
    m_form.setTxtDisplayText("Checking for dial tone\r\nClick this window to stop checking");

    if (!dialToneFound(N))
        return noDialTone(N);
    state.attemptsleft = settings::read(settings::recorder::attempts);
    m_form.setTxtDisplayText("\r\nDial tone found, calling " + callback);
    core::DoEvents();

    state.connectedseen = false;
    lkLine.putText(line::CallPhoneNumber, callback);
    const com::Outcome dialled = lkLine.call(line::CallDial);
    if (!dialled.succeeded() || !dialled.value.toBool().value_or(false))
        return failed(N);
    core::DoEvents();
    state.countdown = kConnectSeconds;
    core::pumpUntil([&state] { return state.countdown == 0 || state.connectedseen; },
                    kConnectSeconds * 1000 + kWaitMarginMs);

    state.statuscountdown = 10;
    log("Record format = " + lkRecord1.getText(record::SourceFormatName).value_or(""));
    log("Record Source = " + lkRecord1.getText(record::SourceFileName).value_or(""));
    log("Record Device Name =" + lkRecord1.getText(record::DeviceName).value_or(""));
    log("Record bits per sample = " +
        lkRecord1.getText(record::SourceFormatBitsPerSample).value_or(""));

    if (!recordDeviceGoesActive()) {
        log("Initialise failed again, error");
        m_form.setTxtDisplayText("Error, record device failed\r\nto go active. Try again!");
        state.statuscountdown = 15;
        core::DoEvents();
        lkLine.call(line::CallHangup);
        m_window.openlines();
        state.callbackpending = false;
        core::DoEvents();
        return Outcome::Ended;
    }

    recordFor(N, reclength);
    closeRecordDevice();

    lkLine.call(line::CallHangup);
    core::DoEvents();
    mod_clock::Pause(1);
    m_window.openlines();
    state.statuscountdown = 10;
    m_form.setTxtDisplayText("Recording has stopped\r\nPlease wait !");
    core::DoEvents();

    countNewCall(state);
    m_form.setTxtDisplayText("Caller ID info for call " + std::to_string(state.newcalls) +
                             "\r\nHas been recorded as " + name);
    state.callbackpending = false;
    m_window.flash().setInterval(kFlashMs);
    appendCallLog(name + ", Caller ID recording on line " + std::to_string(N) + ", , " +
                  recordingStamp());
    playfile(inProgramFolder(name));
    log("End of wave recording routine");
    return Outcome::Recorded;
}

void CallBackRecorder::switchOtherLinesOff(int N) {
    // The order the lines are switched off in, for the line that rang.
    static constexpr int kOthers[4][3] = {{2, 3, 4}, {1, 3, 4}, {2, 1, 4}, {2, 3, 1}};
    for (const int other : kOthers[N - 1]) {
        const HostedControl& control = m_window.lkLine(other);
        for (int tries = 0;
             tries < kSwitchOffTries && control.getBool(line::DeviceActive).value_or(false);
             ++tries) {
            control.putBool(line::DeviceActive, false);
            core::DoEvents();
        }
    }
    log("All lines except " + std::to_string(N) + " are closed.");
    core::DoEvents();
}

bool CallBackRecorder::dialToneFound(int N) {
    // "False" asks for the test; anything else trusts the line to give a dial tone.
    if (settings::isOn(settings::recorder::dialtone))
        return true;
    return m_window.finddial(std::to_string(N));
}

CallBackRecorder::Outcome CallBackRecorder::noDialTone(int N) {
    MainWindowState& state = m_window.state();
    log("no dial tone, hanging up");
    const int attempts = seconds(settings::read(settings::recorder::attempts)).value_or(0);
    const int left = seconds(state.attemptsleft).value_or(0) - 1;
    state.attemptsleft = std::to_string(left);
    if (left <= 0) {
        state.attemptsleft = settings::read(settings::recorder::attempts);
        state.callbackpending = false;
        m_form.setTxtDisplayText(
            "Maximum tries reached whilst\r\nchecking for Dial Tone. Quiting !");
        return failed(N);
    }
    m_form.setTxtDisplayText("No Dialtone. Attempt " + std::to_string(attempts - left) +
                             "\r\nwaiting for 15 seconds");
    m_window.openlines();
    state.ringholdoff = kRetrySeconds;
    return Outcome::Ended;
}

CallBackRecorder::Outcome CallBackRecorder::failed(int N) {
    MainWindowState& state = m_window.state();
    m_form.setTxtDisplayText("Sorry, an unknown error\r\nhas occured. Please try again!");
    ui::MsgBox(kNoDialToneMessage, ui::vbInformation, "Error!");
    state.statuscountdown = 10;
    appendCallLog("Failed Caller I D record, on line " + std::to_string(N) + ", , " +
                  recordingStamp());
    countNewCall(state);
    m_window.flash().setInterval(kFlashMs);
    m_window.openlines();
    state.callbackpending = false;
    return Outcome::Ended;
}

bool CallBackRecorder::recordDeviceGoesActive() {
    const HostedControl& lkRecord1 = m_window.lkRecord1();
    log("Initialising the record device");
    lkRecord1.putBool(record::DeviceActive, true);
    if (lkRecord1.getBool(record::DeviceActive).value_or(false))
        return true;
    log("Record Initialise failed, trying again in 1 second");
    mod_clock::Pause(1);
    lkRecord1.putBool(record::DeviceActive, true);
    return lkRecord1.getBool(record::DeviceActive).value_or(false);
}

void CallBackRecorder::recordFor(int N, const std::string& reclength) {
    MainWindowState& state = m_window.state();
    core::DoEvents();
    state.statuscountdown = 20;
    log("Recording the line for " + reclength + " seconds");
    // A length that is no whole number of seconds leaves the countdown where the wait for the
    // answer left it.
    if (const std::optional<int> length = seconds(reclength))
        state.countdown = *length;
    int shown = -1;
    core::pumpUntil(
        [&] {
            if (state.countdown != shown) {
                shown = state.countdown;
                m_form.setTxtDisplayText("Recording caller ID information\r\nOn line " +
                                         std::to_string(N) +
                                         "\r\nSeconds remaining = " + std::to_string(shown));
            }
            return state.countdown == 0;
        },
        static_cast<DWORD>(state.countdown > 0 ? state.countdown : 0) * 1000 + kWaitMarginMs);
}

void CallBackRecorder::closeRecordDevice() {
    MainWindowState& state = m_window.state();
    const HostedControl& lkRecord1 = m_window.lkRecord1();
    log("Closing the record device");
    state.countdown = kCloseSeconds;
    const auto active = [&] { return lkRecord1.getBool(record::DeviceActive).value_or(false); };
    pumpWhile([&] { return active() && state.countdown != 0; },
              [&] { lkRecord1.putBool(record::DeviceActive, false); },
              kCloseSeconds * 1000 + kWaitMarginMs);
    log(active() ? "The record device WILL NOT CLOSE!" : "The record device is now closed");
    core::DoEvents();
}

void CallBackRecorder::lkRecord1_OnDone() {
    log("The record device has finished recording");
}

void CallBackRecorder::lkRecord1_OnError() {
    const HostedControl& lkRecord1 = m_window.lkRecord1();
    log("Error using Record 1 device = " + lkRecord1.getText(record::ErrorText).value_or("") +
        ", number = " + std::to_string(lkRecord1.getLong(record::ErrorNumber).value_or(0)));
    m_form.beep();
}

}  // namespace vevuzer
