// Starts the real program offscreen with its own program folder and asks it to quit, as a session
// or a user at the terminal would.
#include <gtest/gtest.h>

#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;

// The lines are given the exchange's devices, so the start does not wait for the first-run
// welcome.
const std::vector<std::string> kArguments = {"--assign-exchange-lines"};

class VevuzerStart : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        writeErrorText();
        writeFile(assets() / "skins" / "GreenFlag.gif", "GIF89a");
    }

    // Without a registered control library no line device is listed to assign: lines saved as
    // having no modem keep the start from waiting for the first-run welcome.
    void saveLinesWithoutModems() const {
        saveSettings({{"line", "No modem on this line"}, {"line2", "No modem on this line"}});
    }

    std::vector<std::string> environment() const {
        return ProgramFolder::environment({{"BELLTALE_EXCHANGE_SOCKET", "on"}});
    }
};

TEST_F(VevuzerStart, ShowsItsWindowAndQuitsCleanlyWhenAsked) {
    struct Case {
        int signal;
        const char* name;
    };
    static constexpr Case cases[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT (Ctrl+C)"}};
    saveLinesWithoutModems();
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const fs::path errors = root() / (std::string("stderr-") + std::to_string(row.signal));
        RunningProgram program(VEVUZER_PROGRAM, kArguments, environment(), errors);
        ASSERT_TRUE(program.started());

        ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(errors);
        EXPECT_TRUE(program.stillRunning());
        const int status = program.stopWith(row.signal);

        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        // Nothing registered the control library here: that is the one thing the program says.
        const std::string stderrText = readFile(errors);
        EXPECT_EQ(
            stderrText.rfind("vevuzer: the control library is not registered: run regsvr ", 0), 0u)
            << stderrText;
        EXPECT_EQ(stderrText.find("vevuzer:", 1), std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("QFATAL"), std::string::npos) << stderrText;
    }
}

// A folder that cannot be written is said at once, not found out by a welcome box no one sees,
// nor, from the run script, by the registration that comes first. A file in the folder's path
// stands for a read-only folder, which the super-user could write.
TEST_F(VevuzerStart, StopsWhenItsFolderCannotBeWritten) {
    writeFile(root() / "blocked", "a file, not a folder");
    const fs::path blockedHome = root() / "blocked" / "home";
    auto environment = ProgramFolder::environment({{"BELLTALE_HOME", blockedHome.string()},
                                                   {"BUILD_DIR", BUILD_DIR},
                                                   {"BELLTALE_EXCHANGE_SOCKET", "on"}});
    for (const char* starter : {VEVUZER_PROGRAM, RUN_SCRIPT}) {
        SCOPED_TRACE(starter);
        const fs::path errors = root() / "stderr";
        RunningProgram program(starter, {}, environment, errors);
        ASSERT_TRUE(program.started());
        const int status = program.finish();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 2);
        const std::string said = readFile(errors);
        EXPECT_NE(said.find("vevuzer: the program folder cannot be written (cannot make '" +
                            blockedHome.string() +
                            "': Not a directory); make it writable or set "
                            "BELLTALE_HOME to a folder that is"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find("regsvr"), std::string::npos) << said;
    }
}

TEST_F(VevuzerStart, FillsTheProgramFolderAndKeepsWhatIsThere) {
    saveLinesWithoutModems();
    RunningProgram first(VEVUZER_PROGRAM, kArguments, environment(), root() / "stderr-first");
    ASSERT_TRUE(first.waitForLine(kReadyLine));
    EXPECT_EQ(WEXITSTATUS(first.stopWith(SIGTERM)), 0);
    EXPECT_EQ(readFile(home() / "errors.txt"), "-1 Could not connect\r\n");
    EXPECT_EQ(readFile(home() / "skins" / "GreenFlag.gif"), "GIF89a");

    // The user's own copy survives the next start.
    writeFile(home() / "errors.txt", "-1 My own text\r\n");
    RunningProgram second(VEVUZER_PROGRAM, kArguments, environment(), root() / "stderr-second");
    ASSERT_TRUE(second.waitForLine(kReadyLine));
    EXPECT_EQ(WEXITSTATUS(second.stopWith(SIGTERM)), 0);
    EXPECT_EQ(readFile(home() / "errors.txt"), "-1 My own text\r\n");
}

