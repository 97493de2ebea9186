// The Compatibility page's port list: choosing a port sets up the serial caller-ID unit, or finds a
// modem on the port and the caller-ID enable command it accepts, then restarts the program, which
// opens the port with what was stored.
#include <QComboBox>
#include <QPlainTextEdit>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"

namespace {

namespace comm = vevuzer::controls::comm;
namespace line = vevuzer::controls::line;
namespace key = settings::key;

// The caller-ID enable commands modems are known to take, in the order they are tried.
constexpr std::string_view kCallerIdCommands[] = {
    "AT#CID=1", "AT#CLS=8#CID=1", "AT+VCID=1", "AT#CC1", "AT&F&C1&D3&Q5S48=7#CC1",
    "AT*ID1",   "AT%CCID=1",      "AT%CCID=3", "EcTxH@", "ATS40=4",
};

bool acknowledges(std::string_view reply) {
    return core::toLowerAscii(reply).find("ok") != std::string::npos;
}

std::optional<int> portNumber(const std::string& port) {
    char* end = nullptr;
    const long value = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || value < 1 || value > 255)
        return std::nullopt;
    return static_cast<int>(value);
}

// The copy of the activity log a user can send along with a modem problem: in the home folder,
// where the system drive's root would have it.
void copyActivityLog() {
    const char* home = std::getenv("HOME");
    const std::filesystem::path target =
        (home ? std::filesystem::path(home) : core::programFolder()) / "BelltaleLogFile.txt";
    if (const std::optional<std::string> log = core::readFile(vevuzer::logFilePath()))
        core::rewriteFile(target, *log);
}

constexpr std::string_view kPortMissing =
    "Error, the comm port doesn`t seem to exist or isn`t available for use.";

}  // namespace

void frm_settings::com_port_Click() {
    if (loading)
        return;
    const std::string port = m_com_port->currentText().toStdString();
    if (m_com_kind->currentText().toStdString() == settings::kCallerIdPlug) {
        vevuzer::log("User has selected to use a Rochelle Caller ID plug on port " + port);
        settings::write(key::commport, port);
        settings::write(key::init, "");
        settings::write(key::comp, settings::kTrue);
        ui::MsgBox("Your Rochelle Caller ID plug has been set to use comm port " + port +
                       ". Press OK to re start Belltale and start monitoring your Caller ID plug",
                   ui::vbInformation, "Ready to restart");
        restartProgram();
        return;
    }

    vevuzer::log("User is detecting a new modem on port " + port);
    if (m_main.comm().getBool(comm::PortOpen).value_or(false)) {
        vevuzer::log("Closing the comm port before new scan routine is used");
        m_main.comm().putBool(comm::PortOpen, false);
        mod_clock::Pause(1);
    }
    if (m_comm.getBool(comm::PortOpen).value_or(false)) {
        m_comm.putBool(comm::PortOpen, false);
        mod_clock::Pause(1);
    }
    vevuzer::log("Making sure all lk lines are closed down");
    for (int N = 1; N <= 4; ++N)
        m_main.lkLine(N).putBool(line::DeviceActive, false);

    const std::optional<int> number = portNumber(port);
    if (!number || !openTestPort(*number)) {
        ui::MsgBox(kPortMissing, ui::vbCritical, "Error!");
        if (m_comm.getBool(comm::PortOpen).value_or(false))
            m_comm.putBool(comm::PortOpen, false);
        return;
    }
    if (!m_comm.getBool(comm::PortOpen).value_or(false)) {
        ui::MsgBox("Sorry, port " + std::to_string(*number) +
                       " failed to open. If your modem is already in use then please close down "
                       "the program that is controlling it, otherwise try a different comm port",
                   ui::vbInformation, "Error!");
        settings::write(key::commport, "");
        m_comm.putBool(comm::PortOpen, false);
        return;
    }
    m_comm.putLong(comm::InBufferCount, 0);

    vevuzer::log("Sending AT&F to modem and waiting for a response");
    appendDebug("Sending AT&F to the modem");
    m_comm.putText(comm::Output, "AT&F\r");
    mod_clock::Pause(1);
    const std::string reply = m_comm.getText(comm::Input).value_or("");
    appendDebug("Modem replies with: " + reply);
    core::DoEvents();
    // Characters, not the bytes of their text: a lone noise byte is no reply.
    if (core::toUtf16(reply).size() < 2) {
        vevuzer::log("Modem didn`t respond with anything at all");
        settings::write(key::commport, "");
        m_comm.putBool(comm::PortOpen, false);
        ui::MsgBox("Sorry, your modem isn`t reponding on port " + std::to_string(*number) +
                       ". If the modem is in use, please close down the program that is "
                       "controlling it and try again. If you are sure your modem is okay and "
                       "ready, then try RE BOOTING Windows to refresh everything.",
                   ui::vbInformation, "Error!");
        return;
    }
    if (!acknowledges(reply)) {
        ui::MsgBox("The device on comm " + port +
                       " isn`t responding properly. If the modem is in use, please close down the "
                       "program that is controlling it and try again. If you are sure your modem "
                       "is okay and ready, then try RE BOOTING Windows to refresh "
                       "everything.\r\n\r\nI will try to talk to the modem again now.",
                   ui::vbInformation, "Error!");
        vevuzer::log("Modem responded but didn`t give OK");
    } else {
        vevuzer::log("Modem responded with OK");
    }
    settings::write(key::commport, port);
    findCallerIdCommand();
    restartProgram();
}

