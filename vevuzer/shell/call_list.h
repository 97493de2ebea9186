// The entries of the main window's call list, made from the lines of the incoming-call log.
#pragma once

#include <string>
#include <string_view>

namespace vevuzer {

inline constexpr std::string_view kNameUnavailable = "Name Unavailable";

// Entry `k` (counted from 1) for the log line `logLine`: k, ": ", then the first three
// comma-separated fields of the line, each trimmed of blanks, joined by ", ". A name (the second
// field) shorter than 2 characters shows as "Name Unavailable"; text after a third comma is left
// out. The number can be read back as the text between ": " and the first ", ".
std::string CallListLine(int k, std::string_view logLine);

}  // namespace vevuzer
