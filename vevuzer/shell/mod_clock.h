// Small shared routines of the program: the Windows folder, a pause that keeps the program live,
// a text value in the registry, hanging up dial-up connections and the online test. Each wraps
// one platform call, returns a plain value and reports no error. UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/clock.h"
#include "platform/registry/registry.h"

namespace mod_clock {

// The Windows folder, without a trailing separator.
std::string GetWinDir();

// Returns after `seconds` seconds (0 to 255; less is 0, more is 255), letting every pending
// message, timer and control event run meanwhile, so the window stays live and handlers may run
// again inside the pause. Measured on the monotonic clock, so a pause across midnight or a change
// of the wall clock still ends on time.
void Pause(int seconds);

// The REG_SZ value `valueName` of `hKey`\`subKey`, up to its first NUL; `defaultText` when the
// key or value is missing or the value is of another type.
std::string RegReadString(HKEY hKey, std::string_view subKey, std::string_view valueName,
                          std::string_view defaultText = "");
// Stores `text` as the REG_SZ value, creating the key when missing; a failure changes nothing.
// Under the machine's Run key the value also writes (or, when empty, removes) the desktop's
// autostart entry for the program.
void RegWriteString(HKEY hKey, std::string_view subKey, std::string_view valueName,
                    std::string_view text);

// Hangs up every dial-up connection, without waiting for the lines to drop. This desktop has none.
void HangUpAllDialUp();

// True when the computer is online.
bool IsInternetConnected();

// The speaking clock: says the current time as one English sentence in 12-hour form, with
// normal priority (muted by the silence setting, as all speech is). The status timer calls it at
// the minutes its settings choose.
void saytime();
// The sentence for the time of `when`: "The time is midnight." at 00:00, else "The time is , "
// followed by the hour and minutes in words and numbers ("3 O clock. ", "1 minute past 3. ",
// "20 minutes past 3. ", "half past 3. ", "3 45. "); the hour after midnight is called 12.
std::string timeSentence(core::OleDate when);

}  // namespace mod_clock
