#include "vevuzer/settings/settings_store.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/registry/vb_settings.h"
#include "vevuzer/shell/mod_clock.h"

namespace settings {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal number as the user types one: an optional sign, digits, an optional point with
// decimals. Anything else (letters, a second point, an empty text) is no number.
std::optional<double> parseNumber(std::string_view text) {
    text = trimBlanks(text);
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    bool sawDigit = false;
    bool sawPoint = false;
    for (std::size_t i = at; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            sawDigit = true;
        } else if (text[i] == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (!sawDigit) {
        return std::nullopt;
    }
    // from_chars ignores the locale, which Qt sets from the environment.
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string read(std::string_view key, std::string_view defaultValue) {
    return vb::GetSetting(kApplication, kDataSection, key, defaultValue);
}

void write(std::string_view key, std::string_view value) {
    vb::SaveSetting(kApplication, kDataSection, key, value);
}

void writeTruth(std::string_view key, bool on) {
    write(key, on ? kTrue : kFalse);
}

std::string defaultOf(const Reading& reading) {
    switch (reading.kind) {
        case Fallback::FileInProgramFolder:
            return (core::programFolder() / reading.fallback).string();
        case Fallback::Today:
            return todayText();
        case Fallback::Text:
            break;
    }
    return std::string(reading.fallback);
}

std::string read(const Reading& reading) {
    return read(reading.key, defaultOf(reading));
}

bool isOn(const Reading& reading) {
    const std::string text = read(reading);
    switch (reading.truth) {
        case Truth::OnWhenTrue:
            return text == kTrue;
        case Truth::OnUnlessFalse:
            return text != kFalse;
        case Truth::NotTested:
            break;
    }
    return false;
}

std::optional<double> number(const Reading& reading) {
    return parseNumber(read(reading));
}

std::optional<long> wholeNumber(const Reading& reading) {
    const auto value = number(reading);
    if (!value) {
        return std::nullopt;
    }
    const double whole = std::trunc(*value);
    if (whole < static_cast<double>(std::numeric_limits<long>::min()) ||
        whole >= static_cast<double>(std::numeric_limits<long>::max())) {
        return std::nullopt;
    }
    return static_cast<long>(whole);
}

std::string readVersion(std::string_view version) {
    return vb::GetSetting(kApplication, kVersionSection, version, "0");
}

void writeVersion(std::string_view version, std::string_view value) {
    vb::SaveSetting(kApplication, kVersionSection, version, value);
}

std::string startWithWindowsCommand() {
    return (core::programFolder() / "vidiriz.are").string();
}

std::string readStartWithWindows() {
    return mod_clock::RegReadString(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName);
}

void writeStartWithWindows(bool on) {
    mod_clock::RegWriteString(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName,
                              on ? startWithWindowsCommand() : std::string());
}

bool startsWithWindows() {
    return readStartWithWindows().size() > 2;
}

std::string todayText() {
    const core::DateParts today = core::datePartsOf(core::now());
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", today.day, today.month, today.year);
    return text;
}

}  // namespace settings
