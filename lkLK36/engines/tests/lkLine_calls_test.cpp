// The Line engine's messages, events and call records, driven by the simulated exchange in
// virtual time.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/testing/recording_vantage_form.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/provider.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

tapi::IncomingCall caller(const std::string& number, const std::string& name) {
    tapi::IncomingCall call;
    call.number = number;
    call.name = name;
    return call;
}

// A caller whose number is known as the call is offered.
tapi::IncomingCall knownCaller(const std::string& number, const std::string& name) {
    tapi::IncomingCall call = caller(number, name);
    call.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
    return call;
}

class LineCalls : public LineTest {
  protected:
    LineCalls() {
        newLine();
        recorder.attach(*line);
        line->SetDeviceActive(true);
        recorder.take();
    }

    DWORD_PTR instance() const { return reinterpret_cast<DWORD_PTR>(line.get()); }
    // A message as TAPI would deliver it to this control.
    void deliver(DWORD device, DWORD message, DWORD p1, DWORD p2 = 0, DWORD p3 = 0) {
        LineCallback(device, message, instance(), p1, p2, p3);
    }
    // Rings line 1 and lets the call arrive.
    DWORD ringAndOffer(const tapi::IncomingCall& call) {
        EXPECT_NE(exchange().ring(0, call), 0u);
        time.advance(10ms);
        return line->Call.Handle;
    }
};

// ---- a whole incoming call ----

TEST_F(LineCalls, AnIncomingCallRaisesItsEventsAndLogsInOrder) {
    std::string numberSeen, nameSeen;
    recorder.during["OnCallerID"] = [&](TlkLineInternal& l, DWORD) {
        numberSeen = l.Call.CallerID.GetNumber();
        nameSeen = l.Call.CallerID.GetName();
    };
    const std::size_t mark = logMark();
    ASSERT_NE(exchange().ring(0, caller("01632960123", "ANN SMITH")), 0u);
    time.advance(1600ms);  // the number is decoded after the first ring
    const DWORD call = line->Call.Handle;
    ASSERT_NE(call, 0u);
    EXPECT_EQ(line->Call.List, (TlkStringList{"00000000", Hex8(call)}));
    ASSERT_TRUE(exchange().hangup(0));
    time.advance(10ms);

    EXPECT_EQ(recorder.events,
              (Lines{"OnCallBegin c1", "OnCallState c1", "OnOffering c1", "OnRing 0 1",
                     "OnCallInfo c1", "OnCallerID c1", "OnCallState c1", "OnDisconnected c1",
                     "OnCallState c1", "OnCallEnd c1", "OnIdle c1"}));
    EXPECT_EQ(numberSeen, "016-329-60123");
    EXPECT_EQ(nameSeen, "Ann Smith");
    const std::string h = Hex8(call);
    EXPECT_EQ(
        logSince(mark),
        (Lines{"OnCallBegin [" + h + "]", "\tCall.Began = 09:00:00", "OnOffering [" + h + "]",
               "OnRing (0, 1)", "OnCallerID [" + h + "]", "\tCall.CallerID.Blocked = False",
               "\tCall.CallerID.Name = 'ANN SMITH'", "\tCall.CallerID.Number = '01632960123'",
               "\tCall.CallerID.OutOfArea = False", "\tCall.CallerID.Flags = [0000000C]",
               "\t\tLINECALLPARTYID_NAME", "\t\tLINECALLPARTYID_ADDRESS",
               "OnDisconnected [" + h + "]", "OnCallEnd [" + h + "]", "\tCall.Ended = 09:00:01",
               "OnCallIdle [" + h + "]", "Call.Handle = 00000000"}));
    EXPECT_EQ(line->Call.Handle, 0u);
    EXPECT_EQ(line->Call.Count, 0);
    EXPECT_EQ(line->Call.List, TlkStringList{"00000000"});
    EXPECT_EQ(line->Call.Records.size(), 1u);  // the placeholder only
    EXPECT_FALSE(line->Call.Active);
    EXPECT_EQ(line->Error().Number(), 0);
}

