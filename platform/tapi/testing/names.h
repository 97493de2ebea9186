// Names of telephony constants, so test failures read "LINEERR_INVALCALLHANDLE", not a number.
#pragma once

#include <string>

#include "platform/tapi/tapi.h"

namespace tapi::testing {

std::string errorName(LONG code);            // 0 is "OK"; LINEERR_ and PHONEERR_ codes
std::string messageName(DWORD message);      // LINE_ and PHONE_ messages
std::string callStateName(DWORD state);      // LINECALLSTATE_ without the prefix
std::string devStateNames(DWORD bits);       // LINEDEVSTATE_ bits without the prefix, "|"-joined
std::string callInfoStateNames(DWORD bits);  // LINECALLINFOSTATE_ bits likewise
std::string privilegeName(DWORD privilege);  // OWNER, MONITOR, NONE
std::string phoneStateNames(DWORD bits);     // PHONESTATE_ bits

}  // namespace tapi::testing
