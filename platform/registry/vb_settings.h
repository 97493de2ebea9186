// VB's settings store: text values by application, section and key, kept where VB keeps them, in
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, one REG_SZ value
// per key. Nothing here throws or shows anything: a failed read gives the default, a failed write
// or delete answers false.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vb {

// The stored text, or `defaultValue` when the key is missing (or holds something that is not text).
std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                       std::string_view defaultValue = "");
// Creates or replaces the key's text.
bool SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                 std::string_view setting);
// Deletes one key, or with no key the whole section. False when there was nothing to delete
// (where VB raises an error).
bool DeleteSetting(std::string_view appName, std::string_view section,
                   std::optional<std::string_view> key = std::nullopt);
// Every key of a section with its text, in the order they were first saved; empty when there are
// none.
std::vector<std::pair<std::string, std::string>> GetAllSettings(std::string_view appName,
                                                                std::string_view section);

}  // namespace vb
