// The start-up window's choice and the first-run installation, in virtual time.
#include "vevuzer/shell/frm_start.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/shell/launch.h"
#include "platform/shell/testing/recorded_starts.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/mod_clock.h"

namespace {

namespace fs = std::filesystem;

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file).put('x');
}

TEST(StartUpWindow, ShowsTheMainWindowOrRunsTheInstallers) {
    struct Case {
        const char* name;
        const char* instrun;  // nullptr: never written
        const char* firstMarker;
        const char* secondMarker;
        bool mainWindow;
        const char* instrunAfter;
    };
    static constexpr Case cases[] = {
        {"both present", nullptr, "speech/speech.hlp", "lhsp/tv/Tv_enua.dll", true, "0"},
        {"first missing", nullptr, nullptr, "lhsp/tv/Tv_enua.dll", false, "1"},
        {"second missing", "1", "speech/speech.hlp", nullptr, false, "2"},
        {"installed twice already", "2", nullptr, nullptr, true, "2"},
        {"not a number counts as 0", "abc", nullptr, nullptr, false, "1"},
        {"out of range counts as 0", "40000", nullptr, nullptr, false, "1"},
        {"names in capitals count", nullptr, "SPEECH/SPEECH.HLP", "LHSP/TV/TV_ENUA.DLL", true, "0"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        core::VirtualTime time;
        vevuzer::testing::FreshProgramFolder folder;
        ASSERT_TRUE(core::fillProgramFolder());
        shell::RecordedStarts starts;
        const fs::path windir = mod_clock::GetWinDir();
        if (row.instrun)
            settings::write(settings::key::instrun, row.instrun);
        if (row.firstMarker)
            touch(windir / row.firstMarker);
        if (row.secondMarker)
            touch(windir / row.secondMarker);
        int ended = 0;
        EXPECT_EQ(vevuzer::frm_start_Load([&] { ++ended; }), row.mainWindow);
        EXPECT_EQ(ended, row.mainWindow ? 0 : 1);
        EXPECT_EQ(settings::read(settings::shell::instrun), row.instrunAfter);
        if (!row.mainWindow) {
            EXPECT_EQ(starts.waitFor(3).size(), 3u);
        }
    }
}

TEST(StartUpWindow, InstallerWindowStartsTheInstallersThenTheRestartProgram) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    ASSERT_TRUE(core::fillProgramFolder());
    shell::RecordedStarts starts;
    const std::string programs = core::programFolder().string();
    std::vector<int> bar;
    int ended = 0;
    // The start the user asked for comes after the installation, with its arguments.
    vevuzer::setRestartArguments({"--serial-modem", "/dev/ttyUSB0"});
    frm_wait wait([&] { ++ended; });
    wait.Form_Load();
    EXPECT_EQ(wait.twipsLeft(), 0);
    EXPECT_EQ(wait.twipsTop(), 0);
    EXPECT_EQ(wait.twipsWidth(), 6075);
    EXPECT_EQ(wait.twipsHeight(), 2100);
    EXPECT_TRUE(wait.windowFlags() & Qt::WindowStaysOnTopHint);
    // The second (counted from the load) at which each program starts.
    const std::vector<std::pair<int, std::vector<std::string>>> expected = {
        {2, {programs + "/agent.exe", "/Q:A"}},
        {11, {programs + "/speech.exe", "/Q:A"}},
        {20, {programs + "/reboot.exe", "--serial-modem", "/dev/ttyUSB0"}},
    };
    std::size_t due = 0;
    for (int second = 1; second <= 21; ++second) {
        SCOPED_TRACE(second);
        time.advance(std::chrono::seconds(1));
        bar.push_back(wait.control<QProgressBar>("bar")->value());
        if (due < expected.size() && expected[due].first == second) {
            ++due;
        }
        // The stubs run detached: wait for the ones due by now, then none more may have come.
        const std::vector<shell::RecordedStart> started = starts.waitFor(due);
        ASSERT_EQ(started.size(), due);
        if (due > 0 && expected[due - 1].first == second) {
            EXPECT_EQ(started[due - 1].argv, expected[due - 1].second);
            EXPECT_EQ(started[due - 1].directory, programs);
        }
        EXPECT_EQ(ended, second >= 20 ? 1 : 0);
    }
    EXPECT_EQ(bar[18], 19);
    EXPECT_EQ(bar[19], 19) << "the bar never reaches its maximum";
    vevuzer::setRestartArguments({});
}

TEST(StartUpWindow, ShippedInstallersPutTheSpeechComponentsInPlace) {
    vevuzer::testing::FreshProgramFolder folder;
    ASSERT_TRUE(core::fillProgramFolder());
    const std::string programs = core::programFolder().string();
    for (const char* installer : {"agent.exe", "speech.exe"}) {
        SCOPED_TRACE(installer);
        EXPECT_TRUE(shell::runForOutput({programs + "/" + installer, "/Q:A"}, 10000));
    }
    int ended = 0;
    EXPECT_TRUE(vevuzer::frm_start_Load([&] { ++ended; })) << "both markers are in place";
}

}  // namespace
