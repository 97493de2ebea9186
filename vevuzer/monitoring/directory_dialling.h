// Dialling from the address book: its Dial button hands the chosen contact to the main window's
// dial-out, whose outcome shows in the book's red box; a click on the red box hangs up.
#pragma once

namespace vevuzer {

class MainWindow;
class TelephoneDirectory;

// Gives `directory` its Dial button and red box, dialling through `window`.
void attachDirectoryDialling(MainWindow& window, TelephoneDirectory& directory);

// The Dial button and the click on the red box.
void dialSelectedContact(MainWindow& window, TelephoneDirectory& directory);
void hangUpFromRedBox(MainWindow& window, TelephoneDirectory& directory);

}  // namespace vevuzer
