// Variable-size structures: the small-buffer rule for every one of them, and what the call
// information says about callers.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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

namespace {

void nothing(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

// A buffer of `total` bytes with dwTotalSize set, as callers prepare it.
std::vector<BYTE> buffer(DWORD total) {
    std::vector<BYTE> b(std::max<DWORD>(total, 4) + 64, 0xCC);  // 0xCC past the end: untouched
    std::memcpy(b.data(), &total, 4);
    return b;
}

DWORD dword(const std::vector<BYTE>& b, std::size_t offset) {
    DWORD v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

class Structures : public ::testing::Test {
  protected:
    Structures() {
        line = app.open(0);
        IncomingCall c;
        c.number = "01632960123";
        c.name = "ANN SMITH";
        c.callerIdTiming = IncomingCall::CallerIdTiming::AtOffering;
        exchange().ring(0, c);
        time.runUntilIdle();
        call = app.call(1);
        DWORD count = 0;
        phoneInitialize(&phoneApp, nullptr, &nothing, "phones", &count);
        phoneOpen(phoneApp, 0, &phone, TAPI_CURRENT_VERSION, 0, 0, PHONEPRIVILEGE_MONITOR);
    }
    ~Structures() override { phoneShutdown(phoneApp); }

  public:  // the rows of the table below reach in
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    HLINE line = 0;
    HCALL call = 0;
    HPHONEAPP phoneApp = 0;
    HPHONE phone = 0;
};

struct Row {
    const char* name;
    DWORD fixed;
    LONG tooSmall;
    bool grows;  // carries device-specific bytes, so "large structures" makes it need more
    std::function<LONG(Structures&, void*)> get;
};

TEST_F(Structures, EveryStructureFollowsTheSmallBufferRule) {
    const Row rows[] = {
        {"LINEDEVCAPS", 252, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetDevCaps(s.app.app(), 0, TAPI_CURRENT_VERSION, 0,
                                   static_cast<LINEDEVCAPS*>(b));
         }},
        {"LINEADDRESSCAPS", 228, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetAddressCaps(s.app.app(), 0, 0, TAPI_CURRENT_VERSION, 0,
                                       static_cast<LINEADDRESSCAPS*>(b));
         }},
        {"LINECALLINFO", 324, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetCallInfo(s.call, static_cast<LINECALLINFO*>(b));
         }},
        {"LINECALLSTATUS", 56, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetCallStatus(s.call, static_cast<LINECALLSTATUS*>(b));
         }},
        {"LINEDEVSTATUS", 88, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetLineDevStatus(s.line, static_cast<LINEDEVSTATUS*>(b));
         }},
        {"LINEADDRESSSTATUS", 64, LINEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return lineGetAddressStatus(s.line, 0, static_cast<LINEADDRESSSTATUS*>(b));
         }},
        {"LINECALLLIST", 24, LINEERR_STRUCTURETOOSMALL, false,
         [](Structures& s, void* b) {
             return lineGetNewCalls(s.line, 0, LINECALLSELECT_LINE, static_cast<LINECALLLIST*>(b));
         }},
        {"VARSTRING of lineGetID", 24, LINEERR_STRUCTURETOOSMALL, false,
         [](Structures& s, void* b) {
             return lineGetID(s.line, 0, 0, LINECALLSELECT_LINE, static_cast<VARSTRING*>(b),
                              "wave/in");
         }},
        {"LINETRANSLATEOUTPUT", 40, LINEERR_STRUCTURETOOSMALL, false,
         [](Structures& s, void* b) {
             return lineTranslateAddress(s.app.app(), 0, TAPI_CURRENT_VERSION, "+44 (1632) 960123",
                                         0, 0, static_cast<LINETRANSLATEOUTPUT*>(b));
         }},
        {"PHONECAPS", 180, PHONEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return phoneGetDevCaps(s.phoneApp, 0, TAPI_CURRENT_VERSION, 0,
                                    static_cast<PHONECAPS*>(b));
         }},
        {"PHONESTATUS", 104, PHONEERR_STRUCTURETOOSMALL, true,
         [](Structures& s, void* b) {
             return phoneGetStatus(s.phone, static_cast<PHONESTATUS*>(b));
         }},
        {"VARSTRING of phoneGetID", 24, PHONEERR_STRUCTURETOOSMALL, false,
         [](Structures& s, void* b) {
             return phoneGetID(s.phone, static_cast<VARSTRING*>(b), "wave/out");
         }},
    };
    for (bool large : {false, true}) {
        exchange().setLargeStructures(large);
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (large ? " (large)" : ""));
            auto small = buffer(row.fixed - 1);
            EXPECT_EQ(errorName(row.get(*this, small.data())), errorName(row.tooSmall));

            auto exact = buffer(row.fixed);
            ASSERT_EQ(errorName(row.get(*this, exact.data())), "OK");
            const DWORD needed = dword(exact, 4);
            EXPECT_GE(needed, row.fixed);
            EXPECT_LE(dword(exact, 8), row.fixed) << "used beyond the buffer";
            EXPECT_EQ(exact[row.fixed], 0xCC) << "wrote past dwTotalSize";
            if (large && row.grows) {
                EXPECT_GT(needed, row.fixed + 4096);
            }

            auto enough = buffer(needed);
            ASSERT_EQ(errorName(row.get(*this, enough.data())), "OK");
            EXPECT_EQ(dword(enough, 4), needed);
            EXPECT_EQ(dword(enough, 8), needed) << "a buffer of the needed size is not filled";
            EXPECT_EQ(enough[needed], 0xCC);
        }
    }
}

