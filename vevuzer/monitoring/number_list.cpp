#include "vevuzer/monitoring/number_list.h"

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace vevuzer {
namespace {

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

std::string strippedNumber(std::string_view number) {
    std::string kept;
    kept.reserve(number.size());
    for (char c : number) {
        if (c != '-' && c != ' ') {
            kept += c;
        }
    }
    return kept;
}

bool numberListed(std::string_view fileName, std::string_view number) {
    const std::string wanted = core::toLowerAscii(strippedNumber(number));
    // An empty text occurs in every list: a caller without a number would be taken for anyone.
    if (wanted.empty()) {
        return false;
    }
    const auto file = core::findFileNoCase(core::programFile(fileName));
    if (!file) {
        return false;
    }
    const std::string list =
        core::toLowerAscii(strippedNumber(firstLine(core::readTextFile(*file).value_or(""))));
    return list.find(wanted) != std::string::npos;
}

}  // namespace vevuzer
