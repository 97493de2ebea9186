// The road of a call through the real program: vevuzer runs with its own program folder, telsim
// rings its lines as callers would, and the test reads what the program wrote (the incoming-call
// log, the activity log) and what the exchange saw of the blocked caller.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

const std::vector<std::string> kArguments = {"--assign-exchange-lines"};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class CallRoad : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        writeErrorText();
        writeFile(home() / "directory.ini", "[callers]\r\n01632960123=Annie Smith\r\n");
        writeFile(home() / "blocked.ini", " 01632 960999,\r\n");
        // Speech stays quiet: the test listens to the files, not to the voice.
        saveSettings({{"silence", "True"}});
        ASSERT_EQ(registerControls(environment("offscreen")), 0);
    }

    std::vector<std::string> environment(const std::string& platform,
                                         const std::string& display = "") const {
        std::map<std::string, std::string> extra = {{"QT_QPA_PLATFORM", platform},
                                                    {"BELLTALE_EXCHANGE_SOCKET", "on"}};
        if (!display.empty())
            extra["DISPLAY"] = display;
        return ProgramFolder::environment(extra);
    }

    // Runs telsim with `arguments`; its output, "" when it failed.
    std::string telsim(const std::vector<std::string>& arguments) const {
        RunningProgram run(TELSIM_PROGRAM, arguments, environment("offscreen"),
                           root() / "stderr-telsim");
        const int status = run.finish();
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? run.output() : std::string();
    }
    // The exchange's line N as telsim lists it.
    std::string exchangeLine(int n) const {
        for (const std::string& line : linesOf(telsim({"list"}))) {
            if (line.rfind("line " + std::to_string(n) + " ", 0) == 0)
                return line;
        }
        return "";
    }
    std::vector<std::string> callLog() const { return linesOf(readFile(home() / "inclog.txt")); }
    bool callLogHas(std::size_t lines) const { return callLog().size() >= lines; }
};

TEST_F(CallRoad, LogsKnownUnknownWithheldAndBlockedCallersAndDropsTheBlockedOne) {
    RunningProgram program(VEVUZER_PROGRAM, kArguments, environment("offscreen"),
                           root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");

    ASSERT_NE(telsim({"ring", "1", "--number", "01632960123", "--name", "ANN SMITH"}), "");
    ASSERT_TRUE(eventually([&] { return callLogHas(1); })) << readFile(home() / "log.txt");
    telsim({"hangup", "1"});
    ASSERT_NE(telsim({"ring", "2", "--number", "01632960777", "--name", "JOHN DOE"}), "");
    ASSERT_TRUE(eventually([&] { return callLogHas(2); }));
    telsim({"hangup", "2"});
    ASSERT_NE(telsim({"ring", "3", "--withheld"}), "");
    ASSERT_TRUE(eventually([&] { return callLogHas(3); }));
    telsim({"hangup", "3"});

    // The blocked caller is answered, held for a second and dropped: the exchange shows the call
    // connected, then gone.
    ASSERT_NE(telsim({"ring", "4", "--number", "01632960999"}), "");
    EXPECT_TRUE(eventually([&] {
        return exchangeLine(4).find(" CONNECTED ") != std::string::npos;
    })) << exchangeLine(4);
    EXPECT_TRUE(eventually([&] { return exchangeLine(4).find("; call") == std::string::npos; }))
        << exchangeLine(4);

    const std::vector<std::string> calls = callLog();
    ASSERT_EQ(calls.size(), 4u) << readFile(home() / "inclog.txt");
    const char* const starts[] = {"01632960123, Annie Smith, ", "01632960777, John Doe, ", ", , ",
                                  "01632960999, , "};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].rfind(starts[i], 0), 0u) << calls[i];
        EXPECT_GT(calls[i].size(), std::string(starts[i]).size()) << "no date and time";
    }
    const std::string log = readFile(home() / "log.txt");
    for (const char* line : {"\r\nCaller ID on lkline1, name:Ann Smith: number: 01632960123:\r\n",
                             "\r\nIncoming call detected on line 1 ,01632960123\r\nAnnie Smith\r\n",
                             "\r\nIncoming call detected on line 2 ,01632960777\r\n\r\n",
                             "\r\nIncoming call detected on line 3 ,\r\nWithheld\r\n",
                             "\r\nIncoming call detected on line 4 ,01632960999\r\n\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\nnot in\n" << log;
    }
    EXPECT_EQ(log.find("could not be disconnected"), std::string::npos) << log;
    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
}

// A picture of the caller pop-up on a real (virtual) X display, kept in the build folder for a
// person to look at.
TEST_F(CallRoad, ShowsTheCallerPopupOnAnXDisplay) {
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/import")) {
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed: no screenshot of the "
                        "caller pop-up";
    }
    RunningProgram xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24"},
                           environment("offscreen"), root() / "stderr-xvfb");
    if (!xserver.started() || !xserver.waitForLine("")) {
        GTEST_SKIP() << "Xvfb did not start: no screenshot of the caller pop-up";
    }
    const std::string display = ":" + linesOf(xserver.output()).at(0);

    RunningProgram program(VEVUZER_PROGRAM, kArguments, environment("xcb", display),
                           root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");
    ASSERT_NE(telsim({"ring", "1", "--number", "01632960123", "--name", "ANN SMITH"}), "");
    ASSERT_TRUE(eventually([&] { return callLogHas(1); })) << readFile(home() / "log.txt");
    // Time for the window system to paint the pop-up.
    std::this_thread::sleep_for(1s);

    const fs::path picture = fs::path(BELLTALE_BINARY_DIR) / "artifacts" / "caller_popup.png";
    fs::create_directories(picture.parent_path());
    RunningProgram shot("/usr/bin/import",
                        {"-display", display, "-window", "root", picture.string()},
                        environment("offscreen", display), root() / "stderr-import");
    EXPECT_EQ(shot.finish(), 0) << readFile(root() / "stderr-import");
    EXPECT_EQ(readFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::printf("caller pop-up: %s\n", picture.c_str());

    telsim({"hangup", "1"});
    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
    xserver.stopWith(SIGTERM);
}

}  // namespace