HCALL g_oldAppsCall = 0;

void rememberCall(DWORD device, DWORD message, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == LINE_CALLSTATE && !g_oldAppsCall)
        g_oldAppsCall = device;
}

// An application that negotiated a 1.x version gets the structures of its version: the fixed
// part it knows (where 2.0 added fields at the end), with the variable part right after it.
TEST(OlderVersions, GetTheFixedPartOfTheirVersion) {
    core::VirtualTime time;
    FreshExchange fresh;
    exchange().setLargeStructures(true);  // every structure then has variable data to place
    HLINEAPP app = 0;
    DWORD count = 0;
    ASSERT_EQ(lineInitialize(&app, nullptr, &rememberCall, "old", &count), 0);
    HLINE line = 0;
    ASSERT_EQ(lineOpen(app, 0, &line, TAPI_VERSION1_4, 0, 0, LINECALLPRIVILEGE_OWNER,
                       LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
              0);
    IncomingCall caller;
    caller.number = "01632960123";
    caller.callerIdTiming = IncomingCall::CallerIdTiming::AtOffering;
    g_oldAppsCall = 0;
    exchange().ring(0, caller);
    time.runUntilIdle();
    ASSERT_NE(g_oldAppsCall, 0u);
    HPHONEAPP phoneApp = 0;
    ASSERT_EQ(phoneInitialize(&phoneApp, nullptr, &nothing, "old phone", &count), 0);
    HPHONE phone = 0;
    ASSERT_EQ(phoneOpen(phoneApp, 0, &phone, TAPI_VERSION1_4, 0, 0, PHONEPRIVILEGE_MONITOR), 0);

    struct OldRow {
        const char* name;
        DWORD fixed;
        std::size_t firstField;  // the size field of the first variable data written
        LONG tooSmall;
        std::function<LONG(void*)> get;
    };
    const OldRow rows[] = {
        {"LINEDEVCAPS 1.3", 236, offsetof(LINEDEVCAPS, dwProviderInfoSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return lineGetDevCaps(app, 0, TAPI_VERSION1_0, 0, static_cast<LINEDEVCAPS*>(b));
         }},
        {"LINEDEVCAPS 1.4", 240, offsetof(LINEDEVCAPS, dwProviderInfoSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return lineGetDevCaps(app, 0, TAPI_VERSION1_4, 0, static_cast<LINEDEVCAPS*>(b));
         }},
        {"LINEADDRESSCAPS 1.3", 176, offsetof(LINEADDRESSCAPS, dwAddressSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return lineGetAddressCaps(app, 0, 0, TAPI_VERSION1_0, 0,
                                       static_cast<LINEADDRESSCAPS*>(b));
         }},
        {"LINEADDRESSCAPS 1.4", 180, offsetof(LINEADDRESSCAPS, dwAddressSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return lineGetAddressCaps(app, 0, 0, TAPI_VERSION1_4, 0,
                                       static_cast<LINEADDRESSCAPS*>(b));
         }},
        {"LINECALLINFO 1.4", 296, offsetof(LINECALLINFO, dwCallerIDSize), LINEERR_STRUCTURETOOSMALL,
         [&](void* b) { return lineGetCallInfo(g_oldAppsCall, static_cast<LINECALLINFO*>(b)); }},
        {"LINECALLSTATUS 1.4", 36, offsetof(LINECALLSTATUS, dwDevSpecificSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return lineGetCallStatus(g_oldAppsCall, static_cast<LINECALLSTATUS*>(b));
         }},
        {"LINEDEVSTATUS 1.4", 76, offsetof(LINEDEVSTATUS, dwTerminalModesSize),
         LINEERR_STRUCTURETOOSMALL,
         [&](void* b) { return lineGetLineDevStatus(line, static_cast<LINEDEVSTATUS*>(b)); }},
        {"PHONECAPS 1.4", 144, offsetof(PHONECAPS, dwProviderInfoSize), PHONEERR_STRUCTURETOOSMALL,
         [&](void* b) {
             return phoneGetDevCaps(phoneApp, 0, TAPI_VERSION1_4, 0, static_cast<PHONECAPS*>(b));
         }},
        {"PHONESTATUS 1.4", 100, offsetof(PHONESTATUS, dwDevSpecificSize),
         PHONEERR_STRUCTURETOOSMALL,
         [&](void* b) { return phoneGetStatus(phone, static_cast<PHONESTATUS*>(b)); }},
    };
    for (const OldRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto small = buffer(row.fixed - 1);
        EXPECT_EQ(errorName(row.get(small.data())), errorName(row.tooSmall));

        auto exact = buffer(row.fixed);
        ASSERT_EQ(errorName(row.get(exact.data())), "OK");
        EXPECT_EQ(dword(exact, 8), row.fixed);
        EXPECT_EQ(exact[row.fixed], 0xCC) << "wrote past dwTotalSize";

        auto enough = buffer(dword(exact, 4));
        ASSERT_EQ(errorName(row.get(enough.data())), "OK");
        EXPECT_EQ(dword(enough, 8), dword(exact, 4));
        EXPECT_GT(dword(enough, row.firstField), 0u);
        EXPECT_EQ(dword(enough, row.firstField + 4), row.fixed)
            << "the variable part does not follow the fixed part of the version";
    }
    phoneShutdown(phoneApp);
    lineShutdown(app);
    exchange().setLargeStructures(false);
}

// The texts of LINECALLINFO: NUL-terminated, sizes counting the NUL, flags telling what is there.
struct CallerCase {
    const char* name;
    IncomingCall caller;
    bool lineHasCallerId;
    DWORD flags;
    const char* number;  // nullptr: no text (size 0)
    const char* callerName;
};

IncomingCall callerWith(const char* number, const char* name, bool withheld = false,
                        bool outOfArea = false) {
    IncomingCall c;
    c.number = number;
    c.name = name;
    c.withheld = withheld;
    c.outOfArea = outOfArea;
    return c;
}

std::string textAt(const std::vector<BYTE>& b, DWORD sizeOffset, DWORD* size) {
    *size = dword(b, sizeOffset);
    const DWORD offset = dword(b, sizeOffset + 4);
    if (*size == 0)
        return {};
    EXPECT_LE(offset + *size, dword(b, 8)) << "text outside the used part";
    EXPECT_EQ(b[offset + *size - 1], 0) << "text without its NUL";
    return std::string(reinterpret_cast<const char*>(b.data() + offset), *size - 1);
}

TEST(CallInfo, CallerIdTextsAndFlags) {
    const CallerCase cases[] = {
        {"number and name", callerWith("01632960123", "ANN SMITH"), true,
         LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME, "01632960123", "ANN SMITH"},
        {"number only", callerWith("01632960123", ""), true, LINECALLPARTYID_ADDRESS, "01632960123",
         nullptr},
        {"withheld", callerWith("01632960123", "ANN SMITH", true), true, LINECALLPARTYID_BLOCKED,
         nullptr, nullptr},
        {"out of area", callerWith("", "", false, true), true, LINECALLPARTYID_OUTOFAREA, nullptr,
         nullptr},
        {"line without caller ID", callerWith("01632960123", "ANN SMITH"), false,
         LINECALLPARTYID_UNAVAIL, nullptr, nullptr},
    };
    for (const CallerCase& row : cases) {
        SCOPED_TRACE(row.name);
        core::VirtualTime time;
        tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
        config.lines[0].callerId = row.lineHasCallerId;
        exchange().reset(config);
        RecordingApp app;
        app.open(0);
        exchange().ring(0, row.caller);
        time.advance(2000ms);
        auto info = buffer(4096);
        ASSERT_EQ(
            errorName(lineGetCallInfo(app.call(1), reinterpret_cast<LINECALLINFO*>(info.data()))),
            "OK");
        EXPECT_EQ(dword(info, offsetof(LINECALLINFO, dwCallerIDFlags)), row.flags);
        DWORD size = 0;
        EXPECT_EQ(textAt(info, offsetof(LINECALLINFO, dwCallerIDSize), &size),
                  row.number ? row.number : "");
        if (row.number) {
            EXPECT_EQ(size, std::strlen(row.number) + 1);
        }
        EXPECT_EQ(textAt(info, offsetof(LINECALLINFO, dwCallerIDNameSize), &size),
                  row.callerName ? row.callerName : "");
        EXPECT_EQ(dword(info, offsetof(LINECALLINFO, dwOrigin)), LINECALLORIGIN_EXTERNAL);
        EXPECT_EQ(dword(info, offsetof(LINECALLINFO, dwNumOwners)), 1u);
    }
}

TEST(CallInfo, PartialFillKeepsEveryTextInsideTheBuffer) {
    core::VirtualTime time;
    exchange().reset();
    RecordingApp app;
    app.open(0);
    IncomingCall c = callerWith("01632960123", "ANN SMITH");
    c.callerIdTiming = IncomingCall::CallerIdTiming::AtOffering;
    exchange().ring(0, c);
    time.runUntilIdle();
    // Room for the number but not the name: the number is there, the name is left out.
    auto info = buffer(sizeof(LINECALLINFO) + 12 + 4);
    ASSERT_EQ(lineGetCallInfo(app.call(1), reinterpret_cast<LINECALLINFO*>(info.data())), 0);
    DWORD size = 0;
    EXPECT_EQ(textAt(info, offsetof(LINECALLINFO, dwCallerIDSize), &size), "01632960123");
    EXPECT_EQ(textAt(info, offsetof(LINECALLINFO, dwCallerIDNameSize), &size), "");
    EXPECT_GT(dword(info, 4), dword(info, 0));
}

TEST(CallInfo, TranslateAddressLeavesBothTextsOutWhenTheyDoNotFit) {
    core::VirtualTime time;
    exchange().reset();
    RecordingApp app;
    const std::string longNumber = "+44 (20) " + std::string(150, '1');
    auto out = buffer(168);  // what the line engine passes
    ASSERT_EQ(lineTranslateAddress(app.app(), 0, TAPI_CURRENT_VERSION, longNumber.c_str(), 0,
                                   LINETRANSLATEOPTION_CANCELCALLWAITING,
                                   reinterpret_cast<LINETRANSLATEOUTPUT*>(out.data())),
              0);
    EXPECT_EQ(dword(out, offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize)), 0u);
    EXPECT_EQ(dword(out, offsetof(LINETRANSLATEOUTPUT, dwDisplayableStringSize)), 0u);
    EXPECT_GT(dword(out, 4), 168u);
    auto big = buffer(dword(out, 4));
    ASSERT_EQ(lineTranslateAddress(app.app(), 0, TAPI_CURRENT_VERSION, "+44 (20) 79460000", 0, 0,
                                   reinterpret_cast<LINETRANSLATEOUTPUT*>(big.data())),
              0);
    DWORD size = 0;
    EXPECT_EQ(textAt(big, offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize), &size),
              "02079460000");
    EXPECT_EQ(dword(big, offsetof(LINETRANSLATEOUTPUT, dwTranslateResults)),
              LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LONGDISTANCE);
}

