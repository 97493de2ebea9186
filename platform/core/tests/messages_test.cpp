#include "platform/core/messages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/core/clock.h"
#include "platform/core/virtual_time.h"

using namespace std::chrono_literals;
using core::VirtualTime;

namespace {

using Trace = std::vector<std::string>;

// Records an event with the virtual time it happened at, relative to the start of the case.
struct Recorder {
    std::int64_t start = core::tickCount64();
    Trace trace;
    void operator()(const std::string& what) {
        trace.push_back(what + "@" + std::to_string(core::tickCount64() - start));
    }
};

struct OrderCase {
    const char* name;
    std::function<void(Recorder&, VirtualTime&)> run;
    Trace expected;
};

const std::vector<OrderCase>& orderCases() {
    static const std::vector<OrderCase> cases = {
        {"equal deadlines fire in start order",
         [](Recorder& rec, VirtualTime& time) {
             core::OneShot a, b;
             core::Timer t([&] { rec("T"); });
             a.start(100, [&] { rec("A"); });
             t.setInterval(100);
             b.start(100, [&] { rec("B"); });
             time.advance(100ms);
         },
         {"A@100", "T@100", "B@100"}},
        {"a message posted while handling waits for the next pump",
         [](Recorder& rec, VirtualTime&) {
             core::post([&] {
                 rec("X");
                 core::post([&] { rec("Y"); });
             });
             core::DoEvents();
             rec("pumped once");
             core::DoEvents();
         },
         {"X@0", "pumped once@0", "Y@0"}},
        {"a handler that pumps runs what was already queued",
         [](Recorder& rec, VirtualTime& time) {
             core::post([&] {
                 rec("A begins");
                 core::DoEvents();
                 rec("A ends");
             });
             core::post([&] { rec("B"); });
             time.runUntilIdle();
         },
         {"A begins@0", "B@0", "A ends@0"}},
        {"a timer re-armed in its own handler keeps the new interval",
         [](Recorder& rec, VirtualTime& time) {
             core::Timer t;
             t.setOnTimer([&] {
                 rec("T");
                 t.setInterval(50);
             });
             t.setInterval(100);
             time.advance(200ms);
         },
         {"T@100", "T@150", "T@200"}},
        {"a timer stopped in another's handler does not fire",
         [](Recorder& rec, VirtualTime& time) {
             core::Timer second([&] { rec("second"); });
             core::Timer first([&] {
                 rec("first");
                 second.setEnabled(false);
             });
             first.setInterval(100);
             second.setInterval(100);
             time.advance(250ms);
         },
         {"first@100", "first@200"}},
        {"setting the interval restarts the count and 0 stops",
         [](Recorder& rec, VirtualTime& time) {
             core::Timer t([&] { rec("T"); });
             t.setInterval(100);
             time.advance(90ms);
             t.setInterval(100);
             time.advance(90ms);
             rec("restarted");
             time.advance(10ms);
             t.setInterval(0);
             time.advance(500ms);
         },
         {"restarted@180", "T@190"}},
        {"a timer that fell behind fires once",
         [](Recorder& rec, VirtualTime& time) {
             core::Timer t([&] { rec("T"); });
             t.setInterval(100);
             time.stall(550ms);
             core::DoEvents();
             time.advance(100ms);
         },
         {"T@550", "T@650"}},
        {"a message to a destroyed window is dropped",
         [](Recorder& rec, VirtualTime& time) {
             auto window = std::make_unique<core::MessageWindow>([&](UINT m, WPARAM, LPARAM) {
                 rec("message " + std::to_string(m));
                 return LRESULT{0};
             });
             const HWND hwnd = window->hwnd();
             PostMessageA(hwnd, WM_USER + 1, 0, 0);
             time.runUntilIdle();
             PostMessageA(hwnd, WM_USER + 2, 0, 0);
             window.reset();
             time.runUntilIdle();
             rec(PostMessageA(hwnd, WM_USER + 3, 0, 0) ? "accepted" : "refused");
         },
         {"message 1025@0", "refused@0"}},
        {"a wait jumps to the event it waits for",
         [](Recorder& rec, VirtualTime&) {
             bool done = false;
             core::OneShot reply;
             reply.start(5000, [&] { done = true; });
             rec(core::pumpUntil([&] { return done; }, 60000) ? "replied" : "timed out");
             rec(core::pumpUntil([] { return false; }, 300) ? "replied" : "timed out");
         },
         {"replied@5000", "timed out@5300"}},
        {"a loop that pumps while watching the clock ends",
         [](Recorder& rec, VirtualTime&) {
             const auto start = core::tickCount64();
             while (core::tickCount64() - start < 250)
                 core::DoEvents();
             rec("loop ended");
         },
         {"loop ended@250"}},
        {"sleep runs what falls due",
         [](Recorder& rec, VirtualTime&) {
             core::OneShot a;
             a.start(30, [&] { rec("A"); });
             Sleep(100);
             rec("woke");
         },
         {"A@30", "woke@100"}},
    };
    return cases;
}

TEST(VirtualTimeOrder, Table) {
    for (const OrderCase& c : orderCases()) {
        SCOPED_TRACE(c.name);
        VirtualTime time;
        Recorder rec;
        c.run(rec, time);
        EXPECT_EQ(rec.trace, c.expected) << "still queued:\n" << time.pending();
    }
}

TEST(VirtualTime, ClockStandsStillAndAdvancesExactly) {
    VirtualTime time(core::oleDateFrom({2026, 3, 2, 23, 59, 59, 500}));
    const auto tick = core::tickCount64();
    EXPECT_EQ(core::tickCount64(), tick);
    time.advance(1000ms);
    EXPECT_EQ(core::tickCount64(), tick + 1000);
    const auto parts = core::datePartsOf(core::now());
    EXPECT_EQ(parts.day, 3);
    EXPECT_EQ(parts.hour, 0);
    EXPECT_EQ(parts.millisecond, 500);
}

TEST(VirtualTime, WaitsForOwedBackgroundWork) {
    VirtualTime time;
    std::atomic<bool> done = false;
    auto work = std::make_unique<core::BackgroundWork>();
    std::thread worker([&, w = std::move(work)]() mutable {
        std::this_thread::sleep_for(20ms);
        core::post([&] { done = true; });
        w.reset();
    });
    const auto start = core::tickCount64();
    EXPECT_TRUE(core::pumpUntil([&] { return done.load(); }, 1000));
    EXPECT_EQ(core::tickCount64(), start) << "the clock must not jump past owed work";
    worker.join();
}

// Posts a message from its destructor, as a sound player does when it closes its device.
struct PostsWhenDestroyed {
    explicit PostsWhenDestroyed(HWND window) : target(window) {}
    HWND target;
    ~PostsWhenDestroyed() { PostMessageA(target, WM_USER, 1, 0); }
};

// Queues a task owning the last reference to a poster, and a second task behind it.
void queueTaskOwningPoster(HWND target) {
    auto poster = std::make_shared<PostsWhenDestroyed>(target);
    core::post([poster = std::move(poster)] {});
    core::post([] {});
}

TEST(VirtualTime, TaskWhoseCaptureAPostsFromItsDestructor) {
    struct Case {
        const char* name;
        std::function<void(VirtualTime&)> drain;
    };
    const Case cases[] = {
        {"pump", [](VirtualTime&) { core::DoEvents(); }},
        {"advance", [](VirtualTime& time) { time.advance(10ms); }},
        {"run until idle", [](VirtualTime& time) { time.runUntilIdle(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualTime time;
        int received = 0;
        core::MessageWindow window([&](UINT, WPARAM, LPARAM) {
            ++received;
            return LRESULT{0};
        });
        queueTaskOwningPoster(window.hwnd());
        c.drain(time);
        time.runUntilIdle();
        EXPECT_EQ(received, 1) << "still queued:\n" << time.pending();
    }
}

// A stopped one-shot's handler leaves the queue at once; what it captured is freed unlocked, even
// when that posts again or owns the one-shot itself.
TEST(VirtualTime, StoppedOneShotFreesItsHandlerUnlocked) {
    struct Owner {
        core::OneShot shot;
    };
    VirtualTime time;
    int received = 0;
    core::MessageWindow window([&](UINT, WPARAM, LPARAM) {
        ++received;
        return LRESULT{0};
    });
    {
        core::OneShot shot;
        shot.start(100, [poster = std::make_shared<PostsWhenDestroyed>(window.hwnd())] {});
        shot.stop();
        EXPECT_EQ(received, 0) << "the post waits for the pump";
    }
    {
        auto owner = std::make_shared<Owner>();
        core::OneShot& shot = owner->shot;
        shot.start(100, [owner] {});
        owner.reset();
        shot.stop();  // frees the owner, and with it this one-shot
    }
    time.runUntilIdle();
    EXPECT_EQ(received, 1);
    EXPECT_EQ(time.pending(), "  nothing queued\n");
}

TEST(VirtualTime, EndingItDropsTasksWhoseCapturesPost) {
    struct PostsOnDrop {
        explicit PostsOnDrop(bool* flag) : dropped(flag) {}
        bool* dropped;
        ~PostsOnDrop() {
            *dropped = true;
            core::post([] {});
        }
    };
    bool dropped = false;
    {
        VirtualTime time;
        auto owned = std::make_shared<PostsOnDrop>(&dropped);
        core::post([owned = std::move(owned)] {});
    }
    EXPECT_TRUE(dropped);
}

TEST(MessageWindow, HandlerOwningAnotherWindowClosesIt) {
    auto inner = std::make_shared<core::MessageWindow>([](UINT, WPARAM, LPARAM) { return 0; });
    const HWND innerHwnd = inner->hwnd();
    {
        core::MessageWindow outer(
            [inner = std::move(inner)](UINT, WPARAM, LPARAM) { return LRESULT{0}; });
        EXPECT_TRUE(IsWindow(innerHwnd));
    }
    EXPECT_FALSE(IsWindow(innerHwnd));
}

// The same interface in real time, without and with a Qt event loop.
void realTimeSmoke() {
    bool fired = false;
    core::OneShot shot;
    shot.start(20, [&] { fired = true; });
    EXPECT_TRUE(core::pumpUntil([&] { return fired; }, 5000));

    std::atomic<bool> received = false;
    core::MessageWindow window([&](UINT, WPARAM w, LPARAM) {
        received = (w == 7);
        return LRESULT{0};
    });
    std::thread poster([hwnd = window.hwnd()] {
        std::this_thread::sleep_for(10ms);
        PostMessageA(hwnd, WM_USER, 7, 0);
    });
    EXPECT_TRUE(core::pumpUntil([&] { return received.load(); }, 5000));
    poster.join();

    std::atomic<int> fromDestructor = 0;
    core::MessageWindow target([&](UINT, WPARAM, LPARAM) {
        ++fromDestructor;
        return LRESULT{0};
    });
    queueTaskOwningPoster(target.hwnd());
    EXPECT_TRUE(core::pumpUntil([&] { return fromDestructor.load() == 1; }, 5000));

    const auto start = core::tickCount64();
    EXPECT_FALSE(core::pumpUntil([] { return false; }, 30));
    EXPECT_GE(core::tickCount64() - start, 30);
}

TEST(RealTime, PumpWithoutQt) {
    realTimeSmoke();
}

TEST(RealTime, PumpWithQtEventLoop) {
    int argc = 1;
    char name[] = "core_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    realTimeSmoke();
}

// In a real run the event loop wakes for the deadlines timers still ask for, never for one that a
// restart, a stop or a destruction took back.
TEST(RealTime, QtLoopWakesOnlyForLiveDeadlines) {
    int argc = 1;
    char name[] = "core_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    struct Timers {
        core::Timer first;
        core::Timer second;
        core::OneShot shot;
    };
    struct Case {
        const char* name;
        std::function<void(Timers&)> arm;
        std::uint64_t liveDeadlines;  // before the loop ends at 90 ms
    };
    const Case cases[] = {
        {"timer restarted for later",
         [](Timers& t) {
             t.first.setInterval(20);
             t.first.setInterval(500);
         },
         0},
        {"timer stopped by interval 0",
         [](Timers& t) {
             t.first.setInterval(20);
             t.first.setInterval(0);
         },
         0},
        {"timer disabled",
         [](Timers& t) {
             t.first.setInterval(20);
             t.first.setEnabled(false);
         },
         0},
        {"timer destroyed",
         [](Timers&) {
             core::Timer gone;
             gone.setInterval(20);
         },
         0},
        {"one-shot stopped",
         [](Timers& t) {
             t.shot.start(20, [] {});
             t.shot.stop();
         },
         0},
        {"one-shot started again for later",
         [](Timers& t) {
             t.shot.start(20, [] {});
             t.shot.start(500, [] {});
         },
         0},
        // The main window's shape: a slow timer whose handler restarts a faster one (40, 60).
        {"timer restarted by another's handler",
         [](Timers& t) {
             t.second.setInterval(40);
             t.first.setOnTimer([&t] { t.second.setInterval(40); });
             t.first.setInterval(60);
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Timers timers;
        const std::uint64_t before = core::queueWakeups();
        c.arm(timers);
        QEventLoop loop;
        QTimer::singleShot(90, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        // At most: a loop held up by a loaded machine may meet two deadlines in one wake-up.
        EXPECT_LE(core::queueWakeups() - before, c.liveDeadlines) << "still queued:\n"
                                                                  << core::describePending();
    }
}

}  // namespace
