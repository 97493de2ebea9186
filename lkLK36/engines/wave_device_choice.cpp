#include "lkLK36/engines/wave_device_choice.h"

#include <algorithm>

MMRESULT ReadWaveOutName(UINT id, std::string& name) {
    WAVEOUTCAPSA caps{};
    const MMRESULT code = waveOutGetDevCapsA(id, &caps, sizeof caps);
    if (code == MMSYSERR_NOERROR)
        name = caps.szPname;
    return code;
}

MMRESULT ReadWaveInName(UINT id, std::string& name) {
    WAVEINCAPSA caps{};
    const MMRESULT code = waveInGetDevCapsA(id, &caps, sizeof caps);
    if (code == MMSYSERR_NOERROR)
        name = caps.szPname;
    return code;
}

const TlkStringList& RebuildWaveDeviceList(TlkSharedDevice& device,
                                           const TlkWaveDeviceNames& names) {
    device.List.clear();
    for (LONG id = 0; id < device.Count; ++id) {
        std::string name;
        if (names.read(static_cast<UINT>(id), name) == MMSYSERR_NOERROR)
            device.List.push_back(names.tidy(name));
        else
            device.List.push_back("<< Unknown >>");
    }
    return device.List;
}

void ChooseWaveDevice(TlkSharedControl& control, TlkSharedDevice& device, LONG id,
                      const TlkWaveDeviceNames& names) {
    if (id < 0 || id >= device.Count) {
        control.FillErrorStrings(MMSYSERR_BADDEVICEID);
        return;
    }
    std::string name;
    if (const MMRESULT code = names.read(static_cast<UINT>(id), name)) {
        device.Name.clear();
        control.FillErrorStrings(static_cast<LONG>(code));
        return;
    }
    device.Name = names.tidy(name);
    device.ID = id;
    control.log().Add(0, "\tDevice.Count = " + std::to_string(device.Count));
    control.log().Add(0, "\tDevice.Name = '" + device.Name + "'");
}

LONG FindWaveDevice(TlkSharedControl& control, TlkSharedDevice& device, const std::string& name,
                    const TlkWaveDeviceNames& names) {
    const TlkStringList& list = RebuildWaveDeviceList(device, names);
    const auto found = std::find(list.begin(), list.end(), name);
    if (found == list.end()) {
        control.Error().Clear();
        control.FillErrorStrings(MMSYSERR_BADDEVICEID);
        return -1;
    }
    return static_cast<LONG>(found - list.begin());
}