TEST_F(LineCalls, CallerIdVariantsReachTheHandlers) {
    using Timing = tapi::IncomingCall::CallerIdTiming;
    struct Case {
        const char* name;
        tapi::IncomingCall call;
        const char* readIn;  // the event inside which the number is read
        Lines events;
        const char* number;  // as the caller-ID program reads it
        const char* callerName;
        bool blocked, outOfArea;
    };
    tapi::IncomingCall atOffering = caller("5551234567", "JOHN SMITH");
    atOffering.callerIdTiming = Timing::AtOffering;
    tapi::IncomingCall withheld;
    withheld.withheld = true;
    tapi::IncomingCall outOfArea;
    outOfArea.outOfArea = true;
    const Case cases[] = {
        {"at offering",
         atOffering,
         "OnOffering",
         {"OnCallBegin c1", "OnCallState c1", "OnOffering c1", "OnRing 0 1"},
         "555-123-4567",
         "John Smith",
         false,
         false},
        {"withheld",
         withheld,
         "OnCallerID",
         {"OnCallBegin c1", "OnCallState c1", "OnOffering c1", "OnRing 0 1", "OnCallInfo c1",
          "OnCallerID c1"},
         "   -   -    ",
         "",
         true,
         false},
        {"out of area",
         outOfArea,
         "OnCallerID",
         {"OnCallBegin c1", "OnCallState c1", "OnOffering c1", "OnRing 0 1", "OnCallInfo c1",
          "OnCallerID c1"},
         "   -   -    ",
         "",
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineEventRecorder events;
        events.attach(*line);
        std::string number = "unread", name;
        bool blocked = false, outside = false;
        events.during[c.readIn] = [&](TlkLineInternal& l, DWORD) {
            number = l.Call.CallerID.GetNumber();
            name = l.Call.CallerID.GetName();
            blocked = l.Call.CallerID.Blocked;
            outside = l.Call.CallerID.OutOfArea;
        };
        ASSERT_NE(exchange().ring(0, c.call), 0u);
        time.advance(1600ms);
        EXPECT_EQ(events.events, c.events);
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(name, c.callerName);
        EXPECT_EQ(blocked, c.blocked);
        EXPECT_EQ(outside, c.outOfArea);
        ASSERT_TRUE(exchange().hangup(0));
        time.advance(10ms);
        EXPECT_EQ(events.of("c1").back(), "OnIdle");
        EXPECT_EQ(line->Call.Count, 0);
    }
}

TEST_F(LineCalls, OnIdleFollowsTheIdleDelay) {
    struct Case {
        LONG idleDelay;
        bool idleAtOnce;
        Lines logTail;
    };
    const Case cases[] = {
        {0, true, {}},
        {-5, true, {}},  // cannot be timed: at once, as with 0
        {500, false, {"\tDelaying", "\t\tlkLine.Device.IdleDelay = 500 //milliseconds"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.idleDelay);
        LineEventRecorder events;
        events.attach(*line);
        line->Device.IdleDelay = c.idleDelay;
        const DWORD call = ringAndOffer(tapi::IncomingCall{});
        const std::size_t mark = logMark();
        ASSERT_TRUE(exchange().hangup(0));
        time.advance(10ms);
        const Lines logged = logSince(mark);
        const std::string idle = "OnCallIdle [" + Hex8(call) + "]";
        const auto at = std::find(logged.begin(), logged.end(), idle);
        ASSERT_NE(at, logged.end());
        EXPECT_EQ(Lines(at + 1, at + 1 + static_cast<std::ptrdiff_t>(c.logTail.size())), c.logTail);
        EXPECT_EQ(events.events.back() == "OnIdle c1", c.idleAtOnce);
        if (!c.idleAtOnce) {
            time.advance(480ms);
            EXPECT_EQ(events.events.back(), "OnCallEnd c1");
            time.advance(20ms);
            // The handle that is current when the delay ends: none by then.
            EXPECT_EQ(events.events.back(), "OnIdle 0");
            EXPECT_EQ(line->log().Lines().back(), "\tlkLine.Device.IdleDelay - Complete ");
        }
    }
}

TEST_F(LineCalls, TwoCallsAtOnceKeepTheirOwnRecords) {
    const DWORD first = ringAndOffer(knownCaller("01632960123", "ANN SMITH"));
    ASSERT_NE(first, 0u);
    // A second call on the same line: a call picked up from elsewhere.
    HCALL second = 0;
    ASSERT_GT(linePickup(line->LineHandle(), 0, &second, "201", ""), 0);
    time.advance(10ms);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(line->Call.Handle, first);  // the first call stays current
    EXPECT_EQ(line->Call.List, (TlkStringList{"00000000", Hex8(first), Hex8(second)}));
    EXPECT_EQ(line->Call.CallerID.Number, "01632960123");

    // The current call ends: the other one becomes current with what it kept.
    const std::size_t mark = logMark();
    ASSERT_GT(lineDrop(first, nullptr, 0), 0);
    time.advance(10ms);
    EXPECT_EQ(line->Call.Handle, second);
    EXPECT_EQ(line->Call.Count, 1);
    EXPECT_EQ(line->Call.State, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(line->Call.CallerID.Number, "");
    EXPECT_NE(line->Call.Began, 0);
    EXPECT_EQ(logSince(mark).back(), "Call.Handle = " + Hex8(second));

    ASSERT_TRUE(exchange().hangup(0));
    time.advance(10ms);
    ASSERT_GT(lineDrop(second, nullptr, 0), 0);
    time.advance(10ms);
    EXPECT_EQ(line->Call.Count, 0);
    EXPECT_EQ(line->Call.Handle, 0u);

    EXPECT_EQ(recorder.of("c1"), (Lines{"OnCallBegin", "OnCallState", "OnOffering", "OnCallState",
                                        "OnCallEnd", "OnIdle"}));
    EXPECT_EQ(recorder.of("c2"), (Lines{"OnCallState", "OnCallBegin", "OnConnected", "OnCallState",
                                        "OnDisconnected", "OnCallState", "OnCallEnd", "OnIdle"}));
}

// ---- states and messages ----

TEST_F(LineCalls, EachCallStateHasItsOwnStep) {
    struct Case {
        DWORD state;
        DWORD mode;
        Lines events;  // after OnCallState
        const char* logged;
    };
    const Case cases[] = {
        {LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL, {"OnDialtone c1"}, "OnDialTone"},
        {LINECALLSTATE_DIALING, 0, {"OnDialing c1"}, "OnDialing"},
        {LINECALLSTATE_RINGBACK, 0, {"OnRingBack c1"}, "OnRingBack"},
        {LINECALLSTATE_BUSY, LINEBUSYMODE_STATION, {"OnBusy c1"}, "OnBusy"},
        {LINECALLSTATE_SPECIALINFO,
         LINESPECIALINFO_NOCIRCUIT,
         {"OnSpecialInfo c1"},
         "OnSpecialInfo"},
        {LINECALLSTATE_PROCEEDING, 0, {"OnProceeding c1"}, "OnProceeding"},
        {LINECALLSTATE_ONHOLD, 0, {"OnHold c1"}, "OnHold"},
        {LINECALLSTATE_CONFERENCED, 0, {"OnConferenced c1"}, "OnConferenced"},
        {LINECALLSTATE_ONHOLDPENDCONF,
         0,
         {"OnHoldPendingConference c1"},
         "OnHoldPendingConference"},
        {LINECALLSTATE_ONHOLDPENDTRANSFER,
         0,
         {"OnHoldPendingTransfer c1"},
         "OnHoldPendingTransfer"},
        // A busy far end seen only in the disconnect mode is still announced, first.
        {LINECALLSTATE_DISCONNECTED,
         LINEDISCONNECTMODE_BUSY,
         {"OnBusy c1", "OnDisconnected c1"},
         "OnDisconnected"},
        {LINECALLSTATE_ACCEPTED, 0, {}, nullptr},
        {LINECALLSTATE_UNKNOWN, 0, {}, nullptr},
    };
    const DWORD call = ringAndOffer(tapi::IncomingCall{});
    recorder.take();
    for (const Case& c : cases) {
        SCOPED_TRACE(LineCallStateName(static_cast<LONG>(c.state)));
        const std::size_t mark = logMark();
        deliver(call, LINE_CALLSTATE, c.state, c.mode);
        Lines expected{"OnCallState c1"};
        expected.insert(expected.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(recorder.take(), expected);
        const Lines logged = logSince(mark);
        if (c.logged) {
            EXPECT_EQ(logged.back(), std::string(c.logged) + " [" + Hex8(call) + "]");
        } else {
            EXPECT_EQ(logged, Lines{});
        }
    }
    const TlkCallRecord* record = line->FindCallRecord(call);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->DialToneMode, LINEDIALTONEMODE_NORMAL);
    EXPECT_EQ(record->SpecialInfo, LINESPECIALINFO_NOCIRCUIT);
    EXPECT_EQ(record->DisconnectMode, LINEDISCONNECTMODE_BUSY);
    EXPECT_EQ(record->BusyMode, LINEBUSYMODE_UNAVAIL);
    EXPECT_NE(record->Disconnected, 0);
}

TEST_F(LineCalls, TheCallbackDropsWhatIsNotForARunningControl) {
    struct Case {
        const char* name;
        bool ready;
        bool withInstance;
        DWORD message;
        DWORD p1;
        bool offered;
    };
    static constexpr Case cases[] = {
        {"unknown message", true, true, 99, 1, true},
        {"device specific", true, true, LINE_DEVSPECIFIC, 1, true},
        {"before the library is ready", false, true, 99, 1, false},
        {"no instance", true, false, 99, 1, false},
        {"re-initialisation", true, true, LINE_LINEDEVSTATE, LINEDEVSTATE_REINIT, false},
    };
    std::vector<std::string> offered;
    line->OnTAPIMessage = [&](TlkLineInternal&, DWORD, DWORD message, DWORD p1, DWORD p2,
                              DWORD p3) {
        offered.push_back(std::to_string(message) + " " + std::to_string(p1) + " " +
                          std::to_string(p2) + " " + std::to_string(p3));
    };
    line->Vantage().SetEvents(false);  // OnTAPIMessage does not depend on it
    line->Popup.OnTAPIMessage = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        offered.clear();
        setLkLibraryReady(c.ready);
        const std::size_t mark = logMark();
        LineCallback(line->LineHandle(), c.message, c.withInstance ? instance() : 0, c.p1, 2, 3);
        setLkLibraryReady(true);
        EXPECT_EQ(offered.size(), c.offered ? 1u : 0u);
        if (!c.offered)
            continue;
        EXPECT_EQ(offered[0], std::to_string(c.message) + " 1 2 3");
        EXPECT_EQ(logSince(mark),
                  (Lines{"OnTAPIMessage", "\tCall = [" + Hex8(line->LineHandle()) + "]",
                         "\tMessage = [" + Hex8(c.message) + "]", "\tParameter 1 = [00000001]",
                         "\tParameter 2 = [00000002]", "\tParameter 3 = [00000003]"}));
    }
    EXPECT_EQ(recorder.events, Lines{});
}

TEST_F(LineCalls, WithEventsOffOnlyTheRawMessagesReachTheHost) {
    int raw = 0;
    line->OnTAPIMessage = [&](TlkLineInternal&, DWORD, DWORD, DWORD, DWORD, DWORD) { ++raw; };
    line->Vantage().SetEvents(false);
    const std::size_t mark = logMark();
    ringAndOffer(caller("01632960123", ""));
    EXPECT_EQ(recorder.events, Lines{});
    EXPECT_EQ(raw, 3);                     // APPNEWCALL, CALLSTATE, LINEDEVSTATE
    EXPECT_EQ(logSince(mark).size(), 4u);  // the logs are written all the same
}

TEST_F(LineCalls, PartyEventsFollowTheirBitsInOrder) {
    const DWORD call = ringAndOffer(tapi::IncomingCall{});
    recorder.take();
    struct Case {
        DWORD states;
        Lines events;
    };
    const Case cases[] = {
        {0, {"OnCallInfo c1"}},
        {LINECALLINFOSTATE_CALLERID, {"OnCallInfo c1", "OnCallerID c1"}},
        {LINECALLINFOSTATE_REDIRECTINGID | LINECALLINFOSTATE_CALLEDID | LINECALLINFOSTATE_CALLERID |
             LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID,
         {"OnCallInfo c1", "OnCallerID c1", "OnCalledID c1", "OnConnectedID c1",
          "OnRedirectionID c1", "OnRedirectingID c1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.states);
        deliver(call, LINE_CALLINFO, c.states);
        EXPECT_EQ(recorder.take(), c.events);
    }
    // Information about a call never seen begins it first.
    deliver(0x4242, LINE_CALLINFO, LINECALLINFOSTATE_CALLERID);
    EXPECT_EQ(recorder.take(), (Lines{"OnCallBegin c2", "OnCallInfo c2", "OnCallerID c2"}));
}

TEST_F(LineCalls, LineEventsAndTheirLogLines) {
    struct Case {
        DWORD message;
        DWORD p1, p2, p3;
        Lines events;
        Lines logged;
    };
    const Case cases[] = {
        {LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 1, 2, {"OnRing 2 1"}, {"OnRing (2, 1)"}},
        {LINE_LINEDEVSTATE,
         LINEDEVSTATE_MSGWAITON | LINEDEVSTATE_MSGWAITOFF,
         0,
         0,
         {"OnMessageOn", "OnMessageOff"},
         {}},
        {LINE_ADDRESSSTATE,
         0,
         LINEADDRESSSTATE_FORWARD,
         0,
         {"OnAddressForward 0"},
         {"OnAddressForward (0)"}},
        {LINE_ADDRESSSTATE, 0, LINEADDRESSSTATE_NUMCALLS, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::size_t mark = logMark();
        deliver(line->LineHandle(), c.message, c.p1, c.p2, c.p3);
        EXPECT_EQ(recorder.take(), c.events);
        EXPECT_EQ(logSince(mark), c.logged);
    }
}

TEST_F(LineCalls, ForcedClosesEndTheLine) {
    struct Case {
        const char* name;
        void (tapi::Exchange::*close)(DWORD);
        const char* logged;
    };
    static constexpr Case cases[] = {
        {"LINE_CLOSE", &tapi::Exchange::forceClose, "TAPI LINE_CLOSE message received"},
        {"cable pulled", &tapi::Exchange::disconnectLine,
         "TAPI LINEDEVSTATE_DISCONNECTED message received"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!line->Device.Active)
            line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active);
        ringAndOffer(tapi::IncomingCall{});
        const std::size_t mark = logMark();
        (exchange().*c.close)(0);
        time.advance(10ms);
        EXPECT_FALSE(line->Device.Active);
        EXPECT_EQ(line->Call.Count, 0);
        EXPECT_EQ(line->Call.Records.size(), 1u);
        EXPECT_EQ(line->Call.Handle, 0u);
        const Lines logged = logSince(mark);
        EXPECT_NE(std::find(logged.begin(), logged.end(), c.logged), logged.end());
        exchange().hangup(0);
        time.advance(10ms);
    }
    // Closed for good at TAPI too: opening again gives the only open of the line.
    line->SetDeviceActive(true);
    EXPECT_EQ(line->Device.OpenCount, 1u);
}

TEST_F(LineCalls, PopupFlagsAddTheirLogLinesAndShowTheMonitor) {
    RecordingVantageForms forms;
    line->Popup.OnCallState = true;
    line->Popup.OnCallInfo = true;
    const std::size_t mark = logMark();
    ASSERT_NE(exchange().ring(0, caller("01632960123", "")), 0u);
    time.advance(1600ms);
    const std::string h = Hex8(line->Call.Handle);
    const Lines logged = logSince(mark);
    const Lines offering{"OnCallState [" + h + "]",
                         "\tCall.State = LINECALLSTATE_OFFERING [00000002]",
                         "\tCall.StateMode = Not applicable [00000001]"};
    EXPECT_EQ(Lines(logged.begin() + 2, logged.begin() + 5), offering);
    const auto info = std::find(logged.begin(), logged.end(), "OnCallInfo [" + h + "]");
    ASSERT_NE(info, logged.end());
    EXPECT_EQ(Lines(info + 1, info + 7),
              (Lines{"\tCall = [" + h + "]", "\tMessage = [00000001]", "\tParameter 1 = [00008000]",
                     "\tParameter 2 = [00000000]", "\tParameter 3 = [00000000]",
                     "OnCallerID [" + h + "]"}));
    ASSERT_EQ(forms.forms.size(), 1u);
    EXPECT_NE(std::find(forms.last().calls.begin(), forms.last().calls.end(), "showLogPage"),
              forms.last().calls.end());
}

TEST_F(LineCalls, MonitorsAskedForBeforeTheCallConnectsReportOnIt) {
    const DWORD call = ringAndOffer(tapi::IncomingCall{});
    // What the monitor switches store for a call that is not active yet: the current call's
    // settings, copied into its record.
    TlkCall& current = line->Call;
    current.Tag = 7;
    current.GatherDigits = TlkGatherDigits{true, 3, "#", 5000};
    current.MonitorDigits.Active = true;
    current.MonitorSilence = TlkMonitorSilence{true, 300};
    current.MonitorMediaModes = TlkMonitorMediaModes{true, LINEMEDIAMODE_G3FAX};
    line->SaveCallRecord(call);
    recorder.take();
    const std::size_t mark = logMark();
    ASSERT_GT(lineAnswer(call, nullptr, 0), 0);
    time.advance(10ms);
    const Lines logged = logSince(mark);
    for (const char* applied :
         {"Call.GatherDigits.Active := True", "Call.MonitorDigits.Active := True",
          "Call.MonitorSilence.Active := True", "Call.MonitorMediaModes.Active := True"}) {
        EXPECT_NE(std::find(logged.begin(), logged.end(), applied), logged.end()) << applied;
    }
    EXPECT_EQ(line->Error().Number(), 0) << line->Error().Name();
    recorder.take();

    ASSERT_TRUE(exchange().sendDigits(0, "1#"));
    time.advance(500ms);
    EXPECT_EQ(recorder.take(), (Lines{"OnDigitReceived 1 7 c1", "OnDigitReceived # 7 c1",
                                      "OnDigitsGathered '1#' 2 7 c1"}));
    EXPECT_FALSE(line->Call.GatherDigits.Active);
    ASSERT_TRUE(exchange().startTone(0));
    time.advance(310ms);
    ASSERT_TRUE(exchange().detectMedia(0, LINEMEDIAMODE_G3FAX));
    time.advance(10ms);
    line->GenerateKind = 1;
    ASSERT_EQ(lineGenerateDigits(call, LINEDIGITMODE_DTMF, "12", 0), 0);
    time.advance(1000ms);
    EXPECT_EQ(recorder.take(), (Lines{"OnSilence c1", "OnCallMediaModeChange c1", "OnCallInfo c1",
                                      "OnDigitsSent c1"}));
    EXPECT_EQ(line->Call.MediaMode, LINEMEDIAMODE_G3FAX);
}

TEST_F(LineCalls, ADataCallHoldsItsCommHandleWhileConnected) {
    line->Comm.Enabled = true;
    tapi::IncomingCall modem;
    modem.mediaMode = LINEMEDIAMODE_DATAMODEM;
    const DWORD call = ringAndOffer(modem);
    ASSERT_GT(lineAnswer(call, nullptr, 0), 0);
    time.advance(10ms);
    ASSERT_TRUE(line->Comm.Available);
    const int descriptor = static_cast<int>(line->Comm.Handle);
    EXPECT_NE(fcntl(descriptor, F_GETFD), -1);
    ASSERT_TRUE(exchange().hangup(0));
    time.advance(10ms);
    EXPECT_FALSE(line->Comm.Available);
    EXPECT_EQ(line->Comm.Handle, 0u);
    EXPECT_EQ(fcntl(descriptor, F_GETFD), -1);  // closed
}

// ---- replies ----

class LineReplies : public LineCalls {
  protected:
    // An incoming call this control answered; it is current and owned.
    DWORD connectedCall() {
        const DWORD call = ringAndOffer(tapi::IncomingCall{});
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        time.advance(10ms);
        EXPECT_EQ(line->Call.State, LINECALLSTATE_CONNECTED);
        recorder.take();
        return call;
    }
};

TEST_F(LineReplies, AStateChangeBeforeItsReply) {
    const DWORD call = connectedCall();
    tapi::ReplyPolicy policy;
    policy.stateChangeBeforeReply = true;
    exchange().setReplyPolicy("lineHold", policy);
    line->Popup.OnTAPIReply = true;
    const std::size_t mark = logMark();
    EXPECT_TRUE(line->Call.Hold());
    EXPECT_EQ(recorder.take(), (Lines{"OnCallState c1", "OnHold c1", "OnTAPIReply 0"}));
    const Lines logged = logSince(mark);
    EXPECT_EQ(logged.front(), "Call.Hold [" + Hex8(call) + "]");
    EXPECT_NE(std::find(logged.begin(), logged.end(), "OnTAPIReply - Call.Hold"), logged.end());
    EXPECT_EQ(logged.back(), "\tCall.Hold - Returned = True");
    EXPECT_EQ(line->FindCallRecord(call)->slot(TlkRequestSlot::Hold), 0);
}

TEST_F(LineReplies, AReplyAfterTheCallWentIdleStillEndsTheWait) {
    const DWORD call = connectedCall();
    tapi::ReplyPolicy slow;
    slow.delayMs = 1000;
    exchange().setReplyPolicy("lineHold", slow);
    // While the hold waits, the call is dropped and goes idle: its record is released.
    core::OneShot dropMeanwhile;
    dropMeanwhile.start(200, [call] { lineDrop(call, nullptr, 0); });
    line->Popup.OnTAPIReply = true;
    const std::size_t mark = logMark();
    const auto started = std::chrono::milliseconds(GetTickCount());
    EXPECT_TRUE(line->Call.Hold());
    EXPECT_LT(std::chrono::milliseconds(GetTickCount()) - started, 2000ms);
    EXPECT_EQ(line->Error().Number(), 0);
    EXPECT_EQ(line->FindCallRecord(call), nullptr);
    const Lines logged = logSince(mark);
    EXPECT_NE(std::find(logged.begin(), logged.end(), "OnTAPIReply - Call.Hold"), logged.end());
    EXPECT_EQ(recorder.of("c1"), (Lines{"OnCallBegin", "OnCallState", "OnOffering", "OnCallState",
                                        "OnConnected", "OnCallState", "OnCallEnd", "OnIdle"}));
}

TEST_F(LineReplies, AFailedReplyFailsItsOperationWhateverHandlersDoMeanwhile) {
    connectedCall();
    tapi::ReplyPolicy failing;
    failing.delayMs = 100;
    failing.result = LINEERR_OPERATIONFAILED;
    exchange().setReplyPolicy("lineHold", failing);
    // A host that calls the control from its error handler clears the error record.
    TlkLineInternal* control = line.get();
    line->OnError = [control] { control->Call.SetMediaMode(LINEMEDIAMODE_INTERACTIVEVOICE); };
    EXPECT_FALSE(line->Call.Hold());
    EXPECT_EQ(line->Error().Number(), LINEERR_OPERATIONFAILED);
    EXPECT_EQ(line->log().Lines().back(), "\tCall.Hold - Returned = False");
}

TEST_F(LineReplies, OperationsWithoutACallOrAReply) {
    line->Call.SetHandle(0);
    EXPECT_FALSE(line->Call.Hold());
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALCALLHANDLE);

    connectedCall();
    tapi::ReplyPolicy silent;
    silent.neverReply = true;
    exchange().setReplyPolicy("lineBlindTransfer", silent);
    line->TAPI.ReplyTimeout = 50;
    line->Call.PhoneNumber = "(555) 123-4567";
    line->Device.UnformatPhoneNumber = true;
    EXPECT_FALSE(line->Call.Transfer());
    EXPECT_EQ(line->Error().Number(), TAPIREPLYTIMEOUT);
    ASSERT_NE(exchange().lastRequest(tapi::Op::BlindTransfer), nullptr);
    EXPECT_EQ(exchange().lastRequest(tapi::Op::BlindTransfer)->text, "5551234567");
    // The late request stays known: its reply would still be matched.
    EXPECT_NE(line->FindCallRecord(line->Call.Handle)->slot(TlkRequestSlot::BlindTransfer), 0);
}

TEST_F(LineReplies, WaitForFlagWatchesTheCallsKeptState) {
    const DWORD call = connectedCall();
    line->TAPI.ReplyTimeout = 50;
    EXPECT_FALSE(line->Call.WaitForFlag(call, LINECALLSTATE_DIALTONE | LINECALLSTATE_DIALING));
    EXPECT_FALSE(line->Call.WaitForFlag(0x4242, LINECALLSTATE_CONNECTED));  // not a known call
    line->TAPI.ReplyTimeout = 60000;
    ASSERT_GT(lineHold(call), 0);
    EXPECT_TRUE(line->Call.WaitForFlag(call, LINECALLSTATE_ONHOLD));
    EXPECT_EQ(line->Call.GetCallState(call), LINECALLSTATE_ONHOLD);
}

TEST_F(LineReplies, AWaitEndsWhenTheLineClosesOrTheControlGoes) {
    connectedCall();
    tapi::ReplyPolicy slow;
    slow.delayMs = 1000;
    exchange().setReplyPolicy("lineHold", slow);
    core::OneShot closeMeanwhile;
    closeMeanwhile.start(200, [] { exchange().forceClose(0); });
    EXPECT_FALSE(line->Call.Hold());
    EXPECT_FALSE(line->Device.Active);
    EXPECT_EQ(line->log().Lines().back(), "\tCall.Hold - Returned = False");

    line->SetDeviceActive(true);
    connectedCall();
    core::OneShot destroyMeanwhile;
    destroyMeanwhile.start(200, [this] { line.reset(); });
    TlkCall& call = line->Call;
    EXPECT_FALSE(call.Hold());
    EXPECT_EQ(line, nullptr);
}

// A call-creating request, as the call operations make one: its record waits for the handle,
// which TAPI writes into a cell the control keeps until the reply.
TEST_F(LineReplies, ACallCreatingReplyListsItsCallOrLetsItGo) {
    for (const bool recordKept : {true, false}) {
        SCOPED_TRACE(recordKept ? "record kept" : "record gone");
        TlkCallRecord* fresh = line->AddCallRecord(TlkRecordKind::ByHandle, 0);
        HCALL* cell = line->newHandleCell();
        const LONG request = linePickup(line->LineHandle(), 0, cell, "201", "");
        ASSERT_GT(request, 0);
        line->bindHandleCell(cell, request);
        fresh->slot(TlkRequestSlot::Pickup) = request;
        line->TAPI.expectReply(request);
        if (!recordKept)
            line->RemoveCallRecord(fresh);  // the operation gave up on it
        EXPECT_TRUE(line->TAPI.WaitForReply(request).succeeded());
        time.advance(10ms);
        if (recordKept) {
            ASSERT_NE(fresh->Handle, 0u);
            EXPECT_EQ(line->IndexOfCallHandle(fresh->Handle), 1);
            EXPECT_EQ(line->Call.Count, 1);
            ASSERT_GT(lineDrop(fresh->Handle, nullptr, 0), 0);
            time.advance(10ms);
        } else {
            EXPECT_EQ(line->Call.Count, 0);
            EXPECT_EQ(exchange().currentCall(0), 0u);  // no call stays up unseen
        }
    }
}

TEST_F(LineReplies, AReplyNobodyWaitsForOnlyReachesTheHost) {
    const std::size_t mark = logMark();
    deliver(0, LINE_REPLY, 12345, static_cast<DWORD>(LINEERR_OPERATIONFAILED));
    EXPECT_EQ(recorder.take(), (Lines{"OnTAPIReply " + std::to_string(LINEERR_OPERATIONFAILED)}));
    EXPECT_EQ(logSince(mark), Lines{});
    EXPECT_EQ(line->Error().Number(), 0);
}

// ---- re-entrancy ----

TEST_F(LineCalls, MessagesArriveNestedWhileAHandlerPumps) {
    tapi::IncomingCall call = caller("01632960123", "ANN SMITH");
    call.ringIntervalMs = 100;
    call.callerIdDelayMs = 50;
    call.hangUpAfterRings = 4;
    // The host's caller-ID handler takes its time, handling messages as it waits: the rings,
    // the hang-up and the end of the call all come inside it.
    recorder.during["OnCallerID"] = [](TlkLineInternal& l, DWORD) {
        DelayPumping(1000, l.lifeGuard());
    };
    ASSERT_NE(exchange().ring(0, call), 0u);
    time.advance(2000ms);
    EXPECT_EQ(
        recorder.events,
        (Lines{"OnCallBegin c1", "OnCallState c1", "OnOffering c1", "OnRing 0 1", "OnCallInfo c1",
               "OnCallerID c1", "OnRing 1 1", "OnRing 2 1", "OnRing 3 1", "OnCallState c1",
               "OnDisconnected c1", "OnCallState c1", "OnCallEnd c1", "OnIdle c1"}));
    // The party is logged once the handler returns; by then the call and its record are gone.
    const TlkStringList& logged = line->log().Lines();
    const auto party =
        std::find(logged.begin(), logged.end(), "OnCallerID [" + Hex8(recorder.handle("c1")) + "]");
    ASSERT_NE(party, logged.end());
    EXPECT_EQ(*(party + 2), "\tCall.CallerID.Name = ''");
    EXPECT_EQ(line->Call.Count, 0);
}

TEST_F(LineCalls, ALongBurstIsDeliveredInOrderWithoutDeepNesting) {
    constexpr DWORD burst = 20000;  // nested one inside the other, these would exhaust the stack
    std::vector<LONG> counts;
    line->OnRing = [&](TlkLineInternal&, LONG count, LONG) { counts.push_back(count); };
    for (DWORD ring = 0; ring < burst; ++ring)
        tapi::apiEvents().lineDevState(0, LINEDEVSTATE_RINGING, 1, ring);
    time.runUntilIdle();
    ASSERT_EQ(counts.size(), burst);
    for (DWORD ring = 0; ring < burst; ++ring)
        ASSERT_EQ(counts[ring], LONG(ring));
}

TEST_F(LineCalls, AFailingHandlerDoesNotStopTheCall) {
    recorder.during["OnOffering"] = [](TlkLineInternal&, DWORD) {
        throw std::runtime_error("host failed");
    };
    ringAndOffer(caller("01632960123", ""));
    ASSERT_TRUE(exchange().hangup(0));
    time.advance(10ms);
    EXPECT_EQ(recorder.of("c1").back(), "OnIdle");
    EXPECT_EQ(line->Call.Count, 0);
}

TEST_F(LineCalls, ADestroyedControlIsLeftAlone) {
    recorder.during["OnOffering"] = [this](TlkLineInternal&, DWORD) { line.reset(); };
    ASSERT_NE(exchange().ring(0, caller("01632960123", "")), 0u);
    time.advance(10ms);
    EXPECT_EQ(line, nullptr);
    time.advance(2000ms);  // further messages find no control
    EXPECT_EQ(recorder.events.back(), "OnOffering c1");
}

// ---- call records ----

TEST_F(LineCalls, ReadsCallInformationThatNeedsMoreThan4096Bytes) {
    exchange().setLargeStructures(true);
    ringAndOffer(knownCaller("01632960123", "ANN SMITH"));
    EXPECT_EQ(line->Call.CallerID.Number, "01632960123");
    EXPECT_EQ(line->Call.CallerID.Name, "ANN SMITH");
    EXPECT_EQ(line->Call.Origin, LINECALLORIGIN_EXTERNAL);
}

TEST_F(LineCalls, CallHandleSwitchesOnlyToKnownCalls) {
    const DWORD call = ringAndOffer(knownCaller("01632960123", "ANN SMITH"));
    line->Call.SetHandle(0);
    EXPECT_EQ(line->Call.Handle, 0u);
    EXPECT_EQ(line->Call.CallerID.Number, "");
    EXPECT_EQ(line->log().Lines().back(), "Call.Handle = 00000000");
    line->Call.SetHandle(0x7777);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(line->Call.Handle, 0u);
    line->Call.SetHandle(call);
    EXPECT_EQ(line->Call.Handle, call);
    EXPECT_TRUE(line->Call.Active);
    EXPECT_EQ(line->Call.CallerID.Number, "01632960123");  // read again for the call
    EXPECT_EQ(line->Call.State, LINECALLSTATE_OFFERING);
}

TEST_F(LineCalls, ListedHandlesAndRecordsStayInStep) {
    const DWORD call = ringAndOffer(tapi::IncomingCall{});
    EXPECT_EQ(line->AddCallRecord(TlkRecordKind::ByHandle, call), line->FindCallRecord(call));
    line->AddCallRecord(TlkRecordKind::FoundAtOpen, call);  // a second record, listed once
    EXPECT_EQ(line->Call.Count, 1);
    EXPECT_EQ(line->IndexOfCallHandle(call), 1);
    EXPECT_EQ(line->IndexOfCallHandle(0), 0);
    EXPECT_EQ(line->IndexOfCallHandle(0x4242), -1);
    EXPECT_FALSE(line->RemoveCallHandle(0x4242));
    EXPECT_FALSE(line->RemoveCallRecord(line->Call.Records.front().get()));  // the placeholder
}

TEST_F(LineCalls, BearerModeAsksForTheRatesOfTheMode) {
    struct Case {
        DWORD mode;
        DWORD minRate, maxRate;
    };
    static constexpr Case cases[] = {{LINEBEARERMODE_PASSTHROUGH, 110, 115200},
                                     {LINEBEARERMODE_VOICE, 3100, 3100}};
    ringAndOffer(tapi::IncomingCall{});
    ASSERT_GT(lineAnswer(line->Call.Handle, nullptr, 0), 0);
    time.advance(10ms);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_TRUE(line->Call.SetBearerMode(static_cast<LONG>(c.mode)));
        EXPECT_EQ(line->Call.BearerMode, c.mode);
        const tapi::Request* request = exchange().lastRequest(tapi::Op::SetCallParams);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->value2, c.minRate);
        EXPECT_EQ(request->value3, c.maxRate);
    }
}

}  // namespace