// Opens the settings window's own port and wakes the modem. False when a call on the port failed
// (a port that does not exist); a port that simply stayed closed answers true.
bool frm_settings::openTestPort(int port) {
    if (FAILED(m_comm.putLong(comm::CommPort, port)) ||
        FAILED(m_comm.putText(comm::Settings, "9600,N,8,1")))
        return false;
    vevuzer::log("Opening new comm port now");
    m_txt_debug->setPlainText("Opening comm port");
    if (FAILED(m_comm.putBool(comm::PortOpen, true)))
        return false;
    if (!m_comm.getBool(comm::PortOpen).value_or(false)) {
        vevuzer::log("The comm port didn`t open");
        appendDebug("Comm port didn`t open!");
        return true;
    }
    vevuzer::log("The comm port has opened");
    appendDebug("Comm port is now open");
    if (FAILED(m_comm.putText(comm::Output, "ATZ\r")))
        return false;
    mod_clock::Pause(1);
    m_comm.getText(comm::Input);
    core::DoEvents();
    return true;
}

void frm_settings::findCallerIdCommand() {
    vevuzer::log("Sending Caller ID enable command to modem, find out which one it needs");
    appendDebug("Sending Caller ID enable command to modem");
    core::DoEvents();
    bool acknowledged = false;
    for (const std::string_view command : kCallerIdCommands) {
        m_comm.putText(comm::Output, std::string(command) + "\r");
        settings::write(key::init, command);
        mod_clock::Pause(1);
        const std::string reply = m_comm.getText(comm::Input).value_or("");
        appendDebug("Modem replied with " + reply);
        if (acknowledges(reply)) {
            acknowledged = true;
            break;
        }
    }
    if (!acknowledged) {
        vevuzer::log("The modem didn`t acknowledge any of the caller ID commands");
        appendDebug("Modem didn`t respond to the command");
        ui::MsgBox(
            "Bad news, your modem didn`t respond to any of our commands to enable Caller "
            "ID. You can proceed but you probably won`t get any Caller ID info from your "
            "modem.",
            ui::vbInformation, "Bad news.");
        settings::write(key::init, "");
    } else {
        vevuzer::log("The modem acknowledged the Caller ID command and was successfull");
        appendDebug("Modem acknowledged the command and was successfull.");
        ui::MsgBox(
            "Your modem has been set up for use with Belltale. If you change your modem or "
            "comm port then you must run this set up routine again.\r\n\r\nBelltale will "
            "now RE BOOT. Press OK when you are ready!",
            ui::vbInformation, "Congratulations!");
    }
    core::DoEvents();
    vevuzer::log("Closing comm port");
    appendDebug("Closing comm port");
    m_comm.putBool(comm::PortOpen, false);
    settings::write(key::comp, settings::kTrue);
    vevuzer::log("Telling user software will re boot");
    copyActivityLog();
}
