// The Problems page's report to the maker, with the activity log attached, and the Quick Send Fax
// page's fax through an e-mail-to-fax gateway. Both lock the window while the mail is sent.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <array>

#include "platform/core/messages.h"
#include "platform/mail/see.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/mail/mail_sending.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace {

constexpr char kNul[] = "";
constexpr char kAddressBreakers[] = ",;<>@";

// The engine has one channel: a report or fax asked for while another mail runs is not sent,
// and the user is told so rather than left waiting for a mail that never goes.
void refuseWhileMailRuns(std::string_view what) {
    vevuzer::mailing::logRefusal(what);
    ui::MsgBox(
        "Sorry, another email is being sent or collected at the moment. Please try again when it "
        "has finished.",
        ui::vbInformation, "Please wait");
}

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

void hangUpWhenDialled(bool dialled) {
    if (settings::isOn(settings::mail::disconnect) && dialled) {
        vevuzer::log("The connection is now being closed as it was instegated by Belltale");
        mod_clock::HangUpAllDialUp();
    }
}

// Connects to the stored mail server as `sender`, logs the server's address and sets the mail's
// header naming `page`; 0, or the engine's failure code.
std::int32_t connectForSending(const std::string& sender, std::string_view page) {
    vevuzer::log("Connecting to the server");
    const std::string from = "<" + sender + ">";
    const std::string smtp = settings::read(settings::mail::smtp);
    std::int32_t result = seeSmtpConnect(0, smtp.c_str(), from.c_str(), kNul);
    if (result < 0)
        return result;
    std::array<char, 41> field{};
    result = seeDebug(0, 25, field.data(), 40);
    vevuzer::log("connected, server IP address is " + trimmedRight(field.data()));
    if (result < 0 || (result = seeIntegerParam(0, 9, 0)) < 0)
        return result;
    const std::string header = vevuzer::mailing::headerText("Normal", page);
    return seeStringParam(0, 51, header.c_str());
}

}  // namespace

void frm_settings::lockForSending(QWidget* button, QLabel* wait, bool locked) {
    wait->setVisible(locked);
    for (const char* name : {"com_apply", "com_cancel", "com_ok"})
        findChild<QPushButton*>(name)->setEnabled(!locked);
    button->setEnabled(!locked);
    m_SSTab1->setEnabled(!locked);
}

void frm_settings::mailFailed(std::int32_t code, bool dialled,
                              const std::function<void()>& unlock) {
    const std::string message = vevuzer::mailing::errorMessage(code);
    seeClose(0);
    unlock();
    hangUpWhenDialled(dialled);
    if (message.size() < 2) {
        ui::MsgBox("sorry, there was an error whilst sending this email!", ui::vbCritical);
        vevuzer::log("There was an unknown error during this send routine");
    } else {
        ui::MsgBox("There was an error whilst sending, here it is: " + message + ".",
                   ui::vbCritical);
        vevuzer::log("There was an error, code = " + message);
    }
}

