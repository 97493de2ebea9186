#include "platform/registry/vb_settings.h"

#include "platform/registry/registry.h"

namespace vb {
namespace {

std::optional<std::string> sectionPath(std::string_view appName, std::string_view section) {
    if (appName.empty() || section.empty()) {
        return std::nullopt;  // VB refuses these as invalid arguments
    }
    return "Software\\VB and VBA Program Settings\\" + std::string(appName) + "\\" +
           std::string(section);
}

}  // namespace

std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    const auto path = sectionPath(appName, section);
    if (!path) {
        return std::string(defaultValue);
    }
    return registry::readString(HKEY_CURRENT_USER, *path, key).value_or(std::string(defaultValue));
}

bool SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                 std::string_view setting) {
    const auto path = sectionPath(appName, section);
    return path && registry::writeString(HKEY_CURRENT_USER, *path, key, setting) == ERROR_SUCCESS;
}

bool DeleteSetting(std::string_view appName, std::string_view section,
                   std::optional<std::string_view> key) {
    const auto path = sectionPath(appName, section);
    if (!path) {
        return false;
    }
    const LONG result = key ? registry::deleteValue(HKEY_CURRENT_USER, *path, *key)
                            : registry::deleteTree(HKEY_CURRENT_USER, *path);
    return result == ERROR_SUCCESS;
}

std::vector<std::pair<std::string, std::string>> GetAllSettings(std::string_view appName,
                                                                std::string_view section) {
    const auto path = sectionPath(appName, section);
    if (!path) {
        return {};
    }
    return registry::stringValues(HKEY_CURRENT_USER, *path);
}

}  // namespace vb
