// Whether the computer is online. Online means a network interface other than the loopback one is
// up and carries a default route (IPv4 or IPv6): that is when a mail or web server can be reached.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/win_types.h"

inline constexpr DWORD INTERNET_CONNECTION_MODEM = 0x01;
inline constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;
inline constexpr DWORD INTERNET_CONNECTION_PROXY = 0x04;
inline constexpr DWORD INTERNET_CONNECTION_MODEM_BUSY = 0x08;
inline constexpr DWORD INTERNET_RAS_INSTALLED = 0x10;
inline constexpr DWORD INTERNET_CONNECTION_OFFLINE = 0x20;
inline constexpr DWORD INTERNET_CONNECTION_CONFIGURED = 0x40;

// TRUE when online. *flags (when given) becomes INTERNET_CONNECTION_LAN | CONFIGURED when online,
// INTERNET_CONNECTION_OFFLINE otherwise. `reserved` must be 0 (else FALSE and flags 0).
// The environment variable BELLTALE_ONLINE ("1" or "0") overrides the answer, for tests.
BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);

namespace net {

// The interfaces other than "lo" that carry a usable default route (up, not a reject route), read
// from the text of /proc/net/route. Malformed lines are skipped.
std::vector<std::string> defaultRouteInterfacesV4(std::string_view procNetRoute);
// The same from the text of /proc/net/ipv6_route.
std::vector<std::string> defaultRouteInterfacesV6(std::string_view procNetIpv6Route);

}  // namespace net
