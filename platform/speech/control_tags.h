// Internal: the speech control's inline tags, rewritten as the SSML the engine reads.
#pragma once

#include <string>
#include <string_view>

namespace speech {

// Turns text with control tags into an SSML document. A tag is "\name\" or "\name=value\", its
// name in any case: "\emp\" stresses the next word, "\pau=N\" pauses N milliseconds; other tags
// are dropped. "\\" is one backslash, and a lone backslash is dropped. Everything else is text,
// escaped for XML.
std::string toSsml(std::string_view text);

}  // namespace speech
