// Small helpers of the call-monitoring handlers: texts, and the caller as the Line control gives
// it.
#pragma once

#include <string>
#include <string_view>

namespace vevuzer {
class HostedControl;
}

namespace vevuzer::monitoring {

// `text` without any of the characters in `unwanted`.
std::string without(std::string_view text, std::string_view unwanted);
// The number read out digit by digit: each character but "-" followed by a blank. Numbers of one
// or two characters are not read out.
std::string spokenDigits(std::string_view number);
// Whether a caller number holds nothing but blanks and "-": what an edit mask makes of no number.
bool blankNumber(std::string_view number);

// The caller of the line's current call, read from its Line control afresh on every call: it keeps
// the values of the call that raised the event. A read that fails gives "" or false. The number
// mask of the "usa" format writes a missing number as blanks and dashes; that is read as "".
std::string callerNumber(const HostedControl& control);
std::string callerName(const HostedControl& control);
bool callerWithheld(const HostedControl& control);
bool callerOutOfArea(const HostedControl& control);

}  // namespace vevuzer::monitoring
