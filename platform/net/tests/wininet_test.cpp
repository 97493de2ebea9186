#include "platform/net/wininet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using Interfaces = std::vector<std::string>;

constexpr std::string_view kRouteHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(ProcNetRoute, FindsDefaultRoutes) {
    struct Case {
        const char* name;
        std::string body;
        Interfaces expected;
    };
    const Case cases[] = {
        {"wired default route",
         "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
         "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
         {"eth0"}},
        {"only a local subnet",
         "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
         {}},
        {"default route through loopback is not online",
         "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
         {}},
        {"route not up", "wlan0\t00000000\t0101A8C0\t0002\t0\t0\t600\t00000000\t0\t0\t0\n", {}},
        {"reject route", "eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n", {}},
        {"two links",
         "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
         "eth1\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n",
         {"wlan0", "eth1"}},
        {"malformed lines are skipped",
         "eth0\t00000000\tzz\n"
         "ppp0\t00000000\t00000000\tXYZ\t0\t0\t0\t00000000\t0\t0\t0\n"
         "tun0   00000000  00000000  0001  0  0  0  00000000  0  0  0",
         {"tun0"}},
        {"empty table", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(net::defaultRouteInterfacesV4(std::string(kRouteHeader) + c.body), c.expected);
    }
    EXPECT_EQ(net::defaultRouteInterfacesV4(""), Interfaces{}) << "no header at all";
}

TEST(ProcNetIpv6Route, FindsDefaultRoutes) {
    constexpr const char* zero = "00000000000000000000000000000000";
    const std::string defaultVia = std::string(zero) + " 00 " + zero + " 00 " +
                                   "fe800000000000000000000000000001 00000400 00000001 00000000 ";
    struct Case {
        const char* name;
        std::string table;
        Interfaces expected;
    };
    const Case cases[] = {
        {"default route", defaultVia + "00000003     eth0\n", {"eth0"}},
        // The kernel always lists an unreachable default route on lo.
        {"unreachable default on lo", defaultVia + "00200200       lo\n", {}},
        {"prefix route only",
         "20010db8000000000000000000000000 40 " + std::string(zero) + " 00 " + zero +
             " 00000100 00000001 00000000 00000001     eth0\n",
         {}},
        {"short line", "0000 00 eth0\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(net::defaultRouteInterfacesV6(c.table), c.expected);
    }
}

// Sets or clears an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(m_old); }

  private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(InternetGetConnectedState, FollowsTheOverride) {
    DWORD flags = 0xFFFF;
    {
        ScopedEnv online("BELLTALE_ONLINE", "1");
        EXPECT_EQ(InternetGetConnectedState(&flags, 0), TRUE);
        EXPECT_EQ(flags, INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_CONFIGURED);
        EXPECT_EQ(InternetGetConnectedState(nullptr, 0), TRUE) << "flags are optional";
        EXPECT_EQ(InternetGetConnectedState(&flags, 1), FALSE) << "reserved must be 0";
        EXPECT_EQ(flags, 0u);
    }
    {
        ScopedEnv offline("BELLTALE_ONLINE", "0");
        EXPECT_EQ(InternetGetConnectedState(&flags, 0), FALSE);
        EXPECT_EQ(flags, INTERNET_CONNECTION_OFFLINE);
    }
}

TEST(InternetGetConnectedState, FlagsAgreeWithTheAnswerWithoutOverride) {
    ScopedEnv none("BELLTALE_ONLINE", std::nullopt);
    DWORD flags = 0;
    const BOOL online = InternetGetConnectedState(&flags, 0);
    EXPECT_EQ(online != FALSE, (flags & INTERNET_CONNECTION_LAN) != 0);
    EXPECT_EQ(online == FALSE, (flags & INTERNET_CONNECTION_OFFLINE) != 0);
}

}  // namespace
