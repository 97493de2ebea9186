#include "vevuzer/shell/mod_clock.h"

#include <algorithm>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/net/ras.h"
#include "platform/net/wininet.h"

namespace mod_clock {
namespace {

// The longest pause a caller can ask for: the length is kept in a byte.
constexpr int kLongestPause = 255;
constexpr DWORD kMaxConnections = 256;

}  // namespace

std::string GetWinDir() {
    std::string folder = core::windowsFolder().string();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

void Pause(int seconds) {
    const int length = std::clamp(seconds, 0, kLongestPause);
    // A clock that restarts at midnight would make a pause begun just before it wait a whole day;
    // the monotonic clock behind pumpUntil never goes back.
    core::pumpUntil([] { return false; }, static_cast<DWORD>(length) * 1000);
}

std::string RegReadString(HKEY hKey, std::string_view subKey, std::string_view valueName,
                          std::string_view defaultText) {
    std::string result(defaultText);
    const std::string path(subKey);
    const std::string name(valueName);
    HKEY key = nullptr;
    if (RegOpenKeyA(hKey, path.c_str(), &key) != ERROR_SUCCESS) {
        return result;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::string buffer(size, ' ');
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS) {
            result = buffer.substr(0, buffer.find('\0'));
        }
    }
    RegCloseKey(key);
    return result;
}

void RegWriteString(HKEY hKey, std::string_view subKey, std::string_view valueName,
                    std::string_view text) {
    const std::string path(subKey);
    const std::string name(valueName);
    HKEY key = nullptr;
    if (RegCreateKeyA(hKey, path.c_str(), &key) != ERROR_SUCCESS) {
        return;
    }
    std::string data(text);
    data += '\0';
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

void HangUpAllDialUp() {
    std::vector<RASCONNA> connections(kMaxConnections);
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD bufferSize = sizeof(RASCONNA) * kMaxConnections;
    DWORD count = 0;
    if (RasEnumConnectionsA(connections.data(), &bufferSize, &count) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD i = 0; i < count && i < kMaxConnections; ++i) {
        RasHangUpA(connections[i].hrasconn);
    }
}

bool IsInternetConnected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace mod_clock
