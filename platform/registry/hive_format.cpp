// A hive file is UTF-8 text, one record per line (written with CR LF; LF alone is read too):
//
//   Belltale registry hive 1
//
//   [Software\VB and VBA Program Settings\Belltale\data]
//   "line"=sz:"Voice Modem #2"
//   @=sz:"the key's default value"
//   "count"=dword:0000000a
//   "blob"=binary:00ff10
//   "paths"=multi_sz:"C:\one%00C:\two%00"
//   "odd"=hex(11):0102030405060708
//
// The first line names the format and its version. A line in brackets opens a key, written as its
// full path from the hive's root with "\" between names ("[]" is the root itself). Missing parents
// are created, and every key is written even when it holds nothing, so empty keys survive.
// The lines that follow are that key's values in the order they were created: a quoted name (or @
// for the default value), "=", the type, ":" and the data.
// - sz, expand_sz and multi_sz keep their bytes in quotes, without the final NUL every stored
// string
//   ends with (it is added back on reading);
// - dword is the 4-byte value as 8 hexadecimal digits, most significant first;
// - binary, and hex(N) for any other type number N (or a dword that is not 4 bytes long), is the
//   data as pairs of hexadecimal digits.
// Inside quotes and key paths "%HH" stands for one byte. It is used for "%", '"', "[", "]", control
// bytes (so newlines keep a value on its line) and bytes that are not valid UTF-8; everything else,
// backslashes, "=" and non-ASCII letters included, is kept as it is so the file stays readable.
// Blank lines and lines starting with ";" are skipped. Any other line makes the whole file
// unreadable: the caller keeps such a file aside rather than guess what it meant.
#include "platform/registry/hive_format.h"

#include <charconv>
#include <cstdio>

#include "platform/core/text.h"
#include "platform/registry/registry.h"

namespace registry::detail {
namespace {

constexpr std::string_view kHeader = "Belltale registry hive 1";

struct TypeName {
    DWORD type;
    std::string_view name;
};
constexpr TypeName kTypeNames[] = {
    {REG_SZ, "sz"},       {REG_EXPAND_SZ, "expand_sz"}, {REG_BINARY, "binary"},
    {REG_DWORD, "dword"}, {REG_MULTI_SZ, "multi_sz"},
};

// The length of the valid UTF-8 sequence starting at `i`, or 0 when there is none.
size_t utf8SequenceLength(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (size_t k = i + 2; k < i + length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

std::string escape(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            if (const size_t length = utf8SequenceLength(bytes, i)) {
                out.append(bytes.substr(i, length));
                i += length;
                continue;
            }
        }
        const bool special = c == '%' || c == '"' || c == '[' || c == ']' || c < 0x20 || c >= 0x7F;
        if (special) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string hexBytes(std::string_view bytes) {
    std::string out;
    char pair[3];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", c);
        out += pair;
    }
    return out;
}

std::optional<std::string> parseHexBytes(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]), low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

std::string formatData(const Value& value) {
    if (isStringType(value.type)) {
        const std::string_view text(value.data.data(), value.data.size() - 1);  // final NUL implied
        for (const auto& [type, name] : kTypeNames) {
            if (type == value.type) {
                return std::string(name) + ":\"" + escape(text) + "\"";
            }
        }
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        }
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", number);
        return std::string("dword:") + digits;
    }
    if (value.type == REG_BINARY) {
        return "binary:" + hexBytes(value.data);
    }
    return "hex(" + std::to_string(value.type) + "):" + hexBytes(value.data);
}

// `path` is one buffer for the whole walk: each key appends its name and takes it off again, so
// the text written grows with the hive, not with the square of its depth.
void formatKey(const Key& key, std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.values.empty()) {
        out.append("[").append(path).append("]\r\n");
        for (const Value& value : key.values) {
            if (value.name.empty())
                out.append("@");
            else
                out.append("\"").append(escape(value.name)).append("\"");
            out.append("=").append(formatData(value)).append("\r\n");
        }
    }
    const size_t length = path.size();
    for (const auto& [folded, subkey] : key.subkeys) {
        if (!isRoot)
            path.append("\\");
        path.append(escape(subkey.name));
        formatKey(subkey, path, false, out);
        path.resize(length);
    }
}

