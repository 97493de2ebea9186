// A caller on the e-mail list rings the real program while its ring sound plays on a real wave
// device (the file device, paced by the program's clock): the notification goes to a loopback
// SMTP server while the sound ends behind the exchange, and the program goes on answering calls.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "platform/mail/testing/mail_servers.h"
#include "platform/registry/registry.h"
#include "platform/registry/vb_settings.h"
#include "tests/e2e/running_program.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

class MailRoad : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = makeTempFolder();
        ASSERT_FALSE(m_root.empty());
        ASSERT_TRUE(m_servers.startSmtp()) << "aiosmtpd could not be started";
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        markSpeechComponentsInstalled(home());
        writeFile(home() / "email.ini", " 01632960123,\r\n");
        setenv("BELLTALE_HOME", home().c_str(), 1);
        registry::dropCache();
        const std::pair<const char*, std::string> settings[] = {{"silence", "False"},
                                                                {"email", "True"},
                                                                {"emailto", "ann@example.net"},
                                                                {"smtp", m_servers.smtpServer()},
                                                                {"repeat", "True"},
                                                                {"disconnect", "False"}};
        for (const auto& [key, value] : settings)
            vb::SaveSetting("Belltale", "data", key, value);
        unsetenv("BELLTALE_HOME");
        registry::dropCache();
        RunningProgram registration(REGSVR_PROGRAM, {"/s", LKLK36_LIBRARY}, environment(),
                                    m_root / "stderr-regsvr");
        ASSERT_EQ(registration.finish(), 0);
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path home() const { return m_root / "home"; }
    fs::path runtime() const { return m_root / "runtime"; }
    fs::path speaker() const { return m_root / "speaker.wav"; }

    std::vector<std::string> environment() const {
        return environmentWith(
            {{"QT_QPA_PLATFORM", "offscreen"},
             {"BELLTALE_HOME", home().string()},
             {"BELLTALE_ASSETS", BELLTALE_ASSETS},
             {"XDG_RUNTIME_DIR", runtime().string()},
             {"BELLTALE_EXCHANGE_SOCKET", "on"},
             {"BELLTALE_ONLINE", "1"},
             {"BELLTALE_WAVE_DEVICES", "file-out=" + speaker().string() + ",null"}});
    }
    // Runs telsim with `arguments`: false when it failed, or hung on a program that no longer
    // answers (it is killed then).
    bool telsim(const std::vector<std::string>& arguments) const {
        RunningProgram run(TELSIM_PROGRAM, arguments, environment(), m_root / "stderr-telsim");
        const std::optional<int> status = run.stopWithin(0);
        return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    }
    bool logHas(const std::string& text) const {
        return readFile(home() / "log.txt").find(text) != std::string::npos;
    }

    fs::path m_root;
    mail::testing::MailServers m_servers;
};

TEST_F(MailRoad, TheNotificationGoesWhileTheRingSoundsAndTheProgramCarriesOn) {
    RunningProgram program(VEVUZER_PROGRAM, {"--assign-exchange-lines"}, environment(),
                           m_root / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(m_root / "stderr");

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
