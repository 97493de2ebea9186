// The settings window on a real (virtual) X display: one picture of each page, kept in the build
// folder for a person to look at.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/running_program.h"

namespace {

using namespace e2e;

TEST(SettingsWindowShots, PicturesOfEveryPageOnAnXDisplay) {
    if (!fs::exists("/usr/bin/Xvfb"))
        GTEST_SKIP() << "Xvfb is not installed: no pictures of the settings window";
    const fs::path root = makeTempFolder();
    ASSERT_FALSE(root.empty());
    RunningProgram xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24"},
                           environmentWith({}), root / "stderr-xvfb");
    if (!xserver.started() || !xserver.waitForLine(""))
        GTEST_SKIP() << "Xvfb did not start: no pictures of the settings window";
    const std::string& out = xserver.output();
    const std::string display = ":" + out.substr(0, out.find('\n'));

    const fs::path folder = fs::path(BELLTALE_BINARY_DIR) / "artifacts";
    RunningProgram shots(SETTINGS_SHOTS_PROGRAM, {folder.string()},
                         environmentWith({{"QT_QPA_PLATFORM", "xcb"},
                                          {"DISPLAY", display},
                                          {"XDG_CONFIG_HOME", (root / "config").string()}}),
                         root / "stderr-shots");
    EXPECT_EQ(shots.finish(), 0) << readFile(root / "stderr-shots");
    const char* pages[] = {"0_Modems",           "1_About",           "2_Caller_ID",
                           "3_General_Settings", "4_Blocked_callers", "5_Email_notification",
                           "6_Problems",         "7_Check_Email",     "8_Quick_Send_Fax",
                           "9_Compatibility"};
    for (const char* page : pages) {
        const fs::path picture = folder / (std::string("settings_") + page + ".png");
        EXPECT_EQ(readFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n") << page;
    }
    xserver.stopWith(SIGTERM);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

}  // namespace
