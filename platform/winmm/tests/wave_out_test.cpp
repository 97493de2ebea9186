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

// One output device that writes what it plays to a file, driven in virtual time.
class WaveOutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        winmm::configureStandardWaveDevices("file-out=" + m_capture.string());
        ASSERT_EQ(winmm::waveDeviceInfo(winmm::WaveDirection::Output, 0)->name,
                  "File Output played.wav");
    }
    void TearDown() override { winmm::configureStandardWaveDevices("null"); }

    HWAVEOUT open(const WAVEFORMATEX& format, DWORD flags = CALLBACK_WINDOW | WAVE_MAPPED) {
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(waveOutOpen(&handle, 0, &format, m_log.callback(), 0, flags), MMSYSERR_NOERROR);
        return handle;
    }
    WAVEHDR header(std::vector<std::uint8_t>& data, DWORD flags = 0, DWORD loops = 0) {
        WAVEHDR h{};
        h.lpData = reinterpret_cast<LPSTR>(data.data());
        h.dwBufferLength = static_cast<DWORD>(data.size());
        h.dwFlags = flags;
        h.dwLoops = loops;
        return h;
    }
    void queue(HWAVEOUT handle, WAVEHDR& h) {
        ASSERT_EQ(waveOutPrepareHeader(handle, &h, sizeof h), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(handle, &h, sizeof h), MMSYSERR_NOERROR);
    }
    DWORD position(HWAVEOUT handle) {
        MMTIME time{};
        time.wType = TIME_BYTES;
        EXPECT_EQ(waveOutGetPosition(handle, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_EQ(time.wType, TIME_BYTES);
        return time.u.cb;
    }
    std::vector<std::string> names() const { return m_log.names(); }

    core::VirtualTime m_time;
    TempDir m_dir;
    std::filesystem::path m_capture = m_dir / "played.wav";
    MessageLog m_log;
};

TEST_F(WaveOutTest, PlaysBuffersInOrderAndReturnsEachWhenTheClockPassesItsEnd) {
    auto first = pattern(8000, 1), second = pattern(8000, 2);  // half a second each
    HWAVEOUT device = open(pcmFormat());
    WAVEHDR a = header(first), b = header(second);
    queue(device, a);
    queue(device, b);
    EXPECT_TRUE(m_log.received().empty()) << "nothing is delivered inside the calls";

    m_time.advance(499ms);
    EXPECT_EQ(names(), (std::vector<std::string>{"MM_WOM_OPEN"}));
    EXPECT_EQ(waveOutUnprepareHeader(device, &a, sizeof a), WAVERR_STILLPLAYING);
    m_time.advance(1ms);
    ASSERT_EQ(names(), (std::vector<std::string>{"MM_WOM_OPEN", "MM_WOM_DONE"}));
    EXPECT_EQ(m_log.received()[1].header, &a);
    EXPECT_EQ(m_log.received()[1].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &a, sizeof a), MMSYSERR_NOERROR);
    EXPECT_EQ(a.dwFlags & WHDR_PREPARED, 0u);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);

    m_time.advance(500ms);
    EXPECT_EQ(m_log.received().back().header, &b);
    EXPECT_EQ(position(device), 16000u);
    EXPECT_EQ(waveOutUnprepareHeader(device, &b, sizeof b), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    m_time.runUntilIdle();
    EXPECT_EQ(names().back(), "MM_WOM_CLOSE");

    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(samplesOf(m_capture), expected);
}

TEST_F(WaveOutTest, LoopsAHeaderAndCountsThePositionAcrossPasses) {
    auto data = pattern(4000);  // a quarter of a second
    HWAVEOUT device = open(pcmFormat());
    WAVEHDR looped = header(data, WHDR_BEGINLOOP | WHDR_ENDLOOP, 3);
    queue(device, looped);
    m_time.advance(749ms);
    EXPECT_EQ(position(device), 11984u);  // 749 ms of 16000 bytes a second
    EXPECT_EQ(m_log.received().size(), 1u) << "the header stays queued while it loops";
    m_time.advance(1ms);
    EXPECT_EQ(names().back(), "MM_WOM_DONE");

    // Looping by writing the same header again, as a player does at each end: the position keeps
    // counting from the first pass.
    looped.dwFlags = 0;
    queue(device, looped);
    m_time.advance(250ms);
    EXPECT_EQ(position(device), 16000u);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    m_time.runUntilIdle();

    std::vector<std::uint8_t> expected;
    for (int pass = 0; pass < 4; ++pass)
        expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(samplesOf(m_capture), expected);
}

TEST_F(WaveOutTest, PauseHoldsThePositionAndRestartGoesOn) {
    auto data = pattern(16000);
    HWAVEOUT device = open(pcmFormat());
    WAVEHDR h = header(data);
    queue(device, h);
    m_time.advance(300ms);
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    m_time.advance(5s);
    EXPECT_EQ(position(device), 4800u);
    EXPECT_EQ(m_log.received().size(), 1u);
    ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    m_time.advance(699ms);
    EXPECT_EQ(m_log.received().size(), 1u);
    m_time.advance(1ms);
    EXPECT_EQ(names().back(), "MM_WOM_DONE");
    EXPECT_EQ(position(device), 16000u);
}

