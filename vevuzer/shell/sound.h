// Sound: plays a wave file for the ring alert and for recorded announcements. UI thread only.
#pragma once

#include <string_view>

namespace vevuzer {

// Plays the wave file `fileName` (a full path, or a name relative to the current folder) in the
// background and returns at once. A new sound replaces the one playing; a name that is empty or
// names nothing playable plays nothing (there is no default sound) and stops the one playing.
void playfile(std::string_view fileName);

}  // namespace vevuzer
