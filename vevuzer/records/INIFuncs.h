// The address book: the text file "directory.ini" in the program folder, one caller a line
// ("number=name", under a "[callers]" header), and the one routine that looks a number up in it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace INIFuncs {

inline constexpr std::string_view kDirectoryFileName = "directory.ini";
inline constexpr std::string_view kCallersSection = "callers";

// The address book's full path in the program folder.
std::string directoryIniPath();

// The name stored for `key` in `file`: the first line, in file order, that holds `key` anywhere
// in it (letter case ignored) gives the text after the first "=" at or after the key, or the whole
// line when no "=" follows the key. A short key therefore finds a longer number, and the first
// such line wins over a later exact one: callers rely on that.
// Returns "" when the key is empty or only "-" and blanks, the file is missing or unreadable, or
// no line holds the key. `section` and `defaultValue` are accepted and not used. Lines may end in
// CR LF or LF; a file that is not UTF-8 is read as Windows-1252. Never writes the file, never
// reports anything.
std::string ReadIniValue(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view defaultValue);

// ReadIniValue for each of `keys` at once, in their order: the file is read (or its text taken
// from the last read, while the file is unchanged) and scanned once for all of them. Callers that
// try a number in several forms (as received, without "-", without blanks) ask for all the forms
// in one call and take the first result that suits them.
std::vector<std::string> ReadIniValues(std::string_view file,
                                       std::initializer_list<std::string_view> keys);

}  // namespace INIFuncs
