// The call list over the status box: its entries made from the incoming-call log, and showing and
// hiding it.
#include "vevuzer/shell/call_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/frm_main.h"

#include <QListWidget>

namespace {

TEST(CallListLine, ShowsNumberNameAndTimeOfALogLine) {
    struct Case {
        const char* logLine;
        const char* entry;
    };
    static constexpr Case cases[] = {
        {"01632960123, Ann Smith, 02/03/2026 09:00:01",
         "1: 01632960123, Ann Smith, 02/03/2026 09:00:01"},
        {"  01632960123 ,  Ann Smith  ,  02/03/2026 09:00:01  ",
         "1: 01632960123, Ann Smith, 02/03/2026 09:00:01"},
        {", , 02/03/2026 09:00:01", "1: , Name Unavailable, 02/03/2026 09:00:01"},
        {"01632960123, A, 02/03/2026 09:00:01",
         "1: 01632960123, Name Unavailable, 02/03/2026 09:00:01"},
        {"just a line", "1: just a line, Name Unavailable, "},
        // Text after a third comma is left out: the date of a recording line is lost this way.
        {"3.wav, Caller ID recording on line 1, , 02/03/2026 09:00:01",
         "1: 3.wav, Caller ID recording on line 1, "},
        {"", "1: , Name Unavailable, "},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.logLine);
        EXPECT_EQ(vevuzer::CallListLine(1, row.logLine), row.entry);
    }
    EXPECT_EQ(vevuzer::CallListLine(12, "0, Bo, x"), "12: 0, Bo, x");
}

class CallList : public ::testing::Test {
  protected:
    std::vector<std::string> items(const frm_main& window) const {
        std::vector<std::string> shown;
        for (int i = 0; i < window.displayListCount(); ++i) {
            shown.push_back(window.displayItem(i));
        }
        return shown;
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(CallList, ShowsTheLoggedCallsForFifteenSecondsThenHidesOnTheNextCall) {
    ASSERT_TRUE(core::rewriteFile(m_folder.home() / "InCLog.txt",
                                  "01632960123, Ann Smith, 02/03/2026 09:00:01\r\n"
                                  ", , 02/03/2026 09:05:00\r\n"));
    frm_main window;
    vevuzer::MainWindow& main = window.main();

    main.loaddisplay();
    EXPECT_EQ(items(window), (std::vector<std::string>{
                                 "1: 01632960123, Ann Smith, 02/03/2026 09:00:01",
                                 "2: , Name Unavailable, 02/03/2026 09:05:00",
                             }));
    EXPECT_TRUE(window.displayVisible());
    EXPECT_FALSE(window.control<QWidget>("txt_display")->isVisibleTo(&window));
    EXPECT_EQ(window.control<QListWidget>("display")->currentRow(), 1);
    EXPECT_EQ(main.state().statuscountdown, 15);

    main.loaddisplay();
    EXPECT_FALSE(window.displayVisible());
    EXPECT_TRUE(window.control<QWidget>("txt_display")->isVisibleTo(&window));
    EXPECT_EQ(main.state().statuscountdown, 0);
    m_time.runUntilIdle();
    EXPECT_TRUE(m_spoken.texts().empty());
}

TEST_F(CallList, SaysSoWhenNoCallIsLogged) {
    for (const bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile ? "empty log" : "no log");
        if (emptyFile) {
            ASSERT_TRUE(core::rewriteFile(m_folder.home() / "inclog.txt", ""));
        }
        frm_main window;
        window.main().loaddisplay();
        m_time.runUntilIdle();
        EXPECT_FALSE(window.displayVisible());
        ASSERT_FALSE(m_spoken.texts().empty());
        EXPECT_EQ(m_spoken.texts().back(), "You have no call information to display");
    }
}

}  // namespace
