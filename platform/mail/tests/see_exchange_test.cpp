// The engine's exchanges against real servers on loopback: aiosmtpd delivering into a Maildir and
// dovecot reading it over POP3; a port nobody listens on; a server that never answers.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"
#include "platform/mail/testing/mail_servers.h"

namespace {

namespace fs = std::filesystem;
using mail::testing::MailServers;
using mail::testing::ScriptedServer;
using mail::testing::Tls;

std::string nameOf(std::int32_t code) {
    if (code >= 0)
        return std::to_string(code);
    const mail::CodeText* row = mail::findCode(code);
    return row != nullptr ? std::string(row->name) : "unknown " + std::to_string(code);
}

std::string verbOf(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    for (char& c : verb)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return verb;
}

// What a scripted SMTP server answers at each step of a send.
struct SmtpAnswers {
    std::string greeting = "220 ready";
    std::string mail = "250 OK";
    std::string rcpt = "250 OK";
    std::string data = "354 go ahead";
    std::string end = "250 queued";
    std::chrono::milliseconds endDelay{0};
};

void speakSmtp(ScriptedServer::Conversation& c, const SmtpAnswers& answers) {
    if (!c.reply(answers.greeting))
        return;
    std::string line;
    while (c.readLine(line)) {
        const std::string verb = verbOf(line);
        if (verb == "EHLO" || verb == "HELO") {
            c.reply("250 localhost");
        } else if (verb == "MAIL") {
            c.reply(answers.mail);
        } else if (verb == "RCPT") {
            c.reply(answers.rcpt);
        } else if (verb == "DATA") {
            c.reply(answers.data);
            if (answers.data[0] != '3')
                continue;
            while (c.readLine(line) && line != ".") {
            }
            c.wait(answers.endDelay);
            c.reply(answers.end);
        } else if (verb == "QUIT") {
            c.reply("221 bye");
            return;
        } else {
            c.reply("502 not implemented");
        }
    }
}

// What a scripted POP3 server answers; `listing` is sent after LIST's "+OK".
struct Pop3Answers {
    std::string greeting = "+OK ready";
    std::string pass = "+OK logged in";
    std::string list = "+OK listing follows";
    std::function<void(ScriptedServer::Conversation&)> listing = [](auto& c) {
        c.send("1 120\r\n2 340\r\n.\r\n");
    };
};

void speakPop3(ScriptedServer::Conversation& c, const Pop3Answers& answers) {
    if (!c.reply(answers.greeting))
        return;
    std::string line;
    while (c.readLine(line)) {
        const std::string verb = verbOf(line);
        if (verb == "CAPA") {
            c.send("+OK\r\nUSER\r\n.\r\n");
        } else if (verb == "USER") {
            c.reply("+OK");
        } else if (verb == "PASS") {
            c.reply(answers.pass);
        } else if (verb == "LIST") {
            c.reply(answers.list);
            if (answers.list.rfind("+OK", 0) == 0)
                answers.listing(c);
        } else if (verb == "QUIT") {
            c.reply("+OK bye");
            return;
        } else {
            c.reply("-ERR unknown command");
        }
    }
}

class SeeExchange : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "mail-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_servers = std::make_unique<MailServers>(m_root);
        ASSERT_EQ(seeAttach(1, 0), 0);
    }
    void TearDown() override {
        seeRelease();
        m_servers.reset();
        std::error_code ignored;
        if (!HasFailure())
            fs::remove_all(m_root, ignored);
    }

    std::int32_t send(const std::string& server, const char* attachment = "") {
        std::int32_t code = seeSmtpConnect(0, server.c_str(), "<noreply@example.net>", "");
        if (code < 0)
            return code;
        seeStringParam(0, 51, "X-Priority: High\r\nX-Sender: Belltale, example.net");
        code = seeSendEmail(0, "<ann@example.net>", "", "", "You have had an incoming call",
                            "Line one\r\nLine two", attachment);
        if (code < 0)
            return code;
        while ((code = seeDriver(0)) > 0) {
        }
        seeClose(0);
        return code;
    }

    fs::path m_root;
    std::unique_ptr<MailServers> m_servers;
};

