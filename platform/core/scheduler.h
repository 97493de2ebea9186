// Internal: the one queue of timed work and the clock behind clock.h, messages.h and
// virtual_time.h. Not for use outside platform/core.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/core/clock.h"

namespace core::detail {

class Scheduler {
  public:
    using Key = std::pair<std::int64_t, std::uint64_t>;  // due tick, then queue order

    static Scheduler& instance();

    std::int64_t tick() const;
    OleDate now() const;
    bool isVirtual() const { return m_virtual; }
    bool onUiThread() const;

    void enableVirtual(OleDate start);
    void disableVirtual();

    // Queues `task` to run at tick `due`; the key lets its owner cancel it. Safe from any thread.
    Key schedule(std::int64_t due, std::function<void()> task, std::string label);
    // Drops a queued item (and destroys it, unlocked) so that nothing wakes for its deadline. An
    // item already taken to run, or cancelled before, is left alone.
    void cancel(Key key);

    // Runs the items due now that were queued before this call; returns how many ran.
    int runPending();
    // Runs items due at or before `target` (virtual time only), moving the clock to each deadline.
    void advanceTo(std::int64_t target);
    // Runs items due now, including those queued meanwhile (virtual time only).
    void runUntilIdle();
    void setVirtualTick(std::int64_t tick);

    // Blocks in real time until something is queued or `until` (a steady-clock tick) passes.
    void waitForWork(std::int64_t untilRealTick);
    std::optional<std::int64_t> nextDue() const;

    void addBackgroundWork(int delta);
    int backgroundWork() const;

    std::string describe() const;

    // Qt integration of a real run: keeps a Qt timer armed at the earliest deadline, or stopped
    // when nothing is queued. Does nothing off the Qt application's thread.
    void armQtWakeup();
    // How often that Qt timer has fired: what wakes an idle program, for tests and benches.
    std::uint64_t qtWakeups() const { return m_qtWakeups; }
    void countQtWakeup() { ++m_qtWakeups; }

  private:
    Scheduler() = default;
    struct Item {
        std::function<void()> task;
        std::string label;
    };
    using Node = std::map<Key, Item>::node_type;
    // Takes the item out under the lock; the caller runs and destroys it with the lock released.
    std::optional<Node> popDue(std::int64_t now, std::uint64_t seqLimit);
    void requestQtWakeup();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<Key, Item> m_items;
    std::uint64_t m_nextSeq = 0;
    int m_background = 0;
    std::atomic<std::uint64_t> m_qtWakeups = 0;

    std::atomic<bool> m_virtual = false;
    std::atomic<std::int64_t> m_virtualTick = 0;
    OleDate m_virtualStart = 0;
    std::thread::id m_virtualThread;
};

std::int64_t realTick();

}  // namespace core::detail
