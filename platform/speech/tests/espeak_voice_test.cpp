#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/control_tags.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/speech.h"
#include "platform/winmm/wave_devices.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

TEST(Espeak, ComponentsAreInstalled) {
    EXPECT_TRUE(speech::speechComponentsInstalled());
}

TEST(Espeak, SynthesisesASentenceIntoMemory) {
    const auto pcm = speech::synthesize(speech::toSsml(R"(\emp\Hello, line one.)"));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_GT(pcm->samplesPerSec, 8000);
    const double seconds = static_cast<double>(pcm->samples.size()) / pcm->samplesPerSec;
    EXPECT_GT(seconds, 0.3);
    EXPECT_LT(seconds, 5.0);
    bool audible = false;
    for (const std::int16_t sample : pcm->samples) {
        audible = audible || sample > 1000 || sample < -1000;
    }
    EXPECT_TRUE(audible);
}

// The real voice end to end: synthesis, then the default wave-out device, here one that writes
// what it plays to a file, paced by the virtual clock.
TEST(Espeak, ControlSpeaksThroughTheWaveOutDevice) {
    const fs::path folder =
        fs::temp_directory_path() / ("belltale-speech-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path played = folder / "spoken.wav";
    winmm::configureStandardWaveDevices("file-out=" + played.string());
    {
        core::VirtualTime time;
        speech::DirectSS control;
        control.Speak("Line one is active.");
        time.runUntilIdle();
        EXPECT_TRUE(control.Speaking());
        time.advance(200ms);
        EXPECT_TRUE(control.Speaking()) << "the device plays in step with the clock";
        time.advance(10s);
        EXPECT_FALSE(control.Speaking());
    }
    winmm::configureStandardWaveDevices("null");
    const auto content = core::readFile(played);
    ASSERT_TRUE(content.has_value());
    EXPECT_GT(content->size(), 44u + 22050u)
        << "a RIFF header and more than a quarter of a second of sound";
    fs::remove_all(folder);
}

}  // namespace
