#include "vevuzer/records/call_list_entry.h"

namespace vevuzer {

CallListCaller parseCallListEntry(std::string_view entry) {
    CallListCaller caller;
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos)
        return caller;
    std::size_t at = colon + 1;
    for (; at < entry.size() && entry[at] != ','; ++at) {
        if (entry[at] != ' ')
            caller.number.push_back(entry[at]);
    }
    if (at < entry.size())
        ++at;
    for (; at < entry.size() && entry[at] != ','; ++at)
        caller.name.push_back(entry[at]);
    return caller;
}

}  // namespace vevuzer
