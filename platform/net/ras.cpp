#include "platform/net/ras.h"

namespace {

constexpr DWORD result(LONG code) {
    return static_cast<DWORD>(code);
}

}  // namespace

DWORD RasEnumConnectionsA(RASCONNA* connections, DWORD* bufferSize, DWORD* count) {
    if (bufferSize == nullptr || count == nullptr) {
        return result(ERROR_INVALID_PARAMETER);
    }
    if (connections == nullptr && *bufferSize != 0) {
        return result(ERROR_INVALID_PARAMETER);
    }
    if (connections != nullptr && connections->dwSize != sizeof(RASCONNA)) {
        return result(ERROR_INVALID_SIZE);
    }
    // No dial-up connection exists here, so nothing is ever written into the table.
    *bufferSize = 0;
    *count = 0;
    return result(ERROR_SUCCESS);
}

DWORD RasHangUpA(HRASCONN) {
    return result(ERROR_INVALID_HANDLE);
}

DWORD RasGetConnectStatusA(HRASCONN, RASCONNSTATUSA* status) {
    if (status == nullptr) {
        return result(ERROR_INVALID_PARAMETER);
    }
    if (status->dwSize != sizeof(RASCONNSTATUSA)) {
        return result(ERROR_INVALID_SIZE);
    }
    return result(ERROR_INVALID_HANDLE);
}
