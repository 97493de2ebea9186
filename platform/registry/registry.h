// The registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (with HKEY_CLASSES_ROOT as
// HKLM\Software\Classes), kept as text files in the program folder's "registry" folder.
//
// The calls behave as Windows' ANSI registry calls do and answer Windows' result codes. Key and
// value names ignore ASCII case and keep the case they were first given. Every change is written at
// once (or gathered, see gatherWrites), by temporary copy and rename, under a lock that other
// processes sharing the folder respect; a change another process made is seen by the next call.
// Nothing here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/win_errors.h"
#include "platform/core/win_types.h"

// An open key: an opaque id, never reused within a process.
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

// Only passed through: the registry keeps no security descriptors and no last-write times.
struct SECURITY_ATTRIBUTES;
struct FILETIME;

// The predefined keys carry the values Windows gives them. A 32-bit value passed where a handle is
// expected (a VB Long holding &H80000002) is accepted too. They are macros, as on Windows, because
// a pointer made from a number is no constant in C++ and a variable could still be unset while
// other files' static objects are built.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(std::intptr_t{LONG(0x80000000)}))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(std::intptr_t{LONG(0x80000001)}))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(std::intptr_t{LONG(0x80000002)}))

// Result codes are Windows' system error codes (platform/core/win_errors.h).

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights. A handle only does what it was opened for, as on Windows.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

// RegCreateKeyExA's options and dispositions. Volatile keys are kept like any other.
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key; a null or empty `lpSubKey` opens `hKey`'s own key again.
// ERROR_FILE_NOT_FOUND when any part of the path is missing.
LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult);
// RegOpenKeyExA with every right.
LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, PHKEY phkResult);
// Opens a key, creating it and any missing parents. `lpdwDisposition` (optional) receives
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, char* lpClass,
                     DWORD dwOptions, REGSAM samDesired,
                     const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                     DWORD* lpdwDisposition);
// RegCreateKeyExA with every right.
LONG RegCreateKeyA(HKEY hKey, const char* lpSubKey, PHKEY phkResult);
// Reads a value (null or empty name: the default value). With no data buffer `lpcbData` receives
// the size; a buffer too small gives ERROR_MORE_DATA with the size needed. A REG_SZ's size counts
// its terminating NUL.
LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData);
// Writes a value. String data is stored with a terminating NUL, added when the caller left it out.
LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData);
// The default value of a subkey (created by RegSetValueA); a key with no default value reads as
// the empty text. Only REG_SZ.
LONG RegQueryValueA(HKEY hKey, const char* lpSubKey, char* lpData, LONG* lpcbData);
LONG RegSetValueA(HKEY hKey, const char* lpSubKey, DWORD dwType, const char* lpData, DWORD cbData);
// Deletes a key and its values. A key that has subkeys is refused with ERROR_ACCESS_DENIED.
LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
// Deletes a key with everything below it; a null `lpSubKey` empties `hKey`'s own key.
LONG RegDeleteTreeA(HKEY hKey, const char* lpSubKey);
LONG RegDeleteValueA(HKEY hKey, const char* lpValueName);
// Closing a predefined key does nothing and succeeds.
LONG RegCloseKey(HKEY hKey);
// Subkeys come in name order, values in the order they were created; past the end:
// ERROR_NO_MORE_ITEMS. `lpcchName` counts characters with the NUL going in and without it coming
// out. `lpftLastWriteTime` is left as it is.
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
                   char* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName,
                   DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
// Counts and longest lengths of a key's subkeys and values; classes and descriptors count 0.
LONG RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
                      DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                      DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                      DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);

// Short calls for the project's own code: a root key, a path below it ("Software\\Belltale"), a
// value.
namespace registry {

// The text of a REG_SZ or REG_EXPAND_SZ value, up to its first NUL; nothing when the key or value
// is missing or holds another type.
std::optional<std::string> readString(HKEY root, std::string_view path, std::string_view name);
// Creates the key when needed and stores the text as REG_SZ.
LONG writeString(HKEY root, std::string_view path, std::string_view name, std::string_view text);
std::optional<DWORD> readDword(HKEY root, std::string_view path, std::string_view name);
LONG writeDword(HKEY root, std::string_view path, std::string_view name, DWORD number);
LONG deleteValue(HKEY root, std::string_view path, std::string_view name);
// Deletes the key and everything below it.
LONG deleteTree(HKEY root, std::string_view path);
// The names of a key's subkeys, in name order; empty when the key is missing.
std::vector<std::string> subkeyNames(HKEY root, std::string_view path);
// A key's string values (name, text), in the order they were created.
std::vector<std::pair<std::string, std::string>> stringValues(HKEY root, std::string_view path);

// The last problem with the stored hives (an unreadable file kept aside, a failed write, a failed
// autostart entry), in words; empty when there has been none. Each problem is also written once to
// standard error.
std::string lastProblem();
// Forgets the hives read so far, so the next call reads the files again, as a new process would.
void dropCache();
// Gathers the changes made from now on into one write per hive, for a program that makes many at
// a time (a start, a registration): each change is seen by this process at once and written, under
// the lock held meanwhile, when the program next handles its messages, at flush() or at exit.
// Other processes see them from then on; a write that fails then is reported as lastProblem().
void gatherWrites(bool on);
// Writes the gathered changes now: ERROR_SUCCESS, or the failure to write a hive.
LONG flush();

}  // namespace registry
