// The simulated exchange's line devices. Each telephone line owns a wave-in and a wave-out device
// in the table; the exchange adds and removes them through the table it is given, and makes the
// far end of a call speak by naming a wave file for the line's wave-in device.
//
// A line carries 8 kHz 16-bit mono PCM; the mapper converts whatever a client opens it with. What
// is played to a line's wave-out device reaches the far end, which keeps the last minute of it.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/winmm/line_devices.h"

#include "platform/core/clock.h"
#include "platform/tapi/wave_link.h"
#include "platform/winmm/wave_file.h"
#include "platform/winmm/wave_internal.h"

namespace winmm::detail {

namespace {

constexpr PcmFormat kLineFormat{8000, 1, 16};
// How much of what was played to a line its far end keeps: enough for any announcement, bounded
// so a line played to for days holds no more.
constexpr std::size_t kHeardBytes = 60 * 16000;

// What the far end says: the samples of a wave file, starting at the moment it was named.
struct FarEnd {
    std::vector<std::uint8_t> samples;  // in the line's format
    std::int64_t startTick = 0;
    std::uint64_t generation = 0;  // counts the recordings named, so a stream sees a new one
};

class LineInStream : public WaveStream {
  public:
    explicit LineInStream(std::shared_ptr<FarEnd> farEnd)
        : m_farEnd(std::move(farEnd)), m_generation(m_farEnd->generation) {
        // Whatever the far end said before the device opened is gone, as on a real line.
        const std::int64_t elapsed = core::tickCount64() - m_farEnd->startTick;
        m_next =
            static_cast<std::size_t>(elapsed > 0 ? elapsed : 0) * kLineFormat.bytesPerSec() / 1000;
        m_next -= m_next % kLineFormat.blockAlign();
    }

    std::size_t record(std::span<std::uint8_t> into) override {
        if (m_farEnd->generation != m_generation) {  // a new recording started speaking
            m_generation = m_farEnd->generation;
            m_next = 0;
        }
        const auto& samples = m_farEnd->samples;
        const std::size_t available = m_next < samples.size() ? samples.size() - m_next : 0;
        const std::size_t copied = std::min(available, into.size());
        // Past the recording's end (or with none) the line is silent; no position beyond it is
        // formed.
        if (copied > 0)
            std::copy_n(samples.data() + m_next, copied, into.data());
        std::fill(into.begin() + static_cast<std::ptrdiff_t>(copied), into.end(), 0);
        m_next += into.size();
        return into.size();
    }

  private:
    std::shared_ptr<FarEnd> m_farEnd;
    std::uint64_t m_generation;
    std::size_t m_next = 0;
};

// What the far end hears: every sample played to the line, the oldest dropped past the limit.
class LineOutStream : public WaveStream {
  public:
    explicit LineOutStream(std::shared_ptr<std::vector<std::uint8_t>> heard)
        : m_heard(std::move(heard)) {}

    void play(std::span<const std::uint8_t> samples) override {
        m_heard->insert(m_heard->end(), samples.begin(), samples.end());
        if (m_heard->size() > kHeardBytes)
            m_heard->erase(m_heard->begin(), m_heard->begin() + static_cast<std::ptrdiff_t>(
                                                                    m_heard->size() - kHeardBytes));
    }

  private:
    std::shared_ptr<std::vector<std::uint8_t>> m_heard;
};

class LineBackend : public WaveDeviceBackend {
  public:
    explicit LineBackend(WaveDirection direction) : m_direction(direction) {}

    bool supports(const PcmFormat& format) const override { return format == kLineFormat; }
    PcmFormat mappedFormat(const PcmFormat&) const override { return kLineFormat; }
    std::unique_ptr<WaveStream> open(const PcmFormat&, MMRESULT& error) override {
        error = MMSYSERR_NOERROR;
        if (m_direction == WaveDirection::Input)
            return std::make_unique<LineInStream>(m_farEnd);
        return std::make_unique<LineOutStream>(m_heard);
    }

    std::vector<std::uint8_t> heard() const { return *m_heard; }

    void speak(std::vector<std::uint8_t> samples) {
        m_farEnd->samples = std::move(samples);
        m_farEnd->startTick = core::tickCount64();
        ++m_farEnd->generation;
    }

  private:
    WaveDirection m_direction;
    std::shared_ptr<FarEnd> m_farEnd = std::make_shared<FarEnd>();
    std::shared_ptr<std::vector<std::uint8_t>> m_heard =
        std::make_shared<std::vector<std::uint8_t>>();
};

WaveDirection toWinmm(tapi::WaveDirection direction) {
    return direction == tapi::WaveDirection::In ? WaveDirection::Input : WaveDirection::Output;
}

class LineDeviceTable : public tapi::WaveDeviceTable {
  public:
    // Asking again for a line's device (the exchange re-registers its devices whenever a table is
    // installed) answers the id it already has.
    UINT addLineWaveDevice(const std::string& name, tapi::WaveDirection direction,
                           DWORD lineDevice) override {
        const WaveDirection ours = toWinmm(direction);
        for (const auto& [key, line] : m_devices)
            if (key.first == ours && line.lineDevice == lineDevice)
                return key.second;
        auto backend = std::make_shared<LineBackend>(ours);
        const UINT id =
            registerWaveDevice({name, ours, "line:" + std::to_string(lineDevice)}, backend);
        m_devices[{ours, id}] = Line{lineDevice, backend};
        return id;
    }

    void removeLineWaveDevice(UINT id, tapi::WaveDirection direction) override {
        auto found = m_devices.find({toWinmm(direction), id});
        if (found == m_devices.end())
            return;
        unregisterWaveDevice(found->first.first, id);
        m_devices.erase(found);
    }

    void playIntoWaveIn(UINT id, const std::filesystem::path& wavFile) override {
        auto found = m_devices.find({WaveDirection::Input, id});
        if (found == m_devices.end())
            return;
        std::vector<std::uint8_t> samples;
        WaveData wave;
        if (!wavFile.empty() && readWaveFile(wavFile, wave) == MMSYSERR_NOERROR)
            samples = convertSamples(wave, toSampleFormat(kLineFormat));
        found->second.backend->speak(std::move(samples));
    }

    std::vector<std::uint8_t> heardOn(UINT waveOutId) const {
        auto found = m_devices.find({WaveDirection::Output, waveOutId});
        return found == m_devices.end() ? std::vector<std::uint8_t>()
                                        : found->second.backend->heard();
    }

  private:
    struct Line {
        DWORD lineDevice;
        std::shared_ptr<LineBackend> backend;
    };
    std::map<std::pair<WaveDirection, UINT>, Line> m_devices;
};

// Installed when this library loads, before any telephone line can be asked for its wave ids, so
// the exchange never hands out ids of its own. Never destroyed: the exchange outlives statics.
// The exchange itself is built only when the table is first used (or a telephony call needs it).
LineDeviceTable* g_table = nullptr;
const bool g_installed = [] {
    g_table = new LineDeviceTable;
    tapi::setWaveDeviceTable(g_table);
    setFirstUseHook(&tapi::buildExchange);
    return true;
}();

}  // namespace

}  // namespace winmm::detail

namespace winmm {

std::vector<std::uint8_t> heardOnLine(UINT waveOutId) {
    return detail::g_table ? detail::g_table->heardOn(waveOutId) : std::vector<std::uint8_t>();
}

}  // namespace winmm
