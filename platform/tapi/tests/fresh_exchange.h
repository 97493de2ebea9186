// Resets the simulated exchange. A test declares one before the applications it starts, so they
// find the default devices and nothing an earlier test left behind.
#pragma once

#include "platform/tapi/exchange.h"

struct FreshExchange {
    FreshExchange() { tapi::exchange().reset(); }
};
