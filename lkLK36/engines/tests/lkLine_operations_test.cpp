// The Line control's call operations against the simulated exchange, in virtual time: each
// operation family with a reply that succeeds, fails, never comes, or follows the call's own
// state change; the refusals; digits and tones; the setters that act.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/provider.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

Lines joined(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class LineOperationsBase : public LineTest {
  protected:
    LineOperationsBase() { makeLine(); }

    // A fresh control on a fresh exchange.
    void makeLine() {
        line.reset();
        exchange().reset();
        newLine();
        recorder.attach(*line);
    }
    void open() {
        line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active);
        recorder.take();
    }
    // An incoming call on line 1, current and (by default) owned.
    // The caller sends no number and rings rarely, so a test may wait without other events.
    DWORD offeredCall() {
        tapi::IncomingCall caller;
        caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
        caller.ringIntervalMs = 60000;
        EXPECT_NE(exchange().ring(0, caller), 0u);
        time.advance(10ms);
        recorder.take();
        return line->Call.Handle;
    }
    DWORD connectedCall() {
        const DWORD call = offeredCall();
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        time.advance(10ms);
        EXPECT_EQ(line->Call.State, LINECALLSTATE_CONNECTED);
        recorder.take();
        return call;
    }
};

// How the exchange answers the operation's request.
enum class Outcome { Succeeds, ReplyFails, ReplyNeverComes, StateChangesFirst };
struct OutcomeCase {
    const char* name;
    Outcome outcome;
};
void PrintTo(const OutcomeCase& outcome, std::ostream* os) {
    *os << outcome.name;
}
constexpr OutcomeCase outcomes[] = {
    {"Succeeds", Outcome::Succeeds},
    {"ReplyFails", Outcome::ReplyFails},
    {"ReplyNeverComes", Outcome::ReplyNeverComes},
    {"StateChangesFirst", Outcome::StateChangesFirst},
};

tapi::ReplyPolicy policyFor(Outcome outcome) {
    tapi::ReplyPolicy policy;
    policy.delayMs = 100;
    if (outcome == Outcome::ReplyFails)
        policy.result = LINEERR_OPERATIONFAILED;
    if (outcome == Outcome::StateChangesFirst)
        policy.stateChangeBeforeReply = true;
    // The reply comes, but only after the operation gave up waiting.
    if (outcome == Outcome::ReplyNeverComes)
        policy.delayMs = 5000;
    return policy;
}

constexpr LONG ShortReplyTimeout = 1000;

// ---- request and wait: answer, hang up, redirect, park ----

struct WaitingOperation {
    const char* name;
    const char* function;
    tapi::Op op;
    bool fromConnected;  // else from an offered call
    bool (*run)(TlkCall&);
    const char* arguments;  // in the headline
    const char* dialled;    // what the exchange is asked for
    Lines effect;           // the call's events when the exchange carries the operation out
    Lines stateFirst;       // the events when the call's state changes before the reply
};
void PrintTo(const WaitingOperation& operation, std::ostream* os) {
    *os << operation.name;
}

const Lines connects = {"OnCallState c1", "OnConnected c1"};
const Lines goesIdle = {"OnCallState c1", "OnCallEnd c1", "OnIdle c1"};
// A call that goes idle lets pending messages through before it ends, so its reply comes then.
const Lines goesIdleFirst = {"OnCallState c1", "OnTAPIReply 0", "OnCallEnd c1", "OnIdle c1"};

const WaitingOperation waitingOperations[] = {
    {"Answer", "lineAnswer", tapi::Op::Answer, false, [](TlkCall& c) { return c.Answer(); }, "", "",
     connects, joined(connects, {"OnTAPIReply 0"})},
    {"Hangup", "lineDrop", tapi::Op::Drop, true, [](TlkCall& c) { return c.Hangup(); }, "", "",
     goesIdle, goesIdleFirst},
    {"Redirect", "lineRedirect", tapi::Op::Redirect, false,
     [](TlkCall& c) { return c.Redirect("+44 (1632) 960-123"); }, " (+44 (1632) 960-123)",
     "441632960123", goesIdle, goesIdleFirst},
    {"Park", "linePark", tapi::Op::Park, true, [](TlkCall& c) { return c.Park("7 01"); }, " (7 01)",
     "701", goesIdle, goesIdleFirst},
};

