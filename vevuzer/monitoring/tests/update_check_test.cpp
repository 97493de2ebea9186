// The daily update check against a real web server on loopback, run by the post-call timer's tick
// on the main window in virtual time.
#include "vevuzer/monitoring/update_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/inet/testing/http_server.h"
#include "platform/shell/testing/recorded_starts.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/frm_update.h"

namespace {

using namespace std::chrono_literals;
using inet::testing::LoopbackHttpServer;

constexpr char kProgram[] = "#!/bin/sh\necho installing the update\n";
constexpr char kYesterday[] = "01/03/2026";  // the virtual clock starts on 2 March 2026

TEST(VersionList, FindsTheOfferedVersion) {
    struct Case {
        std::string list;
        std::optional<std::string> version;
    };
    const Case cases[] = {
        {"belltale:4.2.0:", "4.2.0"},
        {"Our products\r\nBELLTALE:2.0.0:\r\nother:1.0:\r\n", "2.0.0"},
        {"belltale-latest:4.2.0:belltale:9.9.9:", "4.2.0"},  // the first keyword counts
        {"belltale:4.2.0", "4.2.0"},  // a version that ends the list keeps its last character
        {"belltale::", ""},
        {"belltale 4.2.0", std::nullopt},  // no ":" after the keyword: no endless search
        {"belltale", std::nullopt},
        {"other:4.2.0:", std::nullopt},
        {"", std::nullopt},
        // Only a version that can be remembered as offered is one.
        {"belltale:" + std::string(64, '9') + ":", std::string(64, '9')},
        {"belltale:" + std::string(65, '9') + ":", std::nullopt},
        {std::string("belltale:4.2\0.1:", 16), std::nullopt},
        {"belltale:4.2\r\n.1:", std::nullopt},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.list);
        EXPECT_EQ(vevuzer::offeredVersion(row.list), row.version);
    }
}

TEST(VersionList, ComparesNumberByNumber) {
    struct Case {
        std::string_view offered;
        std::string_view running;
        bool later;
    };
    static constexpr Case cases[] = {
        {"4.2.0", "4.1.3", true},    {"4.1.3", "4.1.3", false},
        {"4.1.2", "4.1.3", false},   {"1.3.9", "1.2.10", true},
        {"1.9.0", "1.10.0", false},  // joining the digits ("190" > "1100") would offer it
        {"10.0.0", "4.1.3", true},   // and would not offer this one ("1000" < "413")
        {"4.1.20", "4.1.3", true},   {"4.01.3", "4.1.3", false},
        {"4.2", "4.1.3", true},      {"4.1.3.1", "4.1.3", true},
        {"4.1.3.0", "4.1.3", false}, {"99999999999999999999.0.0", "4.1.3", true},
        {"4.x.0", "4.1.3", false},   {"5..0", "4.1.3", false},
        {" 5.0.0", "4.1.3", false},  {"", "4.1.3", false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.offered) + " against " + std::string(row.running));
        EXPECT_EQ(vevuzer::isLaterVersion(row.offered, row.running), row.later);
    }
}

// Sets an environment variable for the test's life.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    void set(const std::string& value) const { ::setenv(m_name, value.c_str(), 1); }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// One run of the program: its own folder, a main window whose post-call timer ticks, and the
// answers of its message boxes.
struct ProgramRun {
    explicit ProgramRun(const std::string& lastCheck) {
        if (!lastCheck.empty())
            settings::write(settings::key::lastupdatecheck, lastCheck);
        window.setEndProgram([this] { ended = true; });
        window.main().Timer1().setInterval(1000);
    }
    void tick(core::VirtualTime& time) { time.advance(1000ms); }
    bool asked() const {
        for (const ui::ShownDialog& shown : dialogs.shown()) {
            if (shown.title == "NewVersion")
                return true;
        }
        return false;
    }
    bool failureShown() const {
        for (const ui::ShownDialog& shown : dialogs.shown()) {
            if (shown.text.starts_with("Sorry, there was a problem whilst downloading."))
                return true;
        }
        return false;
    }

