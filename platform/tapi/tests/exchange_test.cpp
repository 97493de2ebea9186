// The exchange's scripted far ends for calls the applications make, its configuration, and the
// handset phone device.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/testing/names.h"
#include "platform/tapi/testing/recording_app.h"
#include "platform/tapi/tests/fresh_exchange.h"

using namespace std::chrono_literals;
using tapi::exchange;
using tapi::ExchangeConfig;
using tapi::RemoteParty;
using tapi::testing::errorName;
using tapi::testing::RecordingApp;
using Trace = std::vector<std::string>;

namespace {

TEST(OutgoingCalls, EachKindOfFarEndGivesItsStates) {
    struct Case {
        const char* name;
        RemoteParty party;
        bool dialTone;
        DWORD noAnswerSeconds;
        Trace expected;
    };
    RemoteParty answers;
    answers.answerAfterRings = 2;
    answers.ringIntervalMs = 4000;
    RemoteParty busy;
    busy.outcome = RemoteParty::Outcome::Busy;
    RemoteParty silent;
    silent.outcome = RemoteParty::Outcome::NoAnswer;
    const Case cases[] = {
        {"answered after two rings",
         answers,
         true,
         0,
         {"LINE_REPLY r1 OK@0", "LINE_CALLSTATE c1 DIALTONE@0", "LINE_CALLSTATE c1 DIALING@100",
          "LINE_CALLSTATE c1 PROCEEDING@1700", "LINE_CALLSTATE c1 RINGBACK@1700",
          "LINE_CALLSTATE c1 CONNECTED@9700", "LINE_CALLINFO c1 CONNECTEDID@9700"}},
        {"busy",
         busy,
         true,
         0,
         {"LINE_REPLY r1 OK@0", "LINE_CALLSTATE c1 DIALTONE@0", "LINE_CALLSTATE c1 DIALING@100",
          "LINE_CALLSTATE c1 PROCEEDING@1700", "LINE_CALLSTATE c1 BUSY@1700"}},
        {"no answer within the time-out",
         silent,
         true,
         30,
         {"LINE_REPLY r1 OK@0", "LINE_CALLSTATE c1 DIALTONE@0", "LINE_CALLSTATE c1 DIALING@100",
          "LINE_CALLSTATE c1 PROCEEDING@1700", "LINE_CALLSTATE c1 RINGBACK@1700",
          "LINE_CALLSTATE c1 DISCONNECTED@31700"}},
        {"no dial tone",
         answers,
         false,
         0,
         {"LINE_REPLY r1 OK@0", "LINE_CALLSTATE c1 DISCONNECTED@0"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        core::VirtualTime time;
        FreshExchange fresh;
        exchange().setRemoteParty("01632 960999", row.party);
        exchange().setDialTone(0, row.dialTone);
        RecordingApp app;
        const HLINE line = app.open(0);
        LINECALLPARAMS params{};
        params.dwTotalSize = sizeof params;
        params.dwNoAnswerTimeout = row.noAnswerSeconds;
        HCALL call = 0;
        app.request(lineMakeCall(line, &call, "01632960999", 0, &params));
        time.advance(60000ms);
        EXPECT_EQ(app.takeTimed(), row.expected);
    }
}

TEST(OutgoingCalls, AnAnsweringMachinePlaysIntoTheLineAndSendsDigits) {
    core::VirtualTime time;
    FreshExchange fresh;
    RemoteParty machine;
    machine.answerAfterRings = 1;
    machine.recording = "/tmp/greeting.wav";
    machine.digits = "5";
    machine.hangUpAfterMs = 3000;
    exchange().setDefaultRemoteParty(machine);
    RecordingApp app;
    const HLINE line = app.open(0);
    HCALL call = 0;
    ASSERT_GT(lineMakeCall(line, &call, "123", 0, nullptr), 0);
    time.advance(6000ms);
    ASSERT_NE(call, 0u);
    EXPECT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
    app.take();
    time.advance(10000ms);
    EXPECT_EQ(exchange().playedInto(0), std::vector<std::filesystem::path>{"/tmp/greeting.wav"});
    EXPECT_EQ(app.take(), (Trace{"LINE_CALLINFO c1 MONITORMODES", "LINE_MONITORDIGITS c1 5",
                                 "LINE_CALLSTATE c1 DISCONNECTED"}));
}

TEST(OutgoingCalls, TransferAndConferenceMoveTheCallsThroughTheirStates) {
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    const HLINE line = app.open(0);
    HCALL primary = 0, consult = 0, conference = 0;
    app.request(lineMakeCall(line, &primary, "123", 0, nullptr));
    time.advance(30000ms);
    app.take();
    app.request(lineSetupTransfer(primary, &consult, nullptr));
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_REPLY r2 OK", "LINE_CALLSTATE c1 ONHOLDPENDTRANSFER",
                                 "LINE_CALLSTATE c2 DIALTONE"}));
    // The held call cannot be named as the active one.
    EXPECT_EQ(errorName(lineSwapHold(primary, consult)), "LINEERR_INVALCALLSTATE");
    EXPECT_GT(lineSwapHold(consult, primary), 0);
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_REPLY r3 OK", "LINE_CALLSTATE c2 ONHOLDPENDTRANSFER",
                                 "LINE_CALLSTATE c1 CONNECTED"}));
    app.request(lineCompleteTransfer(primary, consult, &conference, LINETRANSFERMODE_CONFERENCE));
    time.runUntilIdle();
    EXPECT_NE(conference, 0u);
    EXPECT_EQ(app.take(),
              (Trace{"LINE_REPLY r4 OK", "LINE_CALLSTATE c3 CONNECTED",
                     "LINE_CALLSTATE c1 CONFERENCED", "LINE_CALLSTATE c2 CONFERENCED"}));
}

