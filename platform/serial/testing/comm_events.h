// The test hook for modem signals a pseudo-terminal cannot carry (the ring indicator): raises
// OnComm with `event` (comEvRing ...) on every serial control whose port is open on
// `devicePath`. The event is queued and reaches the container when the program next pumps, as a
// real line change would. Returns how many controls it reached.
#pragma once

#include <string_view>

#include "platform/serial/serial.h"

namespace serial {

int injectCommEvent(std::string_view devicePath, SHORT event);

}  // namespace serial
