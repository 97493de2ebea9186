#include "vevuzer/records/INIFuncs.h"

#include <filesystem>
#include <optional>

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace INIFuncs {
namespace {

// A number made only of "-" and blanks is no number: it would otherwise match every line holding
// a blank, and an unknown caller would be greeted with a stranger's name.
bool isBlankNumber(std::string_view key) {
    return key.find_first_not_of("- ") == std::string_view::npos;
}

bool hasLetters(std::string_view text) {
    for (char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            return true;
        }
    }
    return false;
}

// The file as Windows would find it: an exact name first, then one differing only in case.
std::optional<std::string> readAddressBook(std::string_view file) {
    const std::filesystem::path path(file);
    if (auto text = core::readTextFile(path)) {
        return text;
    }
    if (const auto found = core::findFileNoCase(path)) {
        return core::readTextFile(*found);
    }
    return std::nullopt;
}

struct Line {
    std::size_t begin;
    std::size_t end;  // before the line's CR LF or LF
};

Line lineAround(std::string_view text, std::size_t pos) {
    const std::size_t newline = text.rfind('\n', pos);
    const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) {
        end = text.size();
    }
    if (end > begin && text[end - 1] == '\r') {
        --end;
    }
    return {begin, end};
}

}  // namespace

std::string directoryIniPath() {
    return (core::programFolder() / kDirectoryFileName).string();
}

std::string ReadIniValue(std::string_view file, std::string_view /*section*/, std::string_view key,
                         std::string_view /*defaultValue*/) {
    if (isBlankNumber(key)) {
        return {};
    }
    const std::optional<std::string> text = readAddressBook(file);
    if (!text) {
        return {};
    }
    // One search over the whole file: the first occurrence lies in the first line holding the
    // key, unless it runs over that line's end, in which case the search goes on past it. Letter
    // case matters only when the key has letters; a number is searched for as it is.
    const std::string lowered = hasLetters(key) ? core::toLowerAscii(*text) : std::string();
    const std::string_view searched = lowered.empty() ? std::string_view(*text) : lowered;
    const std::string wanted = core::toLowerAscii(key);
    for (std::size_t pos = searched.find(wanted); pos != std::string_view::npos;
         pos = searched.find(wanted, pos + 1)) {
        const Line line = lineAround(searched, pos);
        if (pos + wanted.size() > line.end) {
            continue;
        }
        const std::string_view whole(text->data() + line.begin, line.end - line.begin);
        const std::size_t equals = whole.find('=', pos - line.begin);
        return std::string(equals == std::string_view::npos ? whole : whole.substr(equals + 1));
    }
    return {};
}

}  // namespace INIFuncs
