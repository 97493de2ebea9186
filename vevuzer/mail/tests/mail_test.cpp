// The program's mail against real servers on loopback: the call notification, the mailbox count,
// the problem report and the quick fax, and their failures.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"
#include "platform/mail/testing/mail_servers.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/dialog_responder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/mail/mail_sending.h"
#include "vevuzer/mail/sendmail.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_main.h"

namespace {

namespace fs = std::filesystem;
namespace key = settings::key;
using mail::testing::MailServers;

std::string unixLines(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string logText() {
    std::ifstream in(vevuzer::logFilePath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Answers every message box with OK, noting whether a new mail could have taken the engine's
// channel while the box waited.
class GuardProbe final : private ui::DialogResponder {
  public:
    GuardProbe() : m_previous(ui::setDialogResponder(this)) {}
    ~GuardProbe() { ui::setDialogResponder(m_previous); }
    GuardProbe(const GuardProbe&) = delete;
    GuardProbe& operator=(const GuardProbe&) = delete;

    struct Box {
        std::string title;
        bool channelFree;
    };
    const std::vector<Box>& boxes() const { return m_boxes; }

  private:
    int respondToMsgBox(const ui::ShownDialog& shown) override {
        const vevuzer::mailing::Exclusive probe;
        m_boxes.push_back({shown.title, probe.acquired()});
        return ui::vbOK;
    }
    std::optional<std::string> respondToInputBox(const ui::ShownDialog&) override {
        return std::nullopt;
    }
    std::optional<std::string> respondToFileDialog(const ui::ShownDialog&) override {
        return std::nullopt;
    }

    ui::DialogResponder* m_previous;
    std::vector<Box> m_boxes;
};

class Mail : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("BELLTALE_ONLINE", "1", 1);
        fs::copy_file(fs::path(BELLTALE_ASSETS) / "errors.txt",
                      core::programFolder() / "errors.txt");
        m_servers = std::make_unique<MailServers>();
        settings::write(key::email, "True");
        settings::write(key::emailto, "ann@example.net");
        settings::write(key::firstrun, "False");
        seeAttach(1, 0);
    }
    void TearDown() override {
        seeRelease();
        unsetenv("BELLTALE_ONLINE");
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    std::unique_ptr<MailServers> m_servers;
};

TEST_F(Mail, TheCallNotificationArrives) {
    ASSERT_TRUE(m_servers->startSmtp());
    settings::write(key::smtp, m_servers->smtpServer());
    frm_main main;
    vevuzer::sendmail(main.main(), "01632960123", "ANN SMITH");
    EXPECT_EQ(main.txtDisplayText(), "\r\nYour email has been sent");
    ASSERT_EQ(m_servers->messages().size(), 1u);
    const std::string message = unixLines(m_servers->messages()[0]);
    EXPECT_NE(message.find("Subject: You have had an incoming call\n"), std::string::npos);
    EXPECT_NE(message.find("To: <ann@example.net>"), std::string::npos);
    EXPECT_NE(message.find("X-Priority: High\nX-Sender: Belltale, www.fenwright.example\n"),
              std::string::npos);
    EXPECT_NE(message.find("\n\nYou have had an incoming call from ANN SMITH 01632960123\nThis is "
                           "an automated message from Belltale (http://www.fenwright.example)\n"
                           "The call came in at "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(".\n\nThis is the end of the message.\n"), std::string::npos);
}

TEST_F(Mail, NotificationsThatAreNotSent) {
    frm_main main;
    settings::write(key::email, "False");
    vevuzer::sendmail(main.main(), "0123", "");
    EXPECT_EQ(main.txtDisplayText(),
              "You have disabled email sending\r\nSo this send has been cancelled");
    settings::write(key::email, "True");
    setenv("BELLTALE_ONLINE", "0", 1);
    vevuzer::sendmail(main.main(), "0123", "");
    EXPECT_EQ(main.txtDisplayText(),
              "You are not connected to the Internet\r\nand I am not allowed to dial for you\r\nso "
              "I am quitting");
    setenv("BELLTALE_ONLINE", "1", 1);

    // A server that is down is reported with its line of errors.txt, never taken as sent.
    settings::write(key::smtp, "127.0.0.1:" + std::to_string(mail::testing::freePort()));
    vevuzer::sendmail(main.main(), "0123", "");
    ASSERT_FALSE(m_dialogs.shown().empty());
    EXPECT_EQ(m_dialogs.shown().back().text,
              "There was an error whilst sending, here it is: -111 The mail server could not be "
              "reached.");
    // A cancelled server question ends the send.
    settings::write(key::smtp, "");
    m_dialogs.cancelInputBox();
    vevuzer::sendmail(main.main(), "0123", "");
    EXPECT_EQ(m_dialogs.shown().back().title, "Send mail error!");
    EXPECT_EQ(settings::read(key::smtp), "");
}

TEST_F(Mail, TheMailboxCountIsToldAndShown) {
    if (!m_servers->startPop3("ann", "s3cret"))
        GTEST_SKIP() << "dovecot could not be started";
    settings::write(key::checkemail, "True");
    settings::write(key::pop3username, "ann");
    settings::write(key::pop3password, "s3cret");
    settings::write(key::pop3server, m_servers->pop3Server());
    frm_main main;
    struct Case {
        int waiting;
        const char* shown;
    };
    const std::string on = "\r\non " + m_servers->pop3Server();
    const Case cases[] = {{0, "You have\r\nno emails waiting"},
                          {1, "You have\r\n1 email waiting"},
                          {3, "You have\r\n3 emails waiting"}};
    for (const Case& row : cases) {
        while (static_cast<int>(m_servers->messages().size()) < row.waiting)
            m_servers->deliver("m" + std::to_string(m_servers->messages().size()));
        vevuzer::checkemail(main.main());
        EXPECT_EQ(main.txtDisplayText(), row.shown + on);
        m_time.advance(std::chrono::seconds(10));  // the sentence is spoken to its end
    }
    const std::vector<std::string> spoken = m_spoken.texts();
    EXPECT_EQ(std::count(spoken.begin(), spoken.end(), "You have 1 email waiting"), 1);
    EXPECT_EQ(std::count(spoken.begin(), spoken.end(), "You have 3 emails waiting"), 1);

    settings::write(key::pop3password, "wrong");
    vevuzer::checkemail(main.main());
    EXPECT_EQ(main.txtDisplayText(),
              "The following error has occured\r\n-113 The mail server refused the user name or "
              "password");
    settings::write(key::pop3username, "a");
    vevuzer::checkemail(main.main());
    EXPECT_EQ(m_dialogs.shown().back().text,
              "You have email checking turned on in settings, but your POP3 user name is not set, "
              "please go in to settings and set it now");
}

TEST_F(Mail, TheProblemReportAndTheFaxFromTheSettingsWindow) {
    ASSERT_TRUE(m_servers->startSmtp());
    settings::write(key::smtp, m_servers->smtpServer());
    std::ofstream(core::programFolder() / "log.txt") << "Good bye\r\n";
    frm_main main;
    frm_settings& window = main.showSettings();
    window.findChild<QPlainTextEdit*>("txt_problem")->setPlainText("It rings twice");
    window.findChild<QLineEdit*>("txt_emailaddress")->setText("ann@example.net");
    window.com_sendproblem_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Sent");
    EXPECT_EQ(settings::read(key::lastprob), "It rings twice");
    window.com_sendproblem_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Already sent");
    EXPECT_TRUE(window.findChild<QPushButton*>("com_ok")->isEnabled());

    window.findChild<QLineEdit*>("recipient")->setText("Front Desk");
    window.findChild<QLineEdit*>("faxnumber")->setText("00441632960123");
    window.Command21_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Error!");
    EXPECT_EQ(window.findChild<QLineEdit*>("recipient")->text(), "Front_Desk");
    window.findChild<QLineEdit*>("faxnumber")->setText("441632960123");
    window.findChild<QPlainTextEdit*>("faxmessage")->setPlainText("Please call back");
    window.Command21_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Sent");
    EXPECT_EQ(window.Tab(), frm_settings::QuickFax);

    ASSERT_EQ(m_servers->messages().size(), 2u);
    bool report = false, fax = false;
    for (std::string message : m_servers->messages()) {
        message = unixLines(message);
        if (message.find("Subject: Problem with Belltale!") != std::string::npos) {
            report = true;
            EXPECT_NE(message.find("From: <ann@example.net>"), std::string::npos);
            EXPECT_NE(message.find("A user has had the following problem\n\nIt rings twice"),
                      std::string::npos);
            EXPECT_NE(message.find("filename=\"log.txt\""), std::string::npos);
        }
        if (message.find("Subject: Incoming Fax to Front_Desk") != std::string::npos) {
            fax = true;
            EXPECT_NE(message.find("To: <remote-printer.Front_Desk@441632960123.iddd.tpc.int>"),
                      std::string::npos);
            EXPECT_NE(message.find("\n\nPlease call back\n"), std::string::npos);
        }
    }
    EXPECT_TRUE(report);
    EXPECT_TRUE(fax);
}

// Once a mail's exchange is over, a message box about it (which may wait for hours on an
// unattended desk) no longer holds the engine: the next mail can go while it waits.
TEST_F(Mail, NoMessageBoxHoldsTheChannel) {
    ASSERT_TRUE(m_servers->startSmtp());
    const std::string down = "127.0.0.1:" + std::to_string(mail::testing::freePort());
    frm_main main;
    frm_settings& window = main.showSettings();
    window.findChild<QLineEdit*>("txt_emailaddress")->setText("ann@example.net");
    window.findChild<QLineEdit*>("recipient")->setText("Front Desk");
    window.findChild<QLineEdit*>("faxnumber")->setText("441632960123");
    int problems = 0;
    struct Case {
        const char* what;
        bool serverUp;
        std::function<void()> send;
    };
    const Case cases[] = {
        {"notification failed", false, [&] { vevuzer::sendmail(main.main(), "0123", ""); }},
        {"problem report failed", false,
         [&] {
             window.findChild<QPlainTextEdit*>("txt_problem")
                 ->setPlainText(QString("Problem %1").arg(++problems));
             window.com_sendproblem_Click();
         }},
        {"problem report sent", true,
         [&] {
             window.findChild<QPlainTextEdit*>("txt_problem")
                 ->setPlainText(QString("Problem %1").arg(++problems));
             window.com_sendproblem_Click();
         }},
        {"fax failed", false, [&] { window.Command21_Click(); }},
        {"fax sent", true, [&] { window.Command21_Click(); }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        settings::write(key::smtp, row.serverUp ? m_servers->smtpServer() : down);
        GuardProbe probe;
        row.send();
        ASSERT_EQ(probe.boxes().size(), 1u);
        EXPECT_TRUE(probe.boxes()[0].channelFree) << probe.boxes()[0].title;
    }
}

// A mail asked for while another runs is not sent: the refusal is logged, and the two buttons of
// the settings window tell the user.
TEST_F(Mail, AMailAskedForWhileAnotherRunsIsRefusedAndLogged) {
    ASSERT_TRUE(m_servers->startSmtp());
    settings::write(key::smtp, m_servers->smtpServer());
    settings::write(key::checkemail, "True");
    settings::write(key::pop3username, "ann");
    settings::write(key::pop3password, "s3cret");
    settings::write(key::pop3server, m_servers->smtpServer());
    frm_main main;
    frm_settings& window = main.showSettings();
    window.findChild<QPlainTextEdit*>("txt_problem")->setPlainText("It rings twice");
    window.findChild<QLineEdit*>("txt_emailaddress")->setText("ann@example.net");
    window.findChild<QLineEdit*>("recipient")->setText("Front Desk");
    window.findChild<QLineEdit*>("faxnumber")->setText("441632960123");
    struct Case {
        const char* logged;
        const char* box;  // the title of the box that tells the user, or nullptr
        std::function<void()> ask;
    };
    const Case cases[] = {
        {"this one is not sent", nullptr, [&] { vevuzer::sendmail(main.main(), "0123", ""); }},
        {"the mailbox is not checked now", nullptr, [&] { vevuzer::checkemail(main.main()); }},
        {"the problem report is not sent", "Please wait", [&] { window.com_sendproblem_Click(); }},
        {"the fax is not sent", "Please wait", [&] { window.Command21_Click(); }},
    };
    const vevuzer::mailing::Exclusive running;
    ASSERT_TRUE(running.acquired());
    for (const Case& row : cases) {
        SCOPED_TRACE(row.logged);
        const std::size_t boxes = m_dialogs.shown().size();
        row.ask();
        EXPECT_NE(
            logText().find(std::string("Another mail is being sent or fetched, ") + row.logged),
            std::string::npos);
        if (row.box) {
            ASSERT_EQ(m_dialogs.shown().size(), boxes + 1);
            EXPECT_EQ(m_dialogs.shown().back().title, row.box);
            EXPECT_TRUE(window.findChild<QPushButton*>("com_ok")->isEnabled());
        } else {
            EXPECT_EQ(m_dialogs.shown().size(), boxes);
        }
    }
    EXPECT_TRUE(m_servers->messages().empty());
    EXPECT_EQ(settings::read(key::lastprob), "");
}

// The fax gateway's address is made of the recipient's name and number: a character that would
// split or end it is refused before anything is sent.
TEST_F(Mail, TheFaxRefusesFieldsThatWouldBreakItsAddress) {
    ASSERT_TRUE(m_servers->startSmtp());
    settings::write(key::smtp, m_servers->smtpServer());
    frm_main main;
    frm_settings& window = main.showSettings();
    window.findChild<QLineEdit*>("txt_emailaddress")->setText("ann@example.net");
    struct Case {
        const char* name;
        const char* number;
    };
    const Case cases[] = {{"Front, Desk", "441632960123"},
                          {"Front Desk", "441632960123,441632960124"},
                          {"Desk@home", "441632960123"},
                          {"Desk>", "441632960123"}};
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.name) + " / " + row.number);
        window.findChild<QLineEdit*>("recipient")->setText(row.name);
        window.findChild<QLineEdit*>("faxnumber")->setText(row.number);
        const std::size_t boxes = m_dialogs.shown().size();
        window.Command21_Click();
        ASSERT_EQ(m_dialogs.shown().size(), boxes + 1);
        EXPECT_EQ(m_dialogs.shown().back().title, "Try again");
        EXPECT_NE(m_dialogs.shown().back().text.find("cannot contain a comma"), std::string::npos);
    }
    EXPECT_TRUE(m_servers->messages().empty());
    EXPECT_EQ(logText().find("User is sending a fax"), std::string::npos);
}

// A serial modem is set free for the notification (dialled and hung up, then closed) and opened
// again afterwards, whether the mail went or failed; the mailbox check closes and reopens it
// without a word to the modem. A caller-ID plug is left open.
TEST_F(Mail, TheSerialPortIsFreedForTheMailAndOpenedAgain) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    ASSERT_TRUE(m_servers->startSmtp());
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(), "COM1");
    settings::write(key::comp, "True");
    settings::write(key::commport, "1");
    settings::write(key::init, "AT+VCID=1");
    settings::write(key::checkemail, "True");
    settings::write(key::pop3username, "ann");
    settings::write(key::pop3password, "s3cret");
    const bool pop3 = m_servers->startPop3("ann", "s3cret");
    const std::string down = "127.0.0.1:" + std::to_string(mail::testing::freePort());
    struct Case {
        const char* what;
        const char* kind;
        bool notification;  // else the mailbox check
        bool serverUp;
        std::vector<std::string> modemHears;  // the commands the mail sends the modem
    };
    const Case cases[] = {
        {"notification sent", "", true, true, {"ATDT", "ATH"}},
        {"notification failed", "", true, false, {"ATDT", "ATH"}},
        {"notification, caller-ID plug", settings::kCallerIdPlug.data(), true, true, {}},
        {"mailbox checked", "", false, true, {}},
        {"mailbox check failed", "", false, false, {}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        if (!row.notification && row.serverUp && !pop3)
            continue;
        settings::write(key::kind, row.kind);
        settings::write(key::smtp, row.serverUp ? m_servers->smtpServer() : down);
        settings::write(key::pop3server, row.serverUp ? m_servers->pop3Server() : down);
        // A modem is set up with these when the port opens; a caller-ID plug is told nothing.
        const bool plug = row.kind[0] != '\0';
        const std::vector<std::string> setUp =
            plug ? std::vector<std::string>{} : std::vector<std::string>{"AT&F", "AT+VCID=1"};
        const std::size_t start = modem.commands().size();
        frm_main main;
        main.main().initport();
        ASSERT_TRUE(main.main().comm().getBool(vevuzer::controls::comm::PortOpen).value_or(false));
        ASSERT_TRUE(modem.waitForCommands(start + setUp.size(), std::chrono::seconds(10)));
        const std::size_t before = modem.commands().size();
        const std::size_t delivered = m_servers->messages().size();
        if (row.notification)
            vevuzer::sendmail(main.main(), "0123", "");
        else
            vevuzer::checkemail(main.main());
        // The mail's own commands, then the port set up again.
        std::vector<std::string> expected = row.modemHears;
        expected.insert(expected.end(), setUp.begin(), setUp.end());
        modem.waitForCommands(before + expected.size(), std::chrono::seconds(10));
        const std::vector<std::string> commands = modem.commands();
        EXPECT_EQ(
            std::vector<std::string>(commands.begin() + static_cast<long>(before), commands.end()),
            expected);
        EXPECT_TRUE(main.main().comm().getBool(vevuzer::controls::comm::PortOpen).value_or(false));
        if (row.notification) {
            EXPECT_EQ(m_servers->messages().size(), delivered + (row.serverUp ? 1 : 0));
        }
    }
}

// A report or fax that fails, or whose server question is cancelled, gives the page back as it
// was: the buttons and pages unlocked, the page shown, the problem text visible.
TEST_F(Mail, AFailedReportOrFaxGivesThePageBack) {
    const std::string down = "127.0.0.1:" + std::to_string(mail::testing::freePort());
    frm_main main;
    frm_settings& window = main.showSettings();
    window.findChild<QLineEdit*>("txt_emailaddress")->setText("ann@example.net");
    window.findChild<QLineEdit*>("recipient")->setText("Front Desk");
    window.findChild<QLineEdit*>("faxnumber")->setText("441632960123");
    auto* problem = window.findChild<QPlainTextEdit*>("txt_problem");
    int sent = 0;
    struct Case {
        const char* what;
        bool cancelServer;
        bool fax;
    };
    for (const Case& row :
         {Case{"report failed", false, false}, Case{"report cancelled", true, false},
          Case{"fax failed", false, true}, Case{"fax cancelled", true, true}}) {
        SCOPED_TRACE(row.what);
        settings::write(key::smtp, row.cancelServer ? "" : down);
        if (row.cancelServer)
            m_dialogs.cancelInputBox();
        problem->setPlainText(QString("Problem %1").arg(++sent));
        if (row.fax)
            window.Command21_Click();
        else
            window.com_sendproblem_Click();
        EXPECT_EQ(window.Tab(), row.fax ? frm_settings::QuickFax : frm_settings::Problems);
        for (const char* name :
             {"com_apply", "com_cancel", "com_ok", "com_sendproblem", "Command21"})
            EXPECT_TRUE(window.findChild<QPushButton*>(name)->isEnabled()) << name;
        EXPECT_FALSE(problem->isHidden());
        EXPECT_NE(settings::read(key::lastprob), problem->toPlainText().toStdString());
    }
}

// errors.txt, shipped with the program, holds one line per failure code of the engine.
TEST(MailErrorsFile, HoldsEveryFailureCodeOfTheEngine) {
    std::ifstream in(fs::path(BELLTALE_ASSETS) / "errors.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string expected;
    for (const mail::CodeText& row : mail::failureCodes())
        expected += std::to_string(row.code) + " " + std::string(row.text) + "\r\n";
    EXPECT_EQ(text.str(), expected);
}

}  // namespace