TEST_F(WaveOutTest, ResetReturnsEveryBufferInOrderAndZeroesThePosition) {
    auto first = pattern(8000, 1), second = pattern(8000, 2);
    HWAVEOUT device = open(pcmFormat());
    WAVEHDR a = header(first), b = header(second);
    queue(device, a);
    queue(device, b);
    m_time.advance(100ms);
    m_log.clear();
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_TRUE(m_log.received().empty());
    EXPECT_EQ(a.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(position(device), 0u);
    m_time.runUntilIdle();
    ASSERT_EQ(m_log.received().size(), 2u);
    EXPECT_EQ(m_log.received()[0].header, &a);
    EXPECT_EQ(m_log.received()[1].header, &b);
    EXPECT_EQ(waveOutUnprepareHeader(device, &a, sizeof a), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    m_time.runUntilIdle();
    EXPECT_EQ(names().back(), "MM_WOM_CLOSE");
    EXPECT_EQ(samplesOf(m_capture).size(), 1600u) << "only what played before the reset";
}

TEST_F(WaveOutTest, QueryOpensNothing) {
    const WAVEFORMATEX format = pcmFormat();
    EXPECT_EQ(waveOutOpen(nullptr, 0, &format, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
              MMSYSERR_NOERROR);
    m_time.runUntilIdle();
    EXPECT_FALSE(std::filesystem::exists(m_capture));
    EXPECT_TRUE(m_log.received().empty());
}

TEST_F(WaveOutTest, FormatsTheMapperTakesAndRefuses) {
    struct Case {
        const char* name;
        WAVEFORMATEX format;
        DWORD flags;
        MMRESULT onDevice;  // opened on device 0 with `flags`
        MMRESULT onMapper;  // opened on WAVE_MAPPER, which always maps
    };
    const WAVEFORMATEX mulaw{WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0};
    const Case cases[] = {
        {"PCM 8 kHz 16-bit", pcmFormat(), 0, MMSYSERR_NOERROR, MMSYSERR_NOERROR},
        {"PCM 44.1 kHz 8-bit stereo", pcmFormat(44100, 2, 8), 0, MMSYSERR_NOERROR,
         MMSYSERR_NOERROR},
        {"mu-law, not mapped", mulaw, 0, WAVERR_BADFORMAT, MMSYSERR_NOERROR},
        {"mu-law, mapped", mulaw, WAVE_MAPPED, MMSYSERR_NOERROR, MMSYSERR_NOERROR},
        {"A-law stereo, mapped",
         {WAVE_FORMAT_ALAW, 2, 8000, 16000, 2, 8, 0},
         WAVE_MAPPED,
         MMSYSERR_NOERROR,
         MMSYSERR_NOERROR},
        {"IMA ADPCM",
         {0x11, 1, 8000, 4000, 1, 4, 0},
         WAVE_MAPPED,
         WAVERR_BADFORMAT,
         WAVERR_BADFORMAT},
        {"tag 0x17",
         {0x17, 1, 8000, 4000, 1, 4, 0},
         WAVE_MAPPED,
         WAVERR_BADFORMAT,
         WAVERR_BADFORMAT},
        {"zero byte rate",
         {WAVE_FORMAT_PCM, 1, 8000, 0, 2, 16, 0},
         WAVE_MAPPED,
         WAVERR_BADFORMAT,
         WAVERR_BADFORMAT},
        {"block align for the wrong channels",
         {WAVE_FORMAT_PCM, 2, 8000, 16000, 2, 16, 0},
         WAVE_MAPPED,
         WAVERR_BADFORMAT,
         WAVERR_BADFORMAT},
        {"24-bit", pcmFormat(8000, 1, 24), WAVE_MAPPED, WAVERR_BADFORMAT, WAVERR_BADFORMAT},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(waveOutOpen(nullptr, 0, &row.format, 0, 0, WAVE_FORMAT_QUERY | row.flags),
                  row.onDevice);
        EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &row.format, 0, 0, WAVE_FORMAT_QUERY),
                  row.onMapper);
    }
    const WAVEFORMATEX format = pcmFormat();
    EXPECT_EQ(waveOutOpen(nullptr, waveOutGetNumDevs(), &format, 0, 0, WAVE_FORMAT_QUERY),
              MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(nullptr, 0, nullptr, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_INVALPARAM);
}

TEST_F(WaveOutTest, MapsMulawToTheDevicesPcm) {
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code)
        codes.push_back(static_cast<std::uint8_t>(code));
    const WAVEFORMATEX mulaw{WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0};
    HWAVEOUT device = open(mulaw);
    WAVEHDR h = header(codes);
    queue(device, h);
    m_time.advance(32ms);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

    winmm::WaveData played;
    ASSERT_EQ(winmm::readWaveFile(m_capture, played), MMSYSERR_NOERROR);
    EXPECT_EQ(played.format, (winmm::SampleFormat{WAVE_FORMAT_PCM, 1, 8000, 16}));
    ASSERT_EQ(played.samples.size(), 512u);
    for (int code = 0; code < 256; ++code) {
        const auto sample = static_cast<std::int16_t>(played.samples[2 * code] |
                                                      (played.samples[2 * code + 1] << 8));
        EXPECT_EQ(sample, winmm::mulawToLinear(static_cast<std::uint8_t>(code))) << code;
    }
}

TEST_F(WaveOutTest, VolumeKeepsLeftInTheLowWordAndScalesEachChannel) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 8; ++i)  // stereo frames of full-scale positive samples
        data.insert(data.end(), {0xFE, 0x7F, 0xFE, 0x7F});
    HWAVEOUT device = open(pcmFormat(8000, 2, 16));
    ASSERT_EQ(waveOutSetVolume(device, MAKELONG(0x8000, 0x0000)), MMSYSERR_NOERROR);
    DWORD volume = 0;
    ASSERT_EQ(waveOutGetVolume(device, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(LOWORD(volume), 0x8000);
    EXPECT_EQ(HIWORD(volume), 0x0000);
    WAVEHDR h = header(data);
    queue(device, h);
    m_time.advance(1ms);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    waveOutSetVolume(nullptr, 0xFFFFFFFF);

    const auto played = samplesOf(m_capture);
    ASSERT_EQ(played.size(), data.size());
    const auto left = static_cast<std::int16_t>(played[0] | (played[1] << 8));
    const auto right = static_cast<std::int16_t>(played[2] | (played[3] << 8));
    EXPECT_NEAR(left, 32766 / 2, 2);
    EXPECT_EQ(right, 0);
}

TEST_F(WaveOutTest, ASecondOpenOfABusyFileDeviceIsRefused) {
    HWAVEOUT device = open(pcmFormat());
    HWAVEOUT second = nullptr;
    const WAVEFORMATEX format = pcmFormat();
    EXPECT_EQ(waveOutOpen(&second, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutOpen(&second, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(second), MMSYSERR_NOERROR);
}

}  // namespace

namespace {

std::vector<UINT> g_calls;
void recordCallback(void*, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    g_calls.push_back(message + static_cast<UINT>(instance));
}

TEST(WaveOutCallback, AFunctionIsCalledFromThePumpNeverInsideTheCall) {
    core::VirtualTime time;
    winmm::configureStandardWaveDevices("null");
    g_calls.clear();
    auto data = pattern(800);
    WAVEHDR h{};
    h.lpData = reinterpret_cast<LPSTR>(data.data());
    h.dwBufferLength = static_cast<DWORD>(data.size());
    HWAVEOUT device = nullptr;
    const WAVEFORMATEX format = pcmFormat();
    ASSERT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&recordCallback), 1000,
                          CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    waveOutPrepareHeader(device, &h, sizeof h);
    waveOutWrite(device, &h, sizeof h);
    EXPECT_TRUE(g_calls.empty());
    time.advance(50ms);
    waveOutUnprepareHeader(device, &h, sizeof h);
    waveOutClose(device);
    EXPECT_EQ(g_calls.size(), 2u);
    time.runUntilIdle();
    EXPECT_EQ(g_calls, (std::vector<UINT>{WOM_OPEN + 1000, WOM_DONE + 1000, WOM_CLOSE + 1000}));
    EXPECT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_EVENT), MMSYSERR_INVALFLAG);
}

std::vector<std::string> standardNames(winmm::WaveDirection direction) {
    std::vector<std::string> names;
    for (UINT id : winmm::waveDevicesOwnedBy(winmm::kStandardOwner, direction))
        names.push_back(winmm::waveDeviceInfo(direction, id)->name);
    return names;
}

TEST(StandardWaveDevices, FollowTheirDescriptionAndSkipWhatIsUnknown) {
    winmm::configureStandardWaveDevices("null, file-out=/tmp/a.wav,file-in=/tmp/b.wav,bogus");
    EXPECT_EQ(standardNames(winmm::WaveDirection::Output),
              (std::vector<std::string>{"Null Output", "File Output a.wav"}));
    EXPECT_EQ(standardNames(winmm::WaveDirection::Input),
              (std::vector<std::string>{"Null Input", "File Input b.wav"}));
    // Without a sound system ALSA's devices are simply absent; the rest are there either way.
    winmm::configureStandardWaveDevices("alsa,null");
    EXPECT_EQ(standardNames(winmm::WaveDirection::Output).back(), "Null Output");
    winmm::configureStandardWaveDevices("null");
}

}  // namespace
