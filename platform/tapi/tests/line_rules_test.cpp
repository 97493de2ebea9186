// Privileges and the error codes the line functions answer with.
#include <gtest/gtest.h>

#include <functional>

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

TEST(LinePrivileges, OpenAcceptsOnlyTheValidPrivilegeSelections) {
    struct Case {
        DWORD privileges;
        DWORD media;
        LONG expected;
    };
    const Case cases[] = {
        {0, LINEMEDIAMODE_INTERACTIVEVOICE, LINEERR_INVALPRIVSELECT},
        {LINECALLPRIVILEGE_NONE, 0, 0},
        {LINECALLPRIVILEGE_MONITOR, 0, 0},
        {LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE, 0},
        {LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_DATAMODEM, 0},
        {LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR, 0, LINEERR_INVALPRIVSELECT},
        {LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE,
         LINEERR_INVALPRIVSELECT},
        {8, 0, LINEERR_INVALPRIVSELECT},
        {LINECALLPRIVILEGE_OWNER, 0, LINEERR_INVALMEDIAMODE},
        {LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_VIDEO, LINEERR_INVALMEDIAMODE},
        {LINECALLPRIVILEGE_MONITOR | LINEOPENOPTION_SINGLEADDRESS, 0, 0},
    };
    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp app;
    for (const Case& row : cases) {
        SCOPED_TRACE("privileges " + std::to_string(row.privileges) + ", media " +
                     std::to_string(row.media));
        HLINE line = 0xDEAD;
        EXPECT_EQ(errorName(lineOpen(app.app(), 0, &line, TAPI_CURRENT_VERSION, 0, 1,
                                     row.privileges, row.media, nullptr)),
                  errorName(row.expected));
        if (row.expected == 0) {
            EXPECT_EQ(lineClose(line), 0);
        } else {
            EXPECT_EQ(line, 0xDEADu) << "the handle cell was written on failure";
        }
    }
}

class CallPrivileges : public ::testing::Test {
  protected:
    CallPrivileges() {
        owner.open(0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE);
        monitor.open(0, LINECALLPRIVILEGE_MONITOR, 0);
        none.open(0, LINECALLPRIVILEGE_NONE, 0);
        IncomingCall c;
        c.number = "01632960123";
        exchange().ring(0, c);
        time.runUntilIdle();
    }

    core::VirtualTime time;
    FreshExchange fresh;
    RecordingApp owner{"owner"}, monitor{"monitor"}, none{"none"};
};

