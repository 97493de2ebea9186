#include <string>

#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace mod_clock {

std::string timeSentence(core::OleDate when) {
    const core::DateParts parts = core::datePartsOf(when);
    const int m = parts.minute;
    // 12-hour form without a morning or afternoon: 13 is 1, while 0 stays 0 and is spoken as 12.
    const int h = parts.hour > 12 ? parts.hour - 12 : parts.hour;
    const std::string hour = std::to_string(h == 0 ? 12 : h);
    const std::string opening = "The time is , ";
    if (m == 0) {
        return h == 0 ? "The time is midnight." : opening + hour + " O clock. ";
    }
    if (m == 1) {
        return opening + "1 minute past " + hour + ". ";
    }
    if (m < 30) {
        return opening + std::to_string(m) + " minutes past " + hour + ". ";
    }
    if (m == 30) {
        return opening + "half past " + hour + ". ";
    }
    // Past the half hour the minutes are read as they stand, never counted to the next hour.
    return opening + hour + (h == 0 ? ", " : " ") + std::to_string(m) + ". ";
}

void saytime() {
    vevuzer::say(timeSentence(core::now()), vevuzer::kSayNormal);
}

}  // namespace mod_clock
