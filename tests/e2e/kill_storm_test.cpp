// The real program killed (SIGKILL) at random moments of a ring storm: every file it keeps is
// whole, its old or its new version, and the next start leaves no temporary copy behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "platform/registry/hive_format.h"
#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

const std::vector<std::string> kArguments = {"--assign-exchange-lines"};
constexpr int kRounds = 6;

class KillStorm : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        writeErrorText();
        writeFile(home() / "directory.ini", "[callers]\r\n01632960123=Annie Smith\r\n");
        saveSettings({{"silence", "True"}});
        ASSERT_EQ(registerControls(environment()), 0);
    }

    std::vector<std::string> environment() const {
        return ProgramFolder::environment({{"BELLTALE_EXCHANGE_SOCKET", "on"}});
    }

    // Rings all four lines with callers' numbers and hangs them up, again and again, until
    // `stop`.
    void storm(const std::atomic<bool>& stop) const {
        for (int round = 0; !stop; ++round) {
            for (const char* command : {"ring", "hangup"}) {
                std::vector<std::unique_ptr<RunningProgram>> telsims;
                for (int line = 1; line <= 4; ++line) {
                    std::vector<std::string> arguments = {command, std::to_string(line)};
                    if (command == std::string("ring")) {
                        const std::string caller = std::to_string(round * 4 + line);
                        arguments.insert(arguments.end(), {"--number", "01632960" + caller,
                                                           "--name", "CALLER " + caller});
                    }
                    telsims.push_back(std::make_unique<RunningProgram>(
                        TELSIM_PROGRAM, arguments, environment(),
                        root() / ("stderr-telsim-" + std::to_string(line))));
                }
                for (auto& telsim : telsims)
                    telsim->finish();
                // The caller's number comes after the first ring, as from a real modem: the
                // calls stay until the program logged one of them, however slow it runs.
                const std::size_t logged = readFile(home() / "inclog.txt").size();
                for (int wait = 0; command == std::string("ring") && wait < 200 && !stop &&
                                   readFile(home() / "inclog.txt").size() == logged;
                     ++wait)
                    std::this_thread::sleep_for(50ms);
            }
        }
    }

    // Files whose name marks a rewrite's temporary copy, anywhere in the program folder.
    std::vector<std::string> temporaries() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(home())) {
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                found.push_back(entry.path().string());
        }
        return found;
    }

    void expectWholeFiles(const std::string& previousCallLog, std::string& callLog) const {
        callLog = readFile(home() / "inclog.txt");
        // Only ever appended to, a whole line at a time.
        EXPECT_EQ(callLog.compare(0, previousCallLog.size(), previousCallLog), 0) << callLog;
        EXPECT_TRUE(callLog.empty() || callLog.ends_with("\r\n")) << callLog;
        const std::string log = readFile(home() / "log.txt");
        EXPECT_TRUE(log.empty() || log.ends_with("\r\n")) << log;
        for (const char* hive : {"HKCU.txt", "HKLM.txt"}) {
            const fs::path file = home() / "registry" / hive;
            if (!fs::exists(file))
                continue;
            const auto parsed = registry::detail::parseHive(readFile(file));
            EXPECT_TRUE(parsed.root)
                << hive << ": line " << parsed.errorLine << ": " << parsed.error;
        }
    }
};

TEST_F(KillStorm, EveryFileIsOldOrNewAndNoTemporaryCopyOutlivesTheNextStart) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string callLog;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        RunningProgram program(VEVUZER_PROGRAM, kArguments, environment(), root() / "stderr");
        ASSERT_TRUE(program.waitForLine(kReadyLine))
            << program.output() << readFile(root() / "stderr");
        std::atomic<bool> stop = false;
        std::thread ringing([&] { storm(stop); });
        // The first round goes on until a call is logged, so the storm surely reached the
        // program; the others are cut at any moment.
        const auto giveUp =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
        while (round == 0 && readFile(home() / "inclog.txt").empty() &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(20ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 3000));
        const int status = program.stopWith(SIGKILL);
        stop = true;
        ringing.join();
        ASSERT_TRUE(WIFSIGNALED(status))
            << "exit " << WEXITSTATUS(status) << "\n"
            << program.output() << readFile(root() / "stderr") << readFile(home() / "log.txt");
        const std::string previous = callLog;
        expectWholeFiles(previous, callLog);
    }

    RunningProgram again(VEVUZER_PROGRAM, kArguments, environment(), root() / "stderr");
    ASSERT_TRUE(again.waitForLine(kReadyLine)) << again.output() << readFile(root() / "stderr");
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
    EXPECT_EQ(WEXITSTATUS(again.stopWith(SIGTERM)), 0);
    expectWholeFiles(callLog, callLog);
    EXPECT_NE(callLog, "");
}

}  // namespace
