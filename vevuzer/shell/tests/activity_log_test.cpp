#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

// A log edited by hand may lack its last line end: the next line still starts a line of its own.
TEST_F(ActivityLog, ALastLineWithoutItsEndIsEndedFirst) {
    struct Case {
        std::string_view before, after;
    };
    static constexpr Case cases[] = {
        {"by hand", "by hand\r\nnext\r\n"},
        {"by hand\r", "by hand\r\nnext\r\n"},
        {"by hand\n", "by hand\nnext\r\n"},
        {"by hand\r\n", "by hand\r\nnext\r\n"},
        {"", "next\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        put(inFolder("log.txt"), c.before);
        vevuzer::log("next");
        EXPECT_EQ(contentOf(inFolder("log.txt")), c.after);
    }
}

// Several processes log at once (the program and a second copy shutting down, the control
// library's own logging): a line longer than any stdio buffer still lands whole.
TEST_F(ActivityLog, LongLinesOfSeveralProcessesNeverMix) {
    constexpr int kWriters = 4, kLines = 20;
    constexpr std::size_t kLength = 100'000;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string line(kLength, static_cast<char>('a' + w));
            for (int i = 0; i < kLines; ++i)
                vevuzer::log(line);
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers)
        ::waitpid(pid, nullptr, 0);
    std::istringstream lines(contentOf(inFolder("log.txt")));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_EQ(line.size(), kLength + 1) << "line " << count;  // with its CR
        EXPECT_EQ(line.find_first_not_of(line[0]), kLength) << "line " << count;
    }
    EXPECT_EQ(count, kWriters * kLines);
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
