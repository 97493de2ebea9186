// The engine's failure codes and their texts: one table, from which the program's errors.txt is
// made. Codes are three-digit negatives, so a code's decimal text never appears inside another's.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

inline constexpr std::int32_t SEE_NOT_ATTACHED = -101;
inline constexpr std::int32_t SEE_ALREADY_ATTACHED = -102;
inline constexpr std::int32_t SEE_BAD_CHANNEL_COUNT = -103;
inline constexpr std::int32_t SEE_BAD_CHANNEL = -104;
inline constexpr std::int32_t SEE_NOT_CONNECTED = -105;
inline constexpr std::int32_t SEE_NO_MESSAGE = -106;
inline constexpr std::int32_t SEE_BAD_ARGUMENT = -107;
inline constexpr std::int32_t SEE_CANNOT_RESOLVE = -110;
inline constexpr std::int32_t SEE_CANNOT_CONNECT = -111;
inline constexpr std::int32_t SEE_TIMED_OUT = -112;
inline constexpr std::int32_t SEE_LOGIN_REFUSED = -113;
inline constexpr std::int32_t SEE_CONNECTION_LOST = -114;
inline constexpr std::int32_t SEE_SERVER_REFUSED = -115;
inline constexpr std::int32_t SEE_ATTACHMENT_UNREADABLE = -116;
inline constexpr std::int32_t SEE_TRANSFER_FAILED = -117;
inline constexpr std::int32_t SEE_SERVER_DEFERRED = -118;
inline constexpr std::int32_t SEE_SECURE_FAILED = -119;
inline constexpr std::int32_t SEE_ANSWER_UNREADABLE = -120;
inline constexpr std::int32_t SEE_NO_INTERNET_LIBRARY = -121;

namespace mail {

struct CodeText {
    std::int32_t code;
    std::string_view name;  // the constant's name, for test messages and logs
    std::string_view text;  // the sentence shown to the user
};

// Every failure code the engine returns, in ascending order of magnitude.
std::span<const CodeText> failureCodes();

// The row of `code`, or nullptr for a code the engine never returns.
const CodeText* findCode(std::int32_t code);

}  // namespace mail
