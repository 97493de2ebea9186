// Virtual time for tests. While a VirtualTime exists, the process clock is virtual: it stands still
// until the test (or a pumping wait, or Sleep) moves it, and everything queued runs at once, in
// order, deterministically. Create it before anything reads the clock; destroying it returns the
// process to real time and drops what is still queued.
#pragma once

#include <chrono>
#include <string>

#include "platform/core/clock.h"

namespace core {

class VirtualTime {
  public:
    // The virtual clock starts at `start` (local time) with a tick count of 1,000,000 ms.
    explicit VirtualTime(OleDate start = oleDateFrom({2026, 3, 2, 9, 0, 0, 0}));
    ~VirtualTime();
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    // Runs everything due up to now + `by`, in order, each handler seeing the clock at its own
    // deadline, and stops with the clock exactly at the target.
    void advance(std::chrono::milliseconds by);
    // Runs posted messages and due timers, including those they queue, without moving the clock.
    void runUntilIdle();
    // Moves the clock and runs nothing: a stalled UI thread.
    void stall(std::chrono::milliseconds by);

    std::string pending() const;
};

bool virtualTimeActive();

}  // namespace core
