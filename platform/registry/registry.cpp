#include "platform/registry/registry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/core/text.h"
#include "platform/registry/autostart.h"
#include "platform/registry/hive_format.h"
#include "platform/registry/hive_store.h"

using registry::detail::Hive;
using registry::detail::HiveId;
using registry::detail::Key;
using registry::detail::Value;

namespace {

using Path = std::vector<std::string>;

using registry::detail::kMaxKeyNameLength;
constexpr size_t kMaxValueNameLength = 16383;
constexpr REGSAM kGenericRead = 0x80000000, kGenericWrite = 0x40000000, kGenericAll = 0x10000000;

// What a handle stands for: a key of one hive, named by its path from the hive's root.
struct KeyRef {
    HiveId hive;
    Path path;
    REGSAM access;
    // A predefined key counts as present even before anything is stored below it (HKEY_CLASSES_ROOT
    // is HKLM\Software\Classes, which a fresh hive does not hold yet).
    bool predefined;
};

std::map<std::uintptr_t, KeyRef>& openKeys() {
    static std::map<std::uintptr_t, KeyRef> keys;
    return keys;
}

// Handles count up from here and are never reused, so a stale handle is always refused.
std::uintptr_t g_nextHandle = 0x1000;

std::optional<KeyRef> predefinedKey(HKEY hKey) {
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hKey));
    if (bits >> 32 != 0 && bits >> 32 != 0xFFFFFFFF) {
        return std::nullopt;  // neither Windows' sign-extended form nor a bare 32-bit value
    }
    switch (static_cast<std::uint32_t>(bits)) {
        case 0x80000000:
            return KeyRef{HiveId::LocalMachine, {"Software", "Classes"}, KEY_ALL_ACCESS, true};
        case 0x80000001:
            return KeyRef{HiveId::CurrentUser, {}, KEY_ALL_ACCESS, true};
        case 0x80000002:
            return KeyRef{HiveId::LocalMachine, {}, KEY_ALL_ACCESS, true};
        default:
            return std::nullopt;
    }
}

std::optional<KeyRef> resolve(HKEY hKey) {
    if (auto predefined = predefinedKey(hKey)) {
        return predefined;
    }
    const auto found = openKeys().find(reinterpret_cast<std::uintptr_t>(hKey));
    if (found == openKeys().end()) {
        return std::nullopt;
    }
    return found->second;
}

HKEY newHandle(KeyRef ref) {
    const std::uintptr_t id = g_nextHandle;
    g_nextHandle += 4;
    openKeys().emplace(id, std::move(ref));
    return reinterpret_cast<HKEY>(id);
}

REGSAM effectiveAccess(REGSAM desired) {
    if (desired & (MAXIMUM_ALLOWED | kGenericAll)) {
        return KEY_ALL_ACCESS;
    }
    REGSAM access = desired & KEY_ALL_ACCESS;
    if (desired & kGenericRead) {
        access |= KEY_READ;
    }
    if (desired & kGenericWrite) {
        access |= KEY_WRITE;
    }
    return access;
}

// Splits a subkey path into names. A single leading backslash ("\SOFTWARE\...", as some callers
// write it) and a trailing one are tolerated; an empty name between two backslashes, or one longer
// than Windows allows, is not.
std::optional<Path> splitPath(std::string_view text) {
    if (text.starts_with('\\')) {
        text.remove_prefix(1);
    }
    if (text.ends_with('\\')) {
        text.remove_suffix(1);
    }
    Path path;
    if (text.empty()) {
        return path;
    }
    while (true) {
        const size_t slash = text.find('\\');
        const std::string_view name = text.substr(0, slash);
        if (name.empty() || name.size() > kMaxKeyNameLength) {
            return std::nullopt;
        }
        path.emplace_back(name);
        if (slash == std::string_view::npos) {
            return path;
        }
        text.remove_prefix(slash + 1);
    }
}

