#include "platform/mail/see_codes.h"

namespace mail {
namespace {

// The texts contain no "-digit" runs, so looking a code up by its decimal text finds one line.
constexpr CodeText kCodes[] = {
    {SEE_NOT_ATTACHED, "SEE_NOT_ATTACHED", "The mail engine is not attached"},
    {SEE_ALREADY_ATTACHED, "SEE_ALREADY_ATTACHED", "The mail engine is attached already"},
    {SEE_BAD_CHANNEL_COUNT, "SEE_BAD_CHANNEL_COUNT", "The number of mail channels is out of range"},
    {SEE_BAD_CHANNEL, "SEE_BAD_CHANNEL", "The mail channel number is out of range"},
};

}  // namespace

std::span<const CodeText> failureCodes() {
    return kCodes;
}

const CodeText* findCode(std::int32_t code) {
    for (const CodeText& row : kCodes) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace mail
