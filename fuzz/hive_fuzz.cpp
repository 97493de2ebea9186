// The registry's hive reader: any file is read or refused, never crashes, and whatever is read is
// written back so that reading it again gives the same keys and values.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/hive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace registry::detail;
    const ParseResult parsed = parseHive({reinterpret_cast<const char*>(data), size});
    if (parsed.root) {
        const ParseResult again = parseHive(formatHive(*parsed.root));
        if (!again.root || !(*again.root == *parsed.root))
            __builtin_trap();  // a rewrite would change what the hive holds
    }
    return 0;
}
