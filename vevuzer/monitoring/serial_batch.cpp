#include "vevuzer/monitoring/serial_batch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace vevuzer::monitoring {
namespace {

constexpr std::size_t kShortestValue = 3;

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

bool containsNoCase(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(),
                       [](char x, char y) { return upper(x) == upper(y); }) != text.end();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\0';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Number keywords in order of preference: the first one the batch holds gives the value. NMBR
// inside DDN_NMBR is the dialled number's keyword, not the caller's.
constexpr std::array<std::string_view, 5> kNumberKeys = {"NMBR", "NUMBER", "DDN_NMBR", "DDN",
                                                         "NBR"};
constexpr std::array<std::string_view, 2> kNameKeys = {"NAME", "NME"};
constexpr std::string_view kDialledPrefix = "DDN_";

struct Field {
    std::string value;
    bool withheld = false;
    bool outOfArea = false;
};

// A value as the reader takes it: "P" and "O" name why there is none; anything else shorter than
// three characters (blanks counted) is not a value.
Field fieldOf(std::string_view raw) {
    Field field;
    const std::string_view value = trimmed(raw);
    if (equalsNoCase(value, "P")) {
        field.withheld = true;
    } else if (equalsNoCase(value, "O")) {
        field.outOfArea = true;
    } else if (raw.size() >= kShortestValue) {
        field.value = std::string(value);
    }
    return field;
}

// The flags the values themselves carry, as modems that spell them out write them.
void flagFromValues(SerialCallerId& id) {
    for (const std::string* value : {&id.number, &id.name}) {
        id.withheld = id.withheld || containsNoCase(*value, "withheld");
        id.outOfArea = id.outOfArea || containsNoCase(*value, "outofarea");
    }
}

// ---- Data blocks ----

constexpr std::uint8_t kMultipleData = 0x80;
constexpr std::uint8_t kSingleData = 0x04;
constexpr std::uint8_t kDateTime = 0x01;
constexpr std::uint8_t kNumber = 0x02;
constexpr std::uint8_t kDialableNumber = 0x03;
constexpr std::uint8_t kNumberAbsent = 0x04;
constexpr std::uint8_t kName = 0x07;
constexpr std::uint8_t kNameAbsent = 0x08;
constexpr std::size_t kDateTimeDigits = 8;

std::uint8_t byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

unsigned sumOf(std::string_view bytes) {
    unsigned sum = 0;
    for (const char c : bytes) {
        sum += static_cast<std::uint8_t>(c);
    }
    return sum & 0xFF;
}

void takeReason(std::string_view reason, SerialCallerId& id) {
    const Field field = fieldOf(reason);
    id.withheld = id.withheld || field.withheld;
    id.outOfArea = id.outOfArea || field.outOfArea;
}

std::optional<SerialCallerId> multipleData(std::string_view body) {
    SerialCallerId id;
    std::optional<std::string_view> number;
    std::optional<std::string_view> dialable;
    std::optional<std::string_view> nameReason;
    for (std::size_t i = 0; i < body.size();) {
        if (i + 2 > body.size()) {
            return std::nullopt;
        }
        const std::uint8_t code = byteAt(body, i);
        const std::size_t length = byteAt(body, i + 1);
        if (i + 2 + length > body.size()) {
            return std::nullopt;
        }
        const std::string_view value = body.substr(i + 2, length);
        switch (code) {
            case kNumber:
                number = value;
                break;
            case kDialableNumber:
                dialable = value;
                break;
            case kNumberAbsent:
                takeReason(value, id);
                break;
            case kName:
                id.name = std::string(value);
                break;
            case kNameAbsent:
                nameReason = value;
                break;
            default:
                break;  // date and time, and codes this reader does not use
        }
        i += 2 + length;
    }
    if (number || dialable) {
        id.number = std::string(number ? *number : *dialable);
    } else if (nameReason) {
        // Only a call without a number is withheld or out of area for want of a name.
        takeReason(*nameReason, id);
    }
    return id;
}

std::optional<SerialCallerId> singleData(std::string_view body) {
    if (body.size() < kDateTimeDigits) {
        return std::nullopt;
    }
    SerialCallerId id;
    const std::string_view number = body.substr(kDateTimeDigits);
    takeReason(number, id);
    if (!id.withheld && !id.outOfArea) {
        id.number = std::string(number);
    }
    return id;
}

// The block starting at `start`, when its length fits and its checksum holds.
std::optional<SerialCallerId> blockAt(std::string_view bytes, std::size_t start) {
    const std::uint8_t type = byteAt(bytes, start);
    if ((type != kMultipleData && type != kSingleData) || start + 2 > bytes.size()) {
        return std::nullopt;
    }
    const std::size_t length = byteAt(bytes, start + 1);
    const std::size_t end = start + 2 + length;  // where the checksum byte belongs
    if (end > bytes.size()) {
        return std::nullopt;
    }
    const std::string_view message = bytes.substr(start, 2 + length);
    const bool checked = end < bytes.size() && sumOf(bytes.substr(start, 3 + length)) == 0;
    const bool nulChecksumDropped = sumOf(message) == 0;
    if (!checked && !nulChecksumDropped) {
        return std::nullopt;
    }
    const std::string_view body = message.substr(2);
    return type == kMultipleData ? multipleData(body) : singleData(body);
}

void shortValuesAreMissing(SerialCallerId& id) {
    id.number = std::string(trimmed(id.number));
    id.name = std::string(trimmed(id.name));
    if (id.name.size() < kShortestValue) {
        id.name.clear();
    }
    if (id.number.size() < kShortestValue) {
        id.number.clear();
    }
}

bool isRingLine(std::string_view line) {
    return equalsNoCase(trimmed(line), "RING");
}

template <typename Visit>
void forEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        visit(text.substr(start,
                          end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
}

// Where `keyword` first stands in the text, in any case and wherever it is: devices put two
// fields on one line, and noise bytes may come right before a keyword. NMBR as the end of DDN_NMBR
// is not the caller's number.
std::optional<std::size_t> findKeyword(std::string_view text, std::string_view keyword) {
    const auto same = [](char x, char y) { return upper(x) == upper(y); };
    for (auto from = text.begin();;) {
        const auto found = std::search(from, text.end(), keyword.begin(), keyword.end(), same);
        if (found == text.end()) {
            return std::nullopt;
        }
        const auto at = static_cast<std::size_t>(found - text.begin());
        const bool dialled =
            equalsNoCase(keyword, "NMBR") && at >= kDialledPrefix.size() &&
            equalsNoCase(text.substr(at - kDialledPrefix.size(), kDialledPrefix.size()),
                         kDialledPrefix);
        if (!dialled) {
            return at;
        }
        from = found + 1;
    }
}

// The text after the first "=" that follows the keyword at `at`, up to the line's end; nothing
// when the line ends first.
std::optional<std::string_view> valueAfter(std::string_view text, std::size_t at) {
    const std::size_t lineEnd = text.find_first_of("\r\n", at);
    const std::string_view rest =
        text.substr(at, lineEnd == std::string_view::npos ? lineEnd : lineEnd - at);
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return rest.substr(equals + 1);
}

// The value of the first keyword of `keys` that the text holds at all.
template <std::size_t N>
std::optional<std::string_view> firstValue(std::string_view text,
                                           const std::array<std::string_view, N>& keys) {
    for (const std::string_view key : keys) {
        if (const std::optional<std::size_t> at = findKeyword(text, key)) {
            return valueAfter(text, *at);
        }
    }
    return std::nullopt;
}

}  // namespace

SerialCallerId parseCallerIdText(std::string_view text) {
    SerialCallerId id;
    forEachLine(text, [&id](std::string_view line) { id.ring = id.ring || isRingLine(line); });
    const Field number = fieldOf(firstValue(text, kNumberKeys).value_or(""));
    const Field name = fieldOf(firstValue(text, kNameKeys).value_or(""));
    id.number = number.value;
    id.name = name.value;
    id.withheld = number.withheld;
    id.outOfArea = number.outOfArea;
    // Beside a number, "P" or "O" is only a name too short to keep: the number is the caller's.
    if (id.number.empty() && !number.withheld && !number.outOfArea) {
        id.withheld = name.withheld;
        id.outOfArea = name.outOfArea;
    }
    flagFromValues(id);
    return id;
}

SerialCallerId parseCallerIdBlock(std::string_view bytes) {
    for (std::size_t start = 0; start < bytes.size(); ++start) {
        if (std::optional<SerialCallerId> id = blockAt(bytes, start)) {
            shortValuesAreMissing(*id);
            flagFromValues(*id);
            return *id;
        }
    }
    return {};
}

SerialCallerId parseSerialBatch(std::string_view batch, SerialDevice device) {
    if (device == SerialDevice::CallerIdUnit && batch.size() >= kShortestBlockBatch) {
        SerialCallerId id = parseCallerIdBlock(batch);
        forEachLine(batch, [&id](std::string_view line) { id.ring = id.ring || isRingLine(line); });
        return id;
    }
    return parseCallerIdText(batch);
}

}  // namespace vevuzer::monitoring
