// What the wave-out and wave-in halves share: the device table's entries, open planning (device,
// format and mapper), notifications, and the standard devices' backends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_format.h"

namespace winmm::detail {

// How far ahead a device hands audio over or takes it in at most, so owners see it flow steadily.
inline constexpr std::int64_t kChunkMs = 100;

struct DeviceEntry {
    WaveDeviceInfo info;
    std::shared_ptr<WaveDeviceBackend> backend;
    std::shared_ptr<DWORD> volume;  // waveOutSetVolume's value for this device
};

// Runs once, when the table is first used, after the standard devices are in: the telephone
// lines' devices join there (installed by the line devices when the library loads).
void setFirstUseHook(void (*hook)());

UINT deviceCount(WaveDirection direction);
// MMSYSERR_BADDEVICEID past the end, MMSYSERR_NODRIVER for an unregistered id.
MMRESULT lookupDevice(WaveDirection direction, UINT id, DeviceEntry& out);

// The result of deciding how an open will run.
struct OpenPlan {
    DeviceEntry device;
    SampleFormat client;
    PcmFormat deviceFormat;
};
// Checks the format and picks the device (WAVE_MAPPER: the first that takes the format) and the
// format it runs in: the client's own when the device takes it, else the mapper's when allowed.
MMRESULT planOpen(WaveDirection direction, UINT deviceId, const WAVEFORMATEX* format, DWORD flags,
                  OpenPlan& plan);

// Where a device's notifications go: a window (posted) or a function (called from the pump).
class Notifier {
  public:
    // MMSYSERR_INVALFLAG for a callback kind the layer does not offer, MMSYSERR_INVALPARAM for a
    // window that does not exist.
    MMRESULT set(DWORD flags, DWORD_PTR callback, DWORD_PTR instance);
    void notify(void* handle, UINT message, WAVEHDR* header) const;

  private:
    DWORD m_kind = CALLBACK_NULL;
    DWORD_PTR m_callback = 0;
    DWORD_PTR m_instance = 0;
};

// A winmm call that runs out of memory answers MMSYSERR_NOMEM: no exception leaves the layer.
template <class Call>
MMRESULT answerNoMemory(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    }
}

// A device's timed work. Out of memory there must not reach the pump: what could not be done
// waits for the device's next call.
template <class Work>
void runTimed(Work work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
    }
}

// Handles that are never reused, so a stale one is always recognised.
std::uintptr_t nextHandleValue();

void fillName(char (&target)[MAXPNAMELEN], const std::string& name);
// A header a device can take: big enough, and with data unless it is empty.
bool headerUsable(const WAVEHDR* header, UINT size);
// Answers a position request in the kind asked for; kinds not kept are answered in bytes, and
// wType says so, as winmm does.
void fillTime(MMTIME& time, std::uint64_t bytes, const SampleFormat& format);
// The capabilities' dwFormats bits (WAVE_FORMAT_1M08 ...) and channel count of a device.
DWORD standardFormats(const WaveDeviceBackend& backend);
WORD channelCount(const WaveDeviceBackend& backend);

std::shared_ptr<WaveDeviceBackend> makeNullBackend(WaveDirection direction);
std::shared_ptr<WaveDeviceBackend> makeFileOutBackend(const std::filesystem::path& path);
std::shared_ptr<WaveDeviceBackend> makeFileInBackend(const std::filesystem::path& path);
// Registers ALSA's devices when a sound system answers; silently nothing without a sound card.
void registerAlsaDevices();
// Registers ALSA's PCM `pcmName` in each direction it opens in.
void registerAlsaDevice(const std::string& pcmName);

}  // namespace winmm::detail