TEST(DeviceIds, WaveDevicesAndThePhoneOfEachLine) {
    core::VirtualTime time;
    exchange().reset();
    RecordingApp app;
    struct Case {
        DWORD device;
        const char* cls;
        LONG result;
        DWORD value;
    };
    const Case cases[] = {
        {0, "wave/in", 0, 0},
        {0, "wave/out", 0, 1},
        {3, "WAVE/IN", 0, 6},
        {0, "tapi/phone", 0, 0},
        {1, "tapi/phone", LINEERR_INVALDEVICECLASS, 0},
        {2, "tapi/line", 0, 2},
        {0, "no/such", LINEERR_INVALDEVICECLASS, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::to_string(row.device) + " " + row.cls);
        const HLINE line = app.open(row.device, LINECALLPRIVILEGE_MONITOR, 0);
        auto id = buffer(64);
        EXPECT_EQ(errorName(lineGetID(line, 0, 0, LINECALLSELECT_LINE,
                                      reinterpret_cast<VARSTRING*>(id.data()), row.cls)),
                  errorName(row.result));
        if (row.result == 0) {
            EXPECT_EQ(dword(id, offsetof(VARSTRING, dwStringFormat)), STRINGFORMAT_BINARY);
            EXPECT_EQ(dword(id, offsetof(VARSTRING, dwStringSize)), 4u);
            EXPECT_EQ(dword(id, dword(id, offsetof(VARSTRING, dwStringOffset))), row.value);
        }
        lineClose(line);
    }
}

