// The activity log: the text file "log.txt" in the program folder, in which every part of the
// program narrates its steps. One line per call, exactly the text given (no time stamp, no
// prefix), each ended by CR LF and written whole with one write, so the text editor and the
// problem report can read the file at any time. The lines of one control event share one open
// descriptor (core::AppendScope). UI thread only.
#pragma once

#include <filesystem>
#include <string_view>

namespace vevuzer {

inline constexpr std::string_view kLogFileName = "log.txt";

// Appends `text` as one line. A log that cannot be written loses the line; nothing is reported.
void log(std::string_view text);

// Where the log is: an existing "log.txt" in the program folder whatever the case of its name (as
// Windows would find it), else the program folder's "log.txt".
std::filesystem::path logFilePath();

// Starts a fresh log at program start: when the program folder holds the file under exactly the
// name "log.txt", deletes it and logs "Deleted log file ready for new input". A file whose name
// differs in case is left alone and the new lines go on after its old ones. True when the old log
// was deleted.
bool startFreshLog();

}  // namespace vevuzer
