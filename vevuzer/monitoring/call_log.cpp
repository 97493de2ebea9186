#include "vevuzer/monitoring/call_log.h"

#include "platform/core/folders.h"
#include "vevuzer/shell/clock_text.h"

namespace vevuzer {
namespace {

std::string oneLineField(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return field;
}

}  // namespace

std::filesystem::path callLogPath() {
    const std::filesystem::path exact = core::programFolder() / kCallLogFile;
    return core::findFileNoCase(exact).value_or(exact);
}

std::string CallLogLine(std::string_view number, std::string_view name, core::OleDate when) {
    return oneLineField(number) + ", " + oneLineField(name) + ", " + dateText(when) + " " +
           timeText(when);
}

bool appendCallLog(std::string_view line) {
    return core::appendLineNoCase(core::programFile(kCallLogFile), line);
}

}  // namespace vevuzer
