#include "vevuzer/monitoring/monitoring_text.h"

#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/hosted_control.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer::monitoring {

std::string spokenDigits(std::string_view number) {
    std::string spoken;
    if (textLength(number) <= 2) {
        return spoken;
    }
    const std::string digits = without(number, "-");
    for (std::size_t i = 0; i < digits.size(); ++i) {
        spoken += digits[i];
        // A blank after each character, not inside one written in several bytes.
        const bool sequenceGoesOn =
            i + 1 < digits.size() && (static_cast<unsigned char>(digits[i + 1]) & 0xC0) == 0x80;
        if (!sequenceGoesOn) {
            spoken += ' ';
        }
    }
    return spoken;
}

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