class RequestAndWait
    : public LineOperationsBase,
      public ::testing::WithParamInterface<std::tuple<WaitingOperation, OutcomeCase>> {};

TEST_P(RequestAndWait, EndsWithItsOwnReply) {
    const auto& [operation, outcome] = GetParam();
    open();
    line->Device.UnformatPhoneNumber = true;
    line->TAPI.ReplyTimeout = ShortReplyTimeout;
    const DWORD call = operation.fromConnected ? connectedCall() : offeredCall();
    const DWORD stateBefore = line->Call.State;
    exchange().setReplyPolicy(operation.function, policyFor(outcome.outcome));
    const std::size_t mark = logMark();

    const bool result = operation.run(line->Call);

    const Lines logged = logSince(mark);
    const std::string name = operation.name;
    EXPECT_EQ(logged.front(), "Call." + name + operation.arguments + " [" + Hex8(call) + "]");
    const bool succeeds =
        outcome.outcome == Outcome::Succeeds || outcome.outcome == Outcome::StateChangesFirst;
    EXPECT_EQ(logged.back(), "\tCall." + name + " - Returned = " + (succeeds ? "True" : "False"));
    EXPECT_EQ(result, succeeds);
    ASSERT_NE(exchange().lastRequest(operation.op), nullptr);
    EXPECT_EQ(exchange().lastRequest(operation.op)->text, operation.dialled);
    const Lines events = recorder.take();
    switch (outcome.outcome) {
        case Outcome::Succeeds:
            EXPECT_EQ(events, joined({"OnTAPIReply 0"}, operation.effect));
            EXPECT_EQ(line->Error().Number(), 0);
            break;
        case Outcome::StateChangesFirst:
            EXPECT_EQ(events, operation.stateFirst);
            EXPECT_EQ(line->Error().Number(), 0);
            break;
        case Outcome::ReplyFails:
            EXPECT_EQ(events,
                      (Lines{"OnError", "OnTAPIReply " + std::to_string(LINEERR_OPERATIONFAILED)}));
            EXPECT_EQ(line->Error().Number(), LINEERR_OPERATIONFAILED);
            EXPECT_EQ(line->Error().Name(), "LINEERR_OPERATIONFAILED");
            EXPECT_EQ(line->Call.State, stateBefore);
            break;
        case Outcome::ReplyNeverComes:
            EXPECT_EQ(events, Lines{"OnError"});
            EXPECT_EQ(line->Error().Number(), TAPIREPLYTIMEOUT);
            EXPECT_TRUE(contains(logged, "<< Error >> TAPIREPLYTIMEOUT [FFFFFFFD]"));
            // The late reply is still matched to the call's request and changes nothing more.
            time.advance(6s);
            EXPECT_EQ(recorder.take(), joined({"OnTAPIReply 0"}, operation.effect));
            break;
    }
}

std::string caseName(const char* operation, const char* outcome) {
    return std::string(operation) + "_" + outcome;
}

INSTANTIATE_TEST_SUITE_P(Operations, RequestAndWait,
                         ::testing::Combine(::testing::ValuesIn(waitingOperations),
                                            ::testing::ValuesIn(outcomes)),
                         [](const auto& info) {
                             return caseName(std::get<0>(info.param).name,
                                             std::get<1>(info.param).name);
                         });

// ---- operations that make a call: dial, unpark, pick up ----

struct CreatingOperation {
    const char* name;
    const char* function;
    tapi::Op op;
    bool (*run)(TlkCall&);
    const char* headline;
    Lines effect;  // the new call's events once the exchange has made it
};
void PrintTo(const CreatingOperation& operation, std::ostream* os) {
    *os << operation.name;
}
const CreatingOperation creatingOperations[] = {
    {"Dial", "lineMakeCall", tapi::Op::MakeCall,
     [](TlkCall& c) {
         c.PhoneNumber = "201";
         return c.Dial();
     },
     "Call.Dial [00000000]", Lines{"OnCallState c1", "OnDialtone c1"}},
    {"Unpark", "lineUnpark", tapi::Op::Unpark, [](TlkCall& c) { return c.Unpark("201"); },
     "Call.Unpark (201) [00000000]", Lines{"OnCallState c1", "OnConnected c1"}},
    {"Pickup", "linePickup", tapi::Op::Pickup, [](TlkCall& c) { return c.Pickup("201", "7"); },
     "Call.Pickup (201, 7) [00000000]", Lines{"OnCallState c1", "OnConnected c1"}},
};

