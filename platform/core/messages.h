// The UI thread's message machinery: message targets (hidden windows), posted messages, VB-style
// timers, one-shot timers and the pump.
//
// Everything queued here runs on the UI thread when it pumps: from Qt's event loop in a real run,
// from DoEvents / pumpUntil inside a wait, or from VirtualTime in a test. Items run in order of
// their due time; items due at the same time run in the order they were queued. Anything queued
// while an item runs waits for the next pump. A message to a target that no longer exists is
// dropped. Posting is safe from any thread; everything else belongs to the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/win_types.h"

namespace core {

// A hidden window: an HWND that receives posted and sent messages.
class MessageWindow {
  public:
    using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit MessageWindow(Handler handler);
    ~MessageWindow();  // messages still queued for it are dropped
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }

  private:
    HWND m_hwnd;
};

// Queues a task for the UI thread, as a message without a window. Safe from any thread.
void post(std::function<void()> task);

// A repeating timer with Visual Basic's rules: `Enabled` is true and `Interval` 0 at creation, so
// it fires only once an interval is set. Setting `Interval` (even to the same value) or enabling it
// restarts the count; `Interval` 0 or disabling stops it. A timer that fell behind fires once, not
// once per missed interval. Destroying it, or stopping it inside any handler, cancels what is due.
class Timer {
  public:
    explicit Timer(std::function<void()> onTimer = {});
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTimer(std::function<void()> onTimer);
    void setInterval(DWORD milliseconds);
    DWORD interval() const;
    void setEnabled(bool enabled);
    bool enabled() const;

    struct State;  // opaque; shared with the queued firings so they can outlive the timer

  private:
    std::shared_ptr<State> m_state;
};

// A timer that fires once. Starting it again replaces the pending firing.
class OneShot {
  public:
    OneShot() = default;
    ~OneShot();
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;

    void start(DWORD milliseconds, std::function<void()> onTimer);
    void stop();
    bool active() const;

    struct Pending;  // opaque; shared with the queued firing

  private:
    std::shared_ptr<Pending> m_pending;
};

// Handles what is pending now and returns (Visual Basic's DoEvents). In virtual time, a DoEvents
// that finds nothing to do moves the clock to the next deadline (or by 1 ms when none is set), so
// a loop that pumps while watching the clock always ends.
void DoEvents();

// Pumps until `done()` is true or `timeoutMs` have passed on the monotonic clock; returns done().
// It waits without spinning in a real run and jumps from event to event in virtual time.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Held by a layer while one of its worker threads will post a result. In virtual time the pump then
// waits for that post in real time instead of jumping the clock past it.
class BackgroundWork {
  public:
    BackgroundWork();
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;
};

// What is queued, one line per item, for the failure messages of timing tests.
std::string describePending();

// How often, in a real run, the Qt event loop has woken for a queued deadline: for tests and
// benches of idle wake-ups.
std::uint64_t queueWakeups();

}  // namespace core

// The Win32 calls of the same meaning. PostMessageA is safe from any thread and returns FALSE for
// a window that does not exist. SendMessageA calls the window's handler at once, on this thread.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND window);

inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_TIMER = 0x0113;
