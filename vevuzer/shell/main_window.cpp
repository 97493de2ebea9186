#include "vevuzer/shell/main_window.h"

#include <cmath>
#include <string_view>

#include "platform/core/folders.h"
#include "platform/mail/see.h"
#include "platform/serial/serial.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/mail/sendmail.h"
#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/monitoring/dial_out.h"
#include "vevuzer/monitoring/post_call.h"
#include "vevuzer/monitoring/serial_monitor.h"
#include "vevuzer/monitoring/update_check.h"
#include "vevuzer/settings/first_run.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/frmSysTray.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/stored_properties.h"

namespace vevuzer {
namespace {

namespace line = controls::line;
namespace record = controls::record;

constexpr DWORD kTimerInterval = 1000;  // ms
constexpr DWORD kWindowTimerInterval = 30000;
constexpr int kStatusCountdown = 5;    // seconds the welcome text stays
constexpr int kCollapseCountdown = 5;  // seconds before the window collapses
constexpr int kWindowHeight = 1530;    // twips
constexpr LONG kMailChannels = 1;
constexpr LONG kMailChannel = 0;
// Caller numbers as UK numbers are written: no punctuation forced into them.
constexpr std::string_view kUkNumberMask = ";0;*";
constexpr std::string_view kDownloadRefusal =
    "Sorry, you can`t quit until the update has finished downloading.";

const settings::Reading& lineReading(int line) {
    static const settings::Reading* const readings[kLineCount] = {
        &settings::lines::line, &settings::lines::line2, &settings::lines::line3,
        &settings::lines::line4};
    return *readings[line - 1];
}

std::string linePrefix(int line) {
    return "Line " + std::to_string(line) + ", ";
}

bool compatibilityMode() {
    return settings::isOn(settings::shell::comp);
}

}  // namespace

std::string versionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

MainWindow::MainWindow(MainWindowForm& form) : m_form(form) {
    m_state.lastkeepalive = core::now();
    m_speech = std::make_unique<SpeechControl>();
    createControls();
    m_otherParts.sendmail = [this](std::string_view number, std::string_view name) {
        sendmail(*this, number, name);
    };
    m_otherParts.checkemail = [this] { checkemail(*this); };
    // The two one-second timers stay still until the load sets their interval; the window timer
    // runs from the start.
    m_timer1.setOnTimer([this] {
        if (m_otherParts.Timer1_Timer) {
            m_otherParts.Timer1_Timer();
        }
    });
    m_timer2.setOnTimer([this] { Timer2_Timer(); });
    m_timer3.setOnTimer([this] { Timer3_Timer(); });
    m_timer3.setInterval(kWindowTimerInterval);
    m_timerring.setOnTimer([this] { timerring_Timer(); });
    m_flash.setOnTimer([this] { flash_Timer(); });
    m_callMonitor = std::make_unique<CallMonitor>(*this, m_form);
    m_updateCheck = std::make_unique<UpdateCheck>(*this);
    m_postCall = std::make_unique<PostCallTimer>(*this, m_form);
    m_otherParts.Timer1_Timer = [this] { m_postCall->Timer1_Timer(); };
    m_otherParts.saytime = [] { mod_clock::saytime(); };
    m_serialMonitor = std::make_unique<SerialMonitor>(*this, m_form);
    m_dialOut = std::make_unique<DialOut>(*this, m_form);
    m_commscan.setOnTimer([this] { m_serialMonitor->commscan_Timer(); });
}

MainWindow::~MainWindow() {
    stopTimers();
    releaseControls();
    if (m_mailAttached) {
        seeRelease();
    }
}

void MainWindow::createControls() {
    // The four lines were designed alike: one set of stored properties loads them all.
    const com::Ptr<com::PropertyBag> storedLine = storedLineProperties();
    for (int n = 1; n <= kLineCount; ++n) {
        m_lineCreation = m_lines[n - 1].create(
            controls::CLSID_lkLine, storedLine.get(), controls::DIID_IlkLineEvents,
            [this, n](DISPID dispid, const com::EventArgs& args) { onLineEvent(n, dispid, args); });
    }
    const com::Ptr<com::PropertyBag> stored = storedRecordProperties();
    m_record.create(
        controls::CLSID_lkRecord, stored.get(), controls::DIID_IlkRecordEvents,
        [this](DISPID dispid, const com::EventArgs& args) { onRecordEvent(dispid, args); });
    // The serial port control is part of the program, not of a registered library.
    m_comm.adopt(serial::createMSCommObject(), serial::DIID_DMSCommEvents,
                 [this](DISPID dispid, const com::EventArgs&) {
                     if (!m_ended && dispid == controls::comm::OnComm) {
                         const core::AppendScope oneEvent;
                         m_serialMonitor->comm_OnComm();
                     }
                 });
}

void MainWindow::releaseControls() {
    for (HostedControl& control : m_lines) {
        control.release();
    }
    m_record.release();
    m_comm.release();
}

inet::Inet& MainWindow::Inet() {
    return m_updateCheck->Inet();
}

void MainWindow::setLineEventHandler(controls::LineEvent event, LineEventHandler handler) {
    m_lineHandlers[static_cast<DISPID>(event)] = std::move(handler);
}

void MainWindow::setRecordEventHandler(controls::RecordEvent event, RecordEventHandler handler) {
    m_recordHandlers[static_cast<DISPID>(event)] = std::move(handler);
}

// The log lines of one event go through one descriptor of each file.
void MainWindow::onLineEvent(int line, DISPID dispid, const com::EventArgs& args) {
    const auto found = m_lineHandlers.find(dispid);
    if (!m_ended && found != m_lineHandlers.end() && found->second) {
        const core::AppendScope oneEvent;
        found->second(line, args);
    }
}

void MainWindow::onRecordEvent(DISPID dispid, const com::EventArgs& args) {
    const auto found = m_recordHandlers.find(dispid);
    if (!m_ended && found != m_recordHandlers.end() && found->second) {
        const core::AppendScope oneEvent;
        found->second(args);
    }
}

// ---- Load ----

void MainWindow::Form_Load() {
    // A second copy would watch the same lines and write the same log: it closes itself before it
    // touches either.
    if (!m_instance.claim()) {
        unloadWindow();
        return;
    }
    m_state.lastkeepalive = core::now();
    m_state.lastmailcheck = core::tickCount64();
    startFreshLog();
    log("Belltale, " + versionText() + ". started at " + timeText() + " on " + dateText());
    log("Checking for missing files");
    if (!compatibilityMode()) {
        openlines();
    }
    log("Setting up tray icon");
    setUpTrayIcon();
    if (!compatibilityMode() && settings::read(settings::shell::format) == settings::kUk) {
        log("Setting number format to NON USA or Canada format on all lines");
        setNumberMaskOnAllLines();
    }
    m_state.portinit = false;
    restoreWindowPosition();
    m_state.newcalls = 0;
    m_state.statuscountdown = kStatusCountdown;

    log("Attatching the email engine now");
    m_state.mailengine = seeAttach(kMailChannels);
    m_mailAttached = m_state.mailengine >= 0;
    log("Code = " + std::to_string(m_state.mailengine));

    log("Setting timers");
    m_timer1.setInterval(kTimerInterval);
    m_timer2.setInterval(kTimerInterval);

    log("Loading display skin");
    m_form.loadSkinPicture(settings::read(settings::shell::skin));
    m_form.placeSkinPicture();
    m_state.attemptsleft = settings::read(settings::shell::attempts);
    m_state.collapsecountdown = kCollapseCountdown;

    if (settings::read(settings::shell::line) == settings::kNeverSaved ||
        settings::read(settings::shell::line2) == settings::kNeverSaved) {
        log("First run detected, starting the settings window");
        settings::write(settings::key::firstrun, settings::kTrue);
        // The settings window's loading welcomes the user.
        m_form.frmSettingsShow();
        // The welcome box lets the user quit while it is up.
        if (m_ended) {
            return;
        }
    }
    m_form.setFormHeight(kWindowHeight);
    if (compatibilityMode()) {
        for (const HostedControl& control : m_lines) {
            control.putBool(line::DeviceActive, false);
        }
        initport();
    }
}

void MainWindow::setNumberMaskOnAllLines() {
    for (const HostedControl& control : m_lines) {
        control.putText(line::CallCallerIDMaskNumber, kUkNumberMask);
    }
}

void MainWindow::restoreWindowPosition() {
    // A coordinate that is not a number leaves that coordinate where it is.
    const std::optional<double> left = settings::number(settings::shell::x);
    if (left) {
        m_form.setFormLeft(static_cast<int>(std::lround(*left)));
    }
    const std::optional<double> top = settings::number(settings::shell::y);
    if (top) {
        m_form.setFormTop(static_cast<int>(std::lround(*top)));
    }
}

// ---- The telephone lines ----

void MainWindow::openlines() {
    if (settings::isOn(settings::lines::comp)) {
        return;
    }
    // Without the controls no line can open: one line says why, not one per modem.
    if (!controlLibraryRegistered()) {
        log("The control library is not registered: run regsvr with the path of liblkLK36.so, "
            "then start Belltale again");
        return;
    }
    switchAllLinesOff();
    for (int n = 1; n <= kLineCount; ++n) {
        if (settings::read(lineReading(n)) != settings::kNoModem) {
            openAssignedLine(n);
        }
    }
}

void MainWindow::switchAllLinesOff() {
    for (const HostedControl& control : m_lines) {
        if (control.getBool(line::DeviceActive).value_or(false)) {
            control.putBool(line::DeviceActive, false);
        }
    }
}

void MainWindow::openAssignedLine(int n) {
    const HostedControl& control = lkLine(n);
    const std::string assigned = settings::read(lineReading(n));
    control.putText(line::DeviceName, assigned);
    // A name the control does not list leaves it on the device it had, which may be another
    // line's modem: that line is left closed rather than opened on the wrong device.
    const std::optional<std::string> selected = control.getText(line::DeviceName);
    if (!selected || *selected != assigned) {
        log(linePrefix(n) + assigned + " not found, line not opened");
        return;
    }
    control.putBool(line::DeviceActive, true);
    log(linePrefix(n) + control.getText(line::DeviceName).value_or("") + " initialised");
}

void MainWindow::closelines() {
    if (settings::isOn(settings::lines::comp)) {
        return;
    }
    for (int n = 1; n <= kLineCount; ++n) {
        const std::string assigned = settings::read(lineReading(n));
        if (assigned == settings::kNoModem) {
            continue;
        }
        const HostedControl& control = lkLine(n);
        control.putText(line::DeviceName, assigned);
        control.putBool(line::DeviceActive, false);
        log(linePrefix(n) + control.getText(line::DeviceName).value_or("") + " closed");
    }
}

void MainWindow::initport() {
    m_serialMonitor->initport();
}

void MainWindow::findconnected(std::string_view number, std::string_view linea) {
    m_dialOut->findconnected(number, linea);
}

bool MainWindow::finddial(std::string_view linea) {
    return m_dialOut->finddial(linea);
}

// ---- Shut-down ----

void MainWindow::Form_QueryUnload(int& Cancel, int /*UnloadMode*/) {
    if (m_state.downloading) {
        Cancel = 1;
        ui::MsgBox(kDownloadRefusal, ui::vbCritical | ui::vbOKOnly);
    }
}

bool MainWindow::unloadWindow(int unloadMode) {
    if (m_ended) {
        return true;
    }
    int cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel != 0) {
        return false;
    }
    Form_Unload();
    return true;
}

