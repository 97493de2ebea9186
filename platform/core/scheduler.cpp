#include "platform/core/scheduler.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace core::detail {

namespace {

constexpr std::int64_t kVirtualTickStart = 1'000'000;
constexpr double kMsPerDay = 86'400'000.0;

// Lives on the Qt application's thread and runs the queue when the earliest deadline comes.
class QtWakeup : public QObject {
  public:
    explicit QtWakeup(QObject* parent) : QObject(parent) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [] {
            Scheduler::instance().countQtWakeup();
            Scheduler::instance().runPending();
            Scheduler::instance().armQtWakeup();
        });
    }
    // Follows the earliest deadline both ways: a cancelled earliest item must not wake the loop.
    void armFor(std::optional<std::int64_t> due) {
        if (!due) {
            m_timer.stop();
            return;
        }
        if (m_timer.isActive() && m_armedFor == *due)
            return;
        m_armedFor = *due;
        m_timer.start(
            static_cast<int>(std::clamp<std::int64_t>(*due - realTick(), 0, 24 * 3600 * 1000)));
    }

  private:
    QTimer m_timer;
    std::int64_t m_armedFor = 0;
};

QtWakeup* qtWakeup() {
    static QPointer<QtWakeup> wakeup;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    if (!wakeup)
        wakeup = new QtWakeup(app);  // dies with the application
    return wakeup;
}

}  // namespace

std::int64_t realTick() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Scheduler& Scheduler::instance() {
    static Scheduler* scheduler = new Scheduler;  // never destroyed: workers may post at exit
    return *scheduler;
}

std::int64_t Scheduler::tick() const {
    return m_virtual ? m_virtualTick.load() : realTick();
}

OleDate Scheduler::now() const {
    if (m_virtual) {
        return m_virtualStart + static_cast<double>(m_virtualTick - kVirtualTickStart) / kMsPerDay;
    }
    using namespace std::chrono;
    const auto nowMs = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(nowMs / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return oleDateFrom({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, static_cast<int>(nowMs % 1000)});
}

bool Scheduler::onUiThread() const {
    if (m_virtual)
        return std::this_thread::get_id() == m_virtualThread;
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// A queued task may own objects whose destructors post again: every task leaves the queue under
// the lock but is destroyed (and run) only after the lock is released.
void Scheduler::enableVirtual(OleDate start) {
    std::map<Key, Item> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_items);
        m_virtualStart = start;
        m_virtualTick = kVirtualTickStart;
        m_virtualThread = std::this_thread::get_id();
        m_virtual = true;
    }
}

void Scheduler::disableVirtual() {
    std::map<Key, Item> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_items);
        m_virtual = false;
    }
}

Scheduler::Key Scheduler::schedule(std::int64_t due, std::function<void()> task,
                                   std::string label) {
    Key key;
    {
        std::lock_guard lock(m_mutex);
        key = Key{due, m_nextSeq++};
        m_items.emplace(key, Item{std::move(task), std::move(label)});
    }
    m_changed.notify_all();
    if (!m_virtual)
        requestQtWakeup();
    return key;
}

void Scheduler::cancel(Key key) {
    Node node;
    bool wasEarliest = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_items.find(key);
        if (it == m_items.end())
            return;
        wasEarliest = it == m_items.begin();
        node = m_items.extract(it);
    }
    // Off the Qt thread the wake-up stays; it then finds nothing due and re-arms.
    if (wasEarliest && !m_virtual)
        armQtWakeup();
}

std::optional<Scheduler::Node> Scheduler::popDue(std::int64_t now, std::uint64_t seqLimit) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_items.begin(); it != m_items.end() && it->first.first <= now; ++it) {
        if (it->first.second < seqLimit)
            return m_items.extract(it);
    }
    return std::nullopt;
}

int Scheduler::runPending() {
    std::uint64_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_nextSeq;
    }
    int ran = 0;
    while (auto node = popDue(tick(), limit)) {
        node->mapped().task();
        ++ran;
    }
    // A pump outside the Qt timer may have run its deadline: move the timer on, not wake for it.
    if (ran > 0 && !m_virtual)
        armQtWakeup();
    return ran;
}

void Scheduler::advanceTo(std::int64_t target) {
    for (;;) {
        Node node;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_items.begin();
            if (it == m_items.end() || it->first.first > target)
                break;
            // The clock never goes back: an item that was due earlier runs at the current time.
            if (it->first.first > m_virtualTick)
                m_virtualTick = it->first.first;
            node = m_items.extract(it);
        }
        node.mapped().task();
    }
    if (m_virtualTick < target)
        m_virtualTick = target;
}

void Scheduler::runUntilIdle() {
    // A handler that re-posts itself forever would hang the test: stop and say so.
    for (int guard = 0; guard < 1'000'000; ++guard) {
        auto node = popDue(m_virtualTick, UINT64_MAX);
        if (!node)
            return;
        node->mapped().task();
    }
    std::fprintf(stderr, "core: runUntilIdle gave up; still queued:\n%s", describe().c_str());
}

void Scheduler::setVirtualTick(std::int64_t tick) {
    if (tick > m_virtualTick)
        m_virtualTick = tick;
}

void Scheduler::waitForWork(std::int64_t untilRealTick) {
    std::unique_lock lock(m_mutex);
    const std::uint64_t seen = m_nextSeq;
    const auto limit =
        std::chrono::steady_clock::time_point(std::chrono::milliseconds(untilRealTick));
    m_changed.wait_until(lock, limit, [&] { return m_nextSeq != seen; });
}

std::optional<std::int64_t> Scheduler::nextDue() const {
    std::lock_guard lock(m_mutex);
    if (m_items.empty())
        return std::nullopt;
    return m_items.begin()->first.first;
}

void Scheduler::addBackgroundWork(int delta) {
    {
        std::lock_guard lock(m_mutex);
        m_background += delta;
    }
    m_changed.notify_all();
}

int Scheduler::backgroundWork() const {
    std::lock_guard lock(m_mutex);
    return m_background;
}

std::string Scheduler::describe() const {
    std::lock_guard lock(m_mutex);
    std::ostringstream out;
    const std::int64_t now = tick();
    for (const auto& [key, item] : m_items) {
        out << "  at " << (key.first - now >= 0 ? "+" : "") << (key.first - now) << " ms (#"
            << key.second << "): " << item.label << "\n";
    }
    if (m_items.empty())
        out << "  nothing queued\n";
    return out.str();
}

void Scheduler::armQtWakeup() {
    QtWakeup* wakeup = qtWakeup();
    if (!wakeup || m_virtual)
        return;
    wakeup->armFor(nextDue());
}

void Scheduler::requestQtWakeup() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() == app->thread()) {
        armQtWakeup();
    } else {
        QMetaObject::invokeMethod(
            app, [] { Scheduler::instance().armQtWakeup(); }, Qt::QueuedConnection);
    }
}

}  // namespace core::detail
