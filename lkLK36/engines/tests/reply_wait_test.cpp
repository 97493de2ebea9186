// Waiting for asynchronous TAPI replies, and the pumping delay, in virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/tapi.h"

namespace {

using namespace std::chrono_literals;

// The part of a Line or Phone engine that waits.
class Engine : public TestControl {
  public:
    TlkTAPI TAPI{*this};
};

class ReplyWait : public ::testing::Test {
  protected:
    std::int64_t elapsed() const { return core::tickCount64() - m_start; }

    OwnProgramFolder folder;
    core::VirtualTime time;
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    core::OneShot later;

  private:
    std::int64_t m_start = core::tickCount64();
};

TEST_F(ReplyWait, RequestNotPendingNeedsNoWait) {
    const TlkReply reply = engine->TAPI.WaitForReply(7);
    EXPECT_TRUE(reply.succeeded());
    EXPECT_EQ(elapsed(), 0);
}

TEST_F(ReplyWait, EndsWithTheRepliesOwnResult) {
    struct Case {
        LONG result;
        int replyAfterMs;
    };
    static constexpr Case cases[] = {{0, 40}, {LINEERR_OPERATIONFAILED, 120}};
    engine->TAPI.ReplyTimeout = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        const std::int64_t start = core::tickCount64();
        engine->TAPI.expectReply(5);
        later.start(c.replyAfterMs, [&] { engine->TAPI.replyArrived(5, c.result); });
        const TlkReply reply = engine->TAPI.WaitForReply(5);
        EXPECT_EQ(reply.outcome, TlkReplyOutcome::Replied);
        EXPECT_EQ(reply.result, c.result);
        // A failed reply ends the wait at once, not at the time-out.
        EXPECT_EQ(core::tickCount64() - start, c.replyAfterMs);
        EXPECT_FALSE(engine->TAPI.isPending(5));
    }
}

TEST_F(ReplyWait, TimesOutAndTheLateReplyStillClearsTheRequest) {
    engine->TAPI.ReplyTimeout = 250;
    engine->TAPI.expectReply(9);
    EXPECT_FALSE(engine->TAPI.replyArrived(8, 0));  // not this control's request
    const TlkReply reply = engine->TAPI.WaitForReply(9);
    EXPECT_EQ(reply.outcome, TlkReplyOutcome::TimedOut);
    EXPECT_EQ(elapsed(), 250);
    EXPECT_TRUE(engine->TAPI.isPending(9));
    EXPECT_TRUE(engine->TAPI.replyArrived(9, 0));
    EXPECT_FALSE(engine->TAPI.isPending(9));
}

TEST_F(ReplyWait, NoTimeOutGivesUpAtTheFirstCheck) {
    for (LONG timeout : {0, -5}) {
        SCOPED_TRACE(timeout);
        engine->TAPI.ReplyTimeout = timeout;
        engine->TAPI.expectReply(3);
        bool pumped = false;
        core::post([&] { pumped = true; });
        EXPECT_EQ(engine->TAPI.WaitForReply(3).outcome, TlkReplyOutcome::TimedOut);
        EXPECT_FALSE(pumped);
        time.runUntilIdle();
    }
}

TEST_F(ReplyWait, ControlDestroyedDuringTheWaitEndsItUntouched) {
    engine->TAPI.ReplyTimeout = 60000;
    engine->TAPI.expectReply(11);
    later.start(30, [&] { engine.reset(); });  // a container's handler releases the control
    TlkTAPI& tapi = engine->TAPI;
    const TlkReply reply = tapi.WaitForReply(11);
    EXPECT_EQ(reply.outcome, TlkReplyOutcome::Abandoned);
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(elapsed(), 30);
}

TEST_F(ReplyWait, DeviceClosedDuringTheWaitAbandonsIt) {
    engine->TAPI.expectReply(12);
    later.start(10, [&] { engine->TAPI.abandonReplies(); });
    EXPECT_EQ(engine->TAPI.WaitForReply(12).outcome, TlkReplyOutcome::Abandoned);
    EXPECT_FALSE(engine->TAPI.replyArrived(12, 0));
}

TEST_F(ReplyWait, DelayPumpsForItsWholeTime) {
    int ticks = 0;
    core::Timer timer([&] { ++ticks; });
    timer.setInterval(100);
    EXPECT_TRUE(DelayPumping(450, engine->lifeGuard()));
    EXPECT_EQ(elapsed(), 450);
    EXPECT_EQ(ticks, 4);
    EXPECT_TRUE(DelayPumping(0));
    EXPECT_TRUE(DelayPumping(-3));
    EXPECT_EQ(elapsed(), 450);
}

TEST_F(ReplyWait, DelayEndsWhenItsControlIsDestroyed) {
    later.start(20, [&] { engine.reset(); });
    EXPECT_FALSE(DelayPumping(1000, engine->lifeGuard()));
    EXPECT_EQ(elapsed(), 20);
}

}  // namespace
