// The main window and its notification-area icon on a real (virtual) X display with a system tray
// (trayer) running: a new call makes the icon blink, and a picture of the screen is kept in
// build/artifacts for a person to look at.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/e2e/program_folder.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

class MainWindowShot : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolder());
        saveSettings({{"silence", "True"}, {"flashscroll", "True"}});
        ASSERT_EQ(registerControls(environment("offscreen")), 0);
    }

    // The shipped assets, read where they are.
    std::vector<std::string> environment(const std::string& platform,
                                         const std::string& display = "") const {
        std::map<std::string, std::string> extra = {{"QT_QPA_PLATFORM", platform},
                                                    {"BELLTALE_ASSETS", BELLTALE_ASSETS},
                                                    {"BELLTALE_EXCHANGE_SOCKET", "on"}};
        if (!display.empty())
            extra["DISPLAY"] = display;
        return ProgramFolder::environment(extra);
    }
    std::string log() const { return readFile(home() / "log.txt"); }
};

TEST_F(MainWindowShot, ShowsTheWindowAndTheBlinkingIconInTheTray) {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/import", "/usr/bin/trayer"}) {
        if (!fs::exists(tool)) {
            GTEST_SKIP() << tool << " is not installed: no screenshot of the main window";
        }
    }
    RunningProgram xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24"},
                           environment("offscreen"), root() / "stderr-xvfb");
    if (!xserver.started() || !xserver.waitForLine("")) {
        GTEST_SKIP() << "Xvfb did not start: no screenshot of the main window";
    }
    std::string number = xserver.output();
    number.erase(number.find_last_not_of("\r\n") + 1);
    const std::string display = ":" + number;
    RunningProgram tray(
        "/usr/bin/trayer",
        {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120",
         "--heighttype", "pixel", "--height", "32", "--transparent", "false", "--tint", "0x404040"},
        environment("offscreen", display), root() / "stderr-trayer");
    ASSERT_TRUE(tray.started());
    // The tray claims the display's notification area as it starts; the program looks for it once.
    std::this_thread::sleep_for(1s);

    RunningProgram program(VEVUZER_PROGRAM, {"--assign-exchange-lines"},
                           environment("xcb", display), root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");
    RunningProgram ring(TELSIM_PROGRAM,
                        {"ring", "1", "--number", "01632960123", "--name", "ANN SMITH"},
                        environment("offscreen"), root() / "stderr-telsim");
    ASSERT_EQ(ring.finish(), 0);
    ASSERT_TRUE(eventually([&] { return fs::exists(home() / "inclog.txt"); })) << log();
    // Three ticks of the new-call flasher, and time for the window system to paint.
    std::this_thread::sleep_for(3s);

    const fs::path picture = fs::path(BELLTALE_BINARY_DIR) / "artifacts" / "main_window_tray.png";
    fs::create_directories(picture.parent_path());
    RunningProgram shot("/usr/bin/import",
                        {"-display", display, "-window", "root", picture.string()},
                        environment("offscreen", display), root() / "stderr-import");
    EXPECT_EQ(shot.finish(), 0) << readFile(root() / "stderr-import");
    EXPECT_EQ(readFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::printf("main window and tray icon: %s\n", picture.c_str());

    EXPECT_EQ(log().find("There is no notification area"), std::string::npos) << log();
    EXPECT_EQ(log().find("The Scroll Lock light cannot be set"), std::string::npos) << log();
    EXPECT_EQ(WEXITSTATUS(program.stopWith(SIGTERM)), 0);
    tray.stopWith(SIGTERM);
    xserver.stopWith(SIGTERM);
}

}  // namespace
