// Text helpers the program's windows share: lines of a text file, blanks trimmed as the user sees
// them, and lengths in characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vevuzer {

// The lines of `text`, each without its CR LF or LF; a last line without an end counts too.
std::vector<std::string> linesOf(std::string_view text);
// Leading and trailing blanks removed (tabs and other white space stay).
std::string trimBlanks(std::string_view text);
// Characters as the user counts them: a UTF-8 sequence counts once.
std::size_t textLength(std::string_view text);

}  // namespace vevuzer