TEST(OutgoingCalls, ForwardingIsReportedInTheAddressStatus) {
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    const HLINE line = app.open(0);
    ASSERT_EQ(lineSetStatusMessages(line, 0, LINEADDRESSSTATE_FORWARD), 0);
    struct {
        LINEFORWARDLIST list;
        char dest[16];
    } forward{};
    forward.list.dwTotalSize = sizeof forward;
    forward.list.dwNumEntries = 1;
    forward.list.ForwardList[0].dwForwardMode = LINEFORWARDMODE_UNCOND;
    std::strcpy(forward.dest, "01632960555");
    forward.list.ForwardList[0].dwDestAddressSize = 12;
    forward.list.ForwardList[0].dwDestAddressOffset = offsetof(decltype(forward), dest);
    HCALL consult = 0xDEAD;
    app.request(lineForward(line, 0, 0, &forward.list, 3, &consult, nullptr));
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_REPLY r1 OK", "LINE_ADDRESSSTATE l1 0 64"}));
    EXPECT_EQ(consult, 0u);
    std::vector<BYTE> status(512);
    reinterpret_cast<LINEADDRESSSTATUS*>(status.data())->dwTotalSize = 512;
    ASSERT_EQ(lineGetAddressStatus(line, 0, reinterpret_cast<LINEADDRESSSTATUS*>(status.data())),
              0);
    const auto* s = reinterpret_cast<const LINEADDRESSSTATUS*>(status.data());
    ASSERT_EQ(s->dwForwardNumEntries, 1u);
    EXPECT_EQ(s->dwNumRingsNoAnswer, 3u);
    const auto* entry = reinterpret_cast<const LINEFORWARD*>(status.data() + s->dwForwardOffset);
    EXPECT_EQ(entry->dwForwardMode, LINEFORWARDMODE_UNCOND);
    EXPECT_STREQ(reinterpret_cast<const char*>(status.data() + entry->dwDestAddressOffset),
                 "01632960555");
}

TEST(ExchangeConfiguration, TheDefaultIsFourCallerIdModemsAndOneHandset) {
    const ExchangeConfig config = ExchangeConfig::defaults();
    ASSERT_EQ(config.lines.size(), 4u);
    ASSERT_EQ(config.phones.size(), 1u);
    std::set<std::string> names, providers;
    for (const auto& line : config.lines) {
        EXPECT_TRUE(line.callerId);
        EXPECT_TRUE(line.mediaModes & LINEMEDIAMODE_INTERACTIVEVOICE);
        names.insert(line.name);
        providers.insert(line.providerInfo);
    }
    EXPECT_EQ(names.size(), 4u) << "line names are not distinct";
    EXPECT_EQ(providers.size(), 4u) << "provider texts are not distinct";
}

