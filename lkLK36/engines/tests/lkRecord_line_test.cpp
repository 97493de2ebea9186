// The wave engines on a telephone line of the simulated exchange: the Record engine records what
// the far end of an answered call says, and what the Play engine plays to the line reaches it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "lkLK36/engines/lkPlay.h"
#include "lkLK36/engines/lkRecord.h"
#include "lkLK36/engines/tests/open_line_fixture.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "platform/winmm/line_devices.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

class WaveOnLine : public OpenLineTest {
  protected:
    // An answering machine's message: two seconds of the test pattern as 8 kHz 16-bit mono.
    std::filesystem::path message() {
        const auto path = dir / "message.wav";
        writeWave(path, {WAVE_FORMAT_PCM, 1, 8000, 16}, pattern(32000, 5));
        return path;
    }

    TempDir dir;
};

TEST_F(WaveOnLine, RecordsWhatTheFarEndSaysAsTheCallBackRecorderDoes) {
    ASSERT_TRUE(line->WaveRecord.Available);
    tapi::IncomingCall call;
    call.number = "01632960123";
    call.recording = message();
    ASSERT_NE(tapi::exchange().ring(0, call), 0u);
    time.advance(100ms);

    TlkRecordInternal recorder;
    recorder.SetDeviceID(line->WaveRecord.ID);
    EXPECT_EQ(recorder.Error().Number(), 0);
    recorder.Source.Format.SetID(wfuLaw08000M08);
    recorder.SetSourceFileName((dir / "1.wav").string());
    recorder.SetDeviceActive(true);
    ASSERT_TRUE(recorder.Device.Active);
    ASSERT_TRUE(line->Call.Answer());  // the far end starts speaking
    time.advance(3s);
    recorder.SetDeviceActive(false);

    // The message companded to mu-law, from the moment of the answer, then silence.
    const auto recorded = readBytes(dir / "1.wav");
    ASSERT_GT(recorded.size(), 46u + 16000u);
    const auto pcm = pattern(32000, 5);
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < pcm.size(); i += 2)
        expected.push_back(
            winmm::linearToMulaw(static_cast<std::int16_t>(pcm[i] | pcm[i + 1] << 8)));
    const auto found =
        std::search(recorded.begin() + 46, recorded.end(), expected.begin(), expected.end());
    ASSERT_NE(found, recorded.end()) << "the whole message, in order, with nothing lost";
    EXPECT_LT(found - (recorded.begin() + 46), 800) << "it starts within 100 ms of the answer";
    EXPECT_EQ(recorded.back(), 0xFF) << "mu-law silence after the message";
}

TEST_F(WaveOnLine, WhatIsPlayedToTheLineReachesTheFarEnd) {
    ASSERT_TRUE(line->WavePlay.Available);
    TlkPlayInternal player;
    player.SetDeviceID(line->WavePlay.ID);
    // The far end hears the line's 8 kHz 16-bit PCM, whatever the file's format.
    writeWave(dir / "u.wav", {WAVE_FORMAT_MULAW, 1, 8000, 8}, pattern(4000, 2));
    player.SetSourceFileName((dir / "u.wav").string());
    player.SetDeviceActive(true);
    time.advance(1s);
    EXPECT_FALSE(player.Device.Active);

    const auto heard = winmm::heardOnLine(static_cast<UINT>(line->WavePlay.ID));
    ASSERT_EQ(heard.size(), 8000u);
    const auto codes = pattern(4000, 2);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto sample = static_cast<std::int16_t>(heard[2 * i] | heard[2 * i + 1] << 8);
        ASSERT_EQ(sample, winmm::mulawToLinear(codes[i])) << i;
    }
}

}  // namespace
