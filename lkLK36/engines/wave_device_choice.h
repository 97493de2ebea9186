// The device members the Play and Record engines share (Device.ID, Device.Name and DeviceList)
// over their own direction's devices. Each engine tidies a device's name by its own rule.
#pragma once

#include <string>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/winmm/mmsystem.h"

struct TlkWaveDeviceNames {
    // The name device `id`'s capabilities give, or the capabilities call's error.
    MMRESULT (*read)(UINT id, std::string& name);
    std::string (*tidy)(const std::string& name);
};

MMRESULT ReadWaveOutName(UINT id, std::string& name);
MMRESULT ReadWaveInName(UINT id, std::string& name);

// DeviceList: rebuilt on each read for IDs 0 to Count - 1, "<< Unknown >>" for a device whose
// capabilities cannot be read.
const TlkStringList& RebuildWaveDeviceList(TlkSharedDevice& device,
                                           const TlkWaveDeviceNames& names);

// What Device.ID does once its line is logged and the error cleared: error 2 outside 0 to
// Count - 1; capabilities that cannot be read clear Name and report their code; else Name and ID
// are taken and logged.
void ChooseWaveDevice(TlkSharedControl& control, TlkSharedDevice& device, LONG id,
                      const TlkWaveDeviceNames& names);

// The ID Device.Name selects: the first entry of the rebuilt list equal to `name` (case counts),
// or -1 once error 2 is reported.
LONG FindWaveDevice(TlkSharedControl& control, TlkSharedDevice& device, const std::string& name,
                    const TlkWaveDeviceNames& names);