TEST_F(SeeExchange, AMessageArrivesWithItsHeadersBodyAndAttachment) {
    ASSERT_TRUE(m_servers->startSmtp()) << "aiosmtpd could not be started";
    std::ofstream(m_root / "log.txt") << "first line\r\nsecond line\r\n";
    ASSERT_EQ(send(m_servers->smtpServer()), 0);
    ASSERT_EQ(send(m_servers->smtpServer(), (m_root / "log.txt").c_str()), 0);

    const auto messages = m_servers->messages();
    ASSERT_EQ(messages.size(), 2u);
    for (std::string message : messages) {
        // The Maildir keeps lines with LF alone.
        std::erase(message, '\r');
        EXPECT_NE(message.find("Date: "), std::string::npos);
        EXPECT_NE(message.find("Message-ID: <"), std::string::npos);
        EXPECT_NE(message.find("From: <noreply@example.net>"), std::string::npos);
        EXPECT_NE(message.find("To: <ann@example.net>"), std::string::npos);
        EXPECT_NE(message.find("Subject: You have had an incoming call"), std::string::npos);
        EXPECT_NE(message.find("X-Priority: High"), std::string::npos);
        EXPECT_NE(message.find("X-Sender: Belltale, example.net"), std::string::npos);
        EXPECT_NE(message.find("\n\nLine one\nLine two\n"), std::string::npos) << message;
    }
    const bool attached = messages[0].find("filename=\"log.txt\"") != std::string::npos ||
                          messages[1].find("filename=\"log.txt\"") != std::string::npos;
    EXPECT_TRUE(attached);
    // "first line\r\nsecond line\r\n" in base64.
    EXPECT_TRUE(messages[0].find("Zmlyc3QgbGluZQ0Kc2Vjb25kIGxpbmUNCg==") != std::string::npos ||
                messages[1].find("Zmlyc3QgbGluZQ0Kc2Vjb25kIGxpbmUNCg==") != std::string::npos);
}

// Closing a channel ends its exchange and releasing ends them all: a message prepared on a real
// connection and not driven is never sent afterwards, and a channel's parameters stay.
TEST_F(SeeExchange, CloseAndReleaseEndTheExchange) {
    ASSERT_TRUE(m_servers->startSmtp()) << "aiosmtpd could not be started";
    const auto prepare = [&] {
        ASSERT_EQ(seeSmtpConnect(0, m_servers->smtpServer().c_str(), "<noreply@example.net>", ""),
                  0);
        ASSERT_EQ(seeSendEmail(0, "<ann@example.net>", "", "", "s", "b", ""), 0);
    };
    prepare();
    EXPECT_EQ(nameOf(seeClose(0)), "0");
    EXPECT_EQ(nameOf(seeDriver(0)), "SEE_NOT_CONNECTED");
    char address[40] = "x";
    EXPECT_EQ(nameOf(seeDebug(0, 25, address, sizeof address)), "SEE_NOT_CONNECTED");
    EXPECT_EQ(std::string(address), "");

    // A short time-out set before the close still bounds the next exchange on the channel.
    ASSERT_EQ(seeIntegerParam(0, 2, 1500), 0);
    ASSERT_EQ(seeClose(0), 0);
    mail::testing::SilentServer silent;
    EXPECT_EQ(nameOf(seeSmtpConnect(0, silent.server().c_str(), "<a@example.net>", "")),
              "SEE_TIMED_OUT");

    prepare();
    EXPECT_EQ(nameOf(seeRelease()), "0");
    EXPECT_EQ(nameOf(seeDriver(0)), "SEE_NOT_ATTACHED");
    ASSERT_EQ(seeAttach(1, 0), 0);
    EXPECT_EQ(nameOf(seeDriver(0)), "SEE_NOT_CONNECTED") << "a new attach starts afresh";
    EXPECT_TRUE(m_servers->messages().empty());
}

