// The telephony library's exports by name, for programs that look entry points up as they would
// after loading the library.
#include <cstring>
#include <string_view>

#include "platform/tapi/provider.h"
#include "platform/tapi/tapi.h"

namespace {

struct Entry {
    std::string_view name;
    void* function;
};

const Entry* entries(std::size_t& count) {
    static const Entry table[] = {
        {"lineInitialize", reinterpret_cast<void*>(&lineInitialize)},
        {"lineInitializeExA", reinterpret_cast<void*>(&lineInitializeExA)},
        {"lineShutdown", reinterpret_cast<void*>(&lineShutdown)},
        {"lineNegotiateAPIVersion", reinterpret_cast<void*>(&lineNegotiateAPIVersion)},
        {"lineGetDevCaps", reinterpret_cast<void*>(&lineGetDevCaps)},
        {"lineGetAddressCaps", reinterpret_cast<void*>(&lineGetAddressCaps)},
        {"lineOpen", reinterpret_cast<void*>(&lineOpen)},
        {"lineClose", reinterpret_cast<void*>(&lineClose)},
        {"lineSetStatusMessages", reinterpret_cast<void*>(&lineSetStatusMessages)},
        {"lineGetStatusMessages", reinterpret_cast<void*>(&lineGetStatusMessages)},
        {"lineGetNewCalls", reinterpret_cast<void*>(&lineGetNewCalls)},
        {"lineGetLineDevStatus", reinterpret_cast<void*>(&lineGetLineDevStatus)},
        {"lineGetAddressStatus", reinterpret_cast<void*>(&lineGetAddressStatus)},
        {"lineGetCallInfo", reinterpret_cast<void*>(&lineGetCallInfo)},
        {"lineGetCallStatus", reinterpret_cast<void*>(&lineGetCallStatus)},
        {"lineDeallocateCall", reinterpret_cast<void*>(&lineDeallocateCall)},
        {"lineGetID", reinterpret_cast<void*>(&lineGetID)},
        {"lineTranslateAddress", reinterpret_cast<void*>(&lineTranslateAddress)},
        {"lineTranslateDialog", reinterpret_cast<void*>(&lineTranslateDialog)},
        {"lineConfigDialog", reinterpret_cast<void*>(&lineConfigDialog)},
        {"lineMakeCall", reinterpret_cast<void*>(&lineMakeCall)},
        {"lineDial", reinterpret_cast<void*>(&lineDial)},
        {"lineAnswer", reinterpret_cast<void*>(&lineAnswer)},
        {"lineDrop", reinterpret_cast<void*>(&lineDrop)},
        {"lineRedirect", reinterpret_cast<void*>(&lineRedirect)},
        {"linePark", reinterpret_cast<void*>(&linePark)},
        {"lineUnpark", reinterpret_cast<void*>(&lineUnpark)},
        {"linePickup", reinterpret_cast<void*>(&linePickup)},
        {"lineHandoff", reinterpret_cast<void*>(&lineHandoff)},
        {"lineHold", reinterpret_cast<void*>(&lineHold)},
        {"lineUnhold", reinterpret_cast<void*>(&lineUnhold)},
        {"lineBlindTransfer", reinterpret_cast<void*>(&lineBlindTransfer)},
        {"lineSetupTransfer", reinterpret_cast<void*>(&lineSetupTransfer)},
        {"lineCompleteTransfer", reinterpret_cast<void*>(&lineCompleteTransfer)},
        {"lineSetupConference", reinterpret_cast<void*>(&lineSetupConference)},
        {"linePrepareAddToConference", reinterpret_cast<void*>(&linePrepareAddToConference)},
        {"lineAddToConference", reinterpret_cast<void*>(&lineAddToConference)},
        {"lineRemoveFromConference", reinterpret_cast<void*>(&lineRemoveFromConference)},
        {"lineSwapHold", reinterpret_cast<void*>(&lineSwapHold)},
        {"lineForward", reinterpret_cast<void*>(&lineForward)},
        {"lineSetTerminal", reinterpret_cast<void*>(&lineSetTerminal)},
        {"lineSetCallParams", reinterpret_cast<void*>(&lineSetCallParams)},
        {"lineSetCallPrivilege", reinterpret_cast<void*>(&lineSetCallPrivilege)},
        {"lineSetMediaMode", reinterpret_cast<void*>(&lineSetMediaMode)},
        {"lineGenerateDigits", reinterpret_cast<void*>(&lineGenerateDigits)},
        {"lineGenerateTone", reinterpret_cast<void*>(&lineGenerateTone)},
        {"lineGatherDigits", reinterpret_cast<void*>(&lineGatherDigits)},
        {"lineMonitorDigits", reinterpret_cast<void*>(&lineMonitorDigits)},
        {"lineMonitorMedia", reinterpret_cast<void*>(&lineMonitorMedia)},
        {"lineMonitorTones", reinterpret_cast<void*>(&lineMonitorTones)},
        {"phoneInitialize", reinterpret_cast<void*>(&phoneInitialize)},
        {"phoneInitializeExA", reinterpret_cast<void*>(&phoneInitializeExA)},
        {"phoneShutdown", reinterpret_cast<void*>(&phoneShutdown)},
        {"phoneNegotiateAPIVersion", reinterpret_cast<void*>(&phoneNegotiateAPIVersion)},
        {"phoneGetDevCaps", reinterpret_cast<void*>(&phoneGetDevCaps)},
        {"phoneOpen", reinterpret_cast<void*>(&phoneOpen)},
        {"phoneClose", reinterpret_cast<void*>(&phoneClose)},
        {"phoneGetStatus", reinterpret_cast<void*>(&phoneGetStatus)},
        {"phoneSetStatusMessages", reinterpret_cast<void*>(&phoneSetStatusMessages)},
        {"phoneGetID", reinterpret_cast<void*>(&phoneGetID)},
        {"phoneGetHookSwitch", reinterpret_cast<void*>(&phoneGetHookSwitch)},
        {"phoneSetHookSwitch", reinterpret_cast<void*>(&phoneSetHookSwitch)},
        {"phoneSetVolume", reinterpret_cast<void*>(&phoneSetVolume)},
        {"phoneSetGain", reinterpret_cast<void*>(&phoneSetGain)},
        {"phoneGetVolume", reinterpret_cast<void*>(&phoneGetVolume)},
        {"phoneGetGain", reinterpret_cast<void*>(&phoneGetGain)},
        {"phoneConfigDialog", reinterpret_cast<void*>(&phoneConfigDialog)},
    };
    count = std::size(table);
    return table;
}

}  // namespace

void* tapiGetProcAddress(const char* procName) {
    if (!procName)
        return nullptr;
    if (tapi::provider().entryHidden(procName))
        return nullptr;
    std::size_t count = 0;
    const Entry* table = entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].name == procName)
            return table[i].function;
    }
    return nullptr;
}
