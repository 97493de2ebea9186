#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > begin && text[end - 1] == '\r') {
            --end;
        }
        lines.emplace_back(text.substr(begin, end - begin));
        begin = next;
    }
    return lines;
}

std::string trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::size_t textLength(std::string_view text) {
    std::size_t length = 0;
    for (unsigned char c : text) {
        length += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return length;
}

}  // namespace vevuzer
