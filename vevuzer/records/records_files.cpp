#include "vevuzer/records/records_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace vevuzer::records {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Windows-1252's characters for the bytes 0x80 to 0x9F; the five it leaves undefined keep their
// own value, as Windows converts them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string fromWindows1252(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        wide.push_back(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80]
                                                   : static_cast<char16_t>(byte));
    }
    return core::toUtf8(wide);
}

}  // namespace

std::string userTextToUtf8(std::string_view bytes) {
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return isValidUtf8(bytes) ? std::string(bytes) : fromWindows1252(bytes);
}

std::optional<std::string> readUserText(const std::filesystem::path& path) {
    std::optional<std::string> bytes = core::readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return userTextToUtf8(*bytes);
}

bool appendLine(const std::filesystem::path& path, std::string_view line) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::string text;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size > 0) {
        char last[2] = {};
        const off_t from = size >= 2 ? size - 2 : 0;
        const ssize_t got = ::pread(fd, last, static_cast<std::size_t>(size - from), from);
        if (got != size - from || !(got == 2 && last[0] == '\r' && last[1] == '\n')) {
            text = "\r\n";
        }
    }
    text.append(line).append("\r\n");
    const ssize_t written = ::write(fd, text.data(), text.size());
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (written != static_cast<ssize_t>(text.size())) {
        errno = written < 0 ? writeErrno : ENOSPC;
        return false;
    }
    return closed;
}

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
