// Digits, tones and media modes on a connected call, in virtual time.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/testing/names.h"
#include "platform/tapi/testing/recording_app.h"
#include "platform/tapi/tests/fresh_exchange.h"

using namespace std::chrono_literals;
using tapi::exchange;
using tapi::IncomingCall;
using tapi::testing::errorName;
using tapi::testing::RecordingApp;
using Trace = std::vector<std::string>;

namespace {

// An answered incoming call on line 0.
class ConnectedCall : public ::testing::Test {
  protected:
    ConnectedCall() {
        app.open(0);
        exchange().ring(0, IncomingCall{});
        time.runUntilIdle();
        call = app.call(1);
        lineAnswer(call, nullptr, 0);
        time.runUntilIdle();
        app.take();
    }

    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    HCALL call = 0;
};

TEST_F(ConnectedCall, GatheringEndsForEachReasonWithTheDigitsInTheBuffer) {
    struct Case {
        const char* name;
        DWORD wanted;
        const char* sent;
        DWORD firstTimeout, interTimeout;
        DWORD reason;
        const char* buffer;  // as the application finds it
    };
    const Case cases[] = {
        {"termination digit", 10, "123#", 0, 0, LINEGATHERTERM_TERMDIGIT, "123#"},
        {"buffer full", 3, "12345", 0, 0, LINEGATHERTERM_BUFFERFULL, "123"},
        {"no first digit", 5, "", 1000, 0, LINEGATHERTERM_FIRSTTIMEOUT, ""},
        {"pause between digits", 5, "12", 0, 1000, LINEGATHERTERM_INTERTIMEOUT, "12"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        char buffer[32];
        std::memset(buffer, 'x', sizeof buffer);
        ASSERT_EQ(errorName(lineGatherDigits(call, LINEDIGITMODE_DTMF, buffer, row.wanted, "#",
                                             row.firstTimeout, row.interTimeout)),
                  "OK");
        if (*row.sent)
            exchange().sendDigits(0, row.sent);
        time.advance(5000ms);
        EXPECT_EQ(app.take(), Trace{"LINE_GATHERDIGITS c1 " + std::to_string(row.reason)});
        EXPECT_EQ(std::string(buffer, std::strlen(row.buffer)), row.buffer);
        if (std::strlen(row.buffer) < row.wanted) {
            EXPECT_EQ(buffer[std::strlen(row.buffer)], '\0') << "a partial buffer ends with a NUL";
        } else {
            EXPECT_EQ(buffer[row.wanted], 'x') << "written past the digits asked for";
        }
    }
}

TEST_F(ConnectedCall, ANewGatheringCancelsTheRunningOneInItsOwnBuffer) {
    char first[8] = {}, second[8] = {};
    ASSERT_EQ(lineGatherDigits(call, LINEDIGITMODE_DTMF, first, 5, "#", 0, 0), 0);
    exchange().sendDigits(0, "12");
    time.advance(1000ms);
    ASSERT_EQ(lineGatherDigits(call, LINEDIGITMODE_DTMF, second, 5, "#", 0, 0), 0);
    exchange().sendDigits(0, "9#");
    time.advance(1000ms);
    ASSERT_EQ(lineGatherDigits(call, 0, nullptr, 0, nullptr, 0, 0), 0);  // nothing to cancel
    time.advance(1000ms);
    EXPECT_EQ(app.take(), (Trace{"LINE_GATHERDIGITS c1 16", "LINE_GATHERDIGITS c1 2"}));
    EXPECT_STREQ(first, "12");
    EXPECT_STREQ(second, "9#");
}

TEST_F(ConnectedCall, MonitoredDigitsArriveOneByOneUntilSwitchedOff) {
    ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
    time.runUntilIdle();
    app.take();
    exchange().sendDigits(0, "4*");
    time.advance(1000ms);
    EXPECT_EQ(app.takeTimed(),
              (Trace{"LINE_MONITORDIGITS c1 4@200", "LINE_MONITORDIGITS c1 *@400"}));
    ASSERT_EQ(lineMonitorDigits(call, 0), 0);
    exchange().sendDigits(0, "5");
    time.advance(1000ms);
    EXPECT_EQ(app.take(), Trace{"LINE_CALLINFO c1 MONITORMODES"});
}

TEST_F(ConnectedCall, SilenceIsReportedOnceItLastedTheMonitoredTime) {
    LINEMONITORTONE silence{0x89ABCDEF, 1500, 0, 0, 0};
    ASSERT_EQ(lineMonitorTones(call, &silence, 1), 0);
    exchange().startTone(0);
    time.advance(1000ms);
    exchange().stopTone(0);  // too short
    exchange().startTone(0);
    time.advance(1499ms);
    EXPECT_EQ(app.take(), Trace{});
    time.advance(1ms);
    EXPECT_EQ(app.take(), Trace{"LINE_MONITORTONE c1 0x89ABCDEF"});
    exchange().startTone(0, 440);  // a tone nobody listens for
    time.advance(5000ms);
    EXPECT_EQ(app.take(), Trace{});
}

TEST_F(ConnectedCall, GeneratedDigitsAreHeardAndCompletionComesAfterTheirDuration) {
    ASSERT_EQ(lineGenerateDigits(call, LINEDIGITMODE_DTMF, "12", 100), 0);
    time.advance(399ms);
    EXPECT_EQ(app.take(), Trace{});
    time.advance(1ms);
    EXPECT_EQ(app.take(), Trace{"LINE_GENERATE c1 1"});
    ASSERT_EQ(lineGenerateDigits(call, LINEDIGITMODE_DTMF, "3", 100), 0);
    ASSERT_EQ(lineGenerateTone(call, LINETONEMODE_BEEP, 200, 0, nullptr), 0);  // replaces it
    time.advance(1000ms);
    EXPECT_EQ(app.take(), (Trace{"LINE_GENERATE c1 2", "LINE_GENERATE c1 1"}));
    EXPECT_EQ(exchange().generatedOn(0), "123<tone 8>");
    EXPECT_EQ(errorName(lineGenerateDigits(call, LINEDIGITMODE_DTMF, "12X", 0)),
              "LINEERR_INVALDIGITS");
}

TEST_F(ConnectedCall, DetectedMediaIsReportedToMonitorsOfThatMode) {
    ASSERT_EQ(lineMonitorMedia(call, LINEMEDIAMODE_G3FAX), 0);
    time.runUntilIdle();
    app.take();
    exchange().detectMedia(0, LINEMEDIAMODE_G3FAX);
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_MONITORMEDIA c1 32", "LINE_CALLINFO c1 MEDIAMODE"}));
}

TEST_F(ConnectedCall, TheCallerHangingUpCancelsGatheringAndGenerating) {
    char buffer[8] = {};
    ASSERT_EQ(lineGatherDigits(call, LINEDIGITMODE_DTMF, buffer, 5, "#", 0, 0), 0);
    ASSERT_EQ(lineGenerateDigits(call, LINEDIGITMODE_DTMF, "123", 100), 0);
    exchange().hangup(0);
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_CALLSTATE c1 DISCONNECTED", "LINE_GATHERDIGITS c1 16",
                                 "LINE_GENERATE c1 2"}));
    EXPECT_GT(lineDrop(call, nullptr, 0), 0);
    time.runUntilIdle();
    EXPECT_EQ(app.take().back(), "LINE_CALLSTATE c1 IDLE");
}

}  // namespace