std::string_view textOf(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

Path joined(const Path& base, const Path& tail) {
    Path path = base;
    path.insert(path.end(), tail.begin(), tail.end());
    return path;
}

// The key `depth` names down `path` from `root`, or null when one is missing.
const Key* walk(const Key& root, const Path& path, size_t depth) {
    const Key* key = &root;
    for (size_t i = 0; i < depth && key; ++i) {
        key = key->findSubkey(path[i]);
    }
    return key;
}
const Key* walk(const Key& root, const Path& path) {
    return walk(root, path, path.size());
}
Key* walk(Key& root, const Path& path, size_t depth) {
    return const_cast<Key*>(walk(std::as_const(root), path, depth));
}
Key* walk(Key& root, const Path& path) {
    return walk(root, path, path.size());
}

// The names as stored, so a handle keeps the case the key was first given.
Path storedNames(const Key& root, const Path& path) {
    Path names;
    const Key* key = &root;
    for (const std::string& name : path) {
        key = key->findSubkey(name);
        names.push_back(key->name);
    }
    return names;
}

Key& makePath(Key& root, const Path& path, bool& created) {
    Key* key = &root;
    for (const std::string& name : path) {
        bool added = false;
        key = &key->makeSubkey(name, &added);
        created = created || added;
    }
    return *key;
}

// Runs `read` on the handle's key from an up-to-date hive.
template <class Read>
LONG readKey(HKEY hKey, REGSAM needed, Read read) {
    std::lock_guard lock(registry::detail::registryMutex());
    const auto ref = resolve(hKey);
    if (!ref) {
        return ERROR_INVALID_HANDLE;
    }
    if ((ref->access & needed) != needed) {
        return ERROR_ACCESS_DENIED;
    }
    Hive& hive = registry::detail::hiveFor(ref->hive);
    if (const LONG result = hive.refresh(); result != ERROR_SUCCESS) {
        return result;
    }
    static const Key kEmpty;
    const Key* key = walk(hive.root(), ref->path);
    if (!key && !ref->predefined) {
        return ERROR_KEY_DELETED;
    }
    return read(key ? *key : kEmpty, *ref);
}

// Runs `change` on the handle's key under the hive's lock and writes the hive when it changed.
// `change` gets the hive's root too, for changes that reach beyond the key (deleting it).
template <class Change>
LONG changeKey(HKEY hKey, REGSAM needed, Change change) {
    std::lock_guard lock(registry::detail::registryMutex());
    const auto ref = resolve(hKey);
    if (!ref) {
        return ERROR_INVALID_HANDLE;
    }
    if ((ref->access & needed) != needed) {
        return ERROR_ACCESS_DENIED;
    }
    return registry::detail::hiveFor(ref->hive).modify([&](Key& root, bool& changed) -> LONG {
        Key* key = walk(root, ref->path);
        if (!key && !ref->predefined) {
            return ERROR_KEY_DELETED;
        }
        if (!key) {
            key = &makePath(root, ref->path, changed);
        }
        return change(root, *key, *ref, changed);
    });
}

bool isRunKey(const KeyRef& ref, const Path& path) {
    return ref.hive == HiveId::LocalMachine && registry::detail::isRunKeyPath(path);
}

// The Run values that vanish when the key at `path` goes, with everything below it.
std::vector<std::string> runValuesUnder(const Key& root, const KeyRef& ref, const Path& path) {
    if (ref.hive != HiveId::LocalMachine) {
        return {};
    }
    std::vector<std::string> names;
    if (!registry::detail::containsRunKey(path)) {
        return names;
    }
    if (const Key* run = walk(root, registry::detail::runKeyPath())) {
        for (const Value& value : run->values) {
            names.push_back(value.name);
        }
    }
    return names;
}

void forgetRunValues(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        registry::detail::runValueRemoved(name);
    }
}