    vevuzer::testing::FreshProgramFolder folder;
    ui::ScriptedDialogs dialogs;
    speech::SpeechRecorder spoken;
    frm_main window;
    bool ended = false;
};

class UpdateCheckTest : public ::testing::Test {
  protected:
    core::VirtualTime m_time;
    LoopbackHttpServer m_server;
    ScopedEnv m_online{"BELLTALE_ONLINE", "1"};
    ScopedEnv m_address{"BELLTALE_UPDATE_SERVER", m_server.address()};
};

TEST_F(UpdateCheckTest, OffersALaterVersionAndRunsItsDownloadedProgram) {
    ASSERT_TRUE(m_server.running());
    struct Case {
        const char* name;
        std::optional<std::string> list;     // nothing: the server is down
        std::optional<std::string> program;  // nothing: not on the server
        bool asked;
        bool installed;
    };
    const Case cases[] = {
        {"newer", "belltale:4.2.0:", kProgram, true, true},
        {"newer by its numbers only", "Belltale:4.1.20:", kProgram, true, true},
        {"same", "belltale:4.1.3:", kProgram, false, false},
        {"older", "belltale:4.1.2:", kProgram, false, false},
        {"malformed list: no colon", "belltale 4.2.0", kProgram, false, false},
        {"malformed list: no version", "belltale:four:", kProgram, false, false},
        {"version too long to remember", "belltale:" + std::string(65, '9') + ":", kProgram, false,
         false},
        {"list over its limit", "belltale:4.2.0:" + std::string(8 * 1024, ' '), kProgram, false,
         false},
        {"no list", std::nullopt, kProgram, false, false},
        {"download fails", "belltale:4.2.0:", std::nullopt, true, false},
        {"empty download", "belltale:4.2.0:", "", true, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        m_server.remove("versions.txt");
        m_server.remove("updates/diverudura.exe");
        if (row.list)
            m_server.serve("versions.txt", *row.list);
        if (row.program)
            m_server.serve("updates/diverudura.exe", *row.program);
        shell::RecordedStarts starts;
        ProgramRun run(kYesterday);
        run.dialogs.answerMsgBox(ui::vbYes);
        run.tick(m_time);

        const std::filesystem::path program = vevuzer::updateProgramPath();
        EXPECT_EQ(run.asked(), row.asked);
        EXPECT_EQ(run.ended, row.installed);
        EXPECT_EQ(std::filesystem::exists(program), row.installed);
        EXPECT_EQ(run.failureShown(), row.asked && !row.installed);
        EXPECT_FALSE(run.window.main().state().downloading);
        EXPECT_TRUE(run.window.main().state().updatechecked);
        EXPECT_EQ(run.window.main().updateCheck().notice(), nullptr);
        EXPECT_EQ(settings::read(settings::key::lastupdatecheck), "02/03/2026");
        if (row.installed) {
            EXPECT_EQ(core::readFile(program), kProgram);
            struct stat info {};
            ASSERT_EQ(::stat(program.c_str(), &info), 0);
            EXPECT_TRUE(info.st_mode & S_IXUSR);
            const std::vector<shell::RecordedStart> started = starts.waitFor(1);
            ASSERT_EQ(started.size(), 1u);
            EXPECT_EQ(started[0].argv, std::vector<std::string>{program.string()});
            // The last sentence is handed to the voice only when the program next pumps, which
            // an ending program no longer does: the log shows it was said.
            const std::string log = core::readFile(vevuzer::logFilePath()).value_or("");
            for (const char* sentence :
                 {"There is an update available, do you want to fetch it?",
                  "This will take me about 5 minutes to get. Just carry on as normal. I will call "
                  "you when the update has downloaded!",
                  "Your file has now downloaded"}) {
                EXPECT_NE(log.find("Speech command, now saying " + std::string(sentence)),
                          std::string::npos)
                    << sentence;
            }
        } else {
            EXPECT_TRUE(starts.recorded().empty());
        }
        if (row.asked) {
            EXPECT_EQ(run.dialogs.shown().front().text,
                      "There is a new version of this software available.\r\nYou have version "
                      "4.1.3, and the new version number\r\nis " +
                          vevuzer::offeredVersion(*row.list).value() +
                          ". Do you want me to download it now for you?");
        }
    }
}

TEST_F(UpdateCheckTest, AsksTheServerAtMostOncePerDayAndRun) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("versions.txt", "belltale:4.2.0:");
    {
        // The first day of use counts as checked already.
        ProgramRun first("");
        first.tick(m_time);
        EXPECT_FALSE(first.asked());
        EXPECT_TRUE(first.window.main().state().updatechecked);
        EXPECT_EQ(settings::read(settings::key::lastupdatecheck), "02/03/2026");
    }
    {
        // Offline at start, online a while later: the check comes with the connection.
        ProgramRun run(kYesterday);
        run.dialogs.answerMsgBox(ui::vbNo);
        m_online.set("0");
        run.tick(m_time);
        EXPECT_FALSE(run.window.main().state().updatechecked);
        m_online.set("1");
        run.tick(m_time);
        EXPECT_TRUE(run.asked());
        // Later ticks of the same run ask nothing, even had the date been reset.
        settings::write(settings::key::lastupdatecheck, kYesterday);
        run.dialogs.reset();
        run.tick(m_time);
        EXPECT_FALSE(run.asked());
    }
    {
        // An unreadable date counts as today.
        ProgramRun run("not a date");
        run.tick(m_time);
        EXPECT_FALSE(run.asked());
        EXPECT_EQ(settings::read(settings::key::lastupdatecheck), "02/03/2026");
    }
}