// The device classes a capabilities structure lists, "\0"-separated.
std::vector<std::string> classesAt(const std::vector<BYTE>& b, std::size_t sizeOffset) {
    std::vector<std::string> out;
    const DWORD size = dword(b, sizeOffset);
    const char* p = reinterpret_cast<const char*>(b.data() + dword(b, sizeOffset + 4));
    for (const char* end = p + size; p < end && *p; p += std::strlen(p) + 1)
        out.emplace_back(p);
    return out;
}

// A data and fax modem has no voice part: it names no wave device, nor does its phone, and what a
// far end says on it reaches no device.
TEST(DeviceIds, ALineWithoutWaveDevicesHasNoneToName) {
    core::VirtualTime time;
    const auto config = tapi::ExchangeConfig::parse(
        "[line]\nname=Voice modem\n[line]\nname=Fax modem\nwave=no\nphone=1\n[phone]\nline=2\n",
        nullptr);
    ASSERT_TRUE(config);
    exchange().reset(*config);
    RecordingApp app;
    struct Case {
        DWORD device;
        const char* cls;
        LONG result;
        DWORD value;
    };
    const Case cases[] = {
        {0, "wave/in", 0, 0},
        {1, "wave/in", LINEERR_NODEVICE, 0},
        {1, "WAVE/OUT", LINEERR_NODEVICE, 0},
        {1, "wave", LINEERR_NODEVICE, 0},
        {1, "tapi/line", 0, 1},
        {1, "tapi/phone", 0, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::to_string(row.device) + " " + row.cls);
        const HLINE line = app.open(row.device, LINECALLPRIVILEGE_MONITOR, 0);
        auto id = buffer(64);
        EXPECT_EQ(errorName(lineGetID(line, 0, 0, LINECALLSELECT_LINE,
                                      reinterpret_cast<VARSTRING*>(id.data()), row.cls)),
                  errorName(row.result));
        if (row.result == 0) {
            EXPECT_EQ(dword(id, dword(id, offsetof(VARSTRING, dwStringOffset))), row.value);
        }
        lineClose(line);
    }

    using Classes = std::vector<std::string>;
    for (const DWORD device : {0u, 1u}) {
        auto caps = buffer(4096);
        ASSERT_EQ(lineGetDevCaps(app.app(), device, TAPI_CURRENT_VERSION, 0,
                                 reinterpret_cast<LINEDEVCAPS*>(caps.data())),
                  0);
        EXPECT_EQ(classesAt(caps, offsetof(LINEDEVCAPS, dwDeviceClassesSize)),
                  device == 0
                      ? (Classes{"tapi/line", "wave/in", "wave/out", "comm", "comm/datamodem"})
                      : (Classes{"tapi/line", "comm", "comm/datamodem", "tapi/phone"}));
    }

    HPHONEAPP phoneApp = 0;
    DWORD count = 0;
    ASSERT_EQ(phoneInitialize(&phoneApp, nullptr, &nothing, "phones", &count), 0);
    HPHONE phone = 0;
    ASSERT_EQ(phoneOpen(phoneApp, 0, &phone, TAPI_CURRENT_VERSION, 0, 0, PHONEPRIVILEGE_MONITOR),
              0);
    for (const char* cls : {"wave/in", "wave/out"}) {
        auto id = buffer(64);
        EXPECT_EQ(errorName(phoneGetID(phone, reinterpret_cast<VARSTRING*>(id.data()), cls)),
                  errorName(PHONEERR_NODEVICE))
            << cls;
    }
    auto caps = buffer(4096);
    ASSERT_EQ(phoneGetDevCaps(phoneApp, 0, TAPI_CURRENT_VERSION, 0,
                              reinterpret_cast<PHONECAPS*>(caps.data())),
              0);
    EXPECT_EQ(classesAt(caps, offsetof(PHONECAPS, dwDeviceClassesSize)),
              (Classes{"tapi/phone", "tapi/line"}));
    phoneShutdown(phoneApp);

    // An answering machine on each line: only the voice modem's wave-in hears it.
    tapi::RemoteParty machine;
    machine.answerAfterRings = 1;
    machine.recording = "/tmp/greeting.wav";
    exchange().setDefaultRemoteParty(machine);
    for (const DWORD device : {0u, 1u}) {
        const HLINE line = app.open(device);
        HCALL call = 0;
        ASSERT_GT(lineMakeCall(line, &call, "123", 0, nullptr), 0);
        time.advance(10000ms);
        EXPECT_EQ(exchange().playedInto(device).size(), device == 0 ? 1u : 0u) << device;
    }
}

}  // namespace
