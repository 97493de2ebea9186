// The blocked and e-mail lists and the incoming-call log line, on real files in a fresh program
// folder.
#include "vevuzer/monitoring/number_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/core/virtual_time.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"

namespace {

TEST(NumberList, MatchesTheStrippedNumberAnywhereInTheFirstLine) {
    struct Case {
        const char* what;
        const char* file;
        const char* content;
        const char* number;
        bool listed;
    };
    static constexpr Case cases[] = {
        {"whole entry", "blocked.ini", " 01632960999, 0800555111,", "01632960999", true},
        {"dashes and blanks on both sides", "blocked.ini", " 01632 960-999,", "0163-296 0999",
         true},
        // A number also matches the start of a longer entry.
        {"part of an entry", "blocked.ini", " 0123-4,", "0123", true},
        {"letters ignore case", "email.ini", " ABC123,", "abc123", true},
        {"not listed", "blocked.ini", " 01632960999,", "01632960998", false},
        {"only the first line counts", "blocked.ini", " 0800555111,\r\n 01632960999,",
         "01632960999", false},
        {"name in another case", "BLOCKED.INI", " 01632960999,", "01632960999", true},
        // An empty text occurs in every list: a caller without a number would be dropped.
        {"no number", "blocked.ini", " 01632960999,", "", false},
        {"only dashes and blanks", "blocked.ini", " 01632960999,", "   -   -    ", false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        ASSERT_TRUE(core::rewriteFile(folder.home() / row.file, row.content));
        const std::string listName = core::toLowerAscii(row.file) == "email.ini"
                                         ? std::string(vevuzer::kEmailListFile)
                                         : std::string(vevuzer::kBlockedListFile);
        EXPECT_EQ(vevuzer::numberListed(listName, row.number), row.listed);
    }
}

TEST(NumberList, MissingListListsNothing) {
    vevuzer::testing::FreshProgramFolder folder;
    EXPECT_FALSE(vevuzer::numberListed(vevuzer::kBlockedListFile, "01632960999"));
}

TEST(CallLog, AppendsOneLinePerCallAndKeepsCallersOnOneLine) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    ASSERT_TRUE(core::rewriteFile(folder.home() / "INCLOG.TXT", "01632960123, Ann, earlier\r\n"));
    const std::string when = vevuzer::dateText() + " " + vevuzer::timeText();

    EXPECT_TRUE(vevuzer::appendCallLog(vevuzer::CallLogLine("", "")));
    EXPECT_TRUE(vevuzer::appendCallLog(
        vevuzer::CallLogLine(std::string("0163\r\n2960", 10), std::string("Ann\0Smith\n", 10))));

    EXPECT_EQ(core::readFile(folder.home() / "INCLOG.TXT"),
              "01632960123, Ann, earlier\r\n"
              ", , " +
                  when +
                  "\r\n"
                  "0163  2960, Ann Smith , " +
                  when + "\r\n");
}

}  // namespace
