// The e-mail notification of a call: one message saying who rang and when. UI thread only.
#pragma once

#include <string_view>

namespace vevuzer {

// Notifies the user by e-mail of a call from `number` (`name` as the network sent it). Returns at
// once, sending nothing, unless the setting `email` is "True". Runs inside its caller, which waits
// for it; a failure is shown or logged, never returned.
void sendmail(std::string_view number, std::string_view name);

}  // namespace vevuzer
