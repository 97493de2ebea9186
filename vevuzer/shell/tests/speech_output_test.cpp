#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/vb_settings.h"
#include "platform/speech/testing/speech_recorder.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/speech_output.h"

using namespace std::chrono_literals;

namespace {

constexpr std::string_view kMuted =
    "The silence setting is set to True, speech command has been ignored";

// The clock first, then what records speech, then the control that speaks.
class Say : public ::testing::Test {
  protected:
    std::string logText() const { return core::readFile(m_folder.home() / "log.txt").value_or(""); }
    static void setSilence(std::optional<std::string_view> value) {
        if (value) {
            vb::SaveSetting("Belltale", "data", "silence", *value);
        } else {
            vb::DeleteSetting("Belltale", "data", "silence");
        }
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken{10ms};  // a sentence lasts 10 ms per character
    vevuzer::SpeechControl m_control;
};

TEST_F(Say, SpeaksAndLogsUnlessSilenceMutesIt) {
    struct Case {
        std::optional<std::string_view> silence;  // nothing: never written
        bool muted;
    };
    static constexpr Case cases[] = {
        {std::nullopt, false}, {"False", false}, {"True", true}, {"yes", true}, {"", true},
    };
    for (const Case& row : cases) {
        for (int priority : {0, 1}) {
            SCOPED_TRACE(std::string(row.silence.value_or("<never written>")) + ", priority " +
                         std::to_string(priority));
            vevuzer::testing::FreshProgramFolder folder;
            speech::SpeechRecorder spoken;
            vevuzer::SpeechControl control;
            setSilence(row.silence);
            vevuzer::say("You have 1 email waiting", priority);
            m_time.runUntilIdle();
            const std::string log = core::readFile(folder.home() / "log.txt").value_or("");
            if (row.muted) {
                EXPECT_EQ(log, std::string(kMuted) + "\r\n");
                EXPECT_TRUE(spoken.texts().empty());
            } else {
                EXPECT_EQ(log, "Speech command, now saying You have 1 email waiting\r\n");
                EXPECT_EQ(spoken.texts(), std::vector<std::string>{"You have 1 email waiting"});
            }
        }
    }
}

TEST_F(Say, NormalPriorityQueuesBehindTheSentenceBeingSpoken) {
    vevuzer::say("Incoming call", 0);
    m_time.advance(50ms);
    vevuzer::say("Telephone directory", 0);
    m_time.advance(1s);
    const auto& sentences = m_spoken.sentences();
    ASSERT_EQ(sentences.size(), 2u);
    EXPECT_FALSE(sentences[0].cutShort);
    EXPECT_EQ(sentences[1].startedAt, *sentences[0].endedAt);
    EXPECT_EQ(sentences[1].text, "Telephone directory");
}

TEST_F(Say, UrgentPriorityCutsShortWhatIsSpokenAndWhatWaits) {
    vevuzer::say("Incoming call", 0);
    vevuzer::say("Telephone directory", 0);
    m_time.advance(50ms);
    vevuzer::say("Ann Smith is calling on line 1", 1);
    m_time.advance(1s);
    EXPECT_EQ(m_spoken.texts(),
              (std::vector<std::string>{"Incoming call", "Ann Smith is calling on line 1"}));
    EXPECT_TRUE(m_spoken.sentences()[0].cutShort);
    EXPECT_EQ(m_spoken.sentences()[1].startedAt, m_spoken.sentences()[0].endedAt);
    EXPECT_EQ(logText(),
              "Speech command, now saying Incoming call\r\n"
              "Speech command, now saying Telephone directory\r\n"
              "Speech command, now saying Ann Smith is calling on line 1\r\n");
}

TEST_F(Say, MutedUrgentSpeechLeavesTheSentenceBeingSpokenAlone) {
    vevuzer::say("Incoming call", 0);
    m_time.advance(50ms);
    setSilence("True");
    vevuzer::say("Ann Smith is calling on line 1", 1);
    m_time.advance(1s);
    ASSERT_EQ(m_spoken.texts(), std::vector<std::string>{"Incoming call"});
    EXPECT_FALSE(m_spoken.sentences()[0].cutShort);
}

TEST_F(Say, ReturnsAtOnceAndPassesEngineTagsThrough) {
    const std::string sentence =
        "\\emp\\There was an error whilst downloading, \\emp\\please try to download the file "
        "manually!";
    const std::int64_t before = core::tickCount64();
    vevuzer::say(sentence, 1);
    EXPECT_EQ(core::tickCount64(), before);
    m_time.runUntilIdle();
    EXPECT_EQ(m_spoken.texts(), std::vector<std::string>{sentence});
}

TEST(SayWithoutControl, StillLogsAndLosesTheSentence) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    vevuzer::say("Please wait", 1);
    time.runUntilIdle();
    EXPECT_EQ(core::readFile(folder.home() / "log.txt").value_or(""),
              "Speech command, now saying Please wait\r\n");
    EXPECT_TRUE(spoken.texts().empty());
}

}  // namespace