TEST(ExchangeConfiguration, TextFormRowsAndTheirErrors) {
    struct Case {
        const char* text;
        const char* error;  // nullptr: parses
    };
    const Case cases[] = {
        {"[line]\nname=Kitchen\nmedia=voice,data\ncallerid=no\n[phone]\nline=1\n", nullptr},
        {"# comment only\n", nullptr},
        {"name=orphan\n", "line 1: key outside a [line] or [phone] section"},
        {"[line]\nmedia=telepathy\n", "line 2: bad value for media"},
        {"[line]\ncolour=red\n", "line 2: unknown line key \"colour\""},
        {"[line]\nwave=maybe\n", "line 2: bad value for wave"},
        {"[line]\nphone=2\n", "line 1 names a missing phone"},
        {"[line]\njust text\n", "line 2: expected key=value"},
        {"[phone]\nhookswitch=handset, telepathy\n", "line 2: bad value for hookswitch"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.text);
        std::string error;
        const auto config = ExchangeConfig::parse(row.text, &error);
        EXPECT_EQ(config.has_value(), row.error == nullptr);
        if (row.error) {
            EXPECT_EQ(error, row.error);
        }
    }
    const auto config = ExchangeConfig::parse(cases[0].text, nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->lines[0].name, "Kitchen");
    EXPECT_FALSE(config->lines[0].callerId);
    EXPECT_EQ(config->phones[0].line, 0u);
    core::VirtualTime time;
    exchange().reset(*config);
    RecordingApp app;
    EXPECT_EQ(app.deviceCount(), 1u);
}

// ---------------------------------------------------------------------------------------------

void recordPhone(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                 DWORD_PTR p3);

struct PhoneRecorder {
    std::vector<std::string> trace;
    HPHONEAPP app = 0;
    DWORD count = 0;
    PhoneRecorder() {
        DWORD version = TAPI_CURRENT_VERSION;
        PHONEINITIALIZEEXPARAMS params{};
        params.dwTotalSize = 28;
        params.dwOptions = PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        EXPECT_EQ(phoneInitializeEx(&app, nullptr, &recordPhone, "handset app", &count, &version,
                                    &params),
                  0);
    }
    ~PhoneRecorder() { phoneShutdown(app); }
    // Opens phone 0 as its owner, its messages recorded here.
    LONG openOwner(HPHONE& phone) {
        return phoneOpen(app, 0, &phone, TAPI_CURRENT_VERSION, 0, reinterpret_cast<DWORD_PTR>(this),
                         PHONEPRIVILEGE_OWNER);
    }
};

void recordPhone(DWORD, DWORD message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                 DWORD_PTR p3) {
    auto* r = reinterpret_cast<PhoneRecorder*>(instance);
    std::string text = tapi::testing::messageName(message);
    if (message == PHONE_STATE) {
        text +=
            " " + tapi::testing::phoneStateNames(static_cast<DWORD>(p1)) + " " + std::to_string(p2);
    } else if (message == PHONE_REPLY) {
        text += " " + errorName(static_cast<LONG>(p2));
    } else {
        text += " " + std::to_string(p1) + " " + std::to_string(p2) + " " + std::to_string(p3);
    }
    r->trace.push_back(text);
}

TEST(Phone, OpenPrivilegesAndOwnership) {
    core::VirtualTime time;
    FreshExchange fresh;
    PhoneRecorder r;
    EXPECT_EQ(r.count, 1u);
    struct Case {
        DWORD privilege;
        LONG expected;
    };
    const Case cases[] = {
        {0, PHONEERR_INVALPRIVILEGE},
        {PHONEPRIVILEGE_MONITOR | PHONEPRIVILEGE_OWNER, PHONEERR_INVALPRIVILEGE},
        {PHONEPRIVILEGE_OWNER, 0},
        {PHONEPRIVILEGE_OWNER, PHONEERR_INUSE},  // one owner at a time
        {PHONEPRIVILEGE_MONITOR, 0},
    };
    HPHONE monitor = 0;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.privilege);
        HPHONE phone = 0;
        EXPECT_EQ(errorName(phoneOpen(r.app, 0, &phone, TAPI_CURRENT_VERSION, 0,
                                      reinterpret_cast<DWORD_PTR>(&r), row.privilege)),
                  errorName(row.expected));
        if (row.privilege == PHONEPRIVILEGE_MONITOR && row.expected == 0) {
            monitor = phone;
        }
    }
    EXPECT_EQ(errorName(phoneSetHookSwitch(monitor, PHONEHOOKSWITCHDEV_HANDSET,
                                           PHONEHOOKSWITCHMODE_MICSPEAKER)),
              "PHONEERR_NOTOWNER");
    EXPECT_EQ(errorName(phoneOpen(r.app, 1, &monitor, TAPI_CURRENT_VERSION, 0, 0,
                                  PHONEPRIVILEGE_MONITOR)),
              "PHONEERR_BADDEVICEID");
}

