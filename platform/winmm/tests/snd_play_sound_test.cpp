#include <gtest/gtest.h>

#include <chrono>

#include "platform/core/virtual_time.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

// The default output device writes what it plays to a file, which only one open may hold: a
// sound that did not let its device go would make the next one fail.
class SndPlaySoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        winmm::configureStandardWaveDevices("file-out=" + m_capture.string());
        writeWave(m_second, kPcm, m_secondSamples);
        writeWave(m_half, kPcm, m_halfSamples);
    }
    void TearDown() override {
        sndPlaySoundA(nullptr, 0);
        m_time.runUntilIdle();
        winmm::configureStandardWaveDevices("null");
    }
    std::vector<std::uint8_t> captured() {
        m_time.runUntilIdle();
        return samplesOf(m_capture);
    }
    static std::vector<std::uint8_t> repeat(const std::vector<std::uint8_t>& data, int times,
                                            std::size_t extra = 0) {
        std::vector<std::uint8_t> result;
        for (int i = 0; i < times; ++i)
            result.insert(result.end(), data.begin(), data.end());
        result.insert(result.end(), data.begin(),
                      data.begin() + static_cast<std::ptrdiff_t>(extra));
        return result;
    }

    static constexpr winmm::SampleFormat kPcm{WAVE_FORMAT_PCM, 1, 8000, 16};
    core::VirtualTime m_time;
    TempDir m_dir;
    std::filesystem::path m_capture = m_dir / "played.wav";
    std::filesystem::path m_second = m_dir / "second.wav";
    std::filesystem::path m_half = m_dir / "half.wav";
    std::vector<std::uint8_t> m_secondSamples = pattern(16000, 1);
    std::vector<std::uint8_t> m_halfSamples = pattern(8000, 2);
};

TEST_F(SndPlaySoundTest, AsyncReturnsAtOncePlaysTheFileAndLetsTheDeviceGo) {
    const auto start = core::tickCount64();
    EXPECT_EQ(sndPlaySoundA(m_second.c_str(), SND_ASYNC | SND_NODEFAULT), TRUE);
    EXPECT_EQ(core::tickCount64(), start);
    m_time.advance(1s);
    EXPECT_EQ(captured(), m_secondSamples);
    HWAVEOUT device = nullptr;
    const WAVEFORMATEX format = pcmFormat();
    ASSERT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    waveOutClose(device);
}

TEST_F(SndPlaySoundTest, ANewSoundReplacesTheOneThatPlays) {
    ASSERT_EQ(sndPlaySoundA(m_second.c_str(), SND_ASYNC | SND_NODEFAULT), TRUE);
    m_time.advance(200ms);
    EXPECT_EQ(sndPlaySoundA(m_half.c_str(), SND_ASYNC | SND_NODEFAULT), TRUE);
    m_time.advance(500ms);
    EXPECT_EQ(captured(), m_halfSamples);
}

TEST_F(SndPlaySoundTest, NoStopLeavesAPlayingSoundAlone) {
    ASSERT_EQ(sndPlaySoundA(m_second.c_str(), SND_ASYNC | SND_NODEFAULT), TRUE);
    m_time.advance(200ms);
    EXPECT_EQ(sndPlaySoundA(m_half.c_str(), SND_ASYNC | SND_NODEFAULT | SND_NOSTOP), FALSE);
    m_time.advance(800ms);
    EXPECT_EQ(captured(), m_secondSamples);
    EXPECT_EQ(sndPlaySoundA(m_half.c_str(), SND_ASYNC | SND_NODEFAULT | SND_NOSTOP), TRUE);
    m_time.advance(500ms);
    EXPECT_EQ(captured(), m_halfSamples);
}

TEST_F(SndPlaySoundTest, LoopsUntilANullNameStopsIt) {
    ASSERT_EQ(sndPlaySoundA(m_half.c_str(), SND_ASYNC | SND_NODEFAULT | SND_LOOP), TRUE);
    m_time.advance(1250ms);
    EXPECT_EQ(sndPlaySoundA(nullptr, 0), TRUE);
    m_time.advance(1s);
    EXPECT_EQ(captured(), repeat(m_halfSamples, 2, 4000));
}

TEST_F(SndPlaySoundTest, SyncPumpsUntilTheSoundEnds) {
    const auto start = core::tickCount64();
    EXPECT_EQ(sndPlaySoundA(m_half.c_str(), SND_SYNC | SND_NODEFAULT), TRUE);
    EXPECT_GE(core::tickCount64() - start, 500);
    EXPECT_EQ(captured(), m_halfSamples);
}

TEST_F(SndPlaySoundTest, PlaysMulawFilesAndImagesInMemory) {
    const auto mulaw = m_dir / "mulaw.wav";
    std::vector<std::uint8_t> codes = {0x80, 0x00, 0xFF, 0xEF};
    writeWave(mulaw, {WAVE_FORMAT_MULAW, 1, 8000, 8}, codes);
    ASSERT_EQ(sndPlaySoundA(mulaw.c_str(), SND_ASYNC | SND_NODEFAULT), TRUE);
    m_time.advance(10ms);
    std::vector<std::uint8_t> expected;
    for (std::uint8_t code : codes) {
        const auto sample = static_cast<std::uint16_t>(winmm::mulawToLinear(code));
        expected.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        expected.push_back(static_cast<std::uint8_t>(sample >> 8));
    }
    EXPECT_EQ(captured(), expected);

    const auto image = readBytes(m_half);
    ASSERT_EQ(sndPlaySoundA(reinterpret_cast<LPCSTR>(image.data()), SND_MEMORY | SND_ASYNC), TRUE);
    m_time.advance(500ms);
    EXPECT_EQ(captured(), m_halfSamples);
}

TEST_F(SndPlaySoundTest, ASoundThatCannotPlayGivesFalseWithOrWithoutDefault) {
    const auto missing = m_dir / "missing.wav";
    EXPECT_EQ(sndPlaySoundA(missing.c_str(), SND_ASYNC | SND_NODEFAULT), FALSE);
    EXPECT_EQ(sndPlaySoundA(missing.c_str(), SND_ASYNC), FALSE);
    winmm::configureStandardWaveDevices("none");
    EXPECT_EQ(sndPlaySoundA(m_half.c_str(), SND_ASYNC | SND_NODEFAULT), FALSE) << "no device";
}

}  // namespace