class CallCreation
    : public LineOperationsBase,
      public ::testing::WithParamInterface<std::tuple<CreatingOperation, OutcomeCase>> {};

TEST_P(CallCreation, MakesTheNewCallCurrentOrLeavesNoTrace) {
    const auto& [operation, outcome] = GetParam();
    open();
    line->TAPI.ReplyTimeout = ShortReplyTimeout;
    exchange().setReplyPolicy(operation.function, policyFor(outcome.outcome));
    const std::size_t mark = logMark();

    const bool result = operation.run(line->Call);

    const Lines logged = logSince(mark);
    const std::string name = operation.name;
    EXPECT_EQ(logged.front(), operation.headline);
    const bool succeeds =
        outcome.outcome == Outcome::Succeeds || outcome.outcome == Outcome::StateChangesFirst;
    EXPECT_EQ(result, succeeds);
    EXPECT_EQ(logged.back(), "\tCall." + name + " - Returned = " + (succeeds ? "True" : "False"));
    ASSERT_NE(exchange().lastRequest(operation.op), nullptr);
    const Lines events = recorder.take();
    if (succeeds) {
        const DWORD call = line->Call.Handle;
        ASSERT_NE(call, 0u);
        EXPECT_EQ(recorder.name(call), "c1");
        EXPECT_EQ(line->Call.List, (TlkStringList{"00000000", Hex8(call)}));
        EXPECT_TRUE(line->Call.Active);
        EXPECT_TRUE(line->Call.Owner);
        EXPECT_EQ(ClockText(line->Call.Began), "09:00:00");
        EXPECT_EQ(line->Error().Number(), 0);
        EXPECT_TRUE(contains(logged, "OnCallBegin [" + Hex8(call) + "]"));
        EXPECT_TRUE(contains(logged, "\tCall.Began = 09:00:00"));
        // The call's first state is handled while its reply is, before the operation goes on to
        // announce the call.
        EXPECT_EQ(events, joined(joined({"OnTAPIReply 0"}, operation.effect), {"OnCallBegin c1"}));
        ASSERT_NE(line->FindCallRecord(call), nullptr);
        EXPECT_TRUE(line->FindCallRecord(call)->Owner);
        return;
    }
    // Nothing half-made stays: no record, no listed call, no current call.
    auto noCall = [&] {
        EXPECT_EQ(line->Call.Handle, 0u);
        EXPECT_EQ(line->Call.Count, 0);
        EXPECT_EQ(line->Call.List, TlkStringList{"00000000"});
        EXPECT_EQ(line->Call.Records.size(), 1u);
        EXPECT_FALSE(line->Call.Active);
    };
    noCall();
    if (outcome.outcome == Outcome::ReplyFails) {
        EXPECT_EQ(line->Error().Number(), LINEERR_OPERATIONFAILED);
        EXPECT_EQ(events,
                  (Lines{"OnError", "OnTAPIReply " + std::to_string(LINEERR_OPERATIONFAILED)}));
        return;
    }
    EXPECT_EQ(line->Error().Number(), TAPIREPLYTIMEOUT);
    EXPECT_EQ(events, Lines{"OnError"});
    // The call the late reply brings is let go, never listed or announced.
    time.advance(6s);
    EXPECT_EQ(recorder.take(), Lines{"OnTAPIReply 0"});
    noCall();
    EXPECT_EQ(exchange().currentCall(0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Operations, CallCreation,
                         ::testing::Combine(::testing::ValuesIn(creatingOperations),
                                            ::testing::ValuesIn(outcomes)),
                         [](const auto& info) {
                             return caseName(std::get<0>(info.param).name,
                                             std::get<1>(info.param).name);
                         });

// ---- refusals ----

class LineOperations : public LineOperationsBase {};

TEST_F(LineOperations, RefusedOperationsNameTheirErrorAndReturnFalse) {
    enum class Start { NoCall, Offered, Connected, MonitoredOffer };
    struct Case {
        const char* name;
        Start start;
        const char* injectedFunction;  // the exchange refuses this function at once
        LONG injected;
        bool (*run)(TlkCall&);
        LONG error;
        const char* errorName;
        const char* closing;
    };
    const Case cases[] = {
        {"answer without a call", Start::NoCall, nullptr, 0, [](TlkCall& c) { return c.Answer(); },
         LINEERR_INVALCALLHANDLE, "LINEERR_INVALCALLHANDLE", "\tCall.Answer - Returned = False"},
        {"hang up without a call", Start::NoCall, nullptr, 0, [](TlkCall& c) { return c.Hangup(); },
         LINEERR_INVALCALLHANDLE, "LINEERR_INVALCALLHANDLE", "\tCall.Hangup - Returned = False"},
        {"park without a call", Start::NoCall, nullptr, 0, [](TlkCall& c) { return c.Park("701"); },
         LINEERR_INVALCALLHANDLE, "LINEERR_INVALCALLHANDLE", "\tCall.Park - Returned = False"},
        {"pick up while a call is current", Start::Offered, nullptr, 0,
         [](TlkCall& c) { return c.Pickup("201", ""); }, LINEERR_INVALCALLHANDLE,
         "LINEERR_INVALCALLHANDLE", "\tCall.Pickup - Returned = False"},
        {"answer a connected call", Start::Connected, nullptr, 0,
         [](TlkCall& c) { return c.Answer(); }, LINEERR_INVALCALLSTATE, "LINEERR_INVALCALLSTATE",
         "\tCall.Answer - Returned = False"},
        {"answer a call only monitored", Start::MonitoredOffer, nullptr, 0,
         [](TlkCall& c) { return c.Answer(); }, LINEERR_NOTOWNER, "LINEERR_NOTOWNER",
         "\tCall.Answer - Returned = False"},
        {"redirect not offered here", Start::Offered, "lineRedirect", LINEERR_OPERATIONUNAVAIL,
         [](TlkCall& c) { return c.Redirect("201"); }, LINEERR_OPERATIONUNAVAIL,
         "LINEERR_OPERATIONUNAVAIL", "\tCall.Redirect - Returned = False"},
        {"dial on a line that cannot", Start::NoCall, "lineMakeCall", LINEERR_OPERATIONUNAVAIL,
         [](TlkCall& c) { return c.Dial(); }, LINEERR_OPERATIONUNAVAIL, "LINEERR_OPERATIONUNAVAIL",
         "\tCall.Dial - Returned = False"},
        {"unpark from an empty orbit", Start::NoCall, "lineUnpark", LINEERR_INVALADDRESS,
         [](TlkCall& c) { return c.Unpark("709"); }, LINEERR_INVALADDRESS, "LINEERR_INVALADDRESS",
         "\tCall.Unpark - Returned = False"},
        {"hand off to nobody", Start::Connected, nullptr, 0,
         [](TlkCall& c) { return c.Handoff("nobody"); }, LINEERR_TARGETNOTFOUND,
         "LINEERR_TARGETNOTFOUND", "\tCall.Handoff - Returned = False"},
        {"hand off to itself", Start::Connected, nullptr, 0,
         [](TlkCall& c) { return c.Handoff("belltale"); }, LINEERR_TARGETSELF, "LINEERR_TARGETSELF",
         "\tCall.Handoff - Returned = False"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeLine();
        line->Privilege.Owner = c.start != Start::MonitoredOffer;
        open();
        if (c.start == Start::Offered || c.start == Start::MonitoredOffer)
            offeredCall();
        if (c.start == Start::Connected)
            connectedCall();
        const std::size_t recordsBefore = line->Call.Records.size();
        if (c.injectedFunction)
            exchange().setInjectedFailure(c.injectedFunction, c.injected);

        EXPECT_FALSE(c.run(line->Call));

        EXPECT_EQ(line->Error().Number(), c.error);
        EXPECT_EQ(line->Error().Name(), c.errorName);
        EXPECT_EQ(line->log().Lines().back(), c.closing);
        EXPECT_EQ(recorder.take(), Lines{"OnError"});
        EXPECT_EQ(line->Call.Records.size(), recordsBefore);  // no half-made call
    }
}

// The failed reply is reported, then the caller hangs up before the operation looks again:
// handling that state clears the error record, yet the answer stays the reply's own.
TEST_F(LineOperations, AFailedAnswerStaysFailedWhenTheCallerHangsUpMeanwhile) {
    open();
    offeredCall();
    tapi::ReplyPolicy failing;
    failing.result = LINEERR_RESOURCEUNAVAIL;
    exchange().setReplyPolicy("lineAnswer", failing);
    recorder.during["OnError"] = [](TlkLineInternal&, DWORD) { exchange().hangup(0); };

    EXPECT_FALSE(line->Call.Answer());

    EXPECT_EQ(line->Error().Number(), LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(line->Error().Name(), "LINEERR_RESOURCEUNAVAIL");
    EXPECT_TRUE(contains(recorder.of("c1"), "OnDisconnected"));
    EXPECT_EQ(line->log().Lines().back(), "\tCall.Answer - Returned = False");
}

// ---- dialling ----

TEST_F(LineOperations, DialSendsTheNumberAndTheCallParametersAsSet) {
    struct Case {
        const char* name;
        bool unformat;
        bool defaults;
        const char* dialled;
    };
    static constexpr Case cases[] = {
        {"as written, default parameters", false, true, "+1 (555) 123.45-67"},
        {"unformatted, own parameters", true, false, "15551234567"},
    };
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->Device.UnformatPhoneNumber = c.unformat;
        line->Call.Parameters.Defaults = c.defaults;
        line->Call.Parameters.BearerMode = LINEBEARERMODE_VOICE;
        line->Call.Parameters.MediaMode = LINEMEDIAMODE_DATAMODEM;
        line->Call.Parameters.Flags = LINECALLPARAMFLAGS_SECURE;
        line->Call.Parameters.AddressID = 0;
        line->Call.Parameters.NoAnswerTimeout = 30;
        line->Call.PhoneNumber = "+1 (555) 123.45-67";
        const std::size_t mark = logMark();
        ASSERT_TRUE(line->Call.Dial());
        const Lines logged = logSince(mark);
        EXPECT_EQ(logged[1], "\tCall.PhoneNumber = +1 (555) 123.45-67");
        const tapi::Request* request = exchange().lastRequest(tapi::Op::MakeCall);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->text, c.dialled);
        const std::vector<BYTE>& block = line->Call.callParamsBlock();
        if (c.defaults) {
            EXPECT_TRUE(block.empty());
            EXPECT_EQ(request->mediaMode, LINEMEDIAMODE_INTERACTIVEVOICE);
        } else {
            ASSERT_EQ(block.size(), 180u);
            // Only the total size, bearer and media modes, flags, address and no-answer time-out.
            static constexpr std::size_t setFields[] = {0, 4, 16, 20, 28, 164};
            for (std::size_t at = 0; at < block.size(); ++at) {
                const std::size_t field = at - at % 4;
                if (std::find(std::begin(setFields), std::end(setFields), field) ==
                        std::end(setFields) &&
                    block[at] != 0) {
                    ADD_FAILURE() << "byte " << at << " is " << int{block[at]};
                }
            }
            EXPECT_EQ(block[0], 180);
            EXPECT_EQ(request->mediaMode, LINEMEDIAMODE_DATAMODEM);
            EXPECT_EQ(request->noAnswerTimeout, 30u);
        }
        ASSERT_TRUE(line->Call.Hangup());
        time.advance(10ms);
        ASSERT_EQ(line->Call.Handle, 0u);
    }
}

TEST_F(LineOperations, DialOnACurrentCallDialsMoreDigitsOnIt) {
    open();
    line->Call.PhoneNumber = "201";
    ASSERT_TRUE(line->Call.Dial());
    const DWORD call = line->Call.Handle;
    const std::size_t records = line->Call.Records.size();
    recorder.take();
    line->Call.PhoneNumber = "55";
    EXPECT_TRUE(line->Call.Dial());
    EXPECT_EQ(line->Call.Handle, call);
    EXPECT_EQ(line->Call.Records.size(), records);
    ASSERT_NE(exchange().lastRequest(tapi::Op::Dial), nullptr);
    EXPECT_EQ(exchange().lastRequest(tapi::Op::Dial)->text, "55");
    EXPECT_EQ(line->log().Lines().back(), "\tCall.Dial - Returned = True");
}

TEST_F(LineOperations, ActiveDialsOrHangsUpOnlyOnAnOpenLine) {
    line->Call.PhoneNumber = "201";
    line->Call.SetActive(true);  // the line is closed: nothing happens
    EXPECT_EQ(exchange().lastRequest(tapi::Op::MakeCall), nullptr);
    EXPECT_FALSE(line->Call.Active);

    open();
    line->Call.SetActive(true);
    EXPECT_NE(line->Call.Handle, 0u);
    EXPECT_TRUE(line->Call.Active);
    line->Call.SetActive(false);
    time.advance(10ms);
    EXPECT_EQ(line->Call.Handle, 0u);
    EXPECT_FALSE(line->Call.Active);
    EXPECT_EQ(recorder.of("c1").back(), "OnIdle");
}

TEST_F(LineOperations, ADialEndsWhenTheLineClosesOrTheControlGoesMeanwhile) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "control destroyed" : "line closed");
        makeLine();
        open();
        tapi::ReplyPolicy slow;
        slow.delayMs = 1000;
        exchange().setReplyPolicy("lineMakeCall", slow);
        core::OneShot meanwhile;
        meanwhile.start(200, [this, destroy] {
            if (destroy)
                line.reset();
            else
                exchange().forceClose(0);
        });
        TlkCall& call = line->Call;
        call.PhoneNumber = "201";
        EXPECT_FALSE(call.Dial());
        time.advance(2s);  // the late reply finds nothing to write into
        if (destroy) {
            EXPECT_EQ(line, nullptr);
            continue;
        }
        EXPECT_FALSE(line->Device.Active);
        EXPECT_EQ(line->Call.Handle, 0u);
        EXPECT_EQ(line->Call.Count, 0);
        EXPECT_EQ(line->log().Lines().back(), "\tCall.Dial - Returned = False");
    }
}

