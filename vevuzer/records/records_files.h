// The files of the caller records as the user's own: text that may come from a Windows machine,
// lines appended to a file that may have been edited by hand, and the call-back recordings.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vevuzer::records {

// The text of a file the user may have brought from Windows, as UTF-8: valid UTF-8 is taken as it
// is (without a leading byte-order mark), anything else is read as Windows-1252. Nothing when the
// file is missing or cannot be read.
std::optional<std::string> readUserText(const std::filesystem::path& path);
// The same conversion for text already read.
std::string userTextToUtf8(std::string_view bytes);

// Appends `line` and CR LF to the file, creating it when missing, in one write; when the file does
// not end with CR LF (it was edited by hand), one is written first so the new line never joins the
// last. False, with errno set, when the line could not be written whole.
bool appendLine(const std::filesystem::path& path, std::string_view line);

// A name or number made into one line of a file: CR, LF and NUL become blanks.
std::string oneLine(std::string_view text);

// Whether `name` is a call-back recording's file name: digits and ".wav" (any letter case). Only
// such files are ever deleted, since the names come from lines a caller's data can shape.
bool isNumberedRecording(std::string_view name);

// A file in the program folder named by `name`; nothing when `name` is empty or holds a path
// separator, so text from a log line can never reach outside the folder.
std::optional<std::filesystem::path> programFolderFile(std::string_view name);

}  // namespace vevuzer::records
