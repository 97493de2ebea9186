// Text conversions the layers share: UTF-8 (used everywhere inside) and UTF-16 (only at the COM
// boundary), GUIDs in registry form, and the case rules Windows applies to names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/win_types.h"

namespace core {

// Invalid UTF-8 sequences become U+FFFD; nothing is dropped silently.
std::u16string toUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view utf16);

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or truncated sequences).
bool isValidUtf8(std::string_view bytes);
// Text a user may bring from Windows, as UTF-8: kept as it is when it is valid UTF-8 (a leading
// byte-order mark is dropped), otherwise read as Windows-1252.
std::string windowsTextToUtf8(std::string_view bytes);
// UTF-8 text in Windows-1252; nothing when a character has no place in it.
std::optional<std::string> utf8ToWindowsText(std::string_view utf8);

// "{0002DF01-0000-0000-C000-000000000046}": braces, upper-case hexadecimal.
std::string formatGuid(const GUID& guid);
// Accepts the form above with or without braces, in either case; nothing else.
std::optional<GUID> parseGuid(std::string_view text);

// ASCII case folding, as Windows compares registry keys, file names and INI keys.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace core
