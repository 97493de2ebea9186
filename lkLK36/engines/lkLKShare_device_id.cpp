// The id of a device related to a line or call, as lineGetID answers it in a VARSTRING.
#include <cstring>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/tapi/tapi.h"

bool QueryLineDeviceID(const std::string& DeviceClass, DWORD Handle, DWORD& ID) {
    const bool forCall = DeviceClass == "comm/datamodem";
    const TlkVarStructure answer = TlkReadVarStructure(
        sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            auto* deviceId = static_cast<VARSTRING*>(buffer);
            return forCall
                       ? lineGetID(0, 0, Handle, LINECALLSELECT_CALL, deviceId, DeviceClass.c_str())
                       : lineGetID(Handle, 0, 0, LINECALLSELECT_LINE, deviceId,
                                   DeviceClass.c_str());
        });
    if (answer.result != 0 || answer.empty())
        return false;
    const auto& deviceId = answer.fixed<VARSTRING>();
    // The id is read only when it lies wholly inside the buffer.
    if (deviceId.dwStringSize < sizeof(DWORD) ||
        !answer.contains(deviceId.dwStringOffset, sizeof(DWORD))) {
        return false;
    }
    std::memcpy(&ID, answer.bytes() + deviceId.dwStringOffset, sizeof(DWORD));
    return true;
}
