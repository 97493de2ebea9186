#include "platform/core/messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/core/scheduler.h"

namespace core {

namespace {

using detail::Scheduler;

// Window handles are ids that are never reused, so a late message cannot reach a newer window.
struct WindowTable {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<MessageWindow::Handler>> handlers;
    std::uintptr_t nextId = 1;

    std::shared_ptr<MessageWindow::Handler> find(HWND window) {
        std::lock_guard lock(mutex);
        auto it = handlers.find(reinterpret_cast<std::uintptr_t>(window));
        return it == handlers.end() ? nullptr : it->second;
    }
};

WindowTable& windows() {
    static WindowTable* table = new WindowTable;  // outlives every static window
    return *table;
}

std::string hexLabel(const char* what, UINT message, HWND window) {
    char text[96];
    std::snprintf(text, sizeof text, "%s 0x%04X to window %lu", what, message,
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

bool qtOnThisThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

MessageWindow::MessageWindow(Handler handler) {
    auto& table = windows();
    std::lock_guard lock(table.mutex);
    const std::uintptr_t id = table.nextId++;
    table.handlers.emplace(id, std::make_shared<Handler>(std::move(handler)));
    m_hwnd = reinterpret_cast<HWND>(id);
}

MessageWindow::~MessageWindow() {
    auto& table = windows();
    std::shared_ptr<Handler> handler;  // its captures may close other windows: freed unlocked
    {
        std::lock_guard lock(table.mutex);
        auto it = table.handlers.find(reinterpret_cast<std::uintptr_t>(m_hwnd));
        if (it == table.handlers.end())
            return;
        handler = std::move(it->second);
        table.handlers.erase(it);
    }
}

void post(std::function<void()> task) {
    auto& scheduler = Scheduler::instance();
    scheduler.schedule(scheduler.tick(), std::move(task), "posted task");
}

// ---- Timer ----

struct Timer::State {
    std::function<void()> onTimer;
    DWORD interval = 0;
    bool enabled = true;
    std::uint64_t generation = 0;  // bumped on every restart; older firings are ignored
    // The firing in the queue, dropped on a restart so the loop never wakes for its deadline.
    std::optional<Scheduler::Key> queued;
};

namespace {

void scheduleTimer(const std::shared_ptr<Timer::State>& state, std::int64_t due);

template <typename State>
void fireTimer(const std::weak_ptr<State>& weak, std::uint64_t generation, std::int64_t due) {
    auto state = weak.lock();
    if (!state || state->generation != generation)
        return;
    // Re-arm before the handler runs, so a handler that changes the timer wins. A timer that fell
    // behind (a stalled thread) fires once and then keeps its rhythm from now.
    const std::int64_t now = Scheduler::instance().tick();
    std::int64_t next = due + state->interval;
    if (next <= now)
        next = now + state->interval;
    scheduleTimer(state, next);
    auto handler = state->onTimer;  // the handler may destroy the timer
    if (handler)
        handler();
}

void scheduleTimer(const std::shared_ptr<Timer::State>& state, std::int64_t due) {
    std::weak_ptr<Timer::State> weak = state;
    const std::uint64_t generation = state->generation;
    state->queued = Scheduler::instance().schedule(
        due, [weak, generation, due] { fireTimer(weak, generation, due); },
        "timer every " + std::to_string(state->interval) + " ms");
}

void cancelQueued(Timer::State& state) {
    if (auto key = std::exchange(state.queued, std::nullopt))
        Scheduler::instance().cancel(*key);
}

void restart(const std::shared_ptr<Timer::State>& state) {
    ++state->generation;
    cancelQueued(*state);
    if (state->enabled && state->interval > 0) {
        scheduleTimer(state, Scheduler::instance().tick() + state->interval);
    }
}

}  // namespace

Timer::Timer(std::function<void()> onTimer) : m_state(std::make_shared<State>()) {
    m_state->onTimer = std::move(onTimer);
}

Timer::~Timer() {
    ++m_state->generation;
    cancelQueued(*m_state);
}

void Timer::setOnTimer(std::function<void()> onTimer) {
    m_state->onTimer = std::move(onTimer);
}

void Timer::setInterval(DWORD milliseconds) {
    m_state->interval = milliseconds;
    restart(m_state);
}

DWORD Timer::interval() const {
    return m_state->interval;
}

void Timer::setEnabled(bool enabled) {
    m_state->enabled = enabled;
    restart(m_state);
}

bool Timer::enabled() const {
    return m_state->enabled;
}

// ---- OneShot ----

struct OneShot::Pending {
    bool live = true;
    Scheduler::Key queued;
};

OneShot::~OneShot() {
    stop();
}

void OneShot::start(DWORD milliseconds, std::function<void()> onTimer) {
    stop();
    auto pending = std::make_shared<Pending>();
    std::weak_ptr<Pending> weak = pending;
    auto& scheduler = Scheduler::instance();
    pending->queued = scheduler.schedule(
        scheduler.tick() + milliseconds,
        [weak, onTimer = std::move(onTimer)] {
            auto pending = weak.lock();
            if (!pending || !pending->live)
                return;
            pending->live = false;
            onTimer();
        },
        "one-shot after " + std::to_string(milliseconds) + " ms");
    m_pending = std::move(pending);
}

void OneShot::stop() {
    if (!m_pending)
        return;
    const bool queued = m_pending->live;
    m_pending->live = false;
    const Scheduler::Key key = m_pending->queued;
    m_pending.reset();
    // Last: the dropped handler's captures may own this one-shot.
    if (queued)
        Scheduler::instance().cancel(key);
}

bool OneShot::active() const {
    return m_pending && m_pending->live;
}

// ---- Pumping ----

namespace {

// Virtual time with nothing due: wait for a worker's post if one is owed, else jump the clock.
void idleVirtual(Scheduler& scheduler, std::int64_t deadline) {
    if (scheduler.backgroundWork() > 0) {
        scheduler.waitForWork(detail::realTick() + 50);
        return;
    }
    const auto next = scheduler.nextDue();
    scheduler.setVirtualTick(next ? std::min(*next, deadline) : deadline);
}

void processQtEvents(bool wait) {
    if (!qtOnThisThread())
        return;
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

}  // namespace

void DoEvents() {
    auto& scheduler = Scheduler::instance();
    processQtEvents(false);
    if (scheduler.runPending() > 0 || !scheduler.isVirtual())
        return;
    idleVirtual(scheduler, scheduler.tick() + 1);
    scheduler.runPending();
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    auto& scheduler = Scheduler::instance();
    const std::int64_t deadline = scheduler.tick() + timeoutMs;
    // In a real run with Qt, a queued no-op at the deadline wakes the event loop in time.
    OneShot wakeAtDeadline;
    if (!scheduler.isVirtual() && qtOnThisThread())
        wakeAtDeadline.start(timeoutMs, [] {});
    for (;;) {
        if (done())
            return true;
        if (scheduler.tick() >= deadline)
            return done();
        if (scheduler.isVirtual()) {
            processQtEvents(false);
            if (scheduler.runPending() == 0)
                idleVirtual(scheduler, deadline);
        } else if (qtOnThisThread()) {
            scheduler.runPending();
            if (done())
                return true;
            processQtEvents(true);
        } else if (scheduler.runPending() == 0) {
            const auto next = scheduler.nextDue();
            scheduler.waitForWork(detail::realTick() +
                                  (next ? std::min(*next, deadline) : deadline) - scheduler.tick());
        }
    }
}

BackgroundWork::BackgroundWork() {
    Scheduler::instance().addBackgroundWork(1);
}
BackgroundWork::~BackgroundWork() {
    Scheduler::instance().addBackgroundWork(-1);
}

std::string describePending() {
    return Scheduler::instance().describe();
}

std::uint64_t queueWakeups() {
    return Scheduler::instance().qtWakeups();
}

}  // namespace core

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!core::windows().find(window))
        return FALSE;
    auto& scheduler = core::Scheduler::instance();
    scheduler.schedule(
        scheduler.tick(),
        [=] {
            // Looked up again: the window may have gone while the message waited.
            if (auto handler = core::windows().find(window))
                (*handler)(message, wParam, lParam);
        },
        core::hexLabel("message", message, window));
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto handler = core::windows().find(window);
    return handler ? (*handler)(message, wParam, lParam) : 0;
}

BOOL IsWindow(HWND window) {
    return core::windows().find(window) ? TRUE : FALSE;
}