TEST(UpdateServer, IsTheMakersOverHttpsUnlessNamed) {
    vevuzer::testing::FreshProgramFolder folder;
    ScopedEnv address{"BELLTALE_UPDATE_SERVER", ""};
    EXPECT_TRUE(vevuzer::updateServer().starts_with("https://")) << vevuzer::updateServer();
}

TEST_F(UpdateCheckTest, OffersEachVersionOnceWhateverTheAnswer) {
    ASSERT_TRUE(m_server.running());
    vevuzer::testing::FreshProgramFolder folder;  // kept across the runs below
    m_server.serve("versions.txt", "belltale:4.2.0:");
    auto runOnce = [this](int answer) {
        ui::ScriptedDialogs dialogs;
        speech::SpeechRecorder spoken;
        settings::write(settings::key::lastupdatecheck, kYesterday);
        frm_main window;
        window.main().Timer1().setInterval(1000);
        dialogs.answerMsgBox(answer);
        m_time.advance(1000ms);
        return !dialogs.shown().empty();
    };
    EXPECT_TRUE(runOnce(ui::vbNo));
    EXPECT_EQ(settings::readVersion("4.2.0"), "1");
    EXPECT_FALSE(runOnce(ui::vbYes)) << "4.2.0 was offered before";
    m_server.serve("versions.txt", "belltale:4.3.0:");
    EXPECT_TRUE(runOnce(ui::vbNo));
}

TEST(UpdateNotice, BlinksEverySecondWhileLoaded) {
    core::VirtualTime time;
    frm_update notice;
    notice.Show();
    std::vector<bool> shown;
    for (int second = 0; second < 4; ++second) {
        time.advance(1000ms);
        shown.push_back(notice.isVisible());
    }
    EXPECT_EQ(shown, (std::vector<bool>{false, true, false, true}));
    // Hidden by other means, it is back within the second.
    notice.hide();
    time.advance(1000ms);
    EXPECT_TRUE(notice.isVisible());
}

}  // namespace
