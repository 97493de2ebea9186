// The serial caller-ID reader: a modem's caller-ID text and a caller-ID unit's data block. The
// first byte chooses the device, the rest is the batch the port delivered.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vevuzer/monitoring/serial_batch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    using namespace vevuzer::monitoring;
    const std::string_view batch(reinterpret_cast<const char*>(data) + 1, size - 1);
    const SerialDevice device = data[0] & 1 ? SerialDevice::CallerIdUnit : SerialDevice::Modem;
    const SerialCallerId caller = parseSerialBatch(batch, device);
    // What is read comes from the batch: never longer than it.
    if (caller.number.size() > batch.size() || caller.name.size() > batch.size())
        __builtin_trap();
    (void)parseCallerIdText(batch);
    (void)parseCallerIdBlock(batch);
    return 0;
}
