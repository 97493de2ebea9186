// Calls that overlap while the ring sound plays, through the real program with the real sound
// path: the shipped ring sound on the null wave device, paced by the program's own clock. Each
// new ring replaces the sound still playing, so players are let go while others start.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class OverlappingRings : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        writeErrorText();
        fs::copy_file(fs::path(BELLTALE_ASSETS) / "ring.wav", assets() / "ring.wav");
        // Speech stays quiet; the ring sound does not.
        saveSettings({{"silence", "True"}});
        ASSERT_EQ(registerControls(environment()), 0);
    }

    std::vector<std::string> environment() const {
        return ProgramFolder::environment(
            {{"BELLTALE_EXCHANGE_SOCKET", "on"}, {"BELLTALE_WAVE_DEVICES", "null"}});
    }

    // Starts telsim with `arguments` on each of `lines` at once and waits for all of them.
    void allAtOnce(const std::vector<int>& lines,
                   const std::function<std::vector<std::string>(int)>& arguments) const {
        std::vector<std::unique_ptr<RunningProgram>> telsims;
        for (int line : lines) {
            telsims.push_back(std::make_unique<RunningProgram>(
                TELSIM_PROGRAM, arguments(line), environment(),
                root() / ("stderr-telsim-" + std::to_string(line))));
        }
        for (auto& telsim : telsims)
            telsim->finish();
    }
    std::string telsimList() const {
        RunningProgram list(TELSIM_PROGRAM, {"list"}, environment(), root() / "stderr-list");
        const int status = list.finish();
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? list.output() : std::string();
    }
    std::string callLog() const { return readFile(home() / "inclog.txt"); }
};

TEST_F(OverlappingRings, EveryCallerIsLoggedAndTheExchangeStillAnswers) {
    RunningProgram program(VEVUZER_PROGRAM, {"--assign-exchange-lines"}, environment(),
                           root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");
    ASSERT_TRUE(fs::exists(home() / "ring.wav"));

    // Two lines ring at once, then all four, each time well within the ring sound's length.
    std::size_t expected = 0;
    for (const std::vector<int>& lines : {std::vector<int>{1, 2}, std::vector<int>{1, 2, 3, 4}}) {
        const std::size_t round = expected;
        allAtOnce(lines, [&](int line) -> std::vector<std::string> {
            const std::string caller = std::to_string(100 + round + line);
            return {"ring",   std::to_string(line), "--number", "01632960" + caller,
                    "--name", "CALLER " + caller};
        });
        expected += lines.size();
        EXPECT_TRUE(eventually([&] { return lineCount(callLog()) >= expected; }))
            << callLog() << readFile(home() / "log.txt");
        EXPECT_NE(telsimList(), "") << "the exchange no longer answers";
        allAtOnce(lines, [](int line) -> std::vector<std::string> {
            return {"hangup", std::to_string(line)};
        });
    }
    const std::string calls = callLog();
    for (const char* caller : {"01632960101, ", "01632960102, ", "01632960103, ", "01632960104, ",
                               "01632960105, ", "01632960106, "}) {
        EXPECT_NE(calls.find(caller), std::string::npos) << caller << " not in\n" << calls;
    }
    const std::string log = readFile(home() / "log.txt");
    for (const char* line :
         {"Line 1 is ringing, playing wav ring file", "Line 2 is ringing, playing wav ring file"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
    }
    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
}

// Callers ring as soon as the exchange listens, while the program is still starting: both are
// logged once it runs (names in their proper case), with the ring sound, and the program starts
// as without them.
TEST_F(OverlappingRings, CallersRingingWhileTheProgramStartsAreLogged) {
    RunningProgram program(VEVUZER_PROGRAM, {"--assign-exchange-lines"}, environment(),
                           root() / "stderr");
    ASSERT_TRUE(eventually([&] { return fs::exists(runtime() / "belltale" / "exchange.sock"); }))
        << readFile(root() / "stderr");
    allAtOnce({1, 2}, [](int line) -> std::vector<std::string> {
        const std::string caller = std::to_string(200 + line);
        return {"ring",   std::to_string(line), "--number", "01632960" + caller,
                "--name", "EARLY " + caller};
    });
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");
    EXPECT_TRUE(eventually([&] { return lineCount(callLog()) >= 2; }))
        << callLog() << readFile(home() / "log.txt");
    const std::string calls = callLog();
    for (const char* caller : {"01632960201, Early 201", "01632960202, Early 202"}) {
        EXPECT_NE(calls.find(caller), std::string::npos) << caller << " not in\n" << calls;
    }
    EXPECT_NE(readFile(home() / "log.txt").find("is ringing, playing wav ring file"),
              std::string::npos)
        << readFile(home() / "log.txt");
    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
}

}  // namespace
