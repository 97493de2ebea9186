// waveOut*: an open device plays its queue of headers at the client's byte rate, measured on the
// platform clock. Audio is handed to the device's stream in chunks as it falls due; a header is
// returned (WHDR_DONE, MM_WOM_DONE) when the clock passes its end.
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <unordered_map>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/winmm/wave_api.h"

namespace {

using namespace winmm;
using namespace winmm::detail;

class WaveOutDevice {
  public:
    WaveOutDevice(HWAVEOUT handle, OpenPlan plan, Notifier notifier,
                  std::unique_ptr<WaveStream> stream)
        : m_handle(handle),
          m_device(std::move(plan.device)),
          m_client(plan.client),
          m_notifier(notifier),
          m_stream(std::move(stream)),
          m_converter(plan.client, toSampleFormat(plan.deviceFormat)) {
        anchorNow();
    }

    const DeviceEntry& device() const { return m_device; }
    bool busy() const { return !m_queue.empty(); }
    bool isQueued(const WAVEHDR* header) const {
        return std::find(m_queue.begin(), m_queue.end(), header) != m_queue.end();
    }
    void notify(UINT message, WAVEHDR* header = nullptr) const {
        m_notifier.notify(m_handle, message, header);
    }

    void write(WAVEHDR* header) {
        advance();
        if (!hasPlayable())
            anchorNow();
        m_queue.push_back(header);
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        schedule();
    }

    void pause() {
        advance();
        if (m_paused)
            return;
        m_paused = true;
        m_wake.stop();
        m_stream->setRunning(false);
    }

    void restart() {
        if (!m_paused)
            return;
        m_paused = false;
        anchorNow();
        m_stream->setRunning(true);
        schedule();
    }

    void reset() {
        advance();
        m_wake.stop();
        m_current = 0;
        m_offset = 0;
        m_loopStart.reset();
        while (!m_queue.empty())
            returnFront();
        m_playedBytes = 0;
        anchorNow();
    }

    std::uint64_t position() {
        advance();
        schedule();
        return m_playedBytes;
    }
    const SampleFormat& format() const { return m_client; }

  private:
    bool hasPlayable() const { return !m_paused && m_current < m_queue.size(); }

    void anchorNow() {
        m_anchorTick = core::tickCount64();
        m_anchorBytes = m_playedBytes;
    }

    // Plays what the clock says is due and returns the headers it finished.
    void advance() {
        if (!hasPlayable())
            return;
        const std::int64_t elapsed = core::tickCount64() - m_anchorTick;
        const std::uint64_t dueFrames =
            static_cast<std::uint64_t>(elapsed) * m_client.samplesPerSec / 1000;
        const std::uint64_t due = m_anchorBytes + dueFrames * m_client.blockAlign();
        std::uint64_t budget = due > m_playedBytes ? due - m_playedBytes : 0;
        m_converter.setVolume(*m_device.volume);
        m_converted.clear();
        while (m_current < m_queue.size()) {
            WAVEHDR* header = m_queue[m_current];
            if (m_offset == 0 && !m_loopStart && (header->dwFlags & WHDR_BEGINLOOP)) {
                m_loopStart = m_current;
                m_loopsLeft = std::max<DWORD>(header->dwLoops, 1);
                m_loopPassBytes = 0;
            }
            const std::uint64_t remaining = header->dwBufferLength - m_offset;
            if (remaining > 0) {
                if (budget == 0)
                    break;
                const std::size_t take = static_cast<std::size_t>(std::min(budget, remaining));
                convert({reinterpret_cast<const std::uint8_t*>(header->lpData) + m_offset, take});
                m_offset += take;
                budget -= take;
                m_playedBytes += take;
                m_loopPassBytes += take;
                if (m_offset < header->dwBufferLength)
                    break;
            }
            headerPlayed();
        }
        if (!m_converted.empty())
            play();
    }

    // Audio that cannot be converted or handed over for want of memory is not heard; the headers
    // still finish on time, as a card that drops a stretch keeps its clock.
    void convert(std::span<const std::uint8_t> samples) {
        try {
            m_converter.convert(samples, m_converted);
        } catch (const std::bad_alloc&) {
        }
    }
    void play() {
        try {
            m_stream->play(m_converted);
        } catch (const std::bad_alloc&) {
        }
    }

    void headerPlayed() {
        const WAVEHDR* header = m_queue[m_current];
        m_offset = 0;
        if (m_loopStart && (header->dwFlags & WHDR_ENDLOOP)) {
            // A pass that played nothing (empty headers) ends the loop, or it would never end.
            if (m_loopsLeft > 1 && m_loopPassBytes > 0) {
                --m_loopsLeft;
                m_loopPassBytes = 0;
                m_current = *m_loopStart;
                return;
            }
            const std::size_t finished = m_current + 1;
            m_loopStart.reset();
            m_current = 0;
            for (std::size_t i = 0; i < finished; ++i)
                returnFront();
            return;
        }
        if (m_loopStart)
            ++m_current;  // the loop's headers stay queued until its last pass
        else
            returnFront();
    }

