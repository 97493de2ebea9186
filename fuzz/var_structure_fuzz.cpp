// The engines' reader of the variable-size structures a telephony provider fills: a provider
// answering any bytes and any needed size is read within the buffer, and nothing read from it
// (offsets, sizes, counts) reaches outside.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/tapi/tapi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TlkVarStructure answer = TlkReadVarStructure(
        sizeof(LINEDEVCAPS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            auto* caps = static_cast<LINEDEVCAPS*>(buffer);
            const DWORD total = caps->dwTotalSize;
            std::memcpy(buffer, data, std::min<std::size_t>(size, total));
            caps->dwTotalSize = total;  // the one field a provider never writes
            return size > total ? LINEERR_STRUCTURETOOSMALL : LONG{0};
        });
    if (answer.result != 0 || answer.size() < sizeof(LINEDEVCAPS))
        return 0;
    const auto& caps = answer.fixed<LINEDEVCAPS>();
    const std::pair<DWORD, DWORD> parts[] = {
        {caps.dwProviderInfoOffset, caps.dwProviderInfoSize},
        {caps.dwSwitchInfoOffset, caps.dwSwitchInfoSize},
        {caps.dwLineNameOffset, caps.dwLineNameSize},
        {caps.dwTerminalTextOffset, caps.dwTerminalTextSize},
        {caps.dwDevSpecificOffset, caps.dwDevSpecificSize},
    };
    for (const auto& [offset, length] : parts) {
        if (answer.text(offset, length).size() > length)
            __builtin_trap();
    }
    if (answer.countThatFits(caps.dwNumTerminals, sizeof(LINETERMCAPS)) * sizeof(LINETERMCAPS) >
        answer.size())
        __builtin_trap();
    return 0;
}
