// A caller on the e-mail list rings the real program while its ring sound plays on a real wave
// device (the file device, paced by the program's clock): the notification goes to a loopback
// SMTP server while the sound ends behind the exchange, and the program goes on answering calls.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "platform/mail/testing/mail_servers.h"
#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

class MailRoad : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        ASSERT_TRUE(m_servers.startSmtp()) << "aiosmtpd could not be started";
        writeFile(home() / "email.ini", " 01632960123,\r\n");
        saveSettings({{"silence", "False"},
                      {"email", "True"},
                      {"emailto", "ann@example.net"},
                      {"smtp", m_servers.smtpServer()},
                      {"repeat", "True"},
                      {"disconnect", "False"}});
        ASSERT_EQ(registerControls(environment()), 0);
    }

    fs::path speaker() const { return root() / "speaker.wav"; }

    // The shipped assets, read where they are.
    std::vector<std::string> environment() const {
        return ProgramFolder::environment(
            {{"BELLTALE_ASSETS", BELLTALE_ASSETS},
             {"BELLTALE_EXCHANGE_SOCKET", "on"},
             {"BELLTALE_ONLINE", "1"},
             {"BELLTALE_WAVE_DEVICES", "file-out=" + speaker().string() + ",null"}});
    }
    // Runs telsim with `arguments`: false when it failed, or hung on a program that no longer
    // answers (it is killed then).
    bool telsim(const std::vector<std::string>& arguments) const {
        RunningProgram run(TELSIM_PROGRAM, arguments, environment(), root() / "stderr-telsim");
        const std::optional<int> status = run.stopWithin(0);
        return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    }
    bool logHas(const std::string& text) const {
        return readFile(home() / "log.txt").find(text) != std::string::npos;
    }

    mail::testing::MailServers m_servers;
};

TEST_F(MailRoad, TheNotificationGoesWhileTheRingSoundsAndTheProgramCarriesOn) {
    RunningProgram program(VEVUZER_PROGRAM, {"--assign-exchange-lines"}, environment(),
                           root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");

    // The first ring comes before the caller's number, so the ring sound is playing when the
    // number arrives and the mail goes.
    ASSERT_TRUE(telsim({"ring", "1", "--number", "01632960123", "--name", "ANN SMITH"}));
    ASSERT_TRUE(eventually([&] { return logHas("The email has been sent"); }))
        << readFile(home() / "log.txt");
    EXPECT_TRUE(logHas("Line 1 is ringing, playing wav ring file"));
    ASSERT_TRUE(eventually([&] { return m_servers.messages().size() == 1; }));
    std::string message = m_servers.messages()[0];
    std::erase(message, '\r');
    EXPECT_NE(message.find("You have had an incoming call from Ann Smith 01632960123"),
              std::string::npos)
        << message;
    EXPECT_TRUE(telsim({"hangup", "1"})) << "the program no longer answers the exchange";

    // The program still answers: the next call is logged, and it ends as asked.
    ASSERT_TRUE(telsim({"ring", "2", "--number", "01632960777", "--name", "JOHN DOE"}));
    EXPECT_TRUE(eventually([&] {
        return readFile(home() / "inclog.txt").find("01632960777") != std::string::npos;
    })) << readFile(home() / "log.txt");
    EXPECT_TRUE(telsim({"hangup", "2"}));
    const std::optional<int> status = program.stopWithin(SIGTERM);
    ASSERT_TRUE(status) << "the program ignored SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_GT(fs::exists(speaker()) ? fs::file_size(speaker()) : 0u, 44u)
        << "the ring sound went to the wave device";
}

}  // namespace
