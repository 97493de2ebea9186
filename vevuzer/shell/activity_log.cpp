#include "vevuzer/shell/activity_log.h"

#include <cstdio>
#include <memory>
#include <string>

#include "platform/core/folders.h"

namespace vevuzer {

std::filesystem::path logFilePath() {
    const std::filesystem::path exact = core::programFolder() / kLogFileName;
    return core::findFileNoCase(exact).value_or(exact);
}

void log(std::string_view text) {
    const std::filesystem::path path = logFilePath();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "ab"),
                                                               &std::fclose);
    if (!file) {
        return;
    }
    std::string line(text);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), file.get());
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
