// An entry of the main window's call list ("3: 01632 960123, ANN SMITH, ...") read back into the
// caller's number and name, for the list's menu that adds a caller to the address book or blocks
// them.
#pragma once

#include <string>
#include <string_view>

namespace vevuzer {

struct CallListCaller {
    std::string number;  // the field after the first ":", every blank left out
    std::string name;    // the field after it, as shown
};

// Every scan stops at the end of the entry: a status line without a colon gives nothing.
CallListCaller parseCallListEntry(std::string_view entry);

}  // namespace vevuzer
