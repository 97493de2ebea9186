// The first-run welcome of the settings window: the first time the window loads after the program
// found its lines never set up, it tells the user, in speech and in a message box, to choose the
// modems, and marks the first run as done.
#pragma once

#include <string_view>

namespace settings {

inline constexpr std::string_view kFirstRunSpokenWelcome =
    "Welcome. Before you begin, Please set up your modems. You will be told whether they are "
    "compatible or not after selecting them. Simply select your modem from the drop down list. If "
    "you dont have 4 modems, then just leave the spare lines alone.";
inline constexpr std::string_view kFirstRunSpokenRestart =
    "When you have finished setting up your modems, click on the OK button below. This will re "
    "start the software with your new settings";

// The message box's text, its lines joined by CR LF.
std::string_view firstRunWelcomeText();

// When `firstrun` reads "True" (its default here): stores "False", speaks the welcome, shows it in
// an information box and, once the user closed the box, speaks how to finish. True when it ran.
bool firstRunWelcome();

}  // namespace settings
