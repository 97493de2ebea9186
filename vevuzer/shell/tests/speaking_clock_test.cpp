#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace {

core::OleDate at(int hour, int minute, int second = 0) {
    return core::oleDateFrom({2026, 3, 2, hour, minute, second, 0});
}

TEST(SpeakingClock, SaysTheTimeInTwelveHourForm) {
    struct Case {
        int hour, minute;
        std::string_view sentence;
    };
    static constexpr Case cases[] = {
        {0, 0, "The time is midnight."},
        {0, 1, "The time is , 1 minute past 12. "},
        {0, 15, "The time is , 15 minutes past 12. "},
        {0, 30, "The time is , half past 12. "},
        {0, 45, "The time is , 12, 45. "},
        {1, 0, "The time is , 1 O clock. "},
        {3, 45, "The time is , 3 45. "},  // never counted on to the next hour
        {12, 0, "The time is , 12 O clock. "},
        {12, 1, "The time is , 1 minute past 12. "},
        {12, 59, "The time is , 12 59. "},
        {13, 1, "The time is , 1 minute past 1. "},
        {23, 29, "The time is , 29 minutes past 11. "},
        {23, 30, "The time is , half past 11. "},
        {23, 59, "The time is , 11 59. "},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::to_string(row.hour) + ":" + std::to_string(row.minute));
        EXPECT_EQ(mod_clock::timeSentence(at(row.hour, row.minute, 59)), row.sentence);
    }
}

TEST(SpeakingClock, SpeaksTheSentenceUnlessSpeechIsSilenced) {
    core::VirtualTime time(at(15, 20, 30));
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    vevuzer::SpeechControl speech;
    vevuzer::say("Long sentence being spoken", vevuzer::kSayNormal);
    mod_clock::saytime();
    time.advance(std::chrono::seconds(10));
    // Normal priority: queued behind what is being said, not cutting it short.
    ASSERT_EQ(spoken.sentences().size(), 2u);
    EXPECT_FALSE(spoken.sentences()[0].cutShort);
    EXPECT_EQ(spoken.sentences()[1].text, "The time is , 20 minutes past 3. ");

    settings::writeTruth(settings::key::silence, true);
    mod_clock::saytime();
    time.advance(std::chrono::seconds(10));
    EXPECT_EQ(spoken.sentences().size(), 2u);
    const std::string log = core::readFile(vevuzer::logFilePath()).value_or("");
    EXPECT_TRUE(
        log.ends_with("The silence setting is set to True, speech command has been ignored\r\n"));
}

TEST(SpeakingClock, SpeaksAtItsIntervalOnTheMainWindow) {
    core::VirtualTime time(at(8, 59, 30));
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    frm_main window;
    settings::write(settings::key::annfreq, "15");
    window.main().Timer2().setInterval(1000);
    time.advance(std::chrono::minutes(61));
    EXPECT_EQ(spoken.texts(), (std::vector<std::string>{
                                  "The time is , 9 O clock. ",
                                  "The time is , 15 minutes past 9. ",
                                  "The time is , half past 9. ",
                                  "The time is , 9 45. ",
                                  "The time is , 10 O clock. ",
                              }));
}

}  // namespace
