// The link between the exchange's line devices and the wave device table of platform/winmm. Each
// line device owns a wave-in and a wave-out device; lineGetID("wave/in" / "wave/out") answers
// their ids, so they must be the ids winmm gives them.
//
// platform/winmm implements WaveDeviceTable and installs it with setWaveDeviceTable() when it
// starts; the exchange then registers its devices there (again, if they were registered before).
// Until a table is installed the exchange numbers the devices itself (line n: in 2n, out 2n + 1)
// and keeps what would have been played, so tests of this layer can see it.
#pragma once

#include <filesystem>
#include <string>

#include "platform/core/win_types.h"

namespace tapi {

enum class WaveDirection { In, Out };

class WaveDeviceTable {
  public:
    // Adds a device that belongs to telephone line `lineDevice`; returns its wave device id.
    virtual UINT addLineWaveDevice(const std::string& name, WaveDirection direction,
                                   DWORD lineDevice) = 0;
    // Takes a device away again (the exchange was reconfigured or the line removed). Wave-in and
    // wave-out ids are counted apart, so the direction says which one `id` names.
    virtual void removeLineWaveDevice(UINT id, WaveDirection direction) = 0;
    // The far end of a call speaks: the wave file's sound reaches wave-in device `id`, paced by
    // the platform clock, from now on. An empty path stops what is playing.
    virtual void playIntoWaveIn(UINT id, const std::filesystem::path& wavFile) = 0;

  protected:
    ~WaveDeviceTable() = default;
};

// Installs (or, with nullptr, removes) the table. An exchange already built re-registers its
// devices at once; one built later registers them there as it builds them.
void setWaveDeviceTable(WaveDeviceTable* table);
WaveDeviceTable* waveDeviceTable();
// Builds the process's exchange (and so registers its lines' devices) unless it is built already
// or being built: the wave layer calls it when its table is first used, so a program sees the
// telephone lines' devices from its first device query, as the hardware's would be.
void buildExchange();

}  // namespace tapi
