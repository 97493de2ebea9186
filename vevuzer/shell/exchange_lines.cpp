#include "vevuzer/shell/exchange_lines.h"

#include <array>
#include <string_view>

#include "platform/core/text.h"
#include "platform/registry/vb_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/hosted_control.h"

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

// The names come from the Line control's own device list, so the program needs to know nothing of
// the provider behind it.
std::vector<std::string> assignLineDevicesIfUnset(const HostedControl& control) {
    std::vector<std::string> assigned;
    if (!control.exists()) {
        return assigned;
    }
    const com::Dispatch devices(
        control.dispatch().get(controls::line::DeviceList).value.toDispatch());
    if (!devices) {
        return assigned;
    }
    const long count = devices.get(controls::strings::Count).value.toInt32().value_or(0);
    for (long i = 0; i < static_cast<long>(kLineKeys.size()) && i < count; ++i) {
        const std::size_t n = static_cast<std::size_t>(i);
        if (!neverWritten(kLineKeys[n])) {
            continue;
        }
        const std::string name = devices.get(controls::strings::Item, static_cast<LONG>(i))
                                     .value.toString()
                                     .value_or("");
        settings::write(kLineKeys[n], name);
        assigned.push_back("Line " + std::to_string(i + 1) + ": " + name);
    }
    // A folder whose lines are assigned is set up: the settings window must show the stored
    // devices, not the first-run choice of no modem on every line, or its first OK would store
    // that and leave every line unwatched.
    settings::write(settings::key::firstrun, settings::kFalse);
    return assigned;
}

}  // namespace vevuzer
