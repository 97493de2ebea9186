// Conferences and transfers of the Line engine, whole, against the simulated exchange in virtual
// time: set-up with a consultation call, joining, swapping the held call, completing, and the
// undoing of a set-up that fails part-way.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/open_line_fixture.h"
#include "platform/core/messages.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/provider.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

// The far end answers after two rings of 5 s.
constexpr auto UntilAnswered = 20s;

class LineGroups : public OpenLineTest {
  protected:
    // An incoming call, answered: the primary call of a conference or transfer (c1).
    DWORD connectedCall() {
        tapi::IncomingCall caller;
        caller.number = "01632960123";
        caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
        EXPECT_NE(exchange().ring(0, caller), 0u);
        time.advance(10ms);
        const DWORD call = line->Call.Handle;
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        time.advance(10ms);
        EXPECT_EQ(line->Call.GetCallState(call), DWORD{LINECALLSTATE_CONNECTED});
        recorder.name(call);
        recorder.take();
        return call;
    }
    TlkStringList listOf(std::initializer_list<DWORD> calls) const {
        TlkStringList list{"00000000"};
        for (DWORD call : calls)
            list.push_back(Hex8(call));
        return list;
    }
};

// ---- the groups' numbers ----

TEST_F(LineGroups, GroupNumbersAreTranslatedLikeTheCallsNumber) {
    const std::string longDigits(150, '5');
    struct Case {
        const char* name;
        bool translate;
        std::string value;
        std::string stored;
        const char* error;
    };
    const Case cases[] = {
        {"as written", false, "+1 (555) 1234567", "+1 (555) 1234567", ""},
        {"translated", true, "+1 (555) 1234567", "*43,0015551234567", ""},
        // A refused number leaves the one before it.
        {"refused", true, "", "*43,0015551234567", "LINEERR_INVALADDRESS"},
        // Longer than the first output buffer holds: asked again, never the old number kept.
        {"long", true, "+1 (555) " + longDigits, "*43,001555" + longDigits, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->Device.TranslatePhoneNumber = c.translate;
        line->SetConferencePhoneNumber(c.value);
        line->SetTransferPhoneNumber(c.value);
        EXPECT_EQ(line->Conference.PhoneNumber, c.stored);
        EXPECT_EQ(line->Transfer.PhoneNumber, c.stored);
        EXPECT_EQ(line->Error().Name(), c.error);
    }
}

// ---- transfer ----

TEST_F(LineGroups, TransferSetsUpDialsSwapsAndCompletes) {
    const DWORD primary = connectedCall();
    line->Device.UnformatPhoneNumber = true;
    line->SetTransferPrimaryCall(primary);
    line->SetTransferPhoneNumber("(0163) 296-0201");
    const std::size_t mark = logMark();

    ASSERT_TRUE(line->TransferDial());
    const DWORD consult = line->Transfer.ConsultCall;
    ASSERT_NE(consult, 0u);
    EXPECT_EQ(line->Call.Handle, consult);
    EXPECT_TRUE(line->Call.Active);
    EXPECT_TRUE(line->Call.Owner);
    EXPECT_EQ(line->Call.List, listOf({primary, consult}));
    EXPECT_EQ(exchange().lastRequest(tapi::Op::Dial)->text, "01632960201");
    EXPECT_EQ(line->Call.GetCallState(primary), DWORD{LINECALLSTATE_ONHOLDPENDTRANSFER});
    EXPECT_EQ(recorder.take(),
              (Lines{"OnTAPIReply 0", "OnCallState c1", "OnHoldPendingTransfer c1",
                     "OnCallState c2", "OnDialtone c2", "OnCallBegin c2", "OnTAPIReply 0"}));
    const Lines log = logSince(mark);
    EXPECT_EQ(log.front(), "Transfer.Dial [" + Hex8(primary) + "]");
    EXPECT_EQ(log[1], "\tTransfer.PhoneNumber = (0163) 296-0201");
    EXPECT_EQ(log.back(), "\tTransfer.Dial - Returned = True");

    time.advance(UntilAnswered);
    ASSERT_EQ(line->Call.GetCallState(consult), DWORD{LINECALLSTATE_CONNECTED});
    // The connected call goes first to the switch; with the primary held that is the
    // consultation call, after the swap the primary itself.
    ASSERT_TRUE(line->TransferSwapHold());
    EXPECT_EQ(line->Call.Handle, primary);
    EXPECT_EQ(line->Call.GetCallState(primary), DWORD{LINECALLSTATE_CONNECTED});
    EXPECT_EQ(line->Call.GetCallState(consult), DWORD{LINECALLSTATE_ONHOLDPENDTRANSFER});
    ASSERT_TRUE(line->TransferSwapHold());
    EXPECT_EQ(line->Call.GetCallState(primary), DWORD{LINECALLSTATE_ONHOLDPENDTRANSFER});
    EXPECT_EQ(line->Call.GetCallState(consult), DWORD{LINECALLSTATE_CONNECTED});

    recorder.take();
    ASSERT_TRUE(line->TransferComplete());
    EXPECT_EQ(recorder.of("c1").back(), "OnIdle");
    EXPECT_EQ(recorder.of("c2").back(), "OnIdle");
    EXPECT_EQ(line->Call.List, TlkStringList{"00000000"});
    EXPECT_EQ(line->Call.Handle, 0u);
    EXPECT_EQ(line->Transfer.ConsultCall, 0u);
    EXPECT_EQ(line->Error().Number(), 0);
}

TEST_F(LineGroups, TransferCompletedAsThreeWayConference) {
    const DWORD primary = connectedCall();
    line->SetTransferPrimaryCall(primary);
    line->SetTransferPhoneNumber("201");
    ASSERT_TRUE(line->TransferDial());
    const DWORD consult = line->Transfer.ConsultCall;
    time.advance(UntilAnswered);
    recorder.take();

    ASSERT_TRUE(line->TransferThreeWay());
    const DWORD conference = line->Transfer.ThreeWayCall;
    ASSERT_NE(conference, 0u);
    EXPECT_EQ(line->Call.Handle, conference);
    EXPECT_EQ(line->Call.List, listOf({primary, consult, conference}));
    EXPECT_EQ(line->Call.State, DWORD{LINECALLSTATE_CONNECTED});
    EXPECT_EQ(line->Call.GetCallState(primary), DWORD{LINECALLSTATE_CONFERENCED});
    EXPECT_EQ(line->Call.GetCallState(consult), DWORD{LINECALLSTATE_CONFERENCED});
    // The three-way call is listed with the reply, before its first state: it is not announced
    // as a call that began on its own.
    EXPECT_EQ(recorder.take(),
              (Lines{"OnTAPIReply 0", "OnCallState c3", "OnConnected c3", "OnCallState c1",
                     "OnConferenced c1", "OnCallState c2", "OnConferenced c2"}));
    EXPECT_EQ(line->Call.Records.size(), 4u);  // the placeholder and three calls, none twice
}

TEST_F(LineGroups, TransferParametersReachTheSwitch) {
    const DWORD primary = connectedCall();
    line->SetTransferPrimaryCall(primary);
    line->SetTransferPhoneNumber("201");
    TlkCallParameters& parameters = line->Transfer.Parameters;
    line->SetCallParametersDefaults(parameters, false);
    line->SetCallParameter(parameters, &TlkCallParameters::MediaMode, LINEMEDIAMODE_AUTOMATEDVOICE);
    line->SetCallParameter(parameters, &TlkCallParameters::NoAnswerTimeout, 30);
    ASSERT_TRUE(line->TransferDial());
    const tapi::Request* setUp = exchange().lastRequest(tapi::Op::SetupTransfer);
    EXPECT_EQ(setUp->mediaMode, DWORD{LINEMEDIAMODE_AUTOMATEDVOICE});
    EXPECT_EQ(setUp->noAnswerTimeout, 30u);
    ASSERT_EQ(line->Transfer.CallParams.size(), 180u);
}

// ---- conference ----

TEST_F(LineGroups, ConferenceSetsUpAddsMembersAndLetsThemGo) {
    const DWORD primary = connectedCall();
    line->SetConferencePrimaryCall(primary);
    line->SetConferencePhoneNumber("201");
    const std::size_t mark = logMark();

    ASSERT_TRUE(line->ConferenceDial());
    const DWORD conference = line->Conference.Handle;
    const DWORD first = line->Conference.ConsultCall;
    ASSERT_NE(conference, 0u);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(line->Call.Handle, first);
    EXPECT_EQ(line->Call.List, listOf({primary, first, conference}));
    EXPECT_EQ(line->Conference.List, TlkStringList{Hex8(first)});
    EXPECT_EQ(line->Conference.Count, 1);
    // The switch makes the conference call first (c2), then the consultation call (c3).
    EXPECT_EQ(recorder.name(conference), "c2");
    EXPECT_EQ(recorder.take(),
              (Lines{"OnTAPIReply 0", "OnCallState c2", "OnHoldPendingConference c2",
                     "OnCallState c1", "OnConferenced c1", "OnCallState c3", "OnDialtone c3",
                     "OnCallBegin c2", "OnCallBegin c3", "OnTAPIReply 0"}));
    const Lines log = logSince(mark);
    EXPECT_EQ(log.front(), "Conference.Dial [" + Hex8(primary) + "]");
    EXPECT_EQ(log.back(), "\tConference.Dial - Returned = True");

    time.advance(UntilAnswered);
    ASSERT_TRUE(line->ConferenceAddCall());
    EXPECT_EQ(line->Call.GetCallState(first), DWORD{LINECALLSTATE_CONFERENCED});
    EXPECT_EQ(line->Call.GetCallState(conference), DWORD{LINECALLSTATE_CONNECTED});

    // A second member joins the conference that exists.
    line->SetConferencePhoneNumber("202");
    ASSERT_TRUE(line->ConferenceDial());
    const DWORD second = line->Conference.ConsultCall;
    EXPECT_EQ(exchange().lastRequest(tapi::Op::PrepareAddToConference)->function,
              std::string("linePrepareAddToConference"));
    EXPECT_EQ(line->Conference.Handle, conference);
    EXPECT_EQ(line->Conference.List, (TlkStringList{Hex8(first), Hex8(second)}));
    time.advance(UntilAnswered);
    ASSERT_TRUE(line->ConferenceAddCall());

    // A member that ends leaves the member list; the conference call's end resets the group.
    ASSERT_GT(lineDrop(second, nullptr, 0), 0);
    time.advance(10ms);
    EXPECT_EQ(line->Conference.List, TlkStringList{Hex8(first)});
    EXPECT_EQ(line->Conference.Count, 1);
    EXPECT_EQ(line->Conference.ConsultCall, 0u);
    line->SetConferenceConsultCall(second);
    EXPECT_EQ(line->Error().Name(), "LINEERR_INVALCALLHANDLE");
    line->SetConferenceConsultCall(first);
    EXPECT_EQ(line->Error().Number(), 0);
    EXPECT_EQ(line->Conference.ConsultCall, first);

    ASSERT_GT(lineDrop(conference, nullptr, 0), 0);
    time.advance(10ms);
    EXPECT_EQ(line->Conference.Handle, 0u);
    EXPECT_EQ(line->Conference.PrimaryCall, 0u);
    EXPECT_EQ(line->Conference.Count, 0);
    EXPECT_TRUE(line->Conference.List.empty());
}

TEST_F(LineGroups, ConferenceSwapHoldPutsTheConnectedCallFirst) {
    const DWORD primary = connectedCall();
    line->SetConferencePrimaryCall(primary);
    line->SetConferencePhoneNumber("201");
    ASSERT_TRUE(line->ConferenceDial());
    const DWORD consult = line->Conference.ConsultCall;
    time.advance(UntilAnswered);
    // The switch keeps the primary in the conference, not on hold: it refuses the swap.
    EXPECT_FALSE(line->ConferenceSwapHold());
    EXPECT_EQ(line->Error().Name(), "LINEERR_INVALCALLSTATE");
    EXPECT_EQ(line->Call.Handle, primary);
    EXPECT_EQ(line->Call.GetCallState(consult), DWORD{LINECALLSTATE_CONNECTED});
}

// ---- refusals ----

TEST_F(LineGroups, OperationsWithoutTheirCallsAreRefused) {
    struct Case {
        const char* name;
        bool (TlkLineInternal::*operation)();
        const char* error;
        const char* closing;
    };
    static const Case cases[] = {
        {"transfer dial", &TlkLineInternal::TransferDial, "LINEERR_CALLUNAVAIL",
         "\tTransfer.Dial - Returned = False"},
        {"conference dial", &TlkLineInternal::ConferenceDial, "LINEERR_CALLUNAVAIL",
         "\tConference.Dial - Returned = False"},
        {"transfer swap", &TlkLineInternal::TransferSwapHold, "LINEERR_INVALCALLHANDLE",
         "\tTransfer.SwapHold - Returned = False"},
        {"conference swap", &TlkLineInternal::ConferenceSwapHold, "LINEERR_INVALCALLHANDLE",
         "\tConference.SwapHold - Returned = False"},
        {"add", &TlkLineInternal::ConferenceAddCall, "LINEERR_INVALCALLHANDLE",
         "\tConference.AddCall - Returned = False"},
        {"complete", &TlkLineInternal::TransferComplete, "LINEERR_INVALCALLHANDLE",
         "\tTransfer.Complete - Returned = False"},
        {"three-way", &TlkLineInternal::TransferThreeWay, "LINEERR_INVALCALLHANDLE",
         "\tTransfer.ThreeWay - Returned = False"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.take();
        EXPECT_FALSE((line.get()->*c.operation)());
        EXPECT_EQ(line->Error().Name(), c.error);
        EXPECT_EQ(line->log().Lines().back(), c.closing);
        EXPECT_EQ(recorder.take(), Lines{"OnError"});
        EXPECT_EQ(line->Call.Records.size(), 1u);
    }
}

// A set-up that fails at any step leaves the primary current and alone, and no call it made
// behind: not in the list, not kept, not up at the switch.
TEST_F(LineGroups, FailedSetUpsLetGoOfTheirCalls) {
    struct Case {
        const char* name;
        bool conference;
        const char* function;  // the exchange function that fails
        tapi::ReplyPolicy policy;
        LONG refusal;  // returned at once instead
        const char* error;
    };
    static const Case cases[] = {
        {"transfer refused",
         false,
         "lineSetupTransfer",
         {},
         LINEERR_OPERATIONUNAVAIL,
         "LINEERR_OPERATIONUNAVAIL"},
        {"transfer reply fails",
         false,
         "lineSetupTransfer",
         {0, LINEERR_NOTOWNER},
         0,
         "LINEERR_NOTOWNER"},
        {"transfer reply late", false, "lineSetupTransfer", {3000}, 0, "TAPIREPLYTIMEOUT"},
        {"transfer dial refused",
         false,
         "lineDial",
         {},
         LINEERR_INVALCALLSTATE,
         "LINEERR_INVALCALLSTATE"},
        {"transfer dial fails",
         false,
         "lineDial",
         {0, LINEERR_OPERATIONFAILED},
         0,
         "LINEERR_OPERATIONFAILED"},
        {"conference refused",
         true,
         "lineSetupConference",
         {},
         LINEERR_NOTOWNER,
         "LINEERR_NOTOWNER"},
        {"conference reply fails",
         true,
         "lineSetupConference",
         {0, LINEERR_OPERATIONFAILED},
         0,
         "LINEERR_OPERATIONFAILED"},
        {"conference reply late", true, "lineSetupConference", {3000}, 0, "TAPIREPLYTIMEOUT"},
        {"conference dial fails",
         true,
         "lineDial",
         {0, LINEERR_OPERATIONUNAVAIL},
         0,
         "LINEERR_OPERATIONUNAVAIL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD primary = connectedCall();
        if (c.refusal != 0)
            exchange().setInjectedFailure(c.function, c.refusal);
        else
            exchange().setReplyPolicy(c.function, c.policy);
        line->TAPI.ReplyTimeout = 1000;
        line->SetTransferPrimaryCall(primary);
        line->SetConferencePrimaryCall(primary);
        line->SetTransferPhoneNumber("201");
        line->SetConferencePhoneNumber("201");

        EXPECT_FALSE(c.conference ? line->ConferenceDial() : line->TransferDial());
        EXPECT_EQ(line->Error().Name(), c.error);
        time.advance(5s);  // a late reply comes meanwhile
        EXPECT_EQ(line->Call.Handle, primary);
        EXPECT_EQ(line->Call.List, listOf({primary}));
        EXPECT_EQ(line->Call.Records.size(), 2u);
        EXPECT_EQ(exchange().callsOn(0).size(), 1u);
        EXPECT_EQ(line->Transfer.ConsultCall, 0u);
        EXPECT_EQ(line->Conference.Handle, 0u);
        EXPECT_TRUE(line->Conference.List.empty());

        exchange().setInjectedFailure(c.function, 0);
        exchange().setReplyPolicy(c.function, {});
        line->TAPI.ReplyTimeout = 60000;
        ASSERT_GT(lineDrop(primary, nullptr, 0), 0);
        time.advance(10ms);
        ASSERT_EQ(line->Call.Count, 0);
    }
}

// The control destroyed, or its line closed, while a set-up waits: the operation ends at once
// with False and touches nothing that went.
TEST_F(LineGroups, SetUpsEndWhenTheControlOrItsLineGoesDuringTheWait) {
    struct Case {
        const char* name;
        bool conference;
        bool destroy;  // else the line closes
    };
    static const Case cases[] = {
        {"conference, control destroyed", true, true},
        {"conference, line closed", true, false},
        {"transfer, line closed", false, false},
        {"transfer, control destroyed", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line.reset();
        exchange().reset();
        line = std::make_unique<TlkLineInternal>();
        line->SetDeviceActive(true);
        const DWORD primary = connectedCall();
        exchange().setReplyPolicy(c.conference ? "lineSetupConference" : "lineSetupTransfer",
                                  {500});
        line->SetConferencePrimaryCall(primary);
        line->SetTransferPrimaryCall(primary);
        core::OneShot interruption;
        interruption.start(100, [this, &c] {
            if (c.destroy)
                line.reset();
            else
                exchange().forceClose(0);
        });
        EXPECT_FALSE(c.conference ? line->ConferenceDial() : line->TransferDial());
        EXPECT_EQ(line == nullptr, c.destroy);
        time.advance(1s);  // a reply that still comes finds nothing to write into
        if (line) {
            EXPECT_FALSE(line->Device.Active);
            EXPECT_EQ(line->Call.Count, 0);
        }
    }
}

}  // namespace