void MainWindow::Form_Unload() {
    // Stopping the record control may wait with messages pumping; nothing the timers start may run
    // while the program is going away.
    stopTimers();
    if (m_comm.getBool(controls::comm::PortOpen).value_or(false)) {
        m_comm.putBool(controls::comm::PortOpen, false);
    }
    Inet().Cancel();
    log("Closing Belltale at " + timeText() + " on " + dateText());
    for (int n = 1; n <= kLineCount; ++n) {
        closeLineLogged(n);
    }
    stopRecordingLogged();
    if (m_frmSysTray) {
        m_frmSysTray->Unload();
    }

    log("Unloading email engine");
    m_state.mailengine = seeClose(kMailChannel);
    m_state.mailengine = seeRelease();
    m_mailAttached = false;
    log("Code = " + std::to_string(m_state.mailengine));
    log("Closing system tray down");
    // Let go once the current event has returned: the exit may have come from the icon's menu.
    core::post([released = std::move(m_frmSysTray)] {});
    log("Saving window position");
    saveWindowPosition();
    log("Good bye");

    releaseControls();
    m_speech.reset();
    m_instance.giveUp();
    m_ended = true;
    m_form.endProgram();
}

void MainWindow::closeLineLogged(int n) {
    const HostedControl& control = lkLine(n);
    control.putBool(line::DeviceActive, false);
    const std::optional<bool> active = control.getBool(line::DeviceActive);
    if (!active) {
        return;
    }
    const std::string prefix = "Line " + std::to_string(n);
    log(*active ? prefix + " is NOT CLOSED!" : prefix + " is closed");
}

void MainWindow::stopRecordingLogged() {
    if (m_record.getBool(record::DeviceActive).value_or(false)) {
        m_record.putBool(record::DeviceActive, false);
    }
    const std::optional<bool> active = m_record.getBool(record::DeviceActive);
    if (!active) {
        return;
    }
    log(*active ? "Record device is STILL ACTIVE" : "Record device is not active");
}

void MainWindow::saveWindowPosition() {
    settings::write(settings::key::x, std::to_string(m_form.formLeft()));
    settings::write(settings::key::y, std::to_string(m_form.formTop()));
}

void MainWindow::stopTimers() {
    m_timer1.setInterval(0);
    m_timer2.setInterval(0);
    m_timer3.setInterval(0);
    m_commscan.setInterval(0);
    m_timerring.setInterval(0);
    m_flash.setInterval(0);
}

}  // namespace vevuzer
