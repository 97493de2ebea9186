// The delivery contract of the line API over the simulated exchange, in virtual time: what an
// application receives, in which order, when, and what it never receives.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/testing/names.h"
#include "platform/tapi/testing/recording_app.h"

using namespace std::chrono_literals;
using tapi::exchange;
using tapi::IncomingCall;
using tapi::ReplyPolicy;
using tapi::testing::errorName;
using tapi::testing::RecordingApp;
using Trace = std::vector<std::string>;

namespace {

class LineContract : public ::testing::Test {
  protected:
    LineContract() { exchange().reset(); }

    // Opens line `device` as owner and monitor of voice calls, with RINGING reported.
    static HLINE openWithRinging(RecordingApp& app, DWORD device = 0) {
        const HLINE line = app.open(device);
        EXPECT_NE(line, 0u) << errorName(app.lastError());
        EXPECT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
        return line;
    }

    static IncomingCall caller(const char* number = "01632960123", const char* name = "ANN SMITH") {
        IncomingCall c;
        c.number = number;
        c.name = name;
        return c;
    }

    // Runs the pump to the end of what is due now, then hands over what the app received.
    Trace pumped(RecordingApp& app) {
        time.runUntilIdle();
        return app.take();
    }

    core::VirtualTime time;
};

TEST_F(LineContract, IncomingCallIsOfferedThenRingsThenShowsTheCallerThenEnds) {
    RecordingApp app;
    openWithRinging(app);
    IncomingCall c = caller();
    c.ringIntervalMs = 5000;
    c.callerIdDelayMs = 1500;
    exchange().ring(0, c);
    time.advance(11000ms);
    exchange().hangup(0);
    time.runUntilIdle();
    EXPECT_EQ(app.takeTimed(), (Trace{
                                   "LINE_APPNEWCALL l1 c1 OWNER@0",
                                   "LINE_CALLSTATE c1 OFFERING OWNER@0",
                                   "LINE_LINEDEVSTATE l1 RINGING 0@0",
                                   "LINE_CALLINFO c1 CALLERID@1500",
                                   "LINE_LINEDEVSTATE l1 RINGING 1@5000",
                                   "LINE_LINEDEVSTATE l1 RINGING 2@10000",
                                   "LINE_CALLSTATE c1 DISCONNECTED@11000",
                                   "LINE_CALLSTATE c1 IDLE@11000",
                               }));
    EXPECT_TRUE(RecordingApp::strays().empty());
}

TEST_F(LineContract, NothingIsDeliveredBeforeThePumpRuns) {
    RecordingApp app;
    openWithRinging(app);
    exchange().ring(0, caller());
    EXPECT_TRUE(app.trace().empty()) << "delivered inside the call that caused it";
    time.runUntilIdle();
    const HCALL call = app.call(1);
    ASSERT_NE(call, 0u);
    app.take();

    const LONG id = lineAnswer(call, nullptr, 0);
    EXPECT_GT(id, 0) << errorName(id);
    EXPECT_TRUE(app.trace().empty() || app.take().empty()) << "reply delivered inside lineAnswer";
    EXPECT_EQ(pumped(app),
              (Trace{"LINE_REPLY " + app.request(id) + " OK", "LINE_CALLSTATE c1 CONNECTED"}));
}

TEST_F(LineContract, RingingIsReportedOnlyWhenEnabled) {
    RecordingApp app;
    app.open(0);
    exchange().ring(0, caller());
    time.advance(6000ms);
    EXPECT_EQ(app.take(), (Trace{"LINE_APPNEWCALL l1 c1 OWNER", "LINE_CALLSTATE c1 OFFERING OWNER",
                                 "LINE_CALLINFO c1 CALLERID"}));
}

TEST_F(LineContract, OwnerAndMonitorEachGetTheirOwnHandleAndInstance) {
    RecordingApp owner("owner");
    RecordingApp monitor("monitor");
    owner.open(0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE);
    monitor.open(0, LINECALLPRIVILEGE_MONITOR, 0);
    exchange().ring(0, caller());
    time.runUntilIdle();
    EXPECT_EQ(owner.take(),
              (Trace{"LINE_APPNEWCALL l1 c1 OWNER", "LINE_CALLSTATE c1 OFFERING OWNER"}));
    EXPECT_EQ(monitor.take(),
              (Trace{"LINE_APPNEWCALL l1 c1 MONITOR", "LINE_CALLSTATE c1 OFFERING MONITOR"}));
    EXPECT_NE(owner.call(1), monitor.call(1));
    EXPECT_TRUE(RecordingApp::strays().empty()) << "a message came with the wrong instance";
}

TEST_F(LineContract, AnOwnerOfAnotherMediaModeIsOnlyOfferedWhatItOpenedFor) {
    RecordingApp fax("fax");
    fax.open(0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_G3FAX);
    exchange().ring(0, caller());
    time.runUntilIdle();
    EXPECT_TRUE(fax.take().empty());
}

TEST_F(LineContract, ReplyComesAfterTheCallWentIdleAndWasDeallocated) {
    RecordingApp app;
    app.open(0);
    ReplyPolicy idleFirst;
    idleFirst.stateChangeBeforeReply = true;
    exchange().setReplyPolicy("lineDrop", idleFirst);
    exchange().ring(0, caller());
    time.runUntilIdle();
    app.take();
    const HCALL call = app.call(1);
    // The application deallocates the call as soon as it sees IDLE, as the line engine does.
    app.onMessage = [&](const tapi::testing::Received& r) {
        if (r.message == LINE_CALLSTATE && r.param1 == LINECALLSTATE_IDLE) {
            EXPECT_EQ(lineDeallocateCall(static_cast<HCALL>(r.device)), 0);
        }
    };
    const LONG id = lineDrop(call, nullptr, 0);
    ASSERT_GT(id, 0) << errorName(id);
    EXPECT_EQ(pumped(app),
              (Trace{"LINE_CALLSTATE c1 IDLE", "LINE_REPLY " + app.request(id) + " OK"}));
    EXPECT_EQ(lineGetCallStatus(call, nullptr), LINEERR_INVALCALLHANDLE);
}

TEST_F(LineContract, NothingReachesADeallocatedCallOrAClosedLineOrAShutDownApp) {
    struct Case {
        const char* name;
        std::function<void(RecordingApp&, HLINE, HCALL)> act;
        Trace expected;
    };
    const Case cases[] = {
        {"deallocated call", [](RecordingApp&, HLINE, HCALL c) { lineDeallocateCall(c); }, {}},
        {"closed line", [](RecordingApp&, HLINE l, HCALL) { lineClose(l); }, {}},
        {"shut down", [](RecordingApp& a, HLINE, HCALL) { a.shutdown(); }, {}},
        {"nothing done",
         [](RecordingApp&, HLINE, HCALL) {},
         {"LINE_CALLSTATE c1 DISCONNECTED", "LINE_CALLSTATE c1 IDLE"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        exchange().reset();
        RecordingApp app;
        const HLINE line = app.open(0);
        exchange().ring(0, caller());
        time.runUntilIdle();
        app.take();
        // Messages for the call are queued, then the application acts before it pumps.
        exchange().hangup(0);
        row.act(app, line, app.call(1));
        EXPECT_EQ(pumped(app), row.expected);
    }
}

TEST_F(LineContract, MakeCallWritesTheHandleJustBeforeItsReplyAndNothingComesEarlier) {
    RecordingApp app;
    const HLINE line = app.open(0);
    ReplyPolicy stateFirst;
    stateFirst.stateChangeBeforeReply = true;
    exchange().setReplyPolicy("lineMakeCall", stateFirst);
    HCALL cell = 0xDEADBEEF;
    std::vector<HCALL> cellAtMessage;
    app.onMessage = [&](const tapi::testing::Received&) { cellAtMessage.push_back(cell); };
    const LONG id = lineMakeCall(line, &cell, "01632960999", 0, nullptr);
    ASSERT_GT(id, 0) << errorName(id);
    EXPECT_EQ(cell, 0xDEADBEEFu) << "the handle was written before the reply";
    EXPECT_EQ(pumped(app),
              (Trace{"LINE_REPLY " + app.request(id) + " OK", "LINE_CALLSTATE c1 DIALTONE"}));
    ASSERT_EQ(cellAtMessage.size(), 2u);
    EXPECT_NE(cellAtMessage[0], 0xDEADBEEFu) << "the handle was not there when the reply came";
    EXPECT_EQ(app.call(1), cell);
}

TEST_F(LineContract, FailedMakeCallWritesNothingAndShowsNoCall) {
    RecordingApp app;
    const HLINE line = app.open(0);
    ReplyPolicy fail;
    fail.result = LINEERR_OPERATIONFAILED;
    fail.delayMs = 300;
    exchange().setReplyPolicy("lineMakeCall", fail);
    HCALL cell = 0xDEADBEEF;
    const LONG id = lineMakeCall(line, &cell, "01632960999", 0, nullptr);
    ASSERT_GT(id, 0);
    time.advance(1000ms);
    EXPECT_EQ(app.take(), (Trace{"LINE_REPLY " + app.request(id) + " LINEERR_OPERATIONFAILED"}));
    EXPECT_EQ(cell, 0xDEADBEEFu);
    EXPECT_EQ(exchange().currentCall(0), 0u);
}

TEST_F(LineContract, RequestIdsArePositiveAndDistinct) {
    RecordingApp app;
    const HLINE line = app.open(0);
    std::vector<LONG> ids;
    for (int i = 0; i < 20; ++i) {
        HCALL cell = 0;
        ids.push_back(lineForward(line, 1, 0, nullptr, 0, &cell, nullptr));
    }
    for (LONG id : ids)
        EXPECT_GT(id, 0) << errorName(id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

TEST_F(LineContract, NeverReplyingLeavesTheRequestOpenAndADelayedReplyComesOnTime) {
    RecordingApp app;
    app.open(0);
    exchange().ring(0, caller());
    time.runUntilIdle();
    app.take();
    ReplyPolicy never;
    never.neverReply = true;
    exchange().setReplyPolicy("lineAnswer", never);
    ReplyPolicy slow;
    slow.delayMs = 700;
    exchange().setReplyPolicy("lineDrop", slow);
    const LONG answer = lineAnswer(app.call(1), nullptr, 0);
    const LONG drop = lineDrop(app.call(1), nullptr, 0);
    time.advance(699ms);
    EXPECT_EQ(app.take(), Trace{});
    time.advance(1ms);
    EXPECT_EQ(app.takeTimed(),
              (Trace{"LINE_REPLY " + app.request(drop) + " OK@700", "LINE_CALLSTATE c1 IDLE@700"}));
    time.advance(60000ms);
    EXPECT_EQ(app.take(), Trace{}) << "answer " << app.request(answer) << " got a reply";
}

TEST_F(LineContract, ACallbackThatPumpsGetsTheNextMessageNested) {
    RecordingApp app;
    openWithRinging(app);
    Trace order;
    app.onMessage = [&](const tapi::testing::Received& r) {
        order.push_back("begin " + tapi::testing::messageName(r.message));
        core::DoEvents();
        order.push_back("end " + tapi::testing::messageName(r.message));
    };
    exchange().ring(0, caller());
    time.runUntilIdle();
    EXPECT_EQ(order,
              (Trace{"begin LINE_APPNEWCALL", "begin LINE_CALLSTATE", "begin LINE_LINEDEVSTATE",
                     "end LINE_LINEDEVSTATE", "end LINE_CALLSTATE", "end LINE_APPNEWCALL"}));
}

TEST_F(LineContract, ForcedCloseIsTheLastMessageOfTheLine) {
    RecordingApp app;
    const HLINE line = openWithRinging(app);
    exchange().ring(0, caller());
    time.runUntilIdle();
    app.take();
    exchange().forceClose(0);
    exchange().hangup(0);
    EXPECT_EQ(pumped(app), (Trace{"LINE_CLOSE l1"}));
    EXPECT_EQ(lineClose(line), LINEERR_INVALLINEHANDLE);
    EXPECT_EQ(lineAnswer(app.call(1), nullptr, 0), LINEERR_INVALCALLHANDLE);
}

TEST_F(LineContract, RemovedDeviceClosesItsLinesAndIsAnnounced) {
    RecordingApp app;
    app.open(1);
    exchange().removeLine(1);
    EXPECT_EQ(pumped(app), (Trace{"LINE_CLOSE l1"}));
    ASSERT_EQ(RecordingApp::strays().size(), 1u);
    EXPECT_EQ(RecordingApp::strays()[0].message, LINE_REMOVE);
    EXPECT_EQ(RecordingApp::strays()[0].param1, 1u);
    RecordingApp::strays().clear();
    EXPECT_EQ(app.open(1), 0u);
    EXPECT_EQ(errorName(app.lastError()), "LINEERR_NODEVICE");
}

}  // namespace

namespace {

TEST_F(LineContract, APulledCableIsReportedToThoseWhoAskedForIt) {
    RecordingApp asked("asked"), silent("silent");
    const HLINE line = asked.open(0);
    silent.open(0);
    ASSERT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_DISCONNECTED, 0), 0);
    exchange().disconnectLine(0);
    EXPECT_EQ(pumped(asked), (Trace{"LINE_LINEDEVSTATE l1 DISCONNECTED"}));
    EXPECT_EQ(pumped(silent), Trace{});
}

}  // namespace
