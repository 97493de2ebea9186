// Internal: what the exchange and the control socket may ask of the API layer.
#pragma once

#include <string>
#include <vector>

#include "platform/tapi/provider.h"

namespace tapi::detail {

struct LineUser {
    std::string appName;
    HLINE line = 0;
    DWORD privileges = 0;
    DWORD mediaModes = 0;
};
// The applications that have line `device` open, in the order they opened it.
std::vector<LineUser> lineUsers(DWORD device);
// How many applications hold a handle to the call, and how many of them own it.
void countHandles(CallId call, DWORD& owners, DWORD& monitors);

// The phone half of the API receives the provider's phone events through these.
void phoneStateEvent(DWORD device, DWORD state, DWORD details);
void phoneButtonEvent(DWORD device, DWORD buttonId, DWORD mode, DWORD state);
void phoneReplyEvent(RequestId request, LONG result);

// Shuts every application down and forgets every handle (a fresh start for tests).
void resetApi();
void resetPhoneApi();

}  // namespace tapi::detail
