#include "vevuzer/shell/activity_log.h"

#include "platform/core/folders.h"

namespace vevuzer {

std::filesystem::path logFilePath() {
    const std::filesystem::path exact = core::programFolder() / kLogFileName;
    return core::findFileNoCase(exact).value_or(exact);
}

void log(std::string_view text) {
    core::appendLineNoCase(core::programFile(kLogFileName), text);
}

bool startFreshLog() {
    const auto found = core::findFileNoCase(core::programFolder() / kLogFileName);
    if (!found || found->filename() != kLogFileName) {
        return false;
    }
    std::error_code error;
    if (!std::filesystem::remove(*found, error)) {
        // A log that cannot be deleted stays and the new lines follow the old ones; saying it
        // was deleted would be false.
        return false;
    }
    log("Deleted log file ready for new input");
    return true;
}

}  // namespace vevuzer
