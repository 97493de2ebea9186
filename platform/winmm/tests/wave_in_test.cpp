#include <gtest/gtest.h>

#include <chrono>
#include <new>

#include "platform/core/virtual_time.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

// One input device that records a known wave file (8 kHz, 16-bit, mono, 4 s), in virtual time.
class WaveInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeWave(m_source, {WAVE_FORMAT_PCM, 1, 8000, 16}, m_recording);
        winmm::configureStandardWaveDevices("file-in=" + m_source.string());
        ASSERT_EQ(winmm::waveDeviceInfo(winmm::WaveDirection::Input, 0)->name,
                  "File Input source.wav");
    }
    void TearDown() override { winmm::configureStandardWaveDevices("null"); }

    HWAVEIN open(const WAVEFORMATEX& format) {
        HWAVEIN handle = nullptr;
        EXPECT_EQ(
            waveInOpen(&handle, 0, &format, m_log.callback(), 0, CALLBACK_WINDOW | WAVE_MAPPED),
            MMSYSERR_NOERROR);
        return handle;
    }
    void add(HWAVEIN handle, WAVEHDR& h, std::vector<std::uint8_t>& buffer) {
        h = {};
        h.lpData = reinterpret_cast<LPSTR>(buffer.data());
        h.dwBufferLength = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(waveInPrepareHeader(handle, &h, sizeof h), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(handle, &h, sizeof h), MMSYSERR_NOERROR);
    }
    std::vector<std::uint8_t> recorded(std::size_t from, std::size_t count) const {
        return {m_recording.begin() + static_cast<std::ptrdiff_t>(from),
                m_recording.begin() + static_cast<std::ptrdiff_t>(from + count)};
    }

    core::VirtualTime m_time;
    TempDir m_dir;
    std::filesystem::path m_source = m_dir / "source.wav";
    std::vector<std::uint8_t> m_recording = pattern(64000);
    MessageLog m_log;
};

TEST_F(WaveInTest, ResetReturnsTheQueuedBufferWithWhatItHolds) {
    HWAVEIN device = open(pcmFormat());
    std::vector<std::uint8_t> buffer(16000);
    WAVEHDR h;
    add(device, h, buffer);
    ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
    m_time.advance(999ms);
    EXPECT_EQ(m_log.names(), (std::vector<std::string>{"MM_WIM_OPEN"}));
    m_time.advance(1ms);
    ASSERT_EQ(m_log.names().back(), "MM_WIM_DATA");
    EXPECT_EQ(m_log.received().back().bytesRecorded, 16000u);
    EXPECT_EQ(buffer, recorded(0, 16000));

    ASSERT_EQ(waveInUnprepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
    add(device, h, buffer);
    m_time.advance(250ms);
    EXPECT_EQ(waveInUnprepareHeader(device, &h, sizeof h), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInClose(device), WAVERR_STILLPLAYING);
    m_log.clear();
    ASSERT_EQ(waveInReset(device), MMSYSERR_NOERROR);
    EXPECT_TRUE(m_log.received().empty()) << "nothing is delivered inside the call";
    m_time.runUntilIdle();
    ASSERT_EQ(m_log.names(), (std::vector<std::string>{"MM_WIM_DATA"}));
    EXPECT_EQ(m_log.received()[0].header, &h);
    EXPECT_EQ(m_log.received()[0].flags & (WHDR_DONE | WHDR_PREPARED | WHDR_INQUEUE),
              WHDR_DONE | WHDR_PREPARED);
    EXPECT_EQ(h.dwBytesRecorded, 4000u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 4000),
              recorded(16000, 4000));

    m_time.advance(1s);
    EXPECT_EQ(m_log.received().size(), 1u) << "a reset device records no more";
    EXPECT_EQ(waveInUnprepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
    m_time.runUntilIdle();
    EXPECT_EQ(m_log.names().back(), "MM_WIM_CLOSE");
}

TEST_F(WaveInTest, OneBufferAtATimeLosesNothingBetweenBuffers) {
    // The way a recorder queues: the next buffer only once the last came back.
    HWAVEIN device = open(pcmFormat());
    std::vector<std::uint8_t> buffer(4000), kept;
    WAVEHDR h;
    m_log.onMessage([&](UINT message, WAVEHDR* header) {
        if (message != MM_WIM_DATA)
            return;
        kept.insert(kept.end(), buffer.begin(), buffer.begin() + header->dwBytesRecorded);
        waveInUnprepareHeader(device, header, sizeof *header);
        add(device, h, buffer);
    });
    add(device, h, buffer);
    waveInStart(device);
    m_time.advance(1100ms);
    m_time.stall(300ms);  // the UI thread is busy; the device keeps capturing
    m_time.advance(1600ms);
    EXPECT_EQ(kept, recorded(0, 48000));
    m_log.onMessage({});
    waveInReset(device);
    m_time.runUntilIdle();
    waveInUnprepareHeader(device, &h, sizeof h);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, MapsTheDevicesPcmToMulaw) {
    const WAVEFORMATEX mulaw{WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0};
    HWAVEIN device = open(mulaw);
    std::vector<std::uint8_t> buffer(800);
    WAVEHDR h;
    add(device, h, buffer);
    waveInStart(device);
    m_time.advance(100ms);
    ASSERT_EQ(h.dwBytesRecorded, 800u);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const auto sample =
            static_cast<std::int16_t>(m_recording[2 * i] | (m_recording[2 * i + 1] << 8));
        ASSERT_EQ(buffer[i], winmm::linearToMulaw(sample)) << "sample " << i;
    }
    waveInUnprepareHeader(device, &h, sizeof h);
    waveInClose(device);
}

