#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/com/dispatch_client.h"
#include "platform/core/clock.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/direct_ss_automation.h"
#include "platform/speech/speech.h"
#include "platform/speech/testing/speech_recorder.h"

using namespace std::chrono_literals;

namespace {

using Texts = std::vector<std::string>;

// Sentences last 10 ms a character: "one" takes 30 ms, "three" 50 ms.
class DirectSSTest : public testing::Test {
  protected:
    std::int64_t elapsed() const { return core::tickCount64() - m_start; }
    std::int64_t startOf(std::size_t i) const {
        return m_speech.sentences().at(i).startedAt - m_start;
    }
    std::int64_t endOf(std::size_t i) const {
        return m_speech.sentences().at(i).endedAt.value_or(-1) - m_start;
    }
    bool cut(std::size_t i) const { return m_speech.sentences().at(i).cutShort; }

    core::VirtualTime m_time;
    std::int64_t m_start = core::tickCount64();
    speech::SpeechRecorder m_speech{10ms};
    speech::DirectSS m_control;
};

TEST_F(DirectSSTest, SentencesQueueBehindTheOneBeingSpoken) {
    EXPECT_FALSE(m_control.Speaking());
    m_control.Speak("one");
    m_control.Speak("three");
    EXPECT_TRUE(m_control.Speaking()) << "Speak returns at once, speaking";
    EXPECT_EQ(m_speech.texts(), Texts{"one"});

    m_time.advance(29ms);
    EXPECT_EQ(m_speech.texts(), Texts{"one"}) << "the second waits for the first to end";
    m_time.advance(1ms);
    EXPECT_EQ(m_speech.texts(), (Texts{"one", "three"}));
    EXPECT_EQ(startOf(1), 30);

    m_time.advance(49ms);
    EXPECT_TRUE(m_control.Speaking());
    m_time.advance(1ms);
    EXPECT_FALSE(m_control.Speaking());
    EXPECT_EQ(endOf(1), 80);
    EXPECT_FALSE(cut(0));
    EXPECT_FALSE(cut(1));
}

// The urgent announcement's way: reset, then speak.
TEST_F(DirectSSTest, ResetCutsTheSentenceShortAndDropsTheQueue) {
    m_control.Speak("a long sentence");
    m_control.Speak("queued");
    m_time.advance(40ms);

    m_control.AudioReset();
    EXPECT_FALSE(m_control.Speaking());
    EXPECT_TRUE(cut(0));
    EXPECT_EQ(endOf(0), 40);

    m_control.Speak("urgent");
    EXPECT_EQ(startOf(1), 40) << "heard at once";
    m_time.advance(1s);
    EXPECT_EQ(m_speech.texts(), (Texts{"a long sentence", "urgent"})) << "the queued one is gone";
    EXPECT_FALSE(cut(1));
    EXPECT_FALSE(m_control.Speaking());
}

TEST_F(DirectSSTest, ResetWhenSilentChangesNothing) {
    m_control.AudioReset();
    EXPECT_FALSE(m_control.Speaking());
    m_control.Speak("after");
    m_control.AudioReset();
    m_control.AudioReset();
    m_time.advance(1s);
    EXPECT_EQ(m_speech.texts(), Texts{"after"});
    EXPECT_TRUE(cut(0));
}

TEST_F(DirectSSTest, ANewSentenceAfterTheQueueRanDryStartsAtOnce) {
    m_control.Speak("one");
    m_time.advance(100ms);
    m_control.Speak("two");
    EXPECT_EQ(startOf(1), 100);
    EXPECT_TRUE(m_control.Speaking());
}

TEST_F(DirectSSTest, DestroyingTheControlSilencesIt) {
    auto control = std::make_unique<speech::DirectSS>();
    control->Speak("going");
    control->Speak("never heard");
    m_time.advance(10ms);
    control.reset();
    m_time.advance(1s);
    EXPECT_EQ(m_speech.texts(), Texts{"going"});
    EXPECT_TRUE(cut(0));
}

// A container drives the control by DISPID: reset (36), then speak (6), as urgent speech does.
TEST_F(DirectSSTest, AutomationMembersReachTheControl) {
    const com::Dispatch control(speech::createDirectSSObject());
    EXPECT_TRUE(control.call(speech::DISPID_DirectSS_Speak, std::string("routine")).succeeded());
    EXPECT_TRUE(control.call(speech::DISPID_DirectSS_Speak, std::string("dropped")).succeeded());
    m_time.advance(20ms);
    EXPECT_TRUE(control.call(speech::DISPID_DirectSS_AudioReset).succeeded());
    EXPECT_TRUE(control.call(speech::DISPID_DirectSS_Speak, std::string("Ann Smith")).succeeded());
    m_time.advance(1s);
    EXPECT_EQ(m_speech.texts(), (Texts{"routine", "Ann Smith"}));
    EXPECT_TRUE(cut(0));
    EXPECT_EQ(startOf(1), 20);
}

}  // namespace
