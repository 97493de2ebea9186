#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

// The bytes this process has read from files so far.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return -1;
}

// The dictionary alone is over 100 KB: a sentence that reads it again reads far more than this.
TEST(Espeak, LaterSentencesReadNoEngineDataAgain) {
    ASSERT_TRUE(speech::synthesize(speech::toSsml("Line one is active.")).has_value());
    for (const char* text : {"Line two is active.", R"(\emp\Call\pau=200\ waiting, )", ""}) {
        const long long before = bytesRead();
        ASSERT_TRUE(speech::synthesize(speech::toSsml(text)).has_value()) << text;
        EXPECT_LT(bytesRead() - before, 16 * 1024) << text;
    }
}

// The samples of a document spoken by a copy of this process: the engine's voice drifts a little
// from one sentence to the next, so two documents are compared from the same state.
std::vector<std::int16_t> spokenInACopy(const std::string& ssml) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const auto pcm = speech::synthesize(ssml);
        const auto* bytes = pcm ? reinterpret_cast<const char*>(pcm->samples.data()) : nullptr;
        std::size_t left = pcm ? pcm->samples.size() * sizeof(std::int16_t) : 0;
        while (left > 0) {
            const ssize_t written = ::write(pipe[1], bytes, left);
            if (written <= 0) {
                ::_exit(1);
            }
            bytes += written;
            left -= static_cast<std::size_t>(written);
        }
        ::_exit(pcm ? 0 : 1);
    }
    ::close(pipe[1]);
    std::vector<char> bytes;
    char chunk[65536];
    for (ssize_t got; (got = ::read(pipe[0], chunk, sizeof chunk)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
    std::copy_n(bytes.data(), samples.size() * sizeof(std::int16_t),
                reinterpret_cast<char*>(samples.data()));
    return samples;
}

// Sparing the engine its voice reload leaves every sample as it was, the silence after the words
// included: "<speak >" reaches the engine with its end as written.
TEST(Espeak, SentencesSoundAsWithTheirDocumentEnd) {
    ASSERT_TRUE(speech::espeakReady());
    for (const char* text : {"Line one is active.", "Caller John Smith", "Call from 555 1234,",
                             R"(\emp\Hello, line one!)", R"(Line one\pau=300\)", ""}) {
        const std::string document = speech::toSsml(text);
        const std::string asWritten = "<speak >" + document.substr(std::string("<speak>").size());
        const auto spoken = spokenInACopy(document);
        EXPECT_FALSE(spoken.empty()) << text;
        EXPECT_EQ(spoken, spokenInACopy(asWritten)) << text;
    }
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
