// The simulated exchange's configuration and command language. An input starting with "#" is a
// configuration; any other is a list of commands, one a line, run on a fresh exchange in virtual
// time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.starts_with('#')) {
        std::string error;
        const auto config = tapi::ExchangeConfig::parse(input.substr(1), &error);
        if (!config && error.empty())
            __builtin_trap();  // a refusal always says why
        if (config && config->lines.size() + config->phones.size() < 64) {
            core::VirtualTime time;
            tapi::exchange().reset(*config);
            (void)tapi::exchange().list();
            tapi::exchange().reset();
        }
        return 0;
    }
    core::VirtualTime time;
    tapi::exchange().reset();
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string answer = tapi::exchange().execute(input.substr(0, end));
        if (!answer.starts_with("OK") && !answer.starts_with("ERROR: "))
            __builtin_trap();
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
        time.advance(std::chrono::milliseconds(500));
    }
    tapi::exchange().reset();
    return 0;
}
