// The blocked and e-mail number lists as the settings window edits them: one line of entries, each
// a blank, the number as typed and a comma. The caller-ID road reads the files' first line.
#pragma once

#include <string>
#include <string_view>

namespace settings {

inline constexpr std::string_view kBlockedListFile = "blocked.ini";
inline constexpr std::string_view kEmailListFile = "email.ini";

enum class ListEdit { Done, NoNumber, AlreadyListed };

// Appends " <number>," unless the number is shorter than 2 characters or occurs anywhere in the
// list already (a number inside a longer listed number counts).
ListEdit addToNumberList(std::string& list, std::string_view number);
// Removes every " <number>," from the list, in any letter case. NoNumber for a number shorter
// than 2 characters; Done otherwise, also when it was not listed.
ListEdit removeFromNumberList(std::string& list, std::string_view number);

// The list file's lines joined without separators; empty when there is no such file.
std::string loadNumberList(std::string_view fileName);
// Replaces the list file with the list and CR LF. False when it could not be written.
bool writeNumberList(std::string_view fileName, std::string_view list);

// Arrow buttons of the minute boxes: 1 to 60, wrapping; a text that is no number counts as out of
// range. The result is the number in its shortest decimal form.
std::string minuteDown(std::string_view text);
std::string minuteUp(std::string_view text);
// Arrow buttons of the attempts box: 1 to 50, stopping at the ends; a text that is no number stays.
std::string attemptsDown(std::string_view text);
std::string attemptsUp(std::string_view text);

}  // namespace settings
