// Pictures of the address book and the incoming-call log, opened from the main window's buttons on
// a real (virtual) X display with an address book and a log of every kind of call, kept in the
// build folder for a person to look at.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "platform/registry/registry.h"
#include "platform/registry/vb_settings.h"
#include "tests/e2e/running_program.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

// The X window id printed after `name` in the program's output.
std::string windowId(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " ", 0) == 0)
            return line.substr(name.size() + 1);
    }
    return "";
}

TEST(RecordsWindows, PicturesOfTheAddressBookAndTheCallLogOnAnXDisplay) {
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/import")) {
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed: no pictures";
    }
    const fs::path root = makeTempFolder();
    ASSERT_FALSE(root.empty());
    const fs::path home = root / "home";
    const fs::path runtime = root / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    writeFile(home / "directory.ini",
              "[callers]\r\n01632960123=Annie Smith\r\n01632960777=John Doe\r\n"
              "01614960000=Dr Zoë Müller\r\n07700900123=The plumber, call back after six\r\n");
    writeFile(home / "inclog.txt",
              "01632960123, Annie Smith, 10/12/2026 09:15:02\r\n"
              "01632960777, John Doe, 10/12/2026 10:01:44\r\n"
              ", Withheld, 10/12/2026 11:30:10\r\n"
              "Unknow caller on line 2, Caller ID not recorded, 10/12/2026; 12:02:51\r\n"
              "1.wav, Caller ID recording on line 2, , 10/12/2026 12:03:30\r\n"
              "Failed Caller I D record, on line 3, , 10/12/2026 13:45:00\r\n"
              "No Number, Unavailable, 10/12/2026 14:20:05\r\n"
              "01614960000, Dr Zoë Müller, 10/12/2026 15:07:19\r\n");
    setenv("BELLTALE_HOME", home.c_str(), 1);
    registry::dropCache();
    vb::SaveSetting("Belltale", "data", "silence", "True");
    unsetenv("BELLTALE_HOME");
    registry::dropCache();

    RunningProgram xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24"},
                           environmentWith({{"XDG_RUNTIME_DIR", runtime.string()}}),
                           root / "stderr-xvfb");
    if (!xserver.started() || !xserver.waitForLine("")) {
        fs::remove_all(root);
        GTEST_SKIP() << "Xvfb did not start: no pictures";
    }
    std::string display = xserver.output();
    display = ":" + display.substr(0, display.find('\n'));
    const std::vector<std::string> environment =
        environmentWith({{"QT_QPA_PLATFORM", "xcb"},
                         {"DISPLAY", display},
                         {"BELLTALE_HOME", home.string()},
                         {"XDG_RUNTIME_DIR", runtime.string()}});

    RunningProgram program(RECORDS_WINDOWS_PROGRAM, {}, environment, root / "stderr");
    ASSERT_TRUE(program.waitForLine("records windows: ready"))
        << program.output() << readFile(root / "stderr");
    // Time for the window system to paint the windows.
    std::this_thread::sleep_for(1s);

    const fs::path artifacts = fs::path(BELLTALE_BINARY_DIR) / "artifacts";
    fs::create_directories(artifacts);
    for (const char* name : {"frm_directory", "frm_inclog"}) {
        SCOPED_TRACE(name);
        const std::string id = windowId(program.output(), name);
        ASSERT_FALSE(id.empty()) << program.output();
        const fs::path picture = artifacts / (std::string(name) + ".png");
        RunningProgram shot("/usr/bin/import",
                            {"-display", display, "-window", id, picture.string()}, environment,
                            root / "stderr-import");
        EXPECT_EQ(shot.finish(), 0) << readFile(root / "stderr-import");
        EXPECT_EQ(readFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
        std::printf("%s: %s\n", name, picture.c_str());
    }
    const fs::path screen = artifacts / "records_windows.png";
    RunningProgram shot("/usr/bin/import",
                        {"-display", display, "-window", "root", screen.string()}, environment,
                        root / "stderr-import");
    EXPECT_EQ(shot.finish(), 0);

    program.stopWith(SIGKILL);
    xserver.stopWith(SIGTERM);
    fs::remove_all(root);
}

}  // namespace
