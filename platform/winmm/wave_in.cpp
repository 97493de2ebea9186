// waveIn*: a started device takes samples from its stream at the device's rate, measured on the
// platform clock, converts them to the client's format and fills the queued headers in order. A
// full header is returned (WHDR_DONE, MM_WIM_DATA). While no header is queued the samples are kept
// (a few seconds at most), so a client that queues one buffer at a time loses nothing between them.
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <unordered_map>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/winmm/wave_api.h"

namespace {

using namespace winmm;
using namespace winmm::detail;

constexpr std::uint64_t kBacklogSeconds = 5;
// After a stall of the UI thread, only the last seconds are taken from the device.
constexpr std::uint64_t kCatchUpSeconds = 2;

class WaveInDevice {
  public:
    WaveInDevice(HWAVEIN handle, OpenPlan plan, Notifier notifier,
                 std::unique_ptr<WaveStream> stream)
        : m_handle(handle),
          m_device(std::move(plan.device)),
          m_client(plan.client),
          m_deviceFormat(plan.deviceFormat),
          m_notifier(notifier),
          m_stream(std::move(stream)),
          m_converter(toSampleFormat(plan.deviceFormat), plan.client) {}

    const DeviceEntry& device() const { return m_device; }
    bool busy() const { return !m_queue.empty(); }
    bool isQueued(const WAVEHDR* header) const {
        return std::find(m_queue.begin(), m_queue.end(), header) != m_queue.end();
    }
    void notify(UINT message, WAVEHDR* header = nullptr) const {
        m_notifier.notify(m_handle, message, header);
    }
    const SampleFormat& format() const { return m_client; }

    void add(WAVEHDR* header) {
        advance();
        m_queue.push_back(header);
        header->dwBytesRecorded = 0;
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        deliver();
        schedule();
    }

    void start() {
        if (m_started)
            return;
        m_started = true;
        m_anchorTick = core::tickCount64();
        m_anchorFrames = m_pulledFrames;
        m_stream->setRunning(true);
        schedule();
    }

    // Stops capturing; the header being filled goes back with what it holds.
    void stop() {
        advance();
        halt();
        if (!m_queue.empty() && m_queue.front()->dwBytesRecorded > 0)
            returnFront();
    }

    // Stops capturing and returns every queued header, the first with what it holds.
    void reset() {
        advance();
        halt();
        while (!m_queue.empty())
            returnFront();
        m_recordedBytes = 0;
    }

    std::uint64_t position() {
        advance();
        schedule();
        return m_recordedBytes;
    }

  private:
    void halt() {
        if (m_started)
            m_stream->setRunning(false);
        m_started = false;
        m_wake.stop();
        m_pending.clear();
    }

    void advance() {
        if (!m_started)
            return;
        const std::uint64_t rate = m_deviceFormat.samplesPerSec;
        const std::uint64_t due =
            m_anchorFrames +
            static_cast<std::uint64_t>(core::tickCount64() - m_anchorTick) * rate / 1000;
        if (due > m_pulledFrames + kCatchUpSeconds * rate)
            m_pulledFrames = due - kCatchUpSeconds * rate;
        if (due > m_pulledFrames)
            pull(due);
        deliver();
    }

    // Takes the device's samples up to frame `due`. What cannot be kept for want of memory is a
    // gap in the recording, as when a card overruns; the device records on.
    void pull(std::uint64_t due) {
        try {
            const std::size_t align = m_deviceFormat.blockAlign();
            m_deviceBytes.resize(static_cast<std::size_t>(due - m_pulledFrames) * align);
            const std::size_t got = std::min(m_stream->record(m_deviceBytes), m_deviceBytes.size());
            m_pulledFrames += got / align;
            m_converter.convert({m_deviceBytes.data(), got}, m_pending);
        } catch (const std::bad_alloc&) {
        }
    }

