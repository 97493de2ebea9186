// The Line engine's address group against the simulated exchange: forwarding and its fields,
// the call-parameter block, and the routing of terminal modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/open_line_fixture.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/provider.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

class LineAddress : public OpenLineTest {
  protected:
    const std::vector<tapi::ForwardEntry>& forwardsSent() const {
        return exchange().lastRequest(tapi::Op::Forward)->forwards;
    }
};

// ---- choosing the address and the terminal ----

TEST_F(LineAddress, AddressAndTerminalIDsAreCheckedAgainstTheDevice) {
    struct Case {
        const char* name;
        std::function<void(TlkLineInternal&)> choose;
        const char* error;
        LONG address, terminal;
        const char* terminalName;
    };
    const Case cases[] = {
        {"address out of range", [](TlkLineInternal& l) { l.SetAddressID(1); },
         "LINEERR_INVALADDRESSID", 0, 1, "Speaker"},
        {"terminal out of range", [](TlkLineInternal& l) { l.SetTerminalID(2); },
         "LINEERR_INVALTERMINALID", 0, 1, "Speaker"},
        {"handset", [](TlkLineInternal& l) { l.SetTerminalID(0); }, "", 0, 0, "Handset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose(*line);
        EXPECT_EQ(line->Error().Name(), c.error);
        EXPECT_EQ(line->Address.ID, c.address);
        EXPECT_EQ(line->Terminal.ID, c.terminal);
        EXPECT_EQ(line->Terminal.Name, c.terminalName);
    }
    EXPECT_EQ(line->Address.Name, "01632960001");
    line->SetAddressName("ignored");
    EXPECT_EQ(line->Address.Name, "01632960001");
}

// ---- forwarding ----

TEST_F(LineAddress, ForwardsAndCancelsWithTheListTheSwitchReads) {
    struct Case {
        DWORD mode;
        const char* caller;
        const char* destination;
    };
    static const Case cases[] = {
        {LINEFORWARDMODE_UNCOND, "", "01632960999"},
        // Both texts, each as long as a forwarding text may be.
        {LINEFORWARDMODE_UNCONDSPECIFIC, "0163296012345678901234567890123",
         "0163296099999999999999999999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        line->SetForwardMode(c.mode);
        line->SetForwardCaller(c.caller);
        line->SetForwardPhoneNumber(c.destination);
        ASSERT_EQ(line->Error().Number(), 0);
        recorder.take();

        const std::size_t mark = line->log().Lines().size();
        line->SetForwardActive(true);
        EXPECT_TRUE(line->Address.Forward.Active);
        EXPECT_EQ(line->Error().Number(), 0);
        EXPECT_EQ(line->log().Lines()[mark], "Address.Forward.Active = True");
        ASSERT_EQ(forwardsSent().size(), 1u);
        EXPECT_EQ(forwardsSent()[0].mode, c.mode);
        EXPECT_EQ(forwardsSent()[0].caller, c.caller);
        EXPECT_EQ(forwardsSent()[0].destination, c.destination);
        EXPECT_EQ(recorder.take(), (Lines{"OnTAPIReply 0", "OnAddressForward 0"}));
        // The address status reports the forwarding back.
        EXPECT_EQ(line->Address.Forward.PhoneNumber, c.destination);
        EXPECT_EQ(line->Address.Forward.Mode, c.mode);

        line->SetForwardActive(false);
        EXPECT_FALSE(line->Address.Forward.Active);
        EXPECT_TRUE(forwardsSent().empty());
        EXPECT_EQ(line->log().Lines().back(), "OnAddressForward (0)");
    }
}

TEST_F(LineAddress, ForwardingFieldsChangeOnlyWhileOffAndWithin31Characters) {
    line->SetForwardMode(LINEFORWARDMODE_UNCOND);
    const std::string longest(31, '1');
    const std::string tooLong(32, '2');
    line->SetForwardPhoneNumber(longest);
    EXPECT_EQ(line->Address.Forward.PhoneNumber, longest);
    EXPECT_EQ(line->log().Lines().back(), "Address.Forward.PhoneNumber = '" + longest + "'");
    line->SetForwardCaller(tooLong);
    EXPECT_EQ(line->Error().Name(), "LINEERR_INVALADDRESS");
    EXPECT_EQ(line->Address.Forward.Caller, "");
    line->SetForwardPhoneNumber(tooLong);
    EXPECT_EQ(line->Address.Forward.PhoneNumber, longest);

    line->SetForwardActive(true);
    ASSERT_TRUE(line->Address.Forward.Active);
    struct Case {
        const char* name;
        std::function<void(TlkLineInternal&)> change;
    };
    const Case cases[] = {
        {"caller", [](TlkLineInternal& l) { l.SetForwardCaller("0123"); }},
        {"number", [](TlkLineInternal& l) { l.SetForwardPhoneNumber("0123"); }},
        {"mode", [](TlkLineInternal& l) { l.SetForwardMode(LINEFORWARDMODE_BUSY); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->Error().Clear();
        c.change(*line);
        EXPECT_EQ(line->Error().Name(), "LINEERR_OPERATIONFAILED");
    }
    EXPECT_EQ(line->Address.Forward.Caller, "");
    EXPECT_EQ(line->Address.Forward.PhoneNumber, longest);
    EXPECT_EQ(line->Address.Forward.Mode, DWORD{LINEFORWARDMODE_UNCOND});
}

TEST_F(LineAddress, RefusedForwardingLeavesItOff) {
    struct Case {
        const char* name;
        DWORD mode;
        tapi::ReplyPolicy policy;
        const char* error;
    };
    static const Case cases[] = {
        // The line's status left no mode after opening: the switch refuses mode 0.
        {"no mode", 0, {}, "LINEERR_INVALPARAM"},
        {"reply fails",
         LINEFORWARDMODE_UNCOND,
         {0, LINEERR_OPERATIONUNAVAIL},
         "LINEERR_OPERATIONUNAVAIL"},
        {"no reply", LINEFORWARDMODE_UNCOND, {0, 0, true}, "TAPIREPLYTIMEOUT"},
    };
    line->TAPI.ReplyTimeout = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().setReplyPolicy("lineForward", c.policy);
        line->Address.Forward.Mode = c.mode;
        line->SetForwardPhoneNumber("01632960999");
        recorder.take();
        line->SetForwardActive(true);
        EXPECT_FALSE(line->Address.Forward.Active);
        EXPECT_EQ(line->Error().Name(), c.error);
        const Lines events = recorder.take();
        EXPECT_NE(std::find(events.begin(), events.end(), "OnError"), events.end());
    }
}

// ---- call parameters ----

TEST(CallParamsBlock, HoldsOnlyTheFiveValuesIn180Bytes) {
    std::vector<BYTE> block{1, 2, 3};
    EXPECT_EQ(BuildCallParams(TlkCallParameters{}, block), nullptr);
    EXPECT_TRUE(block.empty());

    const TlkCallParameters parameters{
        false, LINEBEARERMODE_DATA, LINEMEDIAMODE_DATAMODEM, LINECALLPARAMFLAGS_SECURE, 1, 45};
    const LINECALLPARAMS* params = BuildCallParams(parameters, block);
    ASSERT_EQ(block.size(), 180u);
    ASSERT_EQ(static_cast<const void*>(params), static_cast<const void*>(block.data()));
    LINECALLPARAMS expected{};
    expected.dwTotalSize = 180;
    expected.dwBearerMode = LINEBEARERMODE_DATA;
    expected.dwMediaMode = LINEMEDIAMODE_DATAMODEM;
    expected.dwCallParamFlags = LINECALLPARAMFLAGS_SECURE;
    expected.dwAddressID = 1;
    expected.dwNoAnswerTimeout = 45;
    std::vector<BYTE> wanted(180, 0);
    std::memcpy(wanted.data(), &expected, sizeof expected);
    EXPECT_EQ(block, wanted);
    DWORD timeout = 0;
    std::memcpy(&timeout, block.data() + 164, sizeof timeout);
    EXPECT_EQ(timeout, 45u);
}

// ---- terminal modes ----

TEST_F(LineAddress, TerminalModesRouteWhatTheTerminalOffers) {
    // The handset offers hook switch, ringer and two-way media (0x98).
    line->SetTerminalID(0);
    ASSERT_EQ(line->Terminal.AvailableModes,
              DWORD{LINETERMMODE_HOOKSWITCH | LINETERMMODE_RINGER | LINETERMMODE_MEDIABIDIRECT});
    struct Case {
        DWORD requested;
        DWORD active;
    };
    static const Case cases[] = {
        {0x98, 0x98},
        {0x13, 0x10},  // only the hook switch is offered: the ringer and media go off
        {0x03, 0x00},  // nothing offered: everything goes off
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        line->SetTerminalActiveModes(c.requested);
        EXPECT_EQ(line->Error().Number(), 0);
        time.advance(10ms);
        EXPECT_EQ(line->Terminal.ActiveModes, c.active);
    }
    EXPECT_EQ(line->log().Lines().back(), "Terminal.ActiveModes := [00000003]");
}

TEST_F(LineAddress, RefusedTerminalModesAreReported) {
    line->SetTerminalID(0);
    exchange().setReplyPolicy("lineSetTerminal", {0, LINEERR_RESOURCEUNAVAIL});
    line->SetTerminalActiveModes(0x10);
    EXPECT_EQ(line->Error().Name(), "LINEERR_RESOURCEUNAVAIL");
    exchange().setReplyPolicy("lineSetTerminal", {0, 0, true});
    line->TAPI.ReplyTimeout = 1000;
    line->SetTerminalActiveModes(0x10);
    EXPECT_EQ(line->Error().Name(), "TAPIREPLYTIMEOUT");
    EXPECT_EQ(line->Terminal.ActiveModes, 0u);
}

}  // namespace