// Copies `bytes` into a caller's buffer by Windows' rules: no buffer asks for the size, a small one
// gives ERROR_MORE_DATA and the size needed.
LONG copyData(std::string_view bytes, BYTE* lpData, DWORD* lpcbData) {
    if (!lpcbData) {
        return lpData ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (!lpData) {
        *lpcbData = needed;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < needed) {
        *lpcbData = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpData, bytes.data(), bytes.size());
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

// Copies a name with its NUL; `lpcch` holds the room in characters going in, the length without
// the NUL coming out.
LONG copyName(std::string_view name, char* buffer, DWORD* lpcch) {
    if (!buffer || !lpcch) {
        return ERROR_INVALID_PARAMETER;
    }
    if (*lpcch < name.size() + 1) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *lpcch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

std::string storedData(DWORD type, const BYTE* lpData, DWORD cbData) {
    std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
    if (registry::detail::isStringType(type) && (data.empty() || data.back() != '\0')) {
        data += '\0';
    }
    return data;
}

LONG deleteKeyAt(HKEY hKey, const char* lpSubKey, bool withSubkeys) {
    const auto sub = splitPath(textOf(lpSubKey));
    if (!sub) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<std::string> vanishedRunValues;
    const LONG result = changeKey(hKey, 0, [&](Key& root, Key&, const KeyRef& ref, bool& changed) {
        const Path path = joined(ref.path, *sub);
        if (path.empty() || (ref.predefined && sub->empty())) {
            return ERROR_ACCESS_DENIED;  // a predefined key cannot go
        }
        Key* parent = walk(root, path, path.size() - 1);
        Key* target = parent ? parent->findSubkey(path.back()) : nullptr;
        if (!target) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (!withSubkeys && !target->subkeys.empty()) {
            return ERROR_ACCESS_DENIED;
        }
        vanishedRunValues = runValuesUnder(root, ref, path);
        parent->subkeys.erase(core::toLowerAscii(path.back()));
        changed = true;
        return ERROR_SUCCESS;
    });
    if (result == ERROR_SUCCESS) {
        forgetRunValues(vanishedRunValues);
    }
    return result;
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto sub = splitPath(textOf(lpSubKey));
    if (!sub) {
        return ERROR_INVALID_PARAMETER;
    }
    return readKey(hKey, 0, [&](const Key& key, const KeyRef& ref) {
        if (!walk(key, *sub)) {
            return ERROR_FILE_NOT_FOUND;
        }
        KeyRef opened{ref.hive, joined(ref.path, storedNames(key, *sub)),
                      effectiveAccess(samDesired), ref.predefined && sub->empty()};
        *phkResult = newHandle(std::move(opened));
        return ERROR_SUCCESS;
    });
}

LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, PHKEY phkResult) {
    return RegOpenKeyExA(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD, char*, DWORD, REGSAM samDesired,
                     const SECURITY_ATTRIBUTES*, PHKEY phkResult, DWORD* lpdwDisposition) {
    if (!phkResult || !lpSubKey) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto sub = splitPath(lpSubKey);
    if (!sub) {
        return ERROR_INVALID_PARAMETER;
    }
    std::optional<KeyRef> opened;
    bool created = false;
    const LONG result = changeKey(hKey, 0, [&](Key&, Key& key, const KeyRef& ref, bool& changed) {
        if (!walk(key, *sub)) {
            if ((ref.access & KEY_CREATE_SUB_KEY) == 0) {
                return ERROR_ACCESS_DENIED;
            }
            if (ref.path.size() + sub->size() > registry::detail::kMaxKeyDepth) {
                return ERROR_INVALID_PARAMETER;
            }
            makePath(key, *sub, created);
        }
        changed = changed || created;
        opened = KeyRef{ref.hive, joined(ref.path, storedNames(key, *sub)),
                        effectiveAccess(samDesired), ref.predefined && sub->empty()};
        return ERROR_SUCCESS;
    });
    // The handle exists only once the key is safely written.
    if (result == ERROR_SUCCESS) {
        std::lock_guard lock(registry::detail::registryMutex());
        *phkResult = newHandle(std::move(*opened));
        if (lpdwDisposition) {
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        }
    }
    return result;
}

LONG RegCreateKeyA(HKEY hKey, const char* lpSubKey, PHKEY phkResult) {
    return RegCreateKeyExA(hKey, lpSubKey ? lpSubKey : "", 0, nullptr, REG_OPTION_NON_VOLATILE,
                           MAXIMUM_ALLOWED, nullptr, phkResult, nullptr);
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD*, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData) {
    return readKey(hKey, KEY_QUERY_VALUE, [&](const Key& key, const KeyRef&) {
        const Value* value = key.findValue(textOf(lpValueName));
        if (!value) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (lpType) {
            *lpType = value->type;
        }
        return copyData(value->data, lpData, lpcbData);
    });
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    const std::string_view name = textOf(lpValueName);
    if (name.size() > kMaxValueNameLength || (!lpData && cbData != 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string data = storedData(dwType, lpData, cbData);
    std::string storedName;
    bool runKey = false;
    const LONG result =
        changeKey(hKey, KEY_SET_VALUE, [&](Key&, Key& key, const KeyRef& ref, bool& changed) {
            const Value* old = key.findValue(name);
            changed = !old || old->type != dwType || old->data != data;  // rewrite only a change
            key.setValue(name, dwType, data);
            storedName = key.findValue(name)->name;
            runKey = isRunKey(ref, ref.path);
            return ERROR_SUCCESS;
        });
    if (result == ERROR_SUCCESS && runKey) {
        registry::detail::runValueSet(storedName, dwType, data);
    }
    return result;
}

LONG RegQueryValueA(HKEY hKey, const char* lpSubKey, char* lpData, LONG* lpcbData) {
    const auto sub = splitPath(textOf(lpSubKey));
    if (!sub) {
        return ERROR_INVALID_PARAMETER;
    }
    return readKey(hKey, 0, [&](const Key& key, const KeyRef&) {
        const Key* target = walk(key, *sub);
        if (!target) {
            return ERROR_FILE_NOT_FOUND;
        }
        // A key without a default value answers the empty text, as this older call always has.
        const Value* value = target->findValue("");
        const std::string_view text = value && registry::detail::isStringType(value->type)
                                          ? std::string_view(value->data)
                                          : std::string_view("", 1);
        if (!lpcbData) {
            return lpData ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
        }
        DWORD size = *lpcbData < 0 ? 0 : static_cast<DWORD>(*lpcbData);
        const LONG result = copyData(text, reinterpret_cast<BYTE*>(lpData), &size);
        *lpcbData = static_cast<LONG>(size);
        return result;
    });
}

LONG RegSetValueA(HKEY hKey, const char* lpSubKey, DWORD dwType, const char* lpData, DWORD) {
    if (dwType != REG_SZ || !lpData) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY key = nullptr;
    if (const LONG result = RegCreateKeyA(hKey, lpSubKey, &key); result != ERROR_SUCCESS) {
        return result;
    }
    const LONG result = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                                       static_cast<DWORD>(std::strlen(lpData) + 1));
    RegCloseKey(key);
    return result;
}

LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    if (!lpSubKey) {
        return ERROR_INVALID_PARAMETER;
    }
    return deleteKeyAt(hKey, lpSubKey, false);
}

LONG RegDeleteTreeA(HKEY hKey, const char* lpSubKey) {
    if (lpSubKey) {
        return deleteKeyAt(hKey, lpSubKey, true);
    }
    std::vector<std::string> vanishedRunValues;
    const LONG result = changeKey(hKey, KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                  [&](Key& root, Key& key, const KeyRef& ref, bool& changed) {
                                      vanishedRunValues = runValuesUnder(root, ref, ref.path);
                                      changed = !key.values.empty() || !key.subkeys.empty();
                                      key.values.clear();
                                      key.subkeys.clear();
                                      return ERROR_SUCCESS;
                                  });
    if (result == ERROR_SUCCESS) {
        forgetRunValues(vanishedRunValues);
    }
    return result;
}

LONG RegDeleteValueA(HKEY hKey, const char* lpValueName) {
    const std::string_view name = textOf(lpValueName);
    std::string storedName;
    bool runKey = false;
    const LONG result =
        changeKey(hKey, KEY_SET_VALUE, [&](Key&, Key& key, const KeyRef& ref, bool& changed) {
            const Value* value = key.findValue(name);
            if (!value) {
                return ERROR_FILE_NOT_FOUND;
            }
            storedName = value->name;
            runKey = isRunKey(ref, ref.path);
            key.removeValue(name);
            changed = true;
            return ERROR_SUCCESS;
        });
    if (result == ERROR_SUCCESS && runKey) {
        registry::detail::runValueRemoved(storedName);
    }
    return result;
}

LONG RegCloseKey(HKEY hKey) {
    std::lock_guard lock(registry::detail::registryMutex());
    if (predefinedKey(hKey)) {
        return ERROR_SUCCESS;
    }
    return openKeys().erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                                    : ERROR_INVALID_HANDLE;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD*, char* lpClass,
                   DWORD* lpcchClass, FILETIME*) {
    return readKey(hKey, KEY_ENUMERATE_SUB_KEYS, [&](const Key& key, const KeyRef&) {
        if (dwIndex >= key.subkeys.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const Key& subkey = std::next(key.subkeys.begin(), dwIndex)->second;
        const LONG result = copyName(subkey.name, lpName, lpcchName);
        if (result == ERROR_SUCCESS && lpClass && lpcchClass && *lpcchClass > 0) {
            *lpClass = '\0';  // keys have no class here
            *lpcchClass = 0;
        }
        return result;
    });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD*,
                   DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    return readKey(hKey, KEY_QUERY_VALUE, [&](const Key& key, const KeyRef&) {
        if (dwIndex >= key.values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const Value& value = key.values[dwIndex];
        if (const LONG result = copyName(value.name, lpValueName, lpcchValueName);
            result != ERROR_SUCCESS) {
            return result;
        }
        if (lpType) {
            *lpType = value.type;
        }
        return copyData(value.data, lpData, lpcbData);
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD*, DWORD* lpcSubKeys,
                      DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
                      DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                      DWORD* lpcbSecurityDescriptor, FILETIME*) {
    return readKey(hKey, KEY_QUERY_VALUE, [&](const Key& key, const KeyRef&) {
        DWORD longestSubkey = 0, longestName = 0, largestData = 0;
        for (const auto& [folded, subkey] : key.subkeys) {
            longestSubkey = std::max<DWORD>(longestSubkey, subkey.name.size());
        }
        for (const Value& value : key.values) {
            longestName = std::max<DWORD>(longestName, value.name.size());
            largestData = std::max<DWORD>(largestData, value.data.size());
        }
        const auto put = [](DWORD* out, DWORD number) {
            if (out) {
                *out = number;
            }
        };
        if (lpClass && lpcchClass && *lpcchClass > 0) {
            *lpClass = '\0';
        }
        put(lpcchClass, 0);
        put(lpcSubKeys, static_cast<DWORD>(key.subkeys.size()));
        put(lpcbMaxSubKeyLen, longestSubkey);
        put(lpcbMaxClassLen, 0);
        put(lpcValues, static_cast<DWORD>(key.values.size()));
        put(lpcbMaxValueNameLen, longestName);
        put(lpcbMaxValueLen, largestData);
        put(lpcbSecurityDescriptor, 0);
        return ERROR_SUCCESS;
    });
}
