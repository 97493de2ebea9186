// The current time and date as the desktop's regional settings write them, for log lines and
// status texts. Read from the platform clock, so tests in virtual time see their own clock.
#pragma once

#include <string>

#include "platform/core/clock.h"

namespace vevuzer {

// Hours, minutes and seconds in the locale's form ("09:05:00", "9:05:00 AM").
std::string timeText(core::OleDate when = core::now());
// The locale's short date ("02/03/2026" in the United Kingdom).
std::string dateText(core::OleDate when = core::now());
// The date and the time as the desktop's general date writes them; the time is left out at
// midnight exactly.
std::string generalDateText(core::OleDate when = core::now());

}  // namespace vevuzer