// Unpark may start while another call is current: that call keeps what it was told about its
// caller, and the unparked call becomes current with nothing of it.
TEST_F(LineOperations, UnparkWhileACallIsCurrentLeavesThatCallAsItWas) {
    open();
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    caller.name = "ANN SMITH";
    caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
    ASSERT_NE(exchange().ring(0, caller), 0u);
    time.advance(10ms);
    const DWORD first = line->Call.Handle;
    ASSERT_EQ(line->Call.CallerID.Number, "01632960123");

    ASSERT_TRUE(line->Call.Unpark("701"));

    const DWORD unparked = line->Call.Handle;
    EXPECT_NE(unparked, first);
    EXPECT_EQ(line->Call.CallerID.Number, "");
    EXPECT_TRUE(line->Call.Owner);
    EXPECT_EQ(line->Call.Count, 2);
    EXPECT_EQ(line->FindCallRecord(first)->Parties[CallerParty].Number, "01632960123");
    line->Call.SetHandle(first);
    EXPECT_EQ(line->Call.CallerID.Number, "01632960123");
    EXPECT_EQ(line->Call.CallerID.Name, "ANN SMITH");
}

// ---- hand-off ----

void otherApplicationCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

TEST_F(LineOperations, HandoffGivesTheCallAwayAndKeepsWatchingIt) {
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    HLINEAPP faxApp = 0;
    DWORD devices = 0, version = TAPI_VERSION2_2;
    ASSERT_EQ(lineInitializeExA(&faxApp, nullptr, otherApplicationCallback, "faxapp", &devices,
                                &version, &params),
              0);
    HLINE faxLine = 0;
    ASSERT_EQ(lineOpen(faxApp, 0, &faxLine, TAPI_VERSION2_2, 0, 0, LINECALLPRIVILEGE_OWNER,
                       LINEMEDIAMODE_G3FAX, nullptr),
              0);
    open();
    const DWORD call = connectedCall();
    EXPECT_TRUE(line->Call.Owner);

    EXPECT_TRUE(line->Call.Handoff("faxapp"));

    EXPECT_FALSE(line->Call.Owner);
    EXPECT_EQ(line->Call.Handle, call);
    EXPECT_EQ(line->Error().Number(), 0);
    EXPECT_EQ(recorder.take(), Lines{"OnCallOwnerChange c1"});
    EXPECT_EQ(line->log().Lines().back(), "\tCall.Handoff - Returned = True");
    lineShutdown(faxApp);
}

