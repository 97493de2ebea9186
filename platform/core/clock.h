// The clock every layer reads. In a real run it is the system's; in a test that created a
// VirtualTime it is virtual and moves only when the test or a pumping wait moves it.
#pragma once

#include <cstdint>

#include "platform/core/win_types.h"

namespace core {

// An OLE date: days since 30 December 1899 (local time), the time of day as the fraction.
using OleDate = double;

OleDate now();
// Milliseconds on a monotonic clock; never goes back. Use it for every wait and time-out.
std::int64_t tickCount64();

struct DateParts {
    int year, month, day, hour, minute, second, millisecond;
};
OleDate oleDateFrom(const DateParts& parts);
DateParts datePartsOf(OleDate date);

}  // namespace core

// The Win32 calls of the same meaning.
DWORD GetTickCount();  // wraps after 49.7 days, as on Windows
// Blocks the calling thread. In virtual time it moves the clock instead, handling what falls due.
void Sleep(DWORD milliseconds);
