// The call notification mail and the mailbox check.
#include "vevuzer/mail/sendmail.h"

#include <array>

#include "platform/core/messages.h"
#include "platform/mail/see.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/mail/mail_sending.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

namespace comm = controls::comm;
constexpr char kNul[] = "";

// Trailing blanks and CRs go, as the fixed-size text field kept them.
std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\0'))
        text.pop_back();
    return text;
}

std::string notificationBody(std::string_view number, std::string_view name) {
    const core::OleDate now = core::now();
    return "You have had an incoming call from " + std::string(name) + " " + std::string(number) +
           "\r\nThis is an automated message from Belltale (" + std::string(mailing::kWebAddress) +
           ")\r\nThe call came in at " + timeText(now) + " on " + dateText(now) +
           ".\r\n\r\nThis is the end of the message.";
}

// A serial modem is freed for a dial-up connection before a send.
bool releaseSerialPort(MainWindow& window) {
    const HostedControl& port = window.comm();
    if (!port.getBool(comm::PortOpen).value_or(false) ||
        settings::read(settings::mail::kind) == settings::kCallerIdPlug)
        return false;
    port.putText(comm::Output, "ATDT\r");
    mod_clock::Pause(1);
    port.putText(comm::Output, "ATH\r");
    mod_clock::Pause(1);
    port.putBool(comm::PortOpen, false);
    mod_clock::Pause(1);
    return true;
}

void hangUpWhenDialled(bool dialled) {
    if (settings::isOn(settings::mail::disconnect) && dialled) {
        log("The connection is now being closed as it was instegated by Belltale");
        mod_clock::HangUpAllDialUp();
    }
}

void notificationFailed(MainWindow& window, mailing::Exclusive& exclusive, std::int32_t code,
                        bool dialled, bool portClosed) {
    const std::string message = mailing::errorMessage(code);
    seeClose(0);
    exclusive.release();
    hangUpWhenDialled(dialled);
    if (message.size() < 2) {
        ui::MsgBox("sorry, there was an error whilst sending this email!");
        log("There was an unknown error during this send routine");
    } else {
        ui::MsgBox("There was an error whilst sending, here it is: " + message + ".");
        log("There was an error, code = " + message);
    }
    mod_clock::Pause(1);
    if (portClosed)
        window.initport();
}

}  // namespace