TEST_F(WaveInTest, StopReturnsOnlyThePartlyFilledBuffer) {
    HWAVEIN device = open(pcmFormat());
    std::vector<std::uint8_t> first(16000), second(16000);
    WAVEHDR a, b;
    add(device, a, first);
    add(device, b, second);
    waveInStart(device);
    m_time.advance(500ms);
    ASSERT_EQ(waveInStop(device), MMSYSERR_NOERROR);
    m_time.advance(2s);
    EXPECT_EQ(m_log.names(), (std::vector<std::string>{"MM_WIM_OPEN", "MM_WIM_DATA"}));
    EXPECT_EQ(a.dwBytesRecorded, 8000u);
    EXPECT_EQ(waveInUnprepareHeader(device, &b, sizeof b), WAVERR_STILLPLAYING);
    waveInReset(device);
    m_time.runUntilIdle();
    EXPECT_EQ(m_log.received().back().header, &b);
    EXPECT_EQ(b.dwBytesRecorded, 0u);
    waveInClose(device);
}

TEST_F(WaveInTest, QueryOpensNothingAndRefusesAdpcm) {
    const WAVEFORMATEX format = pcmFormat();
    std::filesystem::remove(m_source);  // an open would need the file; a query must not
    EXPECT_EQ(waveInOpen(nullptr, 0, &format, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
              MMSYSERR_NOERROR);
    const WAVEFORMATEX adpcm{0x11, 1, 8000, 4000, 256, 4, 0};
    EXPECT_EQ(waveInOpen(nullptr, 0, &adpcm, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
              WAVERR_BADFORMAT);
    m_time.runUntilIdle();
    EXPECT_TRUE(m_log.received().empty());
}

// The seam the exchange plugs a line's audio into: registered devices count, open and record.
class ToneSource : public winmm::WaveDeviceBackend {
  public:
    bool supports(const winmm::PcmFormat& f) const override { return f == winmm::PcmFormat{}; }
    winmm::PcmFormat mappedFormat(const winmm::PcmFormat&) const override { return {}; }
    std::unique_ptr<winmm::WaveStream> open(const winmm::PcmFormat&, MMRESULT& error) override {
        struct Stream : winmm::WaveStream {
            std::size_t record(std::span<std::uint8_t> into) override {
                std::fill(into.begin(), into.end(), 0x11);
                return into.size();
            }
        };
        ++opens;
        error = MMSYSERR_NOERROR;
        return std::make_unique<Stream>();
    }
    int opens = 0;
};

TEST_F(WaveInTest, LineDevicesJoinTheTableAndRecordTheirOwnersAudio) {
    auto line = std::make_shared<ToneSource>();
    const UINT before = waveInGetNumDevs();
    const UINT id =
        winmm::registerWaveDevice({"Tone Wave In", winmm::WaveDirection::Input, "tone"}, line);
    EXPECT_EQ(id, before);
    EXPECT_EQ(winmm::waveDevicesOwnedBy("tone", winmm::WaveDirection::Input),
              std::vector<UINT>{id});
    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(id, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Tone Wave In");

    const WAVEFORMATEX wide = pcmFormat(16000);
    EXPECT_EQ(waveInOpen(nullptr, id, &wide, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    HWAVEIN device = nullptr;
    ASSERT_EQ(waveInOpen(&device, id, &wide, m_log.callback(), 0, CALLBACK_WINDOW | WAVE_MAPPED),
              MMSYSERR_NOERROR);
    EXPECT_EQ(line->opens, 1);
    std::vector<std::uint8_t> buffer(3200);  // 100 ms at 16 kHz, made from the line's 8 kHz
    WAVEHDR h;
    add(device, h, buffer);
    waveInStart(device);
    m_time.advance(102ms);
    EXPECT_EQ(h.dwBytesRecorded, 3200u);
    EXPECT_EQ(buffer[1000], 0x11);
    waveInReset(device);
    waveInUnprepareHeader(device, &h, sizeof h);
    waveInClose(device);

    EXPECT_TRUE(winmm::unregisterWaveDevice(winmm::WaveDirection::Input, id));
    EXPECT_EQ(waveInGetNumDevs(), before);
    EXPECT_EQ(waveInOpen(nullptr, id, &wide, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
}

// A line whose open, or whose recording, runs out of memory when told to.
class StarvedSource : public ToneSource {
  public:
    std::unique_ptr<winmm::WaveStream> open(const winmm::PcmFormat& format,
                                            MMRESULT& error) override {
        if (starved)
            throw std::bad_alloc();
        struct Stream : winmm::WaveStream {
            explicit Stream(const bool& starved) : starved(starved) {}
            std::size_t record(std::span<std::uint8_t> into) override {
                if (starved)
                    throw std::bad_alloc();
                std::fill(into.begin(), into.end(), 0x11);
                return into.size();
            }
            const bool& starved;
        };
        ToneSource::open(format, error);
        return std::make_unique<Stream>(starved);
    }
    bool starved = false;
};

// Out of memory is the call's MMSYSERR_NOMEM, never an exception: an open that fails leaves no
// handle and sends no MM_WIM_OPEN, and a recording that runs short loses a stretch, not the pump.
TEST_F(WaveInTest, RunningOutOfMemoryIsAnErrorAndOpensNothing) {
    auto line = std::make_shared<StarvedSource>();
    const UINT id =
        winmm::registerWaveDevice({"Starved Wave In", winmm::WaveDirection::Input, "tone"}, line);
    const WAVEFORMATEX format = pcmFormat();
    auto* const untouched = reinterpret_cast<HWAVEIN>(0x5A5A);
    HWAVEIN device = untouched;
    line->starved = true;
    EXPECT_EQ(waveInOpen(&device, id, &format, m_log.callback(), 0, CALLBACK_WINDOW),
              MMSYSERR_NOMEM);
    EXPECT_EQ(device, untouched);
    m_time.runUntilIdle();
    EXPECT_TRUE(m_log.received().empty());

    line->starved = false;
    ASSERT_EQ(waveInOpen(&device, id, &format, m_log.callback(), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    std::vector<std::uint8_t> buffer(1600);  // 100 ms
    WAVEHDR h;
    add(device, h, buffer);
    ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
    line->starved = true;
    m_time.advance(300ms);
    EXPECT_EQ(h.dwBytesRecorded, 0u);
    MMTIME position{TIME_BYTES, {}};
    EXPECT_EQ(waveInGetPosition(device, &position, sizeof position), MMSYSERR_NOERROR);
    line->starved = false;
    m_time.advance(102ms);
    EXPECT_EQ(h.dwBytesRecorded, 1600u);
    EXPECT_EQ(buffer[800], 0x11);
    EXPECT_EQ(m_log.names(), (std::vector<std::string>{"MM_WIM_OPEN", "MM_WIM_DATA"}));
    waveInReset(device);
    waveInUnprepareHeader(device, &h, sizeof h);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
    winmm::unregisterWaveDevice(winmm::WaveDirection::Input, id);
}

}  // namespace