TEST(Phone, HookswitchVolumeAndKeypadAsMessages) {
    core::VirtualTime time;
    FreshExchange fresh;
    PhoneRecorder r;
    HPHONE phone = 0;
    ASSERT_EQ(r.openOwner(phone), 0);
    ASSERT_EQ(phoneSetStatusMessages(phone, 0x00FFFFFF, 0x3E, 3), 0);
    const LONG hook =
        phoneSetHookSwitch(phone, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    EXPECT_GT(hook, 0);
    EXPECT_GT(phoneSetVolume(phone, PHONEHOOKSWITCHDEV_HANDSET, 0x1FFFF), 0);
    EXPECT_TRUE(r.trace.empty());
    exchange().pressPhoneKey(0, '#');
    time.advance(200ms);
    // The key went down before the pump ran; the replies come in their order, then the key's up.
    EXPECT_EQ(r.trace,
              (Trace{"PHONE_BUTTON 11 8 2", "PHONE_REPLY OK", "PHONE_STATE HANDSETHOOKSWITCH 8",
                     "PHONE_REPLY OK", "PHONE_STATE HANDSETVOLUME 0", "PHONE_BUTTON 11 8 1"}));
    DWORD level = 0;
    EXPECT_EQ(phoneGetVolume(phone, PHONEHOOKSWITCHDEV_HANDSET, &level), 0);
    EXPECT_EQ(level, 0xFFFFu) << "a level above the top is the top";
    // Buttons beyond the keypad come with their own mode; a mode nobody asked for stays away.
    r.trace.clear();
    EXPECT_TRUE(exchange().pressPhoneButton(0, 12, PHONEBUTTONMODE_FEATURE));
    EXPECT_TRUE(exchange().pressPhoneButton(0, 13, PHONEBUTTONMODE_DUMMY));
    time.advance(100ms);
    EXPECT_EQ(r.trace, (Trace{"PHONE_BUTTON 12 4 2", "PHONE_BUTTON 12 4 1"}));
    EXPECT_EQ(errorName(phoneSetHookSwitch(phone, 0x8, PHONEHOOKSWITCHMODE_ONHOOK)),
              "PHONEERR_INVALHOOKSWITCHDEV");
    EXPECT_EQ(errorName(phoneSetHookSwitch(phone, PHONEHOOKSWITCHDEV_HANDSET, 0x3)),
              "PHONEERR_INVALHOOKSWITCHMODE");
    VARSTRING id[2]{};
    id[0].dwTotalSize = sizeof id;
    ASSERT_EQ(phoneGetID(phone, id, "tapi/line"), 0);
    EXPECT_EQ(
        *reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(id) + id[0].dwStringOffset),
        0u);
}

