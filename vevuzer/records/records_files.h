// The files of the caller records: what a caller's data may put into a line, and the call-back
// recordings that log lines name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vevuzer::records {

// A name or number made into one line of a file: CR, LF and NUL become blanks.
std::string oneLine(std::string_view text);

// Whether `name` is a call-back recording's file name: digits and ".wav" (any letter case). Only
// such files are ever deleted, since the names come from lines a caller's data can shape.
bool isNumberedRecording(std::string_view name);

// A file in the program folder named by `name`; nothing when `name` is empty or holds a path
// separator, so text from a log line can never reach outside the folder.
std::optional<std::filesystem::path> programFolderFile(std::string_view name);

}  // namespace vevuzer::records
