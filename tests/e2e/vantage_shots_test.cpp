// The monitor windows on a real (virtual) X display: the Line window with a call in progress (one
// picture of the frame, one of each page and one of each tree), the Phone window with its handset
// lifted, the Play window half way through a tone and the Record window recording it (one of each
// page), kept in the build folder for a person to look at.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/running_program.h"

namespace {

using namespace e2e;

TEST(MonitorWindows, PicturesOfEveryPageOnAnXDisplay) {
    if (!fs::exists("/usr/bin/Xvfb"))
        GTEST_SKIP() << "Xvfb is not installed: no pictures of the monitor windows";
    const fs::path root = makeTempFolder();
    ASSERT_FALSE(root.empty());
    RunningProgram xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24"},
                           environmentWith({}), root / "stderr-xvfb");
    if (!xserver.started() || !xserver.waitForLine(""))
        GTEST_SKIP() << "Xvfb did not start: no pictures of the monitor windows";
    const std::string& out = xserver.output();
    const std::string display = ":" + out.substr(0, out.find('\n'));

    const fs::path folder = fs::path(BELLTALE_BINARY_DIR) / "artifacts";
    RunningProgram shots(VANTAGE_SHOTS_PROGRAM, {folder.string()},
                         environmentWith({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}}),
                         root / "stderr-shots");
    EXPECT_EQ(shots.finish(), 0) << readFile(root / "stderr-shots");
    const std::string pictures[] = {
        "frame",
        "TabSheetAddress",
        "TabSheetCall",
        "TabSheetConference",
        "TabSheetLog",
        "TabSheetInfo",
        "TabSheetTerminal",
        "TabSheetTransfer",
        "TreeViewCallDetails",
        "TabSheetCallCallerID",
        "TreeViewAddressCaps",
        "TreeViewAddressProperties",
        "TreeViewInfo",
        "TreeViewTerminal",
    };
    for (const std::string& name : pictures) {
        SCOPED_TRACE(name);
        const fs::path picture = folder / ("line_monitor_" + name + ".png");
        EXPECT_EQ(readFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    }
    const std::string otherWindows[] = {
        "phone_monitor_TabSheetHookSwitch",
        "phone_monitor_TabSheetLog",
        "phone_monitor_TabSheetInfo",
        "play_monitor_TabSheetLog",
        "play_monitor_TabSheetDevicePositionTimerVolume",
        "play_monitor_TabSheetSource",
        "record_monitor_TabSheetDevice",
        "record_monitor_TabSheetLog",
        "record_monitor_TabSheetSource",
    };
    for (const std::string& name : otherWindows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readFile(folder / (name + ".png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
    }
    xserver.stopWith(SIGTERM);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

}  // namespace