// Reads a quoted text at the start of `text`; on success `rest` is what follows the closing quote.
std::optional<std::string> takeQuoted(std::string_view text, std::string_view& rest) {
    if (text.empty() || text.front() != '"') {
        return std::nullopt;
    }
    const size_t close = text.find('"', 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    rest = text.substr(close + 1);
    return unescape(text.substr(1, close - 1));
}

std::optional<std::pair<DWORD, std::string>> parseData(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view typeName = text.substr(0, colon), payload = text.substr(colon + 1);
    for (const auto& [type, name] : kTypeNames) {
        if (typeName != name) {
            continue;
        }
        if (isStringType(type)) {
            std::string_view rest;
            auto data = takeQuoted(payload, rest);
            if (!data || !rest.empty()) {
                return std::nullopt;
            }
            *data += '\0';
            return std::pair{type, std::move(*data)};
        }
        if (type == REG_DWORD) {
            DWORD number = 0;
            const auto [end, ec] =
                std::from_chars(payload.data(), payload.data() + payload.size(), number, 16);
            if (ec != std::errc() || end != payload.data() + payload.size() ||
                payload.size() != 8) {
                return std::nullopt;
            }
            std::string data(4, '\0');
            for (int i = 0; i < 4; ++i) {
                data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
            }
            return std::pair{type, std::move(data)};
        }
        auto data = parseHexBytes(payload);
        if (!data) {
            return std::nullopt;
        }
        return std::pair{type, std::move(*data)};
    }
    // hex(N): any other type, or a dword that is not 4 bytes long.
    if (!typeName.starts_with("hex(") || !typeName.ends_with(")")) {
        return std::nullopt;
    }
    const std::string_view number = typeName.substr(4, typeName.size() - 5);
    DWORD type = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), type);
    auto data = parseHexBytes(payload);
    if (ec != std::errc() || end != number.data() + number.size() || number.empty() || !data) {
        return std::nullopt;
    }
    if (isStringType(type)) {
        *data += '\0';
    }
    return std::pair{type, std::move(*data)};
}

// Opens the key a "[path]" line names, creating it and its parents.
Key* openSection(Key& root, std::string_view line) {
    if (!line.ends_with(']')) {
        return nullptr;
    }
    const auto path = unescape(line.substr(1, line.size() - 2));
    if (!path) {
        return nullptr;
    }
    Key* key = &root;
    if (path->empty()) {
        return key;
    }
    std::string_view rest = *path;
    for (size_t depth = 1;; ++depth) {
        const size_t slash = rest.find('\\');
        const std::string_view name = rest.substr(0, slash);
        if (name.empty() || name.size() > kMaxKeyNameLength || depth > kMaxKeyDepth) {
            return nullptr;
        }
        key = &key->makeSubkey(name);
        if (slash == std::string_view::npos) {
            return key;
        }
        rest.remove_prefix(slash + 1);
    }
}

bool parseValueLine(Key& key, std::string_view line) {
    std::string name;
    std::string_view rest;
    if (line.starts_with('@')) {
        rest = line.substr(1);
    } else {
        auto quoted = takeQuoted(line, rest);
        if (!quoted || quoted->empty()) {
            return false;
        }
        name = std::move(*quoted);
    }
    if (!rest.starts_with('=')) {
        return false;
    }
    auto data = parseData(rest.substr(1));
    if (!data) {
        return false;
    }
    key.setValue(name, data->first, std::move(data->second));
    return true;
}

}  // namespace

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

Value* Key::findValue(std::string_view valueName) {
    for (Value& value : values) {
        if (core::equalsNoCase(value.name, valueName)) {
            return &value;
        }
    }
    return nullptr;
}

const Value* Key::findValue(std::string_view valueName) const {
    return const_cast<Key*>(this)->findValue(valueName);
}

Key* Key::findSubkey(std::string_view subkeyName) {
    const auto found = subkeys.find(core::toLowerAscii(subkeyName));
    return found == subkeys.end() ? nullptr : &found->second;
}

const Key* Key::findSubkey(std::string_view subkeyName) const {
    return const_cast<Key*>(this)->findSubkey(subkeyName);
}

Key& Key::makeSubkey(std::string_view subkeyName, bool* created) {
    auto [where, inserted] = subkeys.try_emplace(core::toLowerAscii(subkeyName));
    if (inserted) {
        where->second.name = std::string(subkeyName);
    }
    if (created) {
        *created = inserted;
    }
    return where->second;
}

void Key::setValue(std::string_view valueName, DWORD type, std::string data) {
    if (Value* existing = findValue(valueName)) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    values.push_back(Value{std::string(valueName), type, std::move(data)});
}

bool Key::removeValue(std::string_view valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (core::equalsNoCase(it->name, valueName)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

ParseResult parseHive(std::string_view text) {
    ParseResult result;
    Key root;
    Key* current = nullptr;
    int lineNumber = 0;
    bool sawHeader = false;
    const auto fail = [&](std::string why) {
        result.errorLine = lineNumber;
        result.error = std::move(why);
        return result;
    };
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!sawHeader) {
            if (line != kHeader) {
                return fail("the first line is not \"" + std::string(kHeader) + "\"");
            }
            sawHeader = true;
            continue;
        }
        if (line.empty() || line.starts_with(';')) {
            continue;
        }
        if (line.starts_with('[')) {
            current = openSection(root, line);
            if (!current) {
                return fail("a key line is malformed");
            }
            continue;
        }
        if (!current) {
            return fail("a value comes before any key");
        }
        if (!parseValueLine(*current, line)) {
            return fail("a value line is malformed");
        }
    }
    result.root = std::move(root);
    return result;
}

std::string formatHive(const Key& root) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    std::string path;
    formatKey(root, path, true, out);
    return out;
}

}  // namespace registry::detail