// ---- digits and tones ----

TEST_F(LineOperations, DigitsAndTonesReportWhenTheyAreSent) {
    struct Case {
        const char* name;
        bool (*run)(TlkCall&);
        const char* headline;
        const char* closing;
        bool result;
        LONG error;
        const char* generated;
        Lines events;  // after the exchange finished generating
    };
    const Case cases[] = {
        {"tone digits", [](TlkCall& c) { return c.SendDigits("12#", 50); },
         "Call.SendDigits (12#) [", "\tCall.SendDigits - Returned = True", true, 0, "12#",
         Lines{"OnDigitsSent c1"}},
        {"pulse digits", [](TlkCall& c) { return c.SendPulseDigits("90", 50); },
         "Call.SendPulseDigits (90) [", "\tCall.SendPulseDigits - Returned = True", true, 0, "90",
         Lines{"OnDigitsSent c1"}},
        {"a beep", [](TlkCall& c) { return c.SendTone(LINETONEMODE_BEEP, 200); },
         "Call.SendTone (00000008, 200) [", "\tCall.SendTone - Returned = True", true, 0, "",
         Lines{"OnToneSent c1"}},
        {"no such digit", [](TlkCall& c) { return c.SendDigits("1x", 50); },
         "Call.SendDigits (1x) [", "\tCall.SendDigits - Returned = False", false,
         LINEERR_INVALDIGITS, "", Lines{"OnError"}},
        {"no such tone", [](TlkCall& c) { return c.SendTone(3, 200); },
         "Call.SendTone (00000003, 200) [", "\tCall.SendTone - Returned = False", false,
         LINEERR_INVALTONEMODE, "", Lines{"OnError"}},
    };
    open();
    const DWORD call = connectedCall();
    std::string generated;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t mark = logMark();
        EXPECT_EQ(c.run(line->Call), c.result);
        EXPECT_EQ(line->Error().Number(), c.error);
        time.advance(2s);
        const Lines logged = logSince(mark);
        EXPECT_EQ(logged.front(), c.headline + Hex8(call) + "]");
        EXPECT_TRUE(contains(logged, c.closing));
        EXPECT_EQ(recorder.take(), c.events);
        generated += c.generated;
        EXPECT_EQ(exchange().generatedOn(0).substr(0, generated.size()), generated);
    }
}

