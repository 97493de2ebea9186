// The table of wave devices behind waveOut* and waveIn*, and the seam through which an owner (the
// simulated exchange's line devices) supplies a device's audio.
//
// Ids of each direction run 0..n-1 in registration order, as waveOutGetNumDevs / waveInGetNumDevs
// count them. The standard devices (ALSA when present, null, file) are registered when the table is
// first used, so they come first; an unregistered id stays empty (its calls answer
// MMSYSERR_NODRIVER) until a later registration reuses it.
//
// A device's audio always flows in linear PCM: the layer converts the client's format (the mapper)
// and paces the stream by the platform clock, so an owner only hands over or takes samples.
// Everything here is called on the UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winmm/mmsystem.h"

namespace winmm {

enum class WaveDirection { Output, Input };

// Linear PCM as a device works in it: 8-bit samples are unsigned, 16-bit ones signed little-endian,
// channels interleaved.
struct PcmFormat {
    DWORD samplesPerSec = 8000;
    WORD channels = 1;
    WORD bitsPerSample = 16;

    WORD blockAlign() const { return static_cast<WORD>(channels * bitsPerSample / 8); }
    DWORD bytesPerSec() const { return samplesPerSec * blockAlign(); }
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// One open of a device, created by WaveDeviceBackend::open and destroyed when the client closes the
// device. Its calls come on the UI thread as the clock moves, in chunks of at most about 100 ms.
class WaveStream {
  public:
    virtual ~WaveStream() = default;
    // Output devices: samples that are playing now, in the stream's format.
    virtual void play(std::span<const std::uint8_t> samples);
    // Input devices: fills the start of `into` with the next samples in the stream's format and
    // returns how many bytes it gave. Fewer than asked means "not yet": the device asks again as
    // the clock moves on. A source with nothing to say gives silence, as a quiet line does.
    virtual std::size_t record(std::span<std::uint8_t> into);
    // The client paused, restarted, started, stopped or reset the device.
    virtual void setRunning(bool running);
};

// What stands behind a device id.
class WaveDeviceBackend {
  public:
    virtual ~WaveDeviceBackend() = default;
    // Whether the device works in `format` as it is. A format it does not take is refused
    // (WAVERR_BADFORMAT) unless the client asked for the mapper, which converts to mappedFormat().
    virtual bool supports(const PcmFormat& format) const = 0;
    // The format the mapper converts to for a client in `client` (already expressed as PCM).
    virtual PcmFormat mappedFormat(const PcmFormat& client) const = 0;
    // Begins a stream. On failure returns nullptr and sets `error` (MMSYSERR_ALLOCATED when the
    // device is busy). A WAVE_FORMAT_QUERY never calls this.
    virtual std::unique_ptr<WaveStream> open(const PcmFormat& format, MMRESULT& error) = 0;
};

struct WaveDeviceInfo {
    std::string name;  // the capabilities' szPname; the first 31 characters are shown
    WaveDirection direction = WaveDirection::Output;
    // Who registered the device: "winmm" for the standard devices; an owner's own tag otherwise
    // (for example "line:2" for the exchange's third line).
    std::string owner;
};

inline constexpr std::string_view kStandardOwner = "winmm";

// Registers a device and returns its id in its direction.
UINT registerWaveDevice(WaveDeviceInfo info, std::shared_ptr<WaveDeviceBackend> backend);
// Removes a device. Its id no longer opens; streams already open on it run on until closed.
// Returns false for an id that holds no device.
bool unregisterWaveDevice(WaveDirection direction, UINT id);
// The description of a registered device, or nullopt.
std::optional<WaveDeviceInfo> waveDeviceInfo(WaveDirection direction, UINT id);
// The ids `owner` registered in `direction`, in id order.
std::vector<UINT> waveDevicesOwnedBy(std::string_view owner, WaveDirection direction);

// Replaces the standard devices by those `spec` names, a comma-separated list of:
//   alsa           ALSA's devices, the default one first (absent when there is no sound system)
//   alsa=PCM       ALSA's PCM of that name (plughw:1, null ...), in each direction it opens in
//   null           a pair that plays into nothing and records silence
//   file-out=PATH  an output device that writes what is played to the wave file PATH
//   file-in=PATH   an input device that records the wave file PATH, then silence
//   none           nothing (also the meaning of an empty list)
// Unknown items are skipped. When nothing configured the table before its first use, the list is
// standardWaveDeviceSetting().
void configureStandardWaveDevices(std::string_view spec);

// Where the registry keeps the machine's list of standard devices (a REG_SZ in the form above).
inline constexpr std::string_view kWaveDevicesKey = "Software\\Belltale\\Sound";
inline constexpr std::string_view kWaveDevicesValue = "WaveDevices";

// The list of standard devices this process starts with: $BELLTALE_WAVE_DEVICES when set, else the
// value kWaveDevicesValue under HKEY_LOCAL_MACHINE\kWaveDevicesKey, else "alsa,null". The registry
// is read only when the program folder already exists: asking for sound never creates it.
std::string standardWaveDeviceSetting();

}  // namespace winmm