TEST_F(CallPrivileges, OnlyOwnersActOnACallAndAnOwnerStaysWhileItIsUp) {
    EXPECT_TRUE(none.take().empty()) << "an application without privileges got a call";
    const HCALL mine = owner.call(1);
    const HCALL watched = monitor.call(1);
    struct Case {
        const char* what;
        std::function<LONG()> call;
        LONG expected;
    };
    const Case cases[] = {
        {"monitor answers", [&] { return lineAnswer(watched, nullptr, 0); }, LINEERR_NOTOWNER},
        {"monitor drops", [&] { return lineDrop(watched, nullptr, 0); }, LINEERR_NOTOWNER},
        {"monitor gathers",
         [&] {
             static char digits[8];
             return lineGatherDigits(watched, LINEDIGITMODE_DTMF, digits, 4, "#", 0, 0);
         },
         LINEERR_NOTOWNER},
        {"sole owner becomes monitor of a ringing call",
         [&] { return lineSetCallPrivilege(mine, LINECALLPRIVILEGE_MONITOR); },
         LINEERR_INVALCALLSTATE},
        {"no such privilege", [&] { return lineSetCallPrivilege(mine, LINECALLPRIVILEGE_NONE); },
         LINEERR_INVALCALLPRIVILEGE},
        {"monitor takes ownership",
         [&] { return lineSetCallPrivilege(watched, LINECALLPRIVILEGE_OWNER); }, 0},
        {"first owner may now step back",
         [&] { return lineSetCallPrivilege(mine, LINECALLPRIVILEGE_MONITOR); }, 0},
        {"and can no longer answer", [&] { return lineAnswer(mine, nullptr, 0); },
         LINEERR_NOTOWNER},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(errorName(row.call()), errorName(row.expected));
    }
    LINECALLSTATUS status{};
    status.dwTotalSize = sizeof status;
    ASSERT_EQ(lineGetCallStatus(watched, &status), 0);
    EXPECT_EQ(status.dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
    EXPECT_TRUE(status.dwCallFeatures & LINECALLFEATURE_ANSWER);
}

TEST_F(CallPrivileges, HandoffGivesOwnershipToTheNamedApplication) {
    monitor.take();
    EXPECT_EQ(errorName(lineHandoff(owner.call(1), "owner", 0)), "LINEERR_TARGETSELF");
    EXPECT_EQ(errorName(lineHandoff(owner.call(1), "nobody", 0)), "LINEERR_TARGETNOTFOUND");
    EXPECT_EQ(errorName(lineHandoff(owner.call(1), "MONITOR", 0)), "OK");
    time.runUntilIdle();
    EXPECT_EQ(monitor.take(),
              (Trace{"LINE_CALLSTATE c1 OFFERING OWNER", "LINE_CALLINFO c1 NUMOWNERINCR"}));
    EXPECT_GT(lineAnswer(monitor.call(1), nullptr, 0), 0);
}

TEST_F(CallPrivileges, ClosingTheOnlyOwnersLineDropsTheCall) {
    monitor.take();
    HLINE ownerLine = 0;
    for (const auto& r : owner.received()) {
        if (r.message == LINE_APPNEWCALL)
            ownerLine = r.device;
    }
    ASSERT_EQ(lineClose(ownerLine), 0);
    time.runUntilIdle();
    EXPECT_EQ(monitor.take(), (Trace{"LINE_CALLINFO c1 NUMOWNERDECR", "LINE_CALLSTATE c1 IDLE"}));
}

TEST(LineErrors, EachFunctionNamesWhatIsWrong) {
    core::VirtualTime time;
    FreshExchange fresh;
    tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
    config.lines[1].unsupportedDigitModes = LINEDIGITMODE_PULSE;
    exchange().reset(config);
    RecordingApp app;
    const HLINE line = app.open(0);
    const HLINE line2 = app.open(1);
    IncomingCall c;
    exchange().ring(1, c);
    time.runUntilIdle();
    const HCALL call = app.call(1);
    char digits[8] = {};
    DWORD version = 0;
    LINEEXTENSIONID ext{};
    HCALL cell = 0;
    LINEDEVCAPS caps{};
    caps.dwTotalSize = sizeof caps;
    struct Case {
        const char* what;
        std::function<LONG()> call;
        LONG expected;
    };
    const Case cases[] = {
        {"unknown app", [&] { return lineGetDevCaps(12345, 0, TAPI_CURRENT_VERSION, 0, &caps); },
         LINEERR_INVALAPPHANDLE},
        {"unknown device",
         [&] { return lineGetDevCaps(app.app(), 4, TAPI_CURRENT_VERSION, 0, &caps); },
         LINEERR_BADDEVICEID},
        {"version too new", [&] { return lineGetDevCaps(app.app(), 0, 0x00030000, 0, &caps); },
         LINEERR_INCOMPATIBLEAPIVERSION},
        {"negotiation below the range",
         [&] {
             return lineNegotiateAPIVersion(app.app(), 0, 0x00010000, 0x00010002, &version, &ext);
         },
         LINEERR_INCOMPATIBLEAPIVERSION},
        {"negotiation overlapping the range",
         [&] {
             return lineNegotiateAPIVersion(app.app(), 0, 0x00010000, 0x00030000, &version, &ext);
         },
         0},
        {"line handle as a call handle", [&] { return lineAnswer(line, nullptr, 0); },
         LINEERR_INVALCALLHANDLE},
        {"call handle as a line handle", [&] { return lineClose(call); }, LINEERR_INVALLINEHANDLE},
        {"line state the device lacks",
         [&] { return lineSetStatusMessages(line, LINEDEVSTATE_BATTERY, 0); },
         LINEERR_INVALLINESTATE},
        {"address state the device lacks",
         [&] { return lineSetStatusMessages(line, 0, LINEADDRESSSTATE_CAPSCHANGE); },
         LINEERR_INVALADDRESSSTATE},
        {"address that does not exist",
         [&] {
             LINEADDRESSCAPS a{};
             a.dwTotalSize = sizeof a;
             return lineGetAddressCaps(app.app(), 0, 1, TAPI_CURRENT_VERSION, 0, &a);
         },
         LINEERR_INVALADDRESSID},
        {"pulse digits on a DTMF-only line",
         [&] { return lineGatherDigits(call, LINEDIGITMODE_PULSE, digits, 4, "#", 0, 0); },
         LINEERR_INVALDIGITMODE},
        {"digit mode out of range", [&] { return lineMonitorDigits(call, 0x10); },
         LINEERR_INVALDIGITMODE},
        {"no digits wanted",
         [&] { return lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 0, "#", 0, 0); },
         LINEERR_INVALPARAM},
        {"a silence of no length",
         [&] {
             LINEMONITORTONE tone{0x89ABCDEF, 0, 0, 0, 0};
             return lineMonitorTones(call, &tone, 1);
         },
         LINEERR_INVALTONE},
        {"unknown device class",
         [&] {
             VARSTRING v{};
             v.dwTotalSize = sizeof v;
             return lineGetID(line2, 0, 0, LINECALLSELECT_LINE, &v, "tapi/phone");
         },
         LINEERR_INVALDEVICECLASS},
        {"make call without a handle cell",
         [&] { return lineMakeCall(line, nullptr, "123", 0, nullptr); }, LINEERR_INVALPOINTER},
        {"a second call on a busy modem",
         [&] { return lineMakeCall(line2, &cell, "123", 0, nullptr); }, LINEERR_CALLUNAVAIL},
        {"bearer mode the line lacks",
         [&] { return lineSetCallParams(call, LINEBEARERMODE_DATA, 0, 0, nullptr); },
         LINEERR_INVALBEARERMODE},
        {"terminal that does not exist",
         [&] { return lineSetTerminal(line, 0, 0, LINECALLSELECT_LINE, 1, 7, 1); },
         LINEERR_INVALTERMINALID},
        {"forward list with an offset past its end",
         [&] {
             LINEFORWARDLIST list{};
             list.dwTotalSize = sizeof list;
             list.dwNumEntries = 1;
             list.ForwardList[0].dwForwardMode = LINEFORWARDMODE_UNCOND;
             list.ForwardList[0].dwDestAddressSize = 8;
             list.ForwardList[0].dwDestAddressOffset = 30;
             return lineForward(line, 0, 0, &list, 0, &cell, nullptr);
         },
         LINEERR_INVALPARAM},
        {"the dialling-location dialog has nothing to change",
         [&] { return lineTranslateDialog(app.app(), 0, TAPI_CURRENT_VERSION, nullptr, "123"); },
         0},
        {"the dialling-location dialog of an unknown device",
         [&] { return lineTranslateDialog(app.app(), 9, TAPI_CURRENT_VERSION, nullptr, "123"); },
         LINEERR_BADDEVICEID},
        {"the configuration dialog has nothing to change",
         [&] { return lineConfigDialog(1, nullptr, nullptr); }, 0},
        {"the configuration dialog of an unknown device",
         [&] { return lineConfigDialog(9, nullptr, nullptr); }, LINEERR_BADDEVICEID},
        {"Ex initialisation without its parameters",
         [&] {
             HLINEAPP h = 0;
             DWORD n = 0, v = TAPI_CURRENT_VERSION;
             return lineInitializeEx(
                 &h, nullptr, [](DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {},
                 nullptr, &n, &v, nullptr);
         },
         LINEERR_INVALPOINTER},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(errorName(row.call()), errorName(row.expected));
    }
}

TEST(LineErrors, InjectedFailuresAndAMissingExEntry) {
    core::VirtualTime time;
    FreshExchange fresh;
    EXPECT_NE(tapiGetProcAddress("lineInitializeExA"), nullptr);
    EXPECT_EQ(tapiGetProcAddress("lineInitializeExA"), reinterpret_cast<void*>(&lineInitializeExA));
    exchange().setExEntriesMissing(true);
    EXPECT_EQ(tapiGetProcAddress("lineInitializeExA"), nullptr);
    EXPECT_EQ(tapiGetProcAddress("phoneInitializeExA"), nullptr);
    EXPECT_NE(tapiGetProcAddress("lineInitialize"), nullptr);
    EXPECT_EQ(tapiGetProcAddress("lineNoSuchThing"), nullptr);

    exchange().setInjectedFailure("lineInitializeEx", LINEERR_OPERATIONFAILED);
    RecordingApp app;
    EXPECT_EQ(errorName(app.initResult()), "LINEERR_OPERATIONFAILED");
    exchange().setInjectedFailure("lineInitializeEx", 0);
    RecordingApp again;
    EXPECT_EQ(errorName(again.initResult()), "OK");
}

}  // namespace
