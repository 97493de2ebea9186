// Internal: the fixed part of each variable-size structure as an application of a given API
// version knows it. TAPI 2.0 added fields at the end of several structures (1.4 one field to two
// of them); an application that negotiated an older version gets the structure of its own version,
// with the variable part right after the fields it knows, as the platform translates it.
#pragma once

#include <cstddef>

#include "platform/tapi/tapi.h"

namespace tapi::detail {

template <typename Fixed>
constexpr DWORD fixedSizeFor(DWORD) {
    return sizeof(Fixed);  // the same in every version
}

template <>
constexpr DWORD fixedSizeFor<LINEDEVCAPS>(DWORD version) {
    if (version < TAPI_VERSION1_4)
        return offsetof(LINEDEVCAPS, dwLineFeatures);
    if (version < TAPI_VERSION2_0)
        return offsetof(LINEDEVCAPS, dwSettableDevStatus);
    return sizeof(LINEDEVCAPS);
}

template <>
constexpr DWORD fixedSizeFor<LINEADDRESSCAPS>(DWORD version) {
    if (version < TAPI_VERSION1_4)
        return offsetof(LINEADDRESSCAPS, dwAddressFeatures);
    if (version < TAPI_VERSION2_0)
        return offsetof(LINEADDRESSCAPS, dwPredictiveAutoTransferStates);
    return sizeof(LINEADDRESSCAPS);
}

template <>
constexpr DWORD fixedSizeFor<LINECALLINFO>(DWORD version) {
    return version < TAPI_VERSION2_0 ? offsetof(LINECALLINFO, dwCallTreatment)
                                     : sizeof(LINECALLINFO);
}

template <>
constexpr DWORD fixedSizeFor<LINECALLSTATUS>(DWORD version) {
    return version < TAPI_VERSION2_0 ? offsetof(LINECALLSTATUS, dwCallFeatures2)
                                     : sizeof(LINECALLSTATUS);
}

template <>
constexpr DWORD fixedSizeFor<LINEDEVSTATUS>(DWORD version) {
    return version < TAPI_VERSION2_0 ? offsetof(LINEDEVSTATUS, dwAvailableMediaModes)
                                     : sizeof(LINEDEVSTATUS);
}

template <>
constexpr DWORD fixedSizeFor<PHONECAPS>(DWORD version) {
    return version < TAPI_VERSION2_0 ? offsetof(PHONECAPS, dwDeviceClassesSize) : sizeof(PHONECAPS);
}

template <>
constexpr DWORD fixedSizeFor<PHONESTATUS>(DWORD version) {
    return version < TAPI_VERSION2_0 ? offsetof(PHONESTATUS, dwPhoneFeatures) : sizeof(PHONESTATUS);
}

}  // namespace tapi::detail
