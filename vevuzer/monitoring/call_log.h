// The incoming-call log "inclog.txt" in the program folder: one line per call, ended by CR LF,
// appended by call monitoring and read by the call list and the log window.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/core/clock.h"

namespace vevuzer {

inline constexpr std::string_view kCallLogFile = "inclog.txt";

// The log: an existing "inclog.txt" whatever the case of its name, else the program folder's
// "inclog.txt".
std::filesystem::path callLogPath();

// The line of a call that came with caller ID: number, ", ", name, ", ", the short date, " ",
// the time. CR, LF and NUL in the number or name become blanks, so one call stays one line.
std::string CallLogLine(std::string_view number, std::string_view name,
                        core::OleDate when = core::now());

// Appends `line` and CR LF to the log, creating it when missing. The file is only ever added to,
// never replaced, so a failed write cannot lose the calls logged before. False when the line could
// not be written whole.
bool appendCallLog(std::string_view line);

}  // namespace vevuzer
