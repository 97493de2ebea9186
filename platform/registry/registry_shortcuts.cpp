// The project's short registry calls, made of the Win32 calls so they behave exactly alike.
#include <cstring>

#include "platform/registry/registry.h"

namespace registry {
namespace {

// An open key that closes itself.
class OpenKey {
  public:
    OpenKey(HKEY root, std::string_view path, REGSAM access, bool create) {
        const std::string subKey(path);
        m_result = create
                       ? RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access, nullptr, &m_key, nullptr)
                       : RegOpenKeyExA(root, subKey.c_str(), 0, access, &m_key);
    }
    ~OpenKey() {
        if (m_result == ERROR_SUCCESS) {
            RegCloseKey(m_key);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    LONG result() const { return m_result; }
    HKEY get() const { return m_key; }

  private:
    HKEY m_key = nullptr;
    LONG m_result;
};

std::optional<std::pair<DWORD, std::string>> readValue(HKEY key, const std::string& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string data(size, '\0');
    // The value may change between the two calls; a second size query settles it.
    while (true) {
        size = static_cast<DWORD>(data.size());
        const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_MORE_DATA) {
            data.resize(size);
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(size);
        return std::pair{type, std::move(data)};
    }
}

std::string textBeforeNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

}  // namespace

std::optional<std::string> readString(HKEY root, std::string_view path, std::string_view name) {
    OpenKey key(root, path, KEY_QUERY_VALUE, false);
    if (key.result() != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const auto value = readValue(key.get(), std::string(name));
    if (!value || (value->first != REG_SZ && value->first != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return textBeforeNul(value->second);
}

LONG writeString(HKEY root, std::string_view path, std::string_view name, std::string_view text) {
    OpenKey key(root, path, KEY_SET_VALUE, true);
    if (key.result() != ERROR_SUCCESS) {
        return key.result();
    }
    const std::string data = std::string(text) + '\0';
    return RegSetValueExA(key.get(), std::string(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

std::optional<DWORD> readDword(HKEY root, std::string_view path, std::string_view name) {
    OpenKey key(root, path, KEY_QUERY_VALUE, false);
    if (key.result() != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const auto value = readValue(key.get(), std::string(name));
    if (!value || value->first != REG_DWORD || value->second.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, value->second.data(), sizeof number);
    return number;
}

LONG writeDword(HKEY root, std::string_view path, std::string_view name, DWORD number) {
    OpenKey key(root, path, KEY_SET_VALUE, true);
    if (key.result() != ERROR_SUCCESS) {
        return key.result();
    }
    return RegSetValueExA(key.get(), std::string(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&number), sizeof number);
}

LONG deleteValue(HKEY root, std::string_view path, std::string_view name) {
    OpenKey key(root, path, KEY_SET_VALUE, false);
    if (key.result() != ERROR_SUCCESS) {
        return key.result();
    }
    return RegDeleteValueA(key.get(), std::string(name).c_str());
}

LONG deleteTree(HKEY root, std::string_view path) {
    return RegDeleteTreeA(root, std::string(path).c_str());
}

std::vector<std::string> subkeyNames(HKEY root, std::string_view path) {
    std::vector<std::string> names;
    OpenKey key(root, path, KEY_READ, false);
    if (key.result() != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return names;
        }
        names.emplace_back(name, length);
    }
}

std::vector<std::pair<std::string, std::string>> stringValues(HKEY root, std::string_view path) {
    std::vector<std::pair<std::string, std::string>> values;
    OpenKey key(root, path, KEY_READ, false);
    if (key.result() != ERROR_SUCCESS) {
        return values;
    }
    DWORD count = 0, longestName = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                     &longestName, nullptr, nullptr, nullptr);
    std::string name(longestName + 1, '\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(name.size()), type = 0;
        if (RegEnumValueA(key.get(), index, name.data(), &length, nullptr, &type, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            continue;
        }
        const std::string valueName(name.data(), length);
        if (const auto value = readValue(key.get(), valueName)) {
            values.emplace_back(valueName, textBeforeNul(value->second));
        }
    }
    return values;
}

}  // namespace registry
