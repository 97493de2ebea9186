#include "vevuzer/records/records_files.h"

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace vevuzer::records {

std::string oneLine(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return field;
}

bool isNumberedRecording(std::string_view name) {
    constexpr std::string_view kExtension = ".wav";
    if (name.size() <= kExtension.size() ||
        !core::equalsNoCase(name.substr(name.size() - kExtension.size()), kExtension)) {
        return false;
    }
    const std::string_view number = name.substr(0, name.size() - kExtension.size());
    return number.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::filesystem::path> programFolderFile(std::string_view name) {
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos || name == "." ||
        name == "..") {
        return std::nullopt;
    }
    return core::programFolder() / std::string(name);
}

}  // namespace vevuzer::records