// ---- setters that act ----

TEST_F(LineOperations, OwnerSetterAsksForThePrivilege) {
    line->Call.SetOwner(true);  // the line is closed
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALLINESTATE);
    open();
    line->Call.SetOwner(true);  // no call
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(line->log().Lines()[line->log().Lines().size() - 2], "Call.Owner := True");

    connectedCall();
    // The only owner of a call that is up cannot step back to watching it: the refusal stays
    // in the error record although the call is read again afterwards.
    line->Call.SetOwner(false);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(line->Error().Name(), "LINEERR_INVALCALLSTATE");
    EXPECT_TRUE(line->Call.Owner);
    EXPECT_TRUE(line->FindCallRecord(line->Call.Handle)->Owner);

    line->Call.SetOwner(true);  // already owned: nothing asked
    EXPECT_EQ(line->Error().Number(), 0);
}

TEST_F(LineOperations, PhoneNumberIsTranslatedWhenTheDeviceTranslates) {
    const std::string longNumber(150, '7');
    struct Case {
        const char* name;
        bool translate;
        std::string given;
        std::string stored;
        LONG error;
    };
    const Case cases[] = {
        {"kept as given", false, "+44 (20) 7946 0000", "+44 (20) 7946 0000", 0},
        {"translated", true, "+44 (20) 7946 0000", "*43,02079460000", 0},
        // Needs more than the first buffer holds: asked for again, never cut or left stale.
        {"translated, long", true, longNumber, "*43," + longNumber, 0},
        {"refused", true, "", "*43," + longNumber, LINEERR_INVALADDRESS},
    };
    open();
    const DWORD call = connectedCall();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->Device.TranslatePhoneNumber = c.translate;
        const std::string recordBefore = line->FindCallRecord(call)->PhoneNumber;
        line->Call.SetPhoneNumber(c.given);
        EXPECT_EQ(line->Call.PhoneNumber, c.stored);
        // Only a translated number reaches the call's record.
        const bool translated = c.translate && c.error == 0;
        EXPECT_EQ(line->FindCallRecord(call)->PhoneNumber, translated ? c.stored : recordBefore);
        EXPECT_EQ(line->Error().Number(), c.error);
    }
}

TEST_F(LineOperations, TagAndInformationStayWithTheCall) {
    open();
    const DWORD call = connectedCall();
    line->Call.SetTag(42);
    EXPECT_EQ(line->FindCallRecord(call)->Tag, 42);
    EXPECT_TRUE(line->Call.GetInfo());
    line->Call.SetHandle(0);
    EXPECT_EQ(line->Call.Tag, 0);
    line->Call.SetHandle(call);
    EXPECT_EQ(line->Call.Tag, 42);
}

}  // namespace
