// The desktop's autostart entries that mirror the values of the machine's Run key. Internal to the
// registry layer: a value written under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run is a
// program Windows starts at log-on, and here an XDG autostart entry does that job.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/win_types.h"

namespace registry::detail {

// The Run key's path below HKEY_LOCAL_MACHINE.
const std::vector<std::string>& runKeyPath();
// True when `path` names the Run key, in any case.
bool isRunKeyPath(const std::vector<std::string>& path);
// True when deleting the key at `path`, with everything below it, deletes the Run key too.
bool containsRunKey(const std::vector<std::string>& path);

// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
std::filesystem::path autostartFolder();
// "belltale-<value name>.desktop" in that folder, the name reduced to characters safe in a file
// name.
std::filesystem::path autostartEntry(std::string_view valueName);

// A text value with something before its first NUL writes the entry; an empty text or any other
// type removes it. Failures are reported through reportProblem(); the registry value stands.
void runValueSet(std::string_view valueName, DWORD type, std::string_view data);
void runValueRemoved(std::string_view valueName);

}  // namespace registry::detail
