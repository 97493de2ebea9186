// The new-call flasher of the main window, in virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/frm_main.h"

namespace {

using namespace std::chrono_literals;

class Flasher : public ::testing::Test {
  protected:
    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(Flasher, BlinksThePictureEverySecondStartingFromWhereItIs) {
    for (const bool shownAtStart : {false, true}) {
        SCOPED_TRACE(shownAtStart ? "picture up at the start" : "picture down at the start");
        frm_main window;
        window.setImgFlashVisible(shownAtStart);
        window.main().flash().setInterval(1000);
        std::vector<bool> shown;
        for (int tick = 0; tick < 3; ++tick) {
            m_time.advance(999ms);
            EXPECT_EQ(window.imgFlashVisible(), shown.empty() ? shownAtStart : shown.back());
            m_time.advance(1ms);
            shown.push_back(window.imgFlashVisible());
        }
        EXPECT_EQ(shown, (std::vector<bool>{!shownAtStart, shownAtStart, !shownAtStart}));
    }
}

TEST_F(Flasher, StoppingItShowsTheCallsAndCountsNewCallsAfresh) {
    ASSERT_TRUE(core::rewriteFile(m_folder.home() / "inclog.txt",
                                  "01632960123, Ann Smith, 02/03/2026 09:00:01\r\n"));
    frm_main window;
    vevuzer::MainWindow& main = window.main();
    main.state().newcalls = 2;
    main.flash().setInterval(1000);
    m_time.advance(1000ms);
    ASSERT_TRUE(window.imgFlashVisible());

    main.stopFlasher();
    m_time.runUntilIdle();
    EXPECT_EQ(main.flash().interval(), 0u);
    EXPECT_FALSE(window.imgFlashVisible());
    EXPECT_TRUE(window.displayVisible());
    EXPECT_EQ(window.displayItem(0), "1: 01632960123, Ann Smith, 02/03/2026 09:00:01");
    EXPECT_EQ(m_spoken.texts(),
              std::vector<std::string>{"Here are your calls, 2 of which are new"});
    EXPECT_EQ(main.state().newcalls, 0);

    // A flasher that is not running has nothing to end.
    main.stopFlasher();
    m_time.runUntilIdle();
    EXPECT_TRUE(window.displayVisible());
    EXPECT_EQ(m_spoken.texts().size(), 1u);
}

}  // namespace
