#include "platform/net/wininet.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/core/folders.h"

namespace net {
namespace {

constexpr unsigned long kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned long kRouteReject = 0x0200;  // RTF_REJECT: an "unreachable" route

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const auto start = line.find_first_not_of(" \t\r", pos);
        if (start == std::string_view::npos) {
            break;
        }
        auto end = line.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

bool parseHex(std::string_view text, unsigned long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool isAllZeros(std::string_view hex) {
    return !hex.empty() && hex.find_first_not_of('0') == std::string_view::npos;
}

bool usable(unsigned long flags, std::string_view iface) {
    return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0 && iface != "lo";
}

template <class Visit>
void forEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

}  // namespace

// /proc/net/route: a header line, then "Iface Destination Gateway Flags RefCnt Use Metric Mask ..."
// with addresses, flags and mask in hexadecimal. A default route has destination and mask 0.
std::vector<std::string> defaultRouteInterfacesV4(std::string_view procNetRoute) {
    std::vector<std::string> interfaces;
    forEachLine(procNetRoute, [&](std::string_view line) {
        const auto f = fieldsOf(line);
        unsigned long flags = 0;
        if (f.size() < 8 || !parseHex(f[3], flags)) {
            return;  // the header or a malformed line
        }
        if (isAllZeros(f[1]) && isAllZeros(f[7]) && usable(flags, f[0])) {
            interfaces.emplace_back(f[0]);
        }
    });
    return interfaces;
}

// /proc/net/ipv6_route, no header: "destination prefix-length source prefix-length next-hop metric
// refcount use flags interface", addresses as 32 hexadecimal digits.
std::vector<std::string> defaultRouteInterfacesV6(std::string_view procNetIpv6Route) {
    std::vector<std::string> interfaces;
    forEachLine(procNetIpv6Route, [&](std::string_view line) {
        const auto f = fieldsOf(line);
        unsigned long flags = 0;
        if (f.size() < 10 || f[0].size() != 32 || !parseHex(f[8], flags)) {
            return;
        }
        if (isAllZeros(f[0]) && isAllZeros(f[1]) && usable(flags, f[9])) {
            interfaces.emplace_back(f[9]);
        }
    });
    return interfaces;
}

namespace {

// A route stays in the table while its link has lost carrier; the kernel's operational state says
// whether the interface can carry traffic now. "unknown" is what many virtual interfaces report.
bool interfaceIsUp(const std::string& iface) {
    const auto state =
        core::readFile(std::filesystem::path("/sys/class/net") / iface / "operstate");
    if (!state) {
        return true;
    }
    return state->rfind("down", 0) != 0 && state->rfind("lowerlayerdown", 0) != 0 &&
           state->rfind("notpresent", 0) != 0;
}

bool anyUp(const std::vector<std::string>& interfaces) {
    for (const auto& iface : interfaces) {
        if (interfaceIsUp(iface)) {
            return true;
        }
    }
    return false;
}

bool online() {
    if (const char* forced = std::getenv("BELLTALE_ONLINE"); forced != nullptr && *forced != 0) {
        return std::string_view(forced) != "0";
    }
    const auto v4 = core::readFile("/proc/net/route");
    if (v4 && anyUp(defaultRouteInterfacesV4(*v4))) {
        return true;
    }
    const auto v6 = core::readFile("/proc/net/ipv6_route");
    return v6 && anyUp(defaultRouteInterfacesV6(*v6));
}

}  // namespace
}  // namespace net

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved) {
    if (reserved != 0) {
        if (flags != nullptr) {
            *flags = 0;
        }
        return FALSE;
    }
    const bool isOnline = net::online();
    if (flags != nullptr) {
        *flags = isOnline ? (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_CONFIGURED)
                          : INTERNET_CONNECTION_OFFLINE;
    }
    return isOnline ? TRUE : FALSE;
}
