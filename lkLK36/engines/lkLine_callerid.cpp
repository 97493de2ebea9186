// The caller-ID parties of a call: raw values as TAPI gave them, shaped for display on each read.
#include <vector>

#include "lkLK36/engines/lkLine.h"

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What each character of an edit mask does. Places take one character of the text each;
// literals stand in the shaped text; the rest steer the shaping and stand for nothing.
enum class MaskClass { Literal, Place, Directive, Separator, FieldValue };

struct MaskReading {
    std::vector<MaskClass> classes;
    bool insertLiterals = false;  // the text holds no literals: they are put in
    bool fromTheRight = false;    // "!": the text fills the mask from its end
};

bool isPlace(char c) {
    switch (c) {
        case '0':
        case 'A':
        case 'C':
        case 'L':
        case '#':
        case '9':
        case 'a':
        case 'c':
        case 'l':
            return true;
        default:
            return false;
    }
}

// A mask is "<places and literals>;<save literals>;<blank>". Only the last four characters can
// hold those fields, so a ";" further left is an ordinary literal.
MaskReading readMask(const std::string& mask) {
    const std::size_t n = mask.size();
    std::vector<bool> separator(n, false), fieldValue(n, false);
    if (n > 3) {
        for (std::size_t i = n - 4; i < n; ++i) {
            if (mask[i] == ';') {
                separator[i] = true;
                if (i + 1 < n)
                    fieldValue[i + 1] = true;
            }
        }
    }
    MaskReading reading;
    reading.classes.resize(n, MaskClass::Literal);
    bool escaped = false;
    for (std::size_t i = 0; i < n; ++i) {
        MaskClass& cls = reading.classes[i];
        const char c = mask[i];
        if (escaped) {
            cls = MaskClass::Literal;
            escaped = false;
        } else if (separator[i]) {
            cls = MaskClass::Separator;
        } else if (fieldValue[i]) {
            cls = MaskClass::FieldValue;
        } else if (c == '\\') {
            cls = MaskClass::Directive;
            escaped = true;
        } else if (c == '!' || c == '<' || c == '>') {
            cls = MaskClass::Directive;
            reading.fromTheRight = reading.fromTheRight || c == '!';
        } else if (isPlace(c)) {
            cls = MaskClass::Place;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (reading.classes[i] == MaskClass::Separator) {
            reading.insertLiterals = i + 1 < n && mask[i + 1] == '0';
            break;
        }
    }
    return reading;
}

std::string insertFromTheLeft(const std::string& mask, const MaskReading& reading,
                              std::string text) {
    std::size_t k = 1;  // the position, counted from 1, the next mask character stands for
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (reading.classes[i] == MaskClass::Literal) {
            text.insert(k - 1, 1, mask[i]);
            ++k;
        } else if (reading.classes[i] == MaskClass::Place) {
            if (text.size() < k)
                text += ' ';
            ++k;
        }
    }
    return text;
}

std::string insertFromTheRight(const std::string& mask, const MaskReading& reading,
                               std::string text) {
    std::size_t unplaced = text.size();
    for (std::size_t i = mask.size(); i-- > 0;) {
        if (reading.classes[i] == MaskClass::Literal) {
            text.insert(unplaced, 1, mask[i]);
        } else if (reading.classes[i] == MaskClass::Place) {
            if (unplaced > 0) {
                --unplaced;
            } else {
                text.insert(0, 1, ' ');
            }
        }
    }
    return text;
}

// A text that holds the literals already: each field between them is fitted to its length.
std::string fitFields(const std::string& mask, const MaskReading& reading,
                      const std::string& text) {
    struct Segment {
        bool literal;
        char c;
        std::size_t places;
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (reading.classes[i] == MaskClass::Literal) {
            segments.push_back({true, mask[i], 0});
        } else if (reading.classes[i] == MaskClass::Place) {
            if (segments.empty() || segments.back().literal)
                segments.push_back({false, 0, 0});
            ++segments.back().places;
        }
    }
    std::string result;
    std::size_t pos = 0;
    for (std::size_t s = 0; s < segments.size(); ++s) {
        const Segment& segment = segments[s];
        if (segment.literal) {
            const std::size_t at = text.find(segment.c, pos);
            if (at != std::string::npos)
                pos = at + 1;
            result += segment.c;
            continue;
        }
        std::size_t end = text.size();
        if (s + 1 < segments.size()) {
            const std::size_t at = text.find(segments[s + 1].c, pos);
            if (at != std::string::npos)
                end = at;
        }
        std::string field = text.substr(std::min(pos, text.size()), end - std::min(pos, end));
        pos = end;
        if (field.size() > segment.places) {
            field = reading.fromTheRight ? field.substr(field.size() - segment.places)
                                         : field.substr(0, segment.places);
        } else if (reading.fromTheRight) {
            field.insert(0, segment.places - field.size(), ' ');
        } else {
            field.append(segment.places - field.size(), ' ');
        }
        result += field;
    }
    return result;
}

}  // namespace

std::string CapitalizeWords(const std::string& name) {
    std::string result = name;
    for (char& c : result)
        c = lower(c);
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (i == 0 || result[i - 1] == ' ')
            result[i] = upper(result[i]);
    }
    return result;
}

std::string UnformatNumber(bool unformat, std::string number) {
    if (!unformat)
        return number;
    for (char removed : {' ', '+', '(', ')', '-', '.'})
        std::erase(number, removed);
    return number;
}

// The blank the mask's last field names is not used: empty places are always spaces.
std::string FormatMaskText(const std::string& mask, const std::string& text) {
    if (mask.empty())
        return text;
    const MaskReading reading = readMask(mask);
    if (!reading.insertLiterals)
        return fitFields(mask, reading, text);
    return reading.fromTheRight ? insertFromTheRight(mask, reading, text)
                                : insertFromTheLeft(mask, reading, text);
}

std::string TlkCallerID::GetName() const {
    return FormatName && !Name.empty() ? CapitalizeWords(Name) : Name;
}

std::string TlkCallerID::GetNumber() const {
    const std::string number = UnformatNumber(!m_owner.Device.TranslatePhoneNumber, Number);
    return FormatMaskText(MaskNumber, number);
}

void TlkCallerID::SetFormatName(bool value) {
    FormatName = value;
    m_owner.Vantage().observer<LineVantageObserver>().UpdateCallerIDPage();
}

void TlkCallerID::SetMaskNumber(const std::string& value) {
    MaskNumber = value;
    m_owner.Vantage().observer<LineVantageObserver>().UpdateCallerIDPage();
}

void TlkCallerID::assign(const TlkPartyRecord& party) {
    Name = party.Name;
    Number = party.Number;
    Blocked = party.Blocked;
    OutOfArea = party.OutOfArea;
    Flags = party.Flags;
}