// The program's settings, read and written from this process in its program folder.
class ProgramSettings {
  public:
    explicit ProgramSettings(const fs::path& home) {
        setenv("BELLTALE_HOME", home.c_str(), 1);
        registry::dropCache();
    }
    ~ProgramSettings() {
        unsetenv("BELLTALE_HOME");
        registry::dropCache();
    }
    static std::string read(const char* key) {
        registry::dropCache();
        return vb::GetSetting("Belltale", "data", key, "never written");
    }
    static void write(const char* key, const char* value) {
        vb::SaveSetting("Belltale", "data", key, value);
    }
};

TEST_F(VevuzerStart, WatchesTheExchangesFourLinesAndKeepsItsPlaceWhenClosed) {
    fs::create_directories(home());
    ProgramSettings settings(home());
    settings.write("x", "1500");
    settings.write("y", "750");
    ASSERT_EQ(registerControls(environment()), 0);

    RunningProgram program(VEVUZER_PROGRAM, kArguments, environment(), root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output();
    RunningProgram list(TELSIM_PROGRAM, {"list"}, environment(), root() / "stderr-telsim");
    ASSERT_EQ(list.finish(), 0) << readFile(root() / "stderr-telsim");
    int open = 0;
    std::istringstream lines(list.output());
    for (std::string line; std::getline(lines, line);) {
        open += line.find(": open by \"") != std::string::npos;
    }
    EXPECT_EQ(open, 4) << list.output();

    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
    EXPECT_EQ(settings.read("x"), "1500");
    EXPECT_EQ(settings.read("y"), "750");
    const std::string log = readFile(home() / "log.txt");
    EXPECT_NE(log.find("\r\nLine 4 is closed\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("\r\nSaving window position\r\nGood bye\r\n")) << log;
}

}  // namespace

namespace {

// A first start on a fresh program folder: the installer window runs the program's two installers,
// counts the run and has the restart program start the program again; that start opens the main
// window.
TEST_F(VevuzerStart, AFirstStartInstallsTheSpeechComponentsAndIsStartedAgain) {
    const fs::path fresh = root() / "fresh";
    const fs::path restarted = root() / "restarted";
    const fs::path restarter = root() / "restart.sh";
    writeFile(restarter, "#!/bin/sh\n: > '" + restarted.string() + "'\n");
    fs::permissions(restarter, fs::perms::owner_all);
    const std::vector<std::string> env =
        ProgramFolder::environment({{"BELLTALE_HOME", fresh.string()},
                                    {"BELLTALE_ASSETS", BELLTALE_ASSETS},
                                    {"BELLTALE_PROGRAM", restarter.string()}});

    RunningProgram installing(VEVUZER_PROGRAM, {}, env, root() / "stderr-installing");
    ASSERT_TRUE(installing.started());
    const int status = installing.finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(installing.output().find(kReadyLine), std::string::npos) << "no main window";
    EXPECT_TRUE(fs::exists(fresh / "windows" / "speech" / "speech.hlp"));
    EXPECT_TRUE(fs::exists(fresh / "windows" / "lhsp" / "tv" / "Tv_enua.dll"));
    for (int i = 0; i < 50 && !fs::exists(restarted); ++i)
        usleep(100000);
    EXPECT_TRUE(fs::exists(restarted)) << "the restart program ran";
    {
        ProgramSettings settings(fresh);
        EXPECT_EQ(settings.read("instrun"), "1");
        // Lines saved as having no modem keep the next start from waiting for the welcome.
        settings.write("line", "No modem on this line");
        settings.write("line2", "No modem on this line");
    }

    RunningProgram again(VEVUZER_PROGRAM, {}, env, root() / "stderr-again");
    ASSERT_TRUE(again.waitForLine(kReadyLine)) << again.output();
    EXPECT_EQ(WEXITSTATUS(again.stopWith(SIGTERM)), 0);
}

}  // namespace