    void returnFront() {
        WAVEHDR* header = m_queue.front();
        m_queue.pop_front();
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        notify(MM_WOM_DONE, header);
    }

    // Wakes when the current header ends, or after a chunk's time if that comes first.
    void schedule() {
        if (!hasPlayable()) {
            m_wake.stop();
            return;
        }
        const std::uint64_t remaining = m_queue[m_current]->dwBufferLength - m_offset;
        std::int64_t wait = 0;
        if (remaining > 0) {
            const std::uint64_t align = m_client.blockAlign();
            const std::uint64_t frames =
                (m_playedBytes + remaining - m_anchorBytes + align - 1) / align;
            const std::uint64_t rate = m_client.samplesPerSec;
            const std::int64_t endTick =
                m_anchorTick + static_cast<std::int64_t>((frames * 1000 + rate - 1) / rate);
            wait = std::clamp<std::int64_t>(endTick - core::tickCount64(), 1, kChunkMs);
        }
        m_wake.start(static_cast<DWORD>(wait), [this] {
            runTimed([this] {
                advance();
                schedule();
            });
        });
    }

    HWAVEOUT m_handle;
    DeviceEntry m_device;
    SampleFormat m_client;
    Notifier m_notifier;
    std::unique_ptr<WaveStream> m_stream;
    FormatConverter m_converter;
    std::vector<std::uint8_t> m_converted;
    std::deque<WAVEHDR*> m_queue;
    std::size_t m_current = 0;   // the header playing: 0 unless inside a loop
    std::uint64_t m_offset = 0;  // bytes of it played in this pass
    std::optional<std::size_t> m_loopStart;
    DWORD m_loopsLeft = 0;
    std::uint64_t m_loopPassBytes = 0;
    bool m_paused = false;
    std::uint64_t m_playedBytes = 0;  // since open or reset: the position
    std::int64_t m_anchorTick = 0;    // the clock and position from which playing is measured
    std::uint64_t m_anchorBytes = 0;
    core::OneShot m_wake;
};

}  // namespace

UINT waveOutGetNumDevs() {
    try {
        return deviceCount(WaveDirection::Output);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, WAVEOUTCAPSA* caps, UINT size) {
    return getDevCaps<WaveOutDevice, HWAVEOUT>(WaveDirection::Output, deviceId, caps, size);
}

MMRESULT waveOutOpen(HWAVEOUT* handle, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    return openDevice<WaveOutDevice>(WaveDirection::Output, handle, deviceId, format, callback,
                                     instance, flags, MM_WOM_OPEN);
}

MMRESULT waveOutClose(HWAVEOUT handle) {
    return closeDevice<WaveOutDevice>(handle, MM_WOM_CLOSE);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
    return prepareHeader<WaveOutDevice>(handle, header, size);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
    return unprepareHeader<WaveOutDevice>(handle, header, size);
}

MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size) {
    return queueHeader<WaveOutDevice>(handle, header, size,
                                      [](WaveOutDevice& device, WAVEHDR* h) { device.write(h); });
}

MMRESULT waveOutPause(HWAVEOUT handle) {
    return withDevice<WaveOutDevice>(handle, [](WaveOutDevice& device) { device.pause(); });
}

MMRESULT waveOutRestart(HWAVEOUT handle) {
    return withDevice<WaveOutDevice>(handle, [](WaveOutDevice& device) { device.restart(); });
}

MMRESULT waveOutReset(HWAVEOUT handle) {
    return withDevice<WaveOutDevice>(handle, [](WaveOutDevice& device) { device.reset(); });
}

MMRESULT waveOutGetPosition(HWAVEOUT handle, MMTIME* time, UINT size) {
    return getPosition<WaveOutDevice>(handle, time, size);
}

// The volume belongs to the device; a handle or a device id names it (a null handle is device 0).
MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume) {
    if (!volume)
        return MMSYSERR_INVALPARAM;
    DeviceEntry device;
    if (MMRESULT error = deviceForIdOrHandle<WaveOutDevice, HWAVEOUT>(
            WaveDirection::Output, reinterpret_cast<UINT_PTR>(handle), device))
        return error;
    *volume = *device.volume;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume) {
    DeviceEntry device;
    if (MMRESULT error = deviceForIdOrHandle<WaveOutDevice, HWAVEOUT>(
            WaveDirection::Output, reinterpret_cast<UINT_PTR>(handle), device))
        return error;
    *device.volume = volume;
    return MMSYSERR_NOERROR;
}
