// The keyboard's Scroll Lock light, set the way a press of the Scroll Lock key would set it.
#pragma once

#include <optional>

namespace ui {

// Changes the Scroll Lock light's state, as one press of the key does. False, changing nothing,
// where the desktop offers no way to: not an X11 display, no keyboard extension, no such light.
bool toggleScrollLock();

// Whether the Scroll Lock light is on; nothing where it cannot be read.
std::optional<bool> scrollLockLit();

}  // namespace ui