void sendmail(MainWindow& window, std::string_view number, std::string_view name) {
    log("Send mail routine has been called");
    MainWindowForm& form = window.form();
    if (!settings::isOn(settings::mail::email)) {
        log("Sending email is not allowed, exiting!");
        form.setTxtDisplayText(
            "You have disabled email sending\r\nSo this send has been cancelled");
        return;
    }
    mailing::Exclusive exclusive;
    if (!exclusive.acquired()) {
        mailing::logRefusal("this one is not sent");
        return;
    }
    const bool online = mod_clock::IsInternetConnected();
    if (!online && !settings::isOn(settings::mail::connect)) {
        log("Connection is not allowed by users settings, exiting");
        form.setTxtDisplayText(
            "You are not connected to the Internet\r\nand I am not allowed to dial for you\r\nso I "
            "am quitting");
        return;
    }
    const bool dialled = !online;
    if (dialled)
        log("Connection is being called by Belltale and has been flagged");
    const bool portClosed = releaseSerialPort(window);

    std::int32_t result = seeIntegerParam(0, 8, 1);
    if (result < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    // A question the user cancels ends the send, which then changes nothing more.
    if (!mailing::askForServer()) {
        log("The user cancelled the mail server question, the email is not sent");
        if (portClosed)
            window.initport();
        return;
    }
    while (settings::read(settings::mail::emailto).size() < 4) {
        const auto answer = ui::InputBox("Who do you want the email to go to?", "Send mail error");
        if (!answer) {
            log("The user cancelled the recipient question, the email is not sent");
            if (portClosed)
                window.initport();
            return;
        }
        settings::write(settings::key::emailto, *answer);
    }
    core::DoEvents();
    say("Please wait", kSayNormal);
    log("Connecting to the server");
    const std::string smtp = settings::read(settings::mail::smtp);
    result = seeSmtpConnect(0, smtp.c_str(), std::string(mailing::kNoReplySender).c_str(), kNul);
    if (result < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    std::array<char, 41> field{};
    result = seeDebug(0, 25, field.data(), 40);
    log("connected, server IP address is " + std::string(field.data()));
    if (result < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    if ((result = seeIntegerParam(0, 9, 0)) < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    const std::string header = mailing::headerText("High", mailing::kWebHost);
    if ((result = seeStringParam(0, 51, header.c_str())) < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    log("Sending the email");
    const std::string to = "<" + settings::read(settings::mail::emailto) + ">";
    const std::string body = notificationBody(number, name);
    result = seeSendEmail(0, to.c_str(), kNul, kNul, "You have had an incoming call", body.c_str(),
                          kNul);
    if (result < 0 || (result = mailing::driveSend()) < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    log("The email has been sent");
    if ((result = seeIntegerParam(0, 9, 1)) < 0 || (result = seeClose(0)) < 0)
        return notificationFailed(window, exclusive, result, dialled, portClosed);
    say("Your email has been sent", kSayNormal);
    form.setTxtDisplayText("\r\nYour email has been sent");
    if (settings::isOn(settings::mail::disconnect) && dialled) {
        hangUpWhenDialled(dialled);
        mod_clock::Pause(1);
    }
    if (portClosed)
        window.initport();
}

void checkemail(MainWindow& window) {
    if (!settings::isOn(settings::mail::checkemail))
        return;
    const std::string user = settings::read(settings::mail::pop3username);
    const std::string password = settings::read(settings::mail::pop3password);
    const std::string server = settings::read(settings::mail::pop3server);
    struct Missing {
        const std::string& value;
        const char* what;
    };
    for (const Missing& setting :
         {Missing{user, "user name"}, Missing{password, "password"}, Missing{server, "server"}}) {
        if (setting.value.size() < 2) {
            say(std::string("Your pop3 ") + setting.what + " is not set", kSayNormal);
            ui::MsgBox(
                std::string("You have email checking turned on in settings, but your POP3 ") +
                    setting.what + " is not set, please go in to settings and set it now",
                ui::vbInformation, "Error!");
            return;
        }
    }
    const mailing::Exclusive exclusive;
    if (!exclusive.acquired()) {
        mailing::logRefusal("the mailbox is not checked now");
        return;
    }
    MainWindowForm& form = window.form();
    MainWindowState& state = window.state();
    form.setTxtDisplayText("Please Wait!\r\nI am checking your\r\nemail account for you");
    state.statuscountdown = 10;
    bool portClosed = false;
    if (window.comm().getBool(comm::PortOpen).value_or(false)) {
        portClosed = true;
        window.comm().putBool(comm::PortOpen, false);
    }
    const auto failed = [&](std::int32_t code) {
        core::DoEvents();
        const std::string message = trimmedRight(mailing::errorMessage(code));
        seeClose(0);
        form.setTxtDisplayText(message.size() < 2
                                   ? "Sorry, there was an error\r\nwhilst collecting your email"
                                   : "The following error has occured\r\n" + message);
        mod_clock::Pause(1);
        if (portClosed)
            window.initport();
    };
    std::int32_t result = seePop3Connect(0, server.c_str(), user.c_str(), password.c_str());
    core::DoEvents();
    if (result < 0)
        return failed(result);
    for (const std::int32_t param : {2, 6, 3}) {
        if ((result = seeIntegerParam(0, param, 120000)) < 0)
            return failed(result);
    }
    std::array<char, 41> field{};
    result = seeDebug(0, 25, field.data(), 40);
    std::string connected(field.data());
    std::erase(connected, '\r');
    form.setTxtDisplayText("Please Wait!\r\nI am connected to\r\n" + connected);
    state.statuscountdown = 10;
    if (result < 0)
        return failed(result);
    const std::int32_t count = seeGetEmailCount(0);
    if ((result = seeClose(0)) < 0)
        return failed(result);
    // A negative count is a failure code like any other.
    if (count < 0)
        return failed(count);
    if (count == 0) {
        form.setTxtDisplayText("You have\r\nno emails waiting\r\non " + server);
        state.statuscountdown = 5;
    } else if (count == 1) {
        say("You have 1 email waiting", kSayNormal);
        form.setTxtDisplayText("You have\r\n1 email waiting\r\non " + server);
        state.statuscountdown = 10;
    } else {
        say("You have " + std::to_string(count) + " emails waiting", kSayNormal);
        form.setTxtDisplayText("You have\r\n" + std::to_string(count) + " emails waiting\r\non " +
                               server);
        state.statuscountdown = 10;
    }
    if (portClosed)
        window.initport();
}

}  // namespace vevuzer
