// The engine's exchanges against real servers on loopback: aiosmtpd delivering into a Maildir and
// dovecot reading it over POP3; a port nobody listens on; a server that never answers.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"
#include "platform/mail/testing/mail_servers.h"

namespace {

namespace fs = std::filesystem;
using mail::testing::MailServers;

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
