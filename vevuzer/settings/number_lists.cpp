#include "vevuzer/settings/number_lists.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace settings {
namespace {

std::optional<double> numberIn(std::string_view text) {
    std::string copy(text);
    while (!copy.empty() && copy.front() == ' ')
        copy.erase(copy.begin());
    while (!copy.empty() && copy.back() == ' ')
        copy.pop_back();
    if (copy.empty())
        return std::nullopt;
    // The boxes hold numbers with a decimal point whatever the user's locale, which the C
    // library's conversions would follow.
    const char* first = copy.c_str();
    const char* const last = first + copy.size();
    if (*first == '+' && copy.size() > 1 && first[1] != '-')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string shortest(double value) {
    char text[32];
    const auto [end, error] =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::general, 15);
    return error == std::errc() ? std::string(text, end) : std::string();
}

std::string entry(std::string_view number) {
    return " " + std::string(number) + ",";
}

}  // namespace

ListEdit addToNumberList(std::string& list, std::string_view number) {
    if (number.size() < 2)
        return ListEdit::NoNumber;
    if (list.find(number) != std::string::npos)
        return ListEdit::AlreadyListed;
    list += entry(number);
    return ListEdit::Done;
}

ListEdit removeFromNumberList(std::string& list, std::string_view number) {
    if (number.size() < 2)
        return ListEdit::NoNumber;
    const std::string wanted = core::toLowerAscii(entry(number));
    std::string lower = core::toLowerAscii(list);
    for (std::size_t at = lower.find(wanted); at != std::string::npos;
         at = lower.find(wanted, at)) {
        list.erase(at, wanted.size());
        lower.erase(at, wanted.size());
    }
    return ListEdit::Done;
}

std::string loadNumberList(std::string_view fileName) {
    const auto path = core::findFileNoCase(core::programFolder() / std::string(fileName));
    if (!path)
        return {};
    const std::string text = core::windowsTextToUtf8(core::readFile(*path).value_or(""));
    std::string list;
    for (const char c : text) {
        if (c != '\r' && c != '\n')
            list.push_back(c);
    }
    return list;
}

bool writeNumberList(std::string_view fileName, std::string_view list) {
    const auto existing = core::findFileNoCase(core::programFolder() / std::string(fileName));
    const auto path = existing ? *existing : core::programFolder() / std::string(fileName);
    return core::rewriteFile(path, std::string(list) + "\r\n");
}

std::string minuteDown(std::string_view text) {
    const std::optional<double> value = numberIn(text);
    return shortest((value && *value > 1 ? *value : 61) - 1);
}

std::string minuteUp(std::string_view text) {
    const std::optional<double> value = numberIn(text);
    return shortest((value && *value < 60 ? *value : 0) + 1);
}

std::string attemptsDown(std::string_view text) {
    const std::optional<double> value = numberIn(text);
    if (!value || std::trunc(*value) <= 1)
        return std::string(text);
    return shortest(*value - 1);
}

std::string attemptsUp(std::string_view text) {
    const std::optional<double> value = numberIn(text);
    if (!value || std::trunc(*value) >= 50)
        return std::string(text);
    return shortest(*value + 1);
}

}  // namespace settings
