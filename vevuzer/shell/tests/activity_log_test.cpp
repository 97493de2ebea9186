#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/folders.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"

namespace fs = std::filesystem;

namespace {

class ActivityLog : public ::testing::Test {
  protected:
    fs::path inFolder(std::string_view name) const { return m_folder.home() / name; }
    static std::string contentOf(const fs::path& path) {
        return core::readFile(path).value_or("<missing>");
    }
    static void put(const fs::path& path, std::string_view text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    vevuzer::testing::FreshProgramFolder m_folder;
};

TEST_F(ActivityLog, WritesEachTextAsOneCrLfLineInCallOrder) {
    vevuzer::log("Checking for missing files");
    vevuzer::log("");
    vevuzer::log("Code = 0");
    vevuzer::log("Zoë rang: \\emp\\now");
    EXPECT_EQ(contentOf(inFolder("log.txt")),
              "Checking for missing files\r\n\r\nCode = 0\r\nZoë rang: \\emp\\now\r\n");
    EXPECT_EQ(vevuzer::logFilePath(), inFolder("log.txt"));
}

TEST_F(ActivityLog, KeepsNoFileOpenBetweenLines) {
    vevuzer::log("first");
    // The text editor or the problem report may move the file away between two lines.
    fs::rename(inFolder("log.txt"), inFolder("sent.txt"));
    vevuzer::log("second");
    EXPECT_EQ(contentOf(inFolder("sent.txt")), "first\r\n");
    EXPECT_EQ(contentOf(inFolder("log.txt")), "second\r\n");
}

TEST_F(ActivityLog, ALogThatCannotBeWrittenLosesTheLineQuietly) {
    fs::create_directory(inFolder("log.txt"));
    vevuzer::log("lost");
    EXPECT_TRUE(fs::is_directory(inFolder("log.txt")));
}

TEST_F(ActivityLog, AFreshStartDeletesOnlyAFileNamedExactlyLogTxt) {
    struct Case {
        std::optional<std::string_view> oldName;  // the log left by the last run, if any
        bool deleted;
        std::string_view logAfterStart;  // after the fresh start and one "started" line
    };
    static constexpr Case cases[] = {
        {std::nullopt, false, "started\r\n"},
        {"log.txt", true, "Deleted log file ready for new input\r\nstarted\r\n"},
        // Found under another case, it is not the exact name: it stays and the run goes on in it.
        {"LOG.TXT", false, "last run\r\nstarted\r\n"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.oldName.value_or("<no old log>"));
        vevuzer::testing::FreshProgramFolder folder;
        if (row.oldName) {
            put(folder.home() / *row.oldName, "last run\r\n");
        }
        EXPECT_EQ(vevuzer::startFreshLog(), row.deleted);
        vevuzer::log("started");
        EXPECT_EQ(contentOf(vevuzer::logFilePath()), row.logAfterStart);
        EXPECT_EQ(vevuzer::logFilePath().filename(), row.oldName.value_or("log.txt"));
    }
}

}  // namespace
