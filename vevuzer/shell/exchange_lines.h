// A convenience for running the program on the simulated exchange (`make run`, the end-to-end
// tests): gives each of lines 1 to 4 that has never been assigned the telephony provider's line
// device of the same number, as if the user had chosen it in the settings window.
#pragma once

#include <string>
#include <vector>

namespace vevuzer {

class HostedControl;

// Writes `line` .. `line4` that were never written with the names of the first four line devices
// that the Line control `control` lists, and ends the first run, so the settings window shows what
// is stored. Returns "Line N: name" for each line it assigned, for the
// terminal.
std::vector<std::string> assignLineDevicesIfUnset(const HostedControl& control);

}  // namespace vevuzer