    // Moves captured samples into the queued headers, returning the ones that fill up.
    void deliver() {
        std::size_t used = 0;
        while (!m_queue.empty()) {
            WAVEHDR* header = m_queue.front();
            const std::size_t space = header->dwBufferLength - header->dwBytesRecorded;
            const std::size_t count = std::min(space, m_pending.size() - used);
            if (count > 0)  // nothing captured yet: m_pending.data() may be null
                std::memcpy(header->lpData + header->dwBytesRecorded, m_pending.data() + used,
                            count);
            header->dwBytesRecorded += static_cast<DWORD>(count);
            m_recordedBytes += count;
            used += count;
            if (header->dwBytesRecorded < header->dwBufferLength)
                break;
            returnFront();
        }
        const std::size_t limit = kBacklogSeconds * m_client.bytesPerSec();
        if (m_pending.size() - used > limit)
            used = m_pending.size() - limit;  // the oldest go; the limit is whole blocks
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    }

    void returnFront() {
        WAVEHDR* header = m_queue.front();
        m_queue.pop_front();
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        notify(MM_WIM_DATA, header);
    }

    // Wakes when the first header should be full, or after a chunk's time if that comes first.
    void schedule() {
        if (!m_started) {
            m_wake.stop();
            return;
        }
        std::int64_t wait = kChunkMs;
        if (!m_queue.empty()) {
            const WAVEHDR* header = m_queue.front();
            const std::uint64_t missing = header->dwBufferLength - header->dwBytesRecorded;
            const std::uint64_t frames =
                (missing + m_client.blockAlign() - 1) / m_client.blockAlign();
            const std::uint64_t rate = m_client.samplesPerSec;
            wait = std::clamp<std::int64_t>(
                static_cast<std::int64_t>((frames * 1000 + rate - 1) / rate), 1, kChunkMs);
        }
        m_wake.start(static_cast<DWORD>(wait), [this] {
            runTimed([this] {
                advance();
                schedule();
            });
        });
    }

    HWAVEIN m_handle;
    DeviceEntry m_device;
    SampleFormat m_client;
    PcmFormat m_deviceFormat;
    Notifier m_notifier;
    std::unique_ptr<WaveStream> m_stream;
    FormatConverter m_converter;
    std::vector<std::uint8_t> m_deviceBytes;
    std::vector<std::uint8_t> m_pending;  // captured, converted, not yet in a header
    std::deque<WAVEHDR*> m_queue;
    bool m_started = false;
    std::int64_t m_anchorTick = 0;
    std::uint64_t m_anchorFrames = 0;  // device frames taken when the clock was anchored
    std::uint64_t m_pulledFrames = 0;
    std::uint64_t m_recordedBytes = 0;  // into headers since open or reset: the position
    core::OneShot m_wake;
};

}  // namespace

UINT waveInGetNumDevs() {
    try {
        return deviceCount(WaveDirection::Input);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

MMRESULT waveInGetDevCapsA(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT size) {
    return getDevCaps<WaveInDevice, HWAVEIN>(WaveDirection::Input, deviceId, caps, size);
}

MMRESULT waveInOpen(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags) {
    return openDevice<WaveInDevice>(WaveDirection::Input, handle, deviceId, format, callback,
                                    instance, flags, MM_WIM_OPEN);
}

MMRESULT waveInClose(HWAVEIN handle) {
    return closeDevice<WaveInDevice>(handle, MM_WIM_CLOSE);
}

MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size) {
    return prepareHeader<WaveInDevice>(handle, header, size);
}

MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size) {
    return unprepareHeader<WaveInDevice>(handle, header, size);
}

MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, UINT size) {
    return queueHeader<WaveInDevice>(handle, header, size,
                                     [](WaveInDevice& device, WAVEHDR* h) { device.add(h); });
}

MMRESULT waveInStart(HWAVEIN handle) {
    return withDevice<WaveInDevice>(handle, [](WaveInDevice& device) { device.start(); });
}

MMRESULT waveInStop(HWAVEIN handle) {
    return withDevice<WaveInDevice>(handle, [](WaveInDevice& device) { device.stop(); });
}

MMRESULT waveInReset(HWAVEIN handle) {
    return withDevice<WaveInDevice>(handle, [](WaveInDevice& device) { device.reset(); });
}

MMRESULT waveInGetPosition(HWAVEIN handle, MMTIME* time, UINT size) {
    return getPosition<WaveInDevice>(handle, time, size);
}
