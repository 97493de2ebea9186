// The mail the main window sends and fetches: the e-mail notification of a call and the count of
// the messages waiting in the user's mailbox. UI thread only; both run inside their caller, which
// waits for them, and tell the user everything themselves (status box, speech, log, boxes).
#pragma once

#include <string_view>

namespace vevuzer {

class MainWindow;

// Notifies the user by e-mail of a call from `number` (`name` as the network sent it), when the
// setting `email` is "True". A serial modem is set free for the send and opened again after it.
void sendmail(MainWindow& window, std::string_view number, std::string_view name);

// Counts the messages waiting in the POP3 mailbox of the settings and says how many.
void checkemail(MainWindow& window);

}  // namespace vevuzer
