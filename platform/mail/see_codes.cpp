#include "platform/mail/see_codes.h"

namespace mail {
namespace {

// The texts contain no "-digit" runs, so looking a code up by its decimal text finds one line.
constexpr CodeText kCodes[] = {
    {SEE_NOT_ATTACHED, "SEE_NOT_ATTACHED", "The mail engine is not attached"},
    {SEE_ALREADY_ATTACHED, "SEE_ALREADY_ATTACHED", "The mail engine is attached already"},
    {SEE_BAD_CHANNEL_COUNT, "SEE_BAD_CHANNEL_COUNT", "The number of mail channels is out of range"},
    {SEE_BAD_CHANNEL, "SEE_BAD_CHANNEL", "The mail channel number is out of range"},
    {SEE_NOT_CONNECTED, "SEE_NOT_CONNECTED", "There is no connection to a mail server"},
    {SEE_NO_MESSAGE, "SEE_NO_MESSAGE", "There is no message waiting to be sent"},
    {SEE_BAD_ARGUMENT, "SEE_BAD_ARGUMENT",
     "A mail server, address or text is missing or not valid"},
    {SEE_CANNOT_RESOLVE, "SEE_CANNOT_RESOLVE", "The mail server's name could not be found"},
    {SEE_CANNOT_CONNECT, "SEE_CANNOT_CONNECT", "The mail server could not be reached"},
    {SEE_TIMED_OUT, "SEE_TIMED_OUT", "The mail server did not answer in time"},
    {SEE_LOGIN_REFUSED, "SEE_LOGIN_REFUSED", "The mail server refused the user name or password"},
    {SEE_CONNECTION_LOST, "SEE_CONNECTION_LOST", "The connection to the mail server was lost"},
    {SEE_SERVER_REFUSED, "SEE_SERVER_REFUSED", "The mail server refused the message or an address"},
    {SEE_ATTACHMENT_UNREADABLE, "SEE_ATTACHMENT_UNREADABLE",
     "The file to attach could not be read"},
    {SEE_TRANSFER_FAILED, "SEE_TRANSFER_FAILED", "The mail exchange failed"},
    {SEE_SERVER_DEFERRED, "SEE_SERVER_DEFERRED",
     "The mail server cannot take this now, try again later"},
    {SEE_SECURE_FAILED, "SEE_SECURE_FAILED",
     "A secure connection to the mail server could not be made"},
    {SEE_ANSWER_UNREADABLE, "SEE_ANSWER_UNREADABLE",
     "The mail server's answer was not understood or was too long"},
    {SEE_NO_INTERNET_LIBRARY, "SEE_NO_INTERNET_LIBRARY",
     "The Internet library the mail engine needs could not be loaded"},
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