// Each of the phone's three hookswitch devices takes its own mode, volume and gain, from the
// application or from the user, and reports each change as its own state.
TEST(Phone, EachHookswitchDeviceHasItsModeLevelsAndMessages) {
    core::VirtualTime time;
    FreshExchange fresh;
    PhoneRecorder r;
    HPHONE phone = 0;
    ASSERT_EQ(r.openOwner(phone), 0);
    ASSERT_EQ(phoneSetStatusMessages(phone, 0x00FFFFFF, 0, 0), 0);
    struct Case {
        DWORD device;
        const char* name;
        DWORD PHONESTATUS::*mode;
    };
    const Case cases[] = {
        {PHONEHOOKSWITCHDEV_HANDSET, "HANDSET", &PHONESTATUS::dwHandsetHookSwitchMode},
        {PHONEHOOKSWITCHDEV_SPEAKER, "SPEAKER", &PHONESTATUS::dwSpeakerHookSwitchMode},
        {PHONEHOOKSWITCHDEV_HEADSET, "HEADSET", &PHONESTATUS::dwHeadsetHookSwitchMode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        EXPECT_GT(phoneSetHookSwitch(phone, c.device, PHONEHOOKSWITCHMODE_MICSPEAKER), 0);
        EXPECT_GT(phoneSetVolume(phone, c.device, 0x1234), 0);
        EXPECT_GT(phoneSetGain(phone, c.device, 0x4321), 0);
        time.runUntilIdle();
        EXPECT_TRUE(exchange().setHookSwitch(0, c.device, PHONEHOOKSWITCHMODE_ONHOOK));
        time.runUntilIdle();
        EXPECT_EQ(r.trace, (Trace{"PHONE_REPLY OK", "PHONE_STATE " + name + "HOOKSWITCH 8",
                                  "PHONE_REPLY OK", "PHONE_STATE " + name + "VOLUME 0",
                                  "PHONE_REPLY OK", "PHONE_STATE " + name + "GAIN 0",
                                  "PHONE_STATE " + name + "HOOKSWITCH 1"}));
        r.trace.clear();
        DWORD volume = 0, gain = 0;
        EXPECT_EQ(phoneGetVolume(phone, c.device, &volume), 0);
        EXPECT_EQ(phoneGetGain(phone, c.device, &gain), 0);
        EXPECT_EQ(volume, 0x1234u);
        EXPECT_EQ(gain, 0x4321u);
        std::vector<BYTE> buffer(sizeof(PHONESTATUS) + 256);
        auto* status = reinterpret_cast<PHONESTATUS*>(buffer.data());
        status->dwTotalSize = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(phoneGetStatus(phone, status), 0);
        EXPECT_EQ(status->*c.mode, PHONEHOOKSWITCHMODE_ONHOOK);
    }
    // Several devices in one request each take the mode.
    EXPECT_GT(phoneSetHookSwitch(phone, PHONEHOOKSWITCHDEV_SPEAKER | PHONEHOOKSWITCHDEV_HEADSET,
                                 PHONEHOOKSWITCHMODE_SPEAKER),
              0);
    time.runUntilIdle();
    EXPECT_EQ(r.trace, (Trace{"PHONE_REPLY OK", "PHONE_STATE SPEAKERHOOKSWITCH 4",
                              "PHONE_STATE HEADSETHOOKSWITCH 4"}));
    EXPECT_EQ(errorName(phoneSetVolume(phone,
                                       PHONEHOOKSWITCHDEV_SPEAKER | PHONEHOOKSWITCHDEV_HEADSET, 0)),
              "PHONEERR_INVALHOOKSWITCHDEV");
}

TEST(Phone, AHandsetAloneRefusesTheOtherDevices) {
    core::VirtualTime time;
    const auto config = ExchangeConfig::parse("[phone]\nhookswitch=handset\n", nullptr);
    ASSERT_TRUE(config);
    exchange().reset(*config);
    PhoneRecorder r;
    std::vector<BYTE> buffer(sizeof(PHONECAPS) + 512);
    auto* caps = reinterpret_cast<PHONECAPS*>(buffer.data());
    caps->dwTotalSize = static_cast<DWORD>(buffer.size());
    ASSERT_EQ(phoneGetDevCaps(r.app, 0, TAPI_CURRENT_VERSION, 0, caps), 0);
    EXPECT_EQ(caps->dwHookSwitchDevs, PHONEHOOKSWITCHDEV_HANDSET);
    EXPECT_EQ(caps->dwVolumeFlags, PHONEHOOKSWITCHDEV_HANDSET);
    EXPECT_EQ(caps->dwSpeakerHookSwitchModes, 0u);
    HPHONE phone = 0;
    ASSERT_EQ(r.openOwner(phone), 0);
    for (DWORD device : {PHONEHOOKSWITCHDEV_SPEAKER, PHONEHOOKSWITCHDEV_HEADSET}) {
        SCOPED_TRACE(device);
        DWORD level = 0;
        EXPECT_EQ(errorName(phoneSetHookSwitch(phone, device, PHONEHOOKSWITCHMODE_MIC)),
                  "PHONEERR_INVALHOOKSWITCHDEV");
        EXPECT_EQ(errorName(phoneSetVolume(phone, device, 0)), "PHONEERR_INVALHOOKSWITCHDEV");
        EXPECT_EQ(errorName(phoneGetGain(phone, device, &level)), "PHONEERR_INVALHOOKSWITCHDEV");
        EXPECT_FALSE(exchange().setHookSwitch(0, device, PHONEHOOKSWITCHMODE_MIC));
    }
    exchange().reset();
}

TEST(Phone, AFailedReplyChangesNothing) {
    core::VirtualTime time;
    FreshExchange fresh;
    tapi::ReplyPolicy fail;
    fail.result = PHONEERR_OPERATIONFAILED;
    exchange().setReplyPolicy("phoneSetGain", fail);
    PhoneRecorder r;
    HPHONE phone = 0;
    ASSERT_EQ(r.openOwner(phone), 0);
    phoneSetStatusMessages(phone, 0x00FFFFFF, 0, 0);
    EXPECT_GT(phoneSetGain(phone, PHONEHOOKSWITCHDEV_HANDSET, 0), 0);
    time.runUntilIdle();
    EXPECT_EQ(r.trace, (Trace{"PHONE_REPLY PHONEERR_OPERATIONFAILED"}));
    DWORD gain = 0;
    EXPECT_EQ(phoneGetGain(phone, PHONEHOOKSWITCHDEV_HANDSET, &gain), 0);
    EXPECT_EQ(gain, 0x8000u);
}

}  // namespace