TEST_F(SeeExchange, FailuresAreReportedNeverTakenAsSent) {
    EXPECT_EQ(send("127.0.0.1:" + std::to_string(mail::testing::freePort())), SEE_CANNOT_CONNECT);
    setenv("BELLTALE_MAIL_TIMEOUT_MS", "1500", 1);
    mail::testing::SilentServer silent;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(send(silent.server()), SEE_TIMED_OUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    unsetenv("BELLTALE_MAIL_TIMEOUT_MS");
    EXPECT_EQ(send(""), SEE_BAD_ARGUMENT);
    ASSERT_TRUE(m_servers->startSmtp());
    EXPECT_EQ(send(m_servers->smtpServer(), (m_root / "missing.txt").c_str()),
              SEE_ATTACHMENT_UNREADABLE);
    EXPECT_EQ(seeDriver(0), SEE_NO_MESSAGE) << "a message that could not be made is not sent";
}

// Without libcurl each exchange fails with the code that says so and the loader's reason, and
// nothing is sent; once the library can be loaded again the engine works.
TEST_F(SeeExchange, WithoutLibcurlEachExchangeFailsSayingSo) {
    ASSERT_TRUE(m_servers->startSmtp()) << "aiosmtpd could not be started";
    const std::string server = m_servers->smtpServer();
    ASSERT_EQ(seeSmtpConnect(0, server.c_str(), "<noreply@example.net>", ""), 0);
    ASSERT_EQ(seeSendEmail(0, "<ann@example.net>", "", "", "s", "b", ""), 0);

    const std::string missing = (m_root / "libcurl-that-is-not-here.so.4").string();
    setenv("BELLTALE_LIBCURL", missing.c_str(), 1);
    struct Case {
        const char* call;
        std::function<std::int32_t()> run;
    };
    const Case cases[] = {
        {"send of a message prepared before", [] { return seeDriver(0); }},
        {"SMTP connect",
         [&] { return seeSmtpConnect(0, server.c_str(), "<noreply@example.net>", ""); }},
        {"POP3 connect", [&] { return seePop3Connect(0, server.c_str(), "ann", "s3cret"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(nameOf(c.run()), "SEE_NO_INTERNET_LIBRARY");
        EXPECT_NE(::testing::internal::GetCapturedStderr().find(missing), std::string::npos);
    }
    unsetenv("BELLTALE_LIBCURL");
    EXPECT_TRUE(m_servers->messages().empty());

    EXPECT_EQ(send(server), 0);
    EXPECT_EQ(m_servers->messages().size(), 1u);
}

// Each refusal is reported by the code that names it, wherever in the exchange it comes.
TEST_F(SeeExchange, RefusalsAreReportedByTheCodeThatNamesThem) {
    struct SmtpCase {
        const char* what;
        SmtpAnswers answers;
        const char* expected;
    };
    const auto with = [](auto change) {
        SmtpAnswers answers;
        change(answers);
        return answers;
    };
    const SmtpCase smtpCases[] = {
        {"accepted", {}, "0"},
        {"greeting 554", with([](auto& a) { a.greeting = "554 no service here"; }),
         "SEE_SERVER_REFUSED"},
        {"greeting 421", with([](auto& a) { a.greeting = "421 too busy"; }), "SEE_SERVER_DEFERRED"},
        {"sender 550", with([](auto& a) { a.mail = "550 sender refused"; }), "SEE_SERVER_REFUSED"},
        {"sender 451", with([](auto& a) { a.mail = "451 local error"; }), "SEE_SERVER_DEFERRED"},
        {"sender 530", with([](auto& a) { a.mail = "530 authentication required"; }),
         "SEE_LOGIN_REFUSED"},
        {"recipient 550", with([](auto& a) { a.rcpt = "550 no such user"; }), "SEE_SERVER_REFUSED"},
        {"recipient 450", with([](auto& a) { a.rcpt = "450 mailbox busy"; }),
         "SEE_SERVER_DEFERRED"},
        {"data 554", with([](auto& a) { a.data = "554 no valid recipients"; }),
         "SEE_SERVER_REFUSED"},
        {"after the body 552", with([](auto& a) { a.end = "552 message too big"; }),
         "SEE_SERVER_REFUSED"},
        {"after the body 452", with([](auto& a) { a.end = "452 insufficient storage"; }),
         "SEE_SERVER_DEFERRED"},
        {"greeting of no known kind", with([](auto& a) { a.greeting = "199 hello"; }),
         "SEE_ANSWER_UNREADABLE"},
    };
    for (const SmtpCase& row : smtpCases) {
        SCOPED_TRACE(row.what);
        ScriptedServer server([&](auto& c) { speakSmtp(c, row.answers); });
        EXPECT_EQ(nameOf(send(server.server())), row.expected);
    }

    struct Pop3Case {
        const char* what;
        Pop3Answers answers;
        const char* expected;
    };
    const auto pop3 = [](auto change) {
        Pop3Answers answers;
        change(answers);
        return answers;
    };
    const Pop3Case pop3Cases[] = {
        {"two waiting", {}, "0"},
        {"greeting", pop3([](auto& a) { a.greeting = "-ERR go away"; }), "SEE_SERVER_REFUSED"},
        {"password", pop3([](auto& a) { a.pass = "-ERR wrong password"; }), "SEE_LOGIN_REFUSED"},
        {"password [AUTH]", pop3([](auto& a) { a.pass = "-ERR [AUTH] wrong password"; }),
         "SEE_LOGIN_REFUSED"},
        {"mailbox in use", pop3([](auto& a) { a.pass = "-ERR [IN-USE] mailbox locked"; }),
         "SEE_SERVER_DEFERRED"},
        {"system trouble", pop3([](auto& a) { a.pass = "-ERR [SYS/TEMP] try later"; }),
         "SEE_SERVER_DEFERRED"},
        {"listing", pop3([](auto& a) { a.list = "-ERR cannot list"; }), "SEE_SERVER_REFUSED"},
    };
    for (const Pop3Case& row : pop3Cases) {
        SCOPED_TRACE(row.what);
        ScriptedServer server([&](auto& c) { speakPop3(c, row.answers); });
        EXPECT_EQ(nameOf(seePop3Connect(0, server.server().c_str(), "ann", "s3cret")),
                  row.expected);
        EXPECT_EQ(seeGetEmailCount(0), row.expected == std::string("0") ? 2 : SEE_NOT_CONNECTED);
        seeClose(0);
    }
}

// The wait for the server's word after the message's body is bounded by the channel's time-out
// too: a server that answers only much later has not taken the message in time.
TEST_F(SeeExchange, ALateAnswerAfterTheBodyIsATimeOut) {
    setenv("BELLTALE_MAIL_TIMEOUT_MS", "1500", 1);
    SmtpAnswers late;
    late.endDelay = std::chrono::seconds(25);
    ScriptedServer server([&](auto& c) { speakSmtp(c, late); });
    EXPECT_EQ(nameOf(send(server.server())), "SEE_TIMED_OUT");
    unsetenv("BELLTALE_MAIL_TIMEOUT_MS");
}

// A listing is counted as it comes, and one longer than any mailbox's is refused.
TEST_F(SeeExchange, AListingWithoutEndIsRefused) {
    Pop3Answers answers;
    answers.listing = [](ScriptedServer::Conversation& c) {
        std::string block;
        for (int i = 1; i <= 4096; ++i)
            block += std::to_string(i) + " 1000\r\n";
        // Far beyond any real mailbox, and still an end for an engine that waits for one.
        for (std::size_t sent = 0; sent < (48u << 20) && c.send(block); sent += block.size()) {
        }
        c.send(".\r\n");
    };
    ScriptedServer server([&](auto& c) { speakPop3(c, answers); });
    EXPECT_EQ(nameOf(seePop3Connect(0, server.server().c_str(), "ann", "s3cret")),
              "SEE_ANSWER_UNREADABLE");
    EXPECT_EQ(seeGetEmailCount(0), SEE_NOT_CONNECTED);
}

// TLS is used where the server offers it and from the first byte on a secure port, and the
// certificate is checked: the servers below require TLS before a login or a message.
TEST_F(SeeExchange, TlsWhereTheServerOffersIt) {
    if (!m_servers->startPop3("ann", "s3cret", Tls::Offered))
        GTEST_SKIP() << "dovecot could not be started with TLS";
    m_servers->deliver("m0");
    const std::string implicit = "pop3s://127.0.0.1:" + std::to_string(m_servers->pop3sPort());
    setenv("BELLTALE_MAIL_CA_FILE", m_servers->certificate().c_str(), 1);
    for (const std::string& server : {m_servers->pop3Server(), implicit}) {
        SCOPED_TRACE(server);
        EXPECT_EQ(nameOf(seePop3Connect(0, server.c_str(), "ann", "s3cret")), "0");
        EXPECT_EQ(seeGetEmailCount(0), 1);
    }
    unsetenv("BELLTALE_MAIL_CA_FILE");
    EXPECT_EQ(nameOf(seePop3Connect(0, m_servers->pop3Server().c_str(), "ann", "s3cret")),
              "SEE_SECURE_FAILED")
        << "a certificate the system's store does not know is refused";

    for (const Tls tls : {Tls::Offered, Tls::Implicit}) {
        SCOPED_TRACE(tls == Tls::Offered ? "STARTTLS" : "SMTPS");
        MailServers smtp;
        ASSERT_TRUE(smtp.startSmtp(tls)) << "aiosmtpd could not be started with TLS";
        const std::string server = (tls == Tls::Implicit ? "smtps://" : "") + smtp.smtpServer();
        EXPECT_EQ(nameOf(send(server)), "SEE_SECURE_FAILED");
        setenv("BELLTALE_MAIL_CA_FILE", smtp.certificate().c_str(), 1);
        EXPECT_EQ(nameOf(send(server)), "0");
        unsetenv("BELLTALE_MAIL_CA_FILE");
        EXPECT_EQ(smtp.messages().size(), 1u);
    }
}

TEST_F(SeeExchange, Pop3CountsTheMessagesWaiting) {
    if (!m_servers->startPop3("ann", "s3cret"))
        GTEST_SKIP() << "dovecot could not be started";
    for (const int waiting : {0, 1, 3}) {
        SCOPED_TRACE(waiting);
        while (static_cast<int>(m_servers->messages().size()) < waiting)
            m_servers->deliver("m" + std::to_string(m_servers->messages().size()));
        ASSERT_EQ(seePop3Connect(0, m_servers->pop3Server().c_str(), "ann", "s3cret"), 0);
        char address[40];
        EXPECT_GT(seeDebug(0, 25, address, sizeof address), 0);
        EXPECT_EQ(std::string(address), "127.0.0.1");
        EXPECT_EQ(seeGetEmailCount(0), waiting);
        EXPECT_EQ(seeClose(0), 0);
    }
    EXPECT_EQ(seePop3Connect(0, m_servers->pop3Server().c_str(), "ann", "wrong"),
              SEE_LOGIN_REFUSED);
    EXPECT_EQ(seeGetEmailCount(0), SEE_NOT_CONNECTED);
}

}  // namespace