void frm_settings::com_sendproblem_Click() {
    const std::string problem = m_txt_problem->toPlainText().toStdString();
    if (problem == settings::read(settings::mail::lastprob)) {
        vevuzer::say("sorry, you have already sent this", vevuzer::kSayNormal);
        ui::MsgBox(
            "Sorry, you have already sent this problem to Fenwright Software. Please dont "
            "keep on sending it as the auther will get angry!",
            ui::vbInformation, "Already sent");
        return;
    }
    vevuzer::mailing::Exclusive exclusive;
    if (!exclusive.acquired())
        return refuseWhileMailRuns("the problem report is not sent");
    vevuzer::log("User is sending a problem email to Fenwright Software");
    QWidget* button = findChild<QPushButton*>("com_sendproblem");
    m_txt_problem->hide();
    lockForSending(button, m_lab_wait, true);
    // Every way out unlocks the page once the exchange is over, and lets the channel go then.
    const auto unlock = [this, button, &exclusive] {
        exclusive.release();
        m_SSTab1->setEnabled(true);
        setTab(Problems);
        lockForSending(button, m_lab_wait, false);
        m_txt_problem->show();
    };
    const bool dialled = !vevuzer::mailing::IsDialUpConnected();
    if (dialled)
        vevuzer::log("Connection is being called by Belltale and has been flagged");

    std::int32_t result = seeIntegerParam(0, 8, 1);
    if (result < 0)
        return mailFailed(result, dialled, unlock);
    if (!vevuzer::mailing::askForServer()) {
        vevuzer::log("The user cancelled the mail server question, the report is not sent");
        return unlock();
    }
    core::DoEvents();
    vevuzer::say("Please wait, I am sending your email", vevuzer::kSayNormal);
    const std::string sender = m_txt_emailaddress->text().toStdString();
    if ((result = connectForSending(sender, vevuzer::mailing::kWebHost)) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::log("Sending the email");
    const std::string body = "A user has had the following problem\r\n\r\n" + problem;
    const std::string log = vevuzer::logFilePath().string();
    result = seeSendEmail(0, std::string(vevuzer::mailing::kProblemMailbox).c_str(), kNul, kNul,
                          "Problem with Belltale!", body.c_str(), log.c_str());
    if (result < 0 || (result = vevuzer::mailing::driveSend()) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::log("The email has been sent");
    if ((result = seeIntegerParam(0, 9, 1)) < 0 || (result = seeClose(0)) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::say("Your email has been sent, you should get a reply shortly!", vevuzer::kSayNormal);
    settings::write(settings::key::lastprob, problem);
    exclusive.release();
    ui::MsgBox("Your message has been sent. You should get a response back soon", ui::vbInformation,
               "Sent");
    hangUpWhenDialled(dialled);
    unlock();
    m_main.form().beep();
}

void frm_settings::Command21_Click() {
    if (m_recipient->text().size() < 2) {
        ui::MsgBox("Sorry, you haven`t entered the recipients name. Please try again!",
                   ui::vbInformation, "Try again");
        return;
    }
    QString name = m_recipient->text();
    name.replace(' ', '_');
    m_recipient->setText(name);
    const std::string recipient = name.toStdString();
    const std::string number = m_faxnumber->text().toStdString();
    if (number.size() < 2) {
        ui::MsgBox("Sorry, you haven`t entered the recipients fax number. Please try again!",
                   ui::vbInformation, "Try again");
        return;
    }
    if (number.compare(0, 2, "00") == 0) {
        ui::MsgBox(
            "You don`t need to enter the '00' International dialling number in to the fax "
            "number. Please remove it and try again",
            ui::vbInformation, "Error!");
        return;
    }
    // The gateway's address is made of both fields: these characters would split or end it.
    if (recipient.find_first_of(kAddressBreakers) != std::string::npos ||
        number.find_first_of(kAddressBreakers) != std::string::npos) {
        ui::MsgBox(
            "Sorry, the recipients name and fax number cannot contain a comma, a semicolon, "
            "'<', '>' or '@'. Please remove them and try again!",
            ui::vbInformation, "Try again");
        return;
    }
    vevuzer::mailing::Exclusive exclusive;
    if (!exclusive.acquired())
        return refuseWhileMailRuns("the fax is not sent");
    vevuzer::log("User is sending a fax to " + number);
    QWidget* button = findChild<QPushButton*>("Command21");
    lockForSending(button, m_lab_wait1, true);
    const auto unlock = [this, button, &exclusive] {
        exclusive.release();
        m_SSTab1->setEnabled(true);
        setTab(QuickFax);
        lockForSending(button, m_lab_wait1, false);
    };
    const bool dialled = !vevuzer::mailing::IsDialUpConnected();
    if (dialled)
        vevuzer::log("Connection is being called by Belltale and has been flagged");

    std::int32_t result = seeIntegerParam(0, 8, 1);
    if (result < 0)
        return mailFailed(result, dialled, unlock);
    const bool serverKnown = vevuzer::mailing::askForServer([this] {
        m_txt_smtp->setText(QString::fromStdString(settings::read(settings::mail::smtp)));
    });
    if (!serverKnown) {
        vevuzer::log("The user cancelled the mail server question, the fax is not sent");
        return unlock();
    }
    while (m_txt_emailaddress->text().size() < 2) {
        vevuzer::say("Your email address is not set, please enter it now!", vevuzer::kSayNormal);
        const auto answer = ui::InputBox("What is your EMAIL address?", "Email Address?");
        if (!answer) {
            vevuzer::log("The user cancelled the email address question, the fax is not sent");
            return unlock();
        }
        settings::write(settings::key::emailaddress, *answer);
        m_txt_emailaddress->setText(
            QString::fromStdString(settings::read(settings::mail::emailaddress)));
    }
    core::DoEvents();
    vevuzer::say("Please wait, I am sending your fax", vevuzer::kSayNormal);
    const std::string sender = m_txt_emailaddress->text().toStdString();
    if ((result = connectForSending(sender,
                                    std::string(vevuzer::mailing::kWebHost) + "/belltale.htm")) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::log("Sending the email");
    const std::string to = "<remote-printer." + recipient + "@" + number +
                           std::string(vevuzer::mailing::kFaxGatewaySuffix) + ">";
    const std::string subject = "Incoming Fax to " + recipient;
    const std::string body = m_faxmessage->toPlainText().toStdString();
    result = seeSendEmail(0, to.c_str(), kNul, kNul, subject.c_str(), body.c_str(), kNul);
    if (result < 0 || (result = vevuzer::mailing::driveSend()) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::log("The fax has been sent");
    if ((result = seeIntegerParam(0, 9, 1)) < 0 || (result = seeClose(0)) < 0)
        return mailFailed(result, dialled, unlock);
    vevuzer::say("Your fax has been sent!", vevuzer::kSayNormal);
    exclusive.release();
    ui::MsgBox("Your fax has been sent.", ui::vbInformation, "Sent");
    hangUpWhenDialled(dialled);
    unlock();
    m_main.form().beep();
}
