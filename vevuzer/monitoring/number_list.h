// The blocked-callers and e-mail number lists: "blocked.ini" and "email.ini" in the program
// folder. Only the first line of a list counts; the settings window writes every number into it
// as " " & number & ",".
#pragma once

#include <string>
#include <string_view>

namespace vevuzer {

inline constexpr std::string_view kBlockedListFile = "blocked.ini";
inline constexpr std::string_view kEmailListFile = "email.ini";

// The number as the lists compare it: every "-" and blank taken out.
std::string strippedNumber(std::string_view number);

// Whether the list file `fileName` (found in the program folder whatever the case of its name)
// holds `number`: the stripped number occurs anywhere in the stripped first line, letter case
// ignored, so a number also matches the start of a longer entry. A number that strips to nothing
// is never listed. A missing or unreadable file lists nothing.
bool numberListed(std::string_view fileName, std::string_view number);

}  // namespace vevuzer
