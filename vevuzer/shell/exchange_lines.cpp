#include "vevuzer/shell/exchange_lines.h"

#include <array>
#include <string_view>

#include "platform/core/text.h"
#include "platform/registry/vb_settings.h"
#include "platform/tapi/exchange.h"
#include "vevuzer/settings/settings_store.h"

namespace vevuzer {
namespace {

constexpr std::array<std::string_view, 4> kLineKeys = {settings::key::line, settings::key::line2,
                                                       settings::key::line3, settings::key::line4};

bool neverWritten(std::string_view key) {
    for (const auto& [name, value] :
         vb::GetAllSettings(settings::kApplication, settings::kDataSection)) {
        if (core::equalsNoCase(name, key)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::string> assignExchangeLinesIfUnset() {
    std::vector<std::string> assigned;
    const tapi::ExchangeConfig& config = tapi::exchange().config();
    for (std::size_t i = 0; i < kLineKeys.size() && i < config.lines.size(); ++i) {
        if (!neverWritten(kLineKeys[i])) {
            continue;
        }
        settings::write(kLineKeys[i], config.lines[i].name);
        assigned.push_back("Line " + std::to_string(i + 1) + ": " + config.lines[i].name);
    }
    return assigned;
}

}  // namespace vevuzer
