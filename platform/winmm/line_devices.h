// The simulated exchange's telephone lines as wave devices: what the far end of a line hears.
// (What it says is named through tapi::WaveDeviceTable::playIntoWaveIn.)
#pragma once

#include <cstdint>
#include <vector>

#include "platform/core/win_types.h"

namespace winmm {

// What was played to the telephone line behind wave-out device `waveOutId`, as the far end of a
// call heard it: in the line's format (8 kHz 16-bit mono PCM), the last minute at most. Empty for
// a device that is no telephone line's.
std::vector<std::uint8_t> heardOnLine(UINT waveOutId);

}  // namespace winmm
