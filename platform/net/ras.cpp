#include "platform/net/ras.h"

DWORD RasEnumConnectionsA(RASCONNA* connections, DWORD* bufferSize, DWORD* count) {
    if (bufferSize == nullptr || count == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (connections == nullptr && *bufferSize != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    if (connections != nullptr && connections->dwSize != sizeof(RASCONNA)) {
        return ERROR_INVALID_SIZE;
    }
    // No dial-up connection exists here, so nothing is ever written into the table.
    *bufferSize = 0;
    *count = 0;
    return ERROR_SUCCESS;
}

DWORD RasHangUpA(HRASCONN) {
    return ERROR_INVALID_HANDLE;
}

DWORD RasGetConnectStatusA(HRASCONN, RASCONNSTATUSA* status) {
    if (status == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (status->dwSize != sizeof(RASCONNSTATUSA)) {
        return ERROR_INVALID_SIZE;
    }
    return ERROR_INVALID_HANDLE;
}
