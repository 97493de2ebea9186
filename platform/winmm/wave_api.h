// The calls wave-out and wave-in share, written once over the device class of each direction:
// handles, open and close, header preparation and queueing, capabilities and the position.
// Device must offer: Device(handle, OpenPlan, Notifier, stream), device(), busy(), isQueued(),
// notify(), format() and position().
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/winmm/wave_internal.h"

namespace winmm::detail {

template <class Device>
std::unordered_map<std::uintptr_t, std::unique_ptr<Device>>& openDevices() {
    static std::unordered_map<std::uintptr_t, std::unique_ptr<Device>> devices;
    return devices;
}

template <class Device, class Handle>
Device* deviceOf(Handle handle) {
    auto& devices = openDevices<Device>();
    auto found = devices.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == devices.end() ? nullptr : found->second.get();
}

// Runs `action` on the open device, or answers MMSYSERR_INVALHANDLE.
template <class Device, class Handle, class Action>
MMRESULT withDevice(Handle handle, Action action) {
    return answerNoMemory([&]() -> MMRESULT {
        Device* device = deviceOf<Device>(handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        action(*device);
        return MMSYSERR_NOERROR;
    });
}

template <class Device, class Handle>
MMRESULT openDevice(WaveDirection direction, Handle* handle, UINT deviceId,
                    const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags,
                    UINT openMessage) {
    return answerNoMemory([&]() -> MMRESULT {
        OpenPlan plan;
        if (MMRESULT error = planOpen(direction, deviceId, format, flags, plan))
            return error;
        if (flags & WAVE_FORMAT_QUERY)
            return MMSYSERR_NOERROR;  // a query opens nothing
        if (!handle)
            return MMSYSERR_INVALPARAM;
        Notifier notifier;
        if (MMRESULT error = notifier.set(flags, callback, instance))
            return error;
        MMRESULT error = MMSYSERR_NOERROR;
        auto stream = plan.device.backend->open(plan.deviceFormat, error);
        if (!stream)
            return error ? error : MMSYSERR_ERROR;
        const std::uintptr_t value = nextHandleValue();
        auto* newHandle = reinterpret_cast<Handle>(value);
        auto& devices = openDevices<Device>();
        devices.emplace(value, std::make_unique<Device>(newHandle, std::move(plan), notifier,
                                                        std::move(stream)));
        try {
            devices.at(value)->notify(openMessage);
        } catch (const std::bad_alloc&) {
            devices.erase(value);  // an open that fails leaves nothing open, its stream let go
            throw;
        }
        *handle = newHandle;
        return MMSYSERR_NOERROR;
    });
}

template <class Device, class Handle>
MMRESULT closeDevice(Handle handle, UINT closeMessage) {
    return answerNoMemory([&]() -> MMRESULT {
        Device* device = deviceOf<Device>(handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (device->busy())
            return WAVERR_STILLPLAYING;
        device->notify(closeMessage);
        openDevices<Device>().erase(reinterpret_cast<std::uintptr_t>(handle));
        return MMSYSERR_NOERROR;
    });
}

template <class Device, class Handle>
MMRESULT prepareHeader(Handle handle, WAVEHDR* header, UINT size) {
    if (!deviceOf<Device>(handle))
        return MMSYSERR_INVALHANDLE;
    if (!headerUsable(header, size))
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

template <class Device, class Handle>
MMRESULT unprepareHeader(Handle handle, WAVEHDR* header, UINT size) {
    Device* device = deviceOf<Device>(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (device->isQueued(header))
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

// waveOutWrite and waveInAddBuffer: checks, then hands the header to the device.
template <class Device, class Handle, class Queue>
MMRESULT queueHeader(Handle handle, WAVEHDR* header, UINT size, Queue queue) {
    return answerNoMemory([&]() -> MMRESULT {
        Device* device = deviceOf<Device>(handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (!headerUsable(header, size))
            return MMSYSERR_INVALPARAM;
        if (!(header->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (device->isQueued(header))
            return WAVERR_STILLPLAYING;
        queue(*device, header);
        return MMSYSERR_NOERROR;
    });
}

template <class Device, class Handle>
MMRESULT getPosition(Handle handle, MMTIME* time, UINT size) {
    return answerNoMemory([&]() -> MMRESULT {
        Device* device = deviceOf<Device>(handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (!time || size < sizeof(MMTIME))
            return MMSYSERR_INVALPARAM;
        fillTime(*time, device->position(), device->format());
        return MMSYSERR_NOERROR;
    });
}

// Calls that take a device id also take an open handle.
template <class Device, class Handle>
MMRESULT deviceForIdOrHandle(WaveDirection direction, UINT_PTR idOrHandle, DeviceEntry& out) {
    return answerNoMemory([&]() -> MMRESULT {
        if (Device* open = deviceOf<Device>(reinterpret_cast<Handle>(idOrHandle))) {
            out = open->device();
            return MMSYSERR_NOERROR;
        }
        if (idOrHandle > 0xFFFFFFFF)
            return MMSYSERR_INVALHANDLE;
        return lookupDevice(direction, static_cast<UINT>(idOrHandle), out);
    });
}

template <class Device, class Handle, class Caps>
MMRESULT getDevCaps(WaveDirection direction, UINT_PTR deviceId, Caps* caps, UINT size) {
    return answerNoMemory([&]() -> MMRESULT {
        if (!caps)
            return MMSYSERR_INVALPARAM;
        Caps result{};
        result.wMid = MM_UNMAPPED;
        result.wPid = MM_PID_UNMAPPED;
        result.vDriverVersion = 0x0100;
        if constexpr (requires { result.dwSupport; })
            result.dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_SAMPLEACCURATE;
        if (deviceId == WAVE_MAPPER) {
            fillName(result.szPname, "Wave Mapper");
            result.dwFormats = 0xFFF;
            result.wChannels = 2;
        } else {
            DeviceEntry device;
            if (MMRESULT error = deviceForIdOrHandle<Device, Handle>(direction, deviceId, device))
                return error;
            fillName(result.szPname, device.info.name);
            result.dwFormats = standardFormats(*device.backend);
            result.wChannels = channelCount(*device.backend);
        }
        std::memcpy(caps, &result, std::min<std::size_t>(size, sizeof result));
        return MMSYSERR_NOERROR;
    });
}

}  // namespace winmm::detail
