#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/wave_link.h"
#include "platform/winmm/line_devices.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

// The exchange registers its lines' devices when it is built, which the first telephony call does.
TEST(LineDevices, EachLineOwnsOneDeviceOfEachDirection) {
    tapi::exchange().reset();
    for (auto direction : {winmm::WaveDirection::Input, winmm::WaveDirection::Output}) {
        const auto ids = winmm::waveDevicesOwnedBy("line:0", direction);
        ASSERT_EQ(ids.size(), 1u);
        EXPECT_NE(winmm::waveDeviceInfo(direction, ids[0])->name.find("Line 1"), std::string::npos);
    }
    // The mapper never picks a telephone line.
    winmm::configureStandardWaveDevices("none");
    const WAVEFORMATEX format = pcmFormat();
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY),
              MMSYSERR_NODRIVER);
    winmm::configureStandardWaveDevices("null");
}

// A data and fax modem has no voice part, so no device of either direction; given one again, it
// owns them again.
TEST(LineDevices, ALineWithoutAVoicePartOwnsNone) {
    tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
    config.lines[1].wave = false;
    tapi::exchange().reset(config);
    for (auto direction : {winmm::WaveDirection::Input, winmm::WaveDirection::Output}) {
        EXPECT_EQ(winmm::waveDevicesOwnedBy("line:0", direction).size(), 1u);
        EXPECT_TRUE(winmm::waveDevicesOwnedBy("line:1", direction).empty());
        EXPECT_EQ(winmm::waveDevicesOwnedBy("line:2", direction).size(), 1u);
    }
    tapi::exchange().reset();
    EXPECT_EQ(winmm::waveDevicesOwnedBy("line:1", winmm::WaveDirection::Input).size(), 1u);
}

TEST(LineDevices, TheFarEndsRecordingReachesTheLinesWaveInThroughTheMapper) {
    core::VirtualTime time;
    tapi::exchange().reset();
    TempDir dir;
    const auto recording = dir / "far-end.wav";
    const auto samples = pattern(16000);
    writeWave(recording, {WAVE_FORMAT_PCM, 1, 8000, 16}, samples);
    const UINT lineIn = winmm::waveDevicesOwnedBy("line:0", winmm::WaveDirection::Input).at(0);

    // Recorded as the call-back recorder does: mu-law through the mapper.
    const WAVEFORMATEX mulaw{WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0};
    MessageLog log;
    HWAVEIN device = nullptr;
    ASSERT_EQ(waveInOpen(&device, lineIn, &mulaw, log.callback(), 0, CALLBACK_WINDOW | WAVE_MAPPED),
              MMSYSERR_NOERROR);
    std::vector<std::uint8_t> buffer(8000);
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(buffer.data());
    header.dwBufferLength = static_cast<DWORD>(buffer.size());
    waveInPrepareHeader(device, &header, sizeof header);
    const auto recordOneSecond = [&] {
        waveInAddBuffer(device, &header, sizeof header);
        time.advance(1s);
        return log.names().back() == "MM_WIM_DATA";
    };
    const auto silent = [&] {
        return std::count(buffer.begin(), buffer.end(), winmm::linearToMulaw(0)) ==
               static_cast<std::ptrdiff_t>(buffer.size());
    };
    waveInStart(device);
    // Before the far end says anything, and once its recording has ended, the line is silent.
    ASSERT_TRUE(recordOneSecond());
    EXPECT_TRUE(silent());

    tapi::waveDeviceTable()->playIntoWaveIn(lineIn, recording);
    ASSERT_TRUE(recordOneSecond());
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const auto sample = static_cast<std::int16_t>(samples[2 * i] | (samples[2 * i + 1] << 8));
        ASSERT_EQ(buffer[i], winmm::linearToMulaw(sample)) << "sample " << i;
    }
    for (int second = 0; second < 2; ++second) {
        ASSERT_TRUE(recordOneSecond());
        EXPECT_TRUE(silent());
    }
    waveInReset(device);
    waveInUnprepareHeader(device, &header, sizeof header);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

// The far end hears what is played to the line, in the line's format, the oldest dropped past a
// minute.
TEST(LineDevices, TheFarEndHearsWhatIsPlayedToTheLinesWaveOut) {
    core::VirtualTime time;
    tapi::exchange().reset();
    const UINT lineOut = winmm::waveDevicesOwnedBy("line:1", winmm::WaveDirection::Output).at(0);
    const UINT before = static_cast<UINT>(winmm::heardOnLine(lineOut).size());
    const WAVEFORMATEX format = pcmFormat(8000, 1, 8);
    MessageLog log;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(
        waveOutOpen(&device, lineOut, &format, log.callback(), 0, CALLBACK_WINDOW | WAVE_MAPPED),
        MMSYSERR_NOERROR);
    std::vector<std::uint8_t> samples(8000 * 61, 0x90);  // 61 s of 8-bit PCM
    samples[samples.size() - 1] = 0xC0;
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(samples.data());
    header.dwBufferLength = static_cast<DWORD>(samples.size());
    waveOutPrepareHeader(device, &header, sizeof header);
    waveOutWrite(device, &header, sizeof header);
    time.advance(62s);
    waveOutUnprepareHeader(device, &header, sizeof header);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

    const auto heard = winmm::heardOnLine(lineOut);
    ASSERT_EQ(heard.size(), 60u * 16000u) << "a minute is kept; " << before << " before";
    EXPECT_EQ(heard[0] | heard[1] << 8, 0x1000) << "8-bit 0x90 is 16-bit 0x1000";
    EXPECT_EQ(heard[heard.size() - 2] | heard.back() << 8, 0x4000);
    EXPECT_TRUE(winmm::heardOnLine(0xFFFF).empty());
}

}  // namespace
