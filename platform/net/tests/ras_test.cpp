#include "platform/net/ras.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

std::string nameOf(DWORD code) {
    switch (static_cast<LONG>(code)) {
        case ERROR_SUCCESS:
            return "ERROR_SUCCESS";
        case ERROR_INVALID_HANDLE:
            return "ERROR_INVALID_HANDLE";
        case ERROR_INVALID_PARAMETER:
            return "ERROR_INVALID_PARAMETER";
        case ERROR_BUFFER_TOO_SMALL:
            return "ERROR_BUFFER_TOO_SMALL";
        case ERROR_INVALID_SIZE:
            return "ERROR_INVALID_SIZE";
        default:
            return std::to_string(code);
    }
}

// The hang-up-all procedure's own steps: a 256-entry table, the first entry's size set.
TEST(RasEnumConnections, ListsNoConnections) {
    std::vector<RASCONNA> table(256);
    table[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof(RASCONNA) * 256;
    DWORD count = kSentinel;
    ASSERT_EQ(nameOf(RasEnumConnectionsA(table.data(), &bytes, &count)), "ERROR_SUCCESS");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(table[0].hrasconn, 0u) << "the first entry's handle stays zero";
}

TEST(RasEnumConnections, RejectsBadArguments) {
    RASCONNA entry{};
    DWORD bytes = sizeof entry;
    DWORD count = kSentinel;

    entry.dwSize = 32;  // a size this layer does not define
    EXPECT_EQ(nameOf(RasEnumConnectionsA(&entry, &bytes, &count)), "ERROR_INVALID_SIZE");
    EXPECT_EQ(count, kSentinel);

    entry.dwSize = sizeof entry;
    EXPECT_EQ(nameOf(RasEnumConnectionsA(&entry, nullptr, &count)), "ERROR_INVALID_PARAMETER");
    EXPECT_EQ(nameOf(RasEnumConnectionsA(&entry, &bytes, nullptr)), "ERROR_INVALID_PARAMETER");
    EXPECT_EQ(nameOf(RasEnumConnectionsA(nullptr, &bytes, &count)), "ERROR_INVALID_PARAMETER");

    DWORD none = 0;  // asking for the size needed: none
    EXPECT_EQ(nameOf(RasEnumConnectionsA(nullptr, &none, &count)), "ERROR_SUCCESS");
    EXPECT_EQ(count, 0u);
}

TEST(RasHandles, AreAllInvalid) {
    EXPECT_EQ(nameOf(RasHangUpA(0)), "ERROR_INVALID_HANDLE");
    EXPECT_EQ(nameOf(RasHangUpA(7)), "ERROR_INVALID_HANDLE");

    RASCONNSTATUSA status;
    std::memset(&status, 0x5A, sizeof status);
    status.dwSize = sizeof status;
    EXPECT_EQ(nameOf(RasGetConnectStatusA(0, &status)), "ERROR_INVALID_HANDLE");
    EXPECT_NE(status.rasconnstate, RASCS_Connected) << "the status record is left alone";
    EXPECT_EQ(status.dwError, 0x5A5A5A5Au);

    status.dwSize = 32;
    EXPECT_EQ(nameOf(RasGetConnectStatusA(0, &status)), "ERROR_INVALID_SIZE");
    EXPECT_EQ(nameOf(RasGetConnectStatusA(0, nullptr)), "ERROR_INVALID_PARAMETER");
}

}  // namespace
