// The in-memory form of one hive and its text form on disk. Internal to the registry layer.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/win_types.h"

namespace registry::detail {

// Windows' limits, kept by the API when writing and by the reader, so a hand-made hive cannot make
// a key tree deeper than the code that walks it expects.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;

struct Value {
    std::string name;  // as first given; empty for the key's default value
    DWORD type = 0;
    std::string data;  // the bytes as stored; string types always end with a NUL

    friend bool operator==(const Value&, const Value&) = default;
};

struct Key {
    std::string name;           // as first given
    std::vector<Value> values;  // in the order they were created, as Windows enumerates them
    // Keyed by the lower-case name, so lookups ignore case and enumeration runs in name order.
    std::map<std::string, Key> subkeys;

    Value* findValue(std::string_view valueName);
    const Value* findValue(std::string_view valueName) const;
    Key* findSubkey(std::string_view subkeyName);
    const Key* findSubkey(std::string_view subkeyName) const;
    // Returns the subkey, adding it under `subkeyName` when missing.
    Key& makeSubkey(std::string_view subkeyName, bool* created = nullptr);
    // Sets or replaces a value; a new value keeps `valueName`'s case, a replaced one its old case.
    void setValue(std::string_view valueName, DWORD type, std::string data);
    bool removeValue(std::string_view valueName);

    friend bool operator==(const Key&, const Key&) = default;
};

bool isStringType(DWORD type);

struct ParseResult {
    std::optional<Key> root;  // empty when the text is not a hive
    int errorLine = 0;        // 1-based line of the first problem
    std::string error;
};

ParseResult parseHive(std::string_view text);
std::string formatHive(const Key& root);

}  // namespace registry::detail