namespace {

TEST(CallHandles, ALateMonitorPicksUpExistingCallsOnce) {
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp first("first"), late("late");
    first.open(0);
    exchange().ring(0, tapi::IncomingCall{});
    time.runUntilIdle();
    // Opened after the call arrived, and as owner only: it was never offered the call.
    const HLINE line = late.open(0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE);
    std::vector<BYTE> list(64);
    auto* calls = reinterpret_cast<LINECALLLIST*>(list.data());
    HCALL picked = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        calls->dwTotalSize = 64;
        ASSERT_EQ(lineGetNewCalls(line, 0, LINECALLSELECT_ADDRESS, calls), 0);
        ASSERT_EQ(calls->dwCallsNumEntries, round == 0 ? 1u : 0u);
        if (round == 0) {
            picked = *reinterpret_cast<const HCALL*>(list.data() + calls->dwCallsOffset);
        }
    }
    LINECALLSTATUS status{};
    status.dwTotalSize = sizeof status;
    ASSERT_EQ(errorName(lineGetCallStatus(picked, &status)), "OK");
    EXPECT_EQ(status.dwCallPrivilege, LINECALLPRIVILEGE_MONITOR);
    EXPECT_EQ(status.dwCallState, LINECALLSTATE_OFFERING);
}

TEST(CallHandles, ANonDirectedParkFillsTheParkAddressWithItsReply) {
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    app.open(0);
    exchange().ring(0, tapi::IncomingCall{});
    time.runUntilIdle();
    lineAnswer(app.call(1), nullptr, 0);
    time.runUntilIdle();
    std::vector<BYTE> orbit(64, 0xCC);
    auto* address = reinterpret_cast<VARSTRING*>(orbit.data());
    address->dwTotalSize = 64;
    std::string seenAtReply;
    app.onMessage = [&](const tapi::testing::Received& r) {
        if (r.message == LINE_REPLY && address->dwStringSize > 0) {
            seenAtReply = reinterpret_cast<const char*>(orbit.data() + address->dwStringOffset);
        }
    };
    ASSERT_GT(linePark(app.call(1), LINEPARKMODE_NONDIRECTED, nullptr, address), 0);
    EXPECT_EQ(orbit[4], 0xCC) << "written before the reply";
    time.runUntilIdle();
    EXPECT_EQ(seenAtReply.rfind("*8", 0), 0u) << seenAtReply;
    EXPECT_EQ(address->dwStringFormat, STRINGFORMAT_ASCII);
}

TEST(CallHandles, ACallerIdThatChangesComesAsASecondMessage) {
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    app.open(0);
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    exchange().ring(0, caller);
    time.advance(2000ms);
    caller.name = "ANN SMITH";
    EXPECT_TRUE(exchange().updateCaller(0, caller));
    time.runUntilIdle();
    EXPECT_EQ(app.take(), (Trace{"LINE_APPNEWCALL l1 c1 OWNER", "LINE_CALLSTATE c1 OFFERING OWNER",
                                 "LINE_CALLINFO c1 CALLERID", "LINE_CALLINFO c1 CALLERID"}));
}

}  // namespace
