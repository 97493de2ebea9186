#include "vevuzer/monitoring/monitoring_text.h"

#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/hosted_control.h"

namespace vevuzer::monitoring {

std::string without(std::string_view text, std::string_view unwanted) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (unwanted.find(c) == std::string_view::npos) {
            kept += c;
        }
    }
    return kept;
}

bool blankNumber(std::string_view number) {
    return without(number, "- ").empty();
}

std::string callerNumber(const HostedControl& control) {
    std::string number = control.getText(controls::line::CallCallerIDNumber).value_or("");
    return blankNumber(number) ? std::string() : number;
}

std::string callerName(const HostedControl& control) {
    return control.getText(controls::line::CallCallerIDName).value_or("");
}

bool callerWithheld(const HostedControl& control) {
    return control.getBool(controls::line::CallCallerIDBlocked).value_or(false);
}

bool callerOutOfArea(const HostedControl& control) {
    return control.getBool(controls::line::CallCallerIDOutOfArea).value_or(false);
}

}  // namespace vevuzer::monitoring
