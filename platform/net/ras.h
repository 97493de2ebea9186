// Dial-up connections (remote access). Linux desktops have no dial-up connections of this kind, so
// the list is always empty: enumeration succeeds with no entries and every handle is invalid. The
// structures keep their published 32-bit sizes so callers that size their tables by them still fit.
#pragma once

#include <cstdint>

#include "platform/core/win_errors.h"
#include "platform/core/win_types.h"

// A connection handle. No connection exists, so no valid handle is ever handed out; 0 is "none".
using HRASCONN = std::uint32_t;

inline constexpr int RAS_MaxEntryName = 256;
inline constexpr int RAS_MaxDeviceType = 16;
inline constexpr int RAS_MaxDeviceName = 128;

struct RASCONNA {
    DWORD dwSize;  // the caller sets it to sizeof(RASCONNA) in the first entry
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(RASCONNA) == 412);

using RASCONNSTATE = DWORD;
inline constexpr RASCONNSTATE RASCS_PAUSED = 0x1000;
inline constexpr RASCONNSTATE RASCS_Connected = 0x2000;
inline constexpr RASCONNSTATE RASCS_Disconnected = 0x2001;

struct RASCONNSTATUSA {
    DWORD dwSize;  // the caller sets it to sizeof(RASCONNSTATUSA)
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(RASCONNSTATUSA) == 160);

// Lists the active connections: always none. `connections` may be null only when *bufferSize is 0.
// Fails with ERROR_INVALID_PARAMETER for a null size or count, ERROR_INVALID_SIZE when the first
// entry's dwSize is not sizeof(RASCONNA). On success *bufferSize and *count are 0.
DWORD RasEnumConnectionsA(RASCONNA* connections, DWORD* bufferSize, DWORD* count);

// Ends a connection: every handle is invalid, so always ERROR_INVALID_HANDLE.
DWORD RasHangUpA(HRASCONN connection);

// Reads a connection's state: every handle is invalid, so ERROR_INVALID_HANDLE and `status` is left
// alone (after ERROR_INVALID_PARAMETER / ERROR_INVALID_SIZE for a null or wrongly sized record).
DWORD RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status);
