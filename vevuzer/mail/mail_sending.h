// What every mail procedure of the program shares: the engine's channel, the guard that lets one
// procedure use it at a time, the look-up of a failure in errors.txt, the server prompt, the
// driver loop and the dial-up test. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vevuzer::mailing {

// The maker's endpoints: the web host named in the headers, its web address, the no-reply sender
// of notifications, the problem-report mailbox and the fax gateway's domain suffix.
inline constexpr std::string_view kWebHost = "www.fenwright.example";
inline constexpr std::string_view kWebAddress = "http://www.fenwright.example";
inline constexpr std::string_view kNoReplySender = "<noreply@fenwright.example>";
inline constexpr std::string_view kProblemMailbox = "<problems@fenwright.example>";
inline constexpr std::string_view kFaxGatewaySuffix = ".iddd.tpc.int";

// Held while a mail procedure runs: the engine has one channel, and a procedure started from a
// message pumped inside another (a second caller, the tray menu, a timer) would talk over it.
class Exclusive {
  public:
    Exclusive();
    ~Exclusive();
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;
    // False when another procedure held the channel already: do nothing then.
    bool acquired() const { return m_acquired; }
    // Lets the channel go before the procedure ends: once its exchange is over, a message box
    // that may wait for hours must not hold back the next mail.
    void release();

  private:
    bool m_acquired;
};

// Logs that the procedure `what` ("the fax is not sent") was refused because another mail runs.
void logRefusal(std::string_view what);

// The line of errors.txt in the program folder for `code`: the last line containing the code's
// decimal text, cut to 256 characters; empty when none does or the file cannot be read.
std::string errorMessage(std::int32_t code);

// While the setting `smtp` is shorter than 4 characters: says so, asks for the server and stores
// the answer, calling `stored` after each. False when the user cancels the question.
bool askForServer(const std::function<void()>& stored = {});

// The engine's driver loop for a send under way on channel 0: 0 when the message is sent, or the
// failure code.
std::int32_t driveSend();

// Header text for parameter 51: the lines joined by CR LF.
std::string headerText(std::string_view priority, std::string_view sender);

// Whether the first dial-up connection is connected; a failed enumeration is shown.
bool IsDialUpConnected();

}  // namespace vevuzer::mailing
