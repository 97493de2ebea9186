// The Line control's published properties: each name reaches its value, reading changes nothing,
// plain writes only store, acting writes reach their group's setter (log line, refusal, error).
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/clock.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Type = TlkPropertyType;
using Access = TlkPropertyAccess;
using Value = TlkPropertyValue;
using Lines = std::vector<std::string>;

// A value as text, lists by their content, so that two snapshots compare what a reader sees.
std::string describe(const Value& value) {
    std::ostringstream text;
    if (const bool* b = std::get_if<bool>(&value))
        text << (*b ? "True" : "False");
    else if (const LONG* n = std::get_if<LONG>(&value))
        text << *n;
    else if (const double* d = std::get_if<double>(&value))
        text << *d;
    else if (const std::string* s = std::get_if<std::string>(&value))
        text << '"' << *s << '"';
    else if (const TlkStringList* const* list = std::get_if<const TlkStringList*>(&value)) {
        for (const std::string& entry : **list)
            text << entry << ';';
    }
    return text.str();
}

std::map<std::string, std::string> snapshot(const TlkLineInternal& line) {
    std::map<std::string, std::string> values;
    for (const TlkLineProperty& property : LinePublishedProperties())
        values[std::string(property.Name)] = describe(property.Get(line));
    return values;
}

std::set<std::string> differences(const std::map<std::string, std::string>& before,
                                  const std::map<std::string, std::string>& after) {
    std::set<std::string> changed;
    for (const auto& [name, value] : before) {
        if (after.at(name) != value)
            changed.insert(name);
    }
    return changed;
}

tapi::IncomingCall knownCaller(const std::string& number, const std::string& name) {
    tapi::IncomingCall call;
    call.number = number;
    call.name = name;
    call.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
    return call;
}

class LineProperties : public LineTest {
  protected:
    LineProperties() { newLine(); }

    Value read(std::string_view name) const {
        const std::optional<Value> value = ReadLineProperty(*line, name);
        EXPECT_TRUE(value.has_value()) << name << " is not published";
        return value.value_or(Value{});
    }
    // Opens line 1 and lets a caller with a known number ring it; the call becomes current.
    DWORD openWithCall() {
        line->SetDeviceActive(true);
        EXPECT_NE(exchange().ring(0, knownCaller("01632960123", "ANN SMITH")), 0u);
        time.advance(10ms);
        EXPECT_NE(line->Call.Handle, 0u);
        return line->Call.Handle;
    }
    // An error the reads and the refused writes must leave as it is.
    void setSentinelError() { line->Error().set(LINEERR_NOMULTIPLEINSTANCE, "sentinel"); }
};

TEST_F(LineProperties, AreTheNamesTheActiveXLayerBindsTo) {
    struct Group {
        Access access;
        Type type;
        const char* names;
    };
    static constexpr Group groups[] = {
        {Access::ReadOnly, Type::Integer,
         "AddressCount AddressFeatures AddressForwardConsultCall AddressForwardNumEntries "
         "AddressNumActiveCalls AddressNumInUse AddressNumOnHoldCalls AddressNumOnHoldPendCalls "
         "AddressNumRingsNoAnswer AddressCapabilitiesBusyModes AddressCapabilitiesCalledIDFlags "
         "AddressCapabilitiesCallerIDFlags AddressCapabilitiesCallInfoStates "
         "AddressCapabilitiesCallStates AddressCapabilitiesFlags "
         "AddressCapabilitiesConnectedIDFlags AddressCapabilitiesDialToneModes "
         "AddressCapabilitiesDisconnectModes AddressCapabilitiesRedirectingIDFlags "
         "AddressCapabilitiesRedirectionIDFlags AddressCapabilitiesStates "
         "AddressCapabilitiesSpecialInfo AddressCapabilitiesMaxNumActiveCalls "
         "AddressCapabilitiesMaxNumOnHoldCalls AddressCapabilitiesMaxNumOnHoldPendingCalls "
         "AddressCapabilitiesMaxNumConference AddressCapabilitiesMaxNumTransConf "
         "AddressCapabilitiesCallFeatures AddressCapabilitiesRemoveFromConfCaps "
         "AddressCapabilitiesRemoveFromConfState AddressCapabilitiesTransferModes "
         "AddressCapabilitiesParkModes AddressCapabilitiesForwardModes "
         "AddressCapabilitiesMaxForwardEntries AddressCapabilitiesMaxSpecificEntries "
         "AddressCapabilitiesMinFwdNumRings AddressCapabilitiesMaxFwdNumRings "
         "AddressCapabilitiesFeatures AddressCapabilitiesMaxNoAnswerTimeout "
         "AddressCapabilitiesConnectedModes AddressCapabilitiesOfferingModes CallAddress "
         "CallBusyMode CallCalledIDFlags CallCallerIDFlags CallConnectedIDFlags CallCount "
         "CallDialToneMode CallDisconnectMode CallID CallMonitors CallOrigin CallOwners CallReason "
         "CallRedirectingIDFlags CallRedirectionIDFlags CallSpecialInfo CallState CallStateMode "
         "CommHandle DeviceCount DeviceMediaModesOpen DeviceActiveCalls DeviceOnHoldCalls "
         "DeviceOnHoldPendCalls DeviceRingMode DeviceMediaModesAvailable DeviceOpenCount "
         "DeviceCapabilitiesAnswerMode DeviceCapabilitiesBearerModes DeviceCapabilitiesFlags "
         "DeviceCapabilitiesLineFeatures DeviceCapabilitiesMaxNumActiveCalls "
         "DeviceCapabilitiesRingModes DeviceCapabilitiesDevSpecificSize DeviceCapabilitiesStates "
         "DeviceCapabilitiesTones PhoneID TAPISubversion TAPIVersion TerminalDevice "
         "TerminalAvailableModes TerminalSharing TerminalCount WavePlayID WaveRecordID "
         "ConferenceCount ConferenceHandle TransferConsultCall TransferThreeWayCall "
         "LineAppHandle LineHandle"},
        {Access::ReadOnly, Type::Boolean,
         "CallCalledIDBlocked CallCalledIDOutOfArea CallCallerIDBlocked CallCallerIDOutOfArea "
         "CallConnectedIDBlocked CallConnectedIDOutOfArea CallRedirectingIDBlocked "
         "CallRedirectingIDOutOfArea CallRedirectionIDBlocked CallRedirectionIDOutOfArea "
         "CommAvailable PhoneAvailable WavePlayAvailable WaveRecordAvailable"},
        {Access::ReadOnly, Type::Text,
         "CallCalledIDName CallCalledIDNumber CallCallerIDName CallCallerIDNumber "
         "CallConnectedIDName CallConnectedIDNumber CallOriginatingApp CallRedirectingIDName "
         "CallRedirectingIDNumber CallRedirectionIDName CallRedirectionIDNumber TAPITSP "
         "TerminalName"},
        {Access::ReadOnly, Type::DateTime, "CallBegan CallConnected CallDisconnected CallEnded"},
        {Access::ReadOnly, Type::TextList,
         "AddressList CallList DeviceList TerminalList ConferenceList"},
        {Access::ReadOnly, Type::Bytes, "DeviceCapabilitiesDevSpecific"},
        {Access::Plain, Type::Boolean,
         "DeviceUnformatPhoneNumber DeviceTranslatePhoneNumber PopupOnBusy PopupOnCallBegin "
         "PopupOnCalledID PopupOnCallEnd PopupOnCallerID PopupOnCallInfo "
         "PopupOnCallMediaModeChange PopupOnCallOwnerChange PopupOnCallState PopupOnConnected "
         "PopupOnConnectedID PopupOnDialing PopupOnDialtone PopupOnDigitReceived "
         "PopupOnDigitsSent PopupOnToneSent PopupOnDisconnected PopupOnError PopupOnIdle "
         "PopupOnMessageOff PopupOnMessageOn PopupOnOffering PopupOnRedirectingID "
         "PopupOnRedirectionID PopupOnRing PopupOnRingBack PopupOnSilence PopupOnSpecialInfo "
         "PopupOnTAPIMessage PopupOnTAPIReply"},
        {Access::Plain, Type::Integer, "TAPIReplyTimeout"},
        {Access::Acting, Type::Boolean,
         "CallCalledIDFormatName CallCallerIDFormatName CallConnectedIDFormatName "
         "CallRedirectingIDFormatName CallRedirectionIDFormatName CallActive CallOwner "
         "AddressForwardActive AddressForwardParametersDefaults CallParametersDefaults "
         "ConferenceParametersDefaults TransferParametersDefaults CallGatherDigitsActive "
         "CallMonitorDigitsActive CallMonitorMediaModesActive CallMonitorSilenceActive "
         "CommEnabled DeviceActive PrivilegeMonitor PrivilegeNone PrivilegeOwner"},
        {Access::Acting, Type::Integer,
         "CallBearerMode CallHandle CallMediaMode CallTag AddressForwardMode "
         "AddressForwardParametersAddressID AddressForwardParametersBearerMode "
         "AddressForwardParametersFlags AddressForwardParametersMediaMode "
         "AddressForwardParametersNoAnswerTimeout AddressID CallParametersAddressID "
         "CallParametersBearerMode CallParametersFlags CallParametersMediaMode "
         "CallParametersNoAnswerTimeout ConferenceParametersAddressID "
         "ConferenceParametersBearerMode ConferenceParametersFlags ConferenceParametersMediaMode "
         "ConferenceParametersNoAnswerTimeout TransferParametersAddressID "
         "TransferParametersBearerMode TransferParametersFlags TransferParametersMediaMode "
         "TransferParametersNoAnswerTimeout TerminalID TerminalActiveModes "
         "ConferenceConsultCall ConferencePrimaryCall TransferPrimaryCall "
         "CallGatherDigitsCount CallGatherDigitsTimeout CallMonitorMediaModesMediaModes "
         "CallMonitorSilenceDuration DeviceID DeviceIdleDelay DeviceMediaModesActive"},
        {Access::Acting, Type::Text,
         "WavePlayDeviceClass WaveRecordDeviceClass CallCalledIDMaskNumber CallCallerIDMaskNumber "
         "CallConnectedIDMaskNumber CallRedirectingIDMaskNumber CallRedirectionIDMaskNumber "
         "CallPhoneNumber AddressForwardCaller AddressForwardPhoneNumber AddressName "
         "ConferencePhoneNumber TransferPhoneNumber CallGatherDigitsTerminate CommDeviceClass "
         "DeviceName PhoneDeviceClass"},
    };
    std::set<std::string> expected;
    for (const Group& group : groups) {
        std::istringstream names(group.names);
        for (std::string name; names >> name;) {
            SCOPED_TRACE(name);
            EXPECT_TRUE(expected.insert(name).second) << "listed twice";
            const TlkLineProperty* property = FindLineProperty(name);
            ASSERT_NE(property, nullptr);
            EXPECT_EQ(property->Name, name);
            EXPECT_EQ(property->Access, group.access);
            EXPECT_EQ(property->Type, group.type);
            EXPECT_EQ(property->Put != nullptr, group.access != Access::ReadOnly);
        }
    }
    std::set<std::string> published;
    for (const TlkLineProperty& property : LinePublishedProperties())
        EXPECT_TRUE(published.insert(std::string(property.Name)).second) << property.Name;
    EXPECT_EQ(published, expected);
}

TEST_F(LineProperties, StartWithTheirDefaults) {
    struct Case {
        const char* name;
        Value value;
    };
    const Case cases[] = {
        {"DeviceActive", false},
        {"DeviceCount", LONG(4)},
        {"DeviceID", LONG(0)},
        {"DeviceIdleDelay", LONG(0)},
        {"DeviceTranslatePhoneNumber", false},
        {"DeviceUnformatPhoneNumber", false},
        {"CallHandle", LONG(0)},
        {"CallTag", LONG(0)},
        {"CallPhoneNumber", std::string()},
        {"CallCallerIDMaskNumber", std::string("000-000-0000;0")},
        {"CallRedirectionIDMaskNumber", std::string("000-000-0000;0")},
        {"CallCallerIDFormatName", true},
        {"CallConnectedIDFormatName", true},
        {"CallGatherDigitsActive", false},
        {"CallGatherDigitsCount", LONG(5)},
        {"CallGatherDigitsTerminate", std::string("#*")},
        {"CallGatherDigitsTimeout", LONG(5000)},
        {"CallMonitorSilenceDuration", LONG(0)},
        {"CallMonitorMediaModesMediaModes", LONG(0)},
        {"CallParametersDefaults", true},
        {"CallParametersBearerMode", LONG(LINEBEARERMODE_VOICE)},
        {"TransferParametersMediaMode", LONG(LINEMEDIAMODE_INTERACTIVEVOICE)},
        {"AddressForwardMode", LONG(LINEFORWARDMODE_UNCOND)},
        {"AddressID", LONG(0)},
        {"CommDeviceClass", std::string("comm/datamodem")},
        {"PhoneDeviceClass", std::string("tapi/phone")},
        {"WavePlayDeviceClass", std::string("wave/out")},
        {"WaveRecordDeviceClass", std::string("wave/in")},
        {"PrivilegeNone", false},
        {"PrivilegeMonitor", true},
        {"PrivilegeOwner", true},
        {"PopupOnRing", false},
        {"TAPIReplyTimeout", LONG(60000)},
        {"TAPIVersion", LONG(2)},
        {"TAPISubversion", LONG(2)},
        {"CallBegan", 0.0},
        {"ConferenceCount", LONG(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(c.name), c.value);
    }
}

TEST_F(LineProperties, ReadingChangesNothing) {
    openWithCall();
    setSentinelError();
    const std::size_t mark = logMark();
    const auto first = snapshot(*line);
    const auto second = snapshot(*line);
    EXPECT_EQ(first, second);
    EXPECT_EQ(line->Error().Number(), LINEERR_NOMULTIPLEINSTANCE);
    EXPECT_EQ(line->Error().Name(), "sentinel");
    EXPECT_EQ(logSince(mark), Lines{});
}

TEST_F(LineProperties, ListsAreTheEnginesOwnAndBytesACopy) {
    const struct {
        const char* name;
        const TlkStringList* list;
    } lists[] = {
        {"AddressList", &line->Address.List},       {"CallList", &line->Call.List},
        {"DeviceList", &line->Device.List},         {"TerminalList", &line->Terminal.List},
        {"ConferenceList", &line->Conference.List},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(l.name);
        EXPECT_EQ(std::get<const TlkStringList*>(read(l.name)), l.list);
    }
    // The view is live: a call that arrives later shows in the list read before it.
    const auto* calls = std::get<const TlkStringList*>(read("CallList"));
    const DWORD call = openWithCall();
    EXPECT_EQ(*calls, (TlkStringList{"00000000", Hex8(call)}));

    // A device whose capabilities carry device-specific bytes.
    exchange().setLargeStructures(true);
    line = std::make_unique<TlkLineInternal>();
    const std::string devSpecific = std::get<std::string>(read("DeviceCapabilitiesDevSpecific"));
    EXPECT_FALSE(devSpecific.empty());
    EXPECT_EQ(devSpecific, line->Device.Capabilities.DevSpecific);
    EXPECT_EQ(std::get<LONG>(read("DeviceCapabilitiesDevSpecificSize")), LONG(devSpecific.size()));
}

TEST_F(LineProperties, PlainWritesStoreTheValueAndNothingElse) {
    openWithCall();
    for (const TlkLineProperty& property : LinePublishedProperties()) {
        if (property.Access != Access::Plain)
            continue;
        SCOPED_TRACE(std::string(property.Name));
        setSentinelError();
        const Value old = property.Get(*line);
        const Value written = std::holds_alternative<bool>(old)
                                  ? Value(!std::get<bool>(old))
                                  : Value(LONG(std::get<LONG>(old) + 1234));
        const auto before = snapshot(*line);
        const std::size_t mark = logMark();
        ASSERT_TRUE(WriteLineProperty(*line, property.Name, written));
        EXPECT_EQ(property.Get(*line), written);
        EXPECT_EQ(differences(before, snapshot(*line)),
                  std::set<std::string>{std::string(property.Name)});
        EXPECT_EQ(logSince(mark), Lines{});
        EXPECT_EQ(line->Error().Name(), "sentinel");
        WriteLineProperty(*line, property.Name, old);
    }
}

// Each acting write reaches its group's setter: the setter's headline, its refusal of a value
// out of range (old value kept, the group's error), or its plain acceptance.
TEST_F(LineProperties, ActingWritesReachTheirSetters) {
    struct Case {
        const char* name;
        Value written;
        Value readBack;
        std::optional<std::string> headline;  // the first log line; "" when nothing is logged
        LONG error;
    };
    const DWORD call = openWithCall();
    const std::string h = Hex8(call);
    const std::string addressName = line->Address.Name;
    const std::string tooLong(32, '5');
    const bool owner = line->Call.Owner;
    const LONG mediaModes = LONG(line->Device.MediaModes.Active);
    const Case cases[] = {
        {"CallCallerIDMaskNumber", std::string(";0;*"), std::string(";0;*"), "", 0},
        {"CallCalledIDFormatName", false, false, "", 0},
        {"CallTag", LONG(42), LONG(42), "", 0},
        {"CallPhoneNumber", std::string("01632 960123"), std::string("01632 960123"), std::nullopt,
         0},
        {"CallActive", true, true, "", 0},  // the call is active already: nothing to do
        {"CallOwner", owner, owner, "Call.Owner := " + TlkVantage::BooleanText(owner), 0},
        {"CallBearerMode", LONG(LINEBEARERMODE_VOICE), LONG(LINEBEARERMODE_VOICE),
         "Call.BearerMode := 00000001 [" + h + "]", 0},
        {"CallHandle", LONG(0x12345), LONG(call), "Call.Handle = 00012345",
         LINEERR_INVALCALLHANDLE},
        {"AddressName", std::string("elsewhere"), addressName, "", 0},
        {"AddressID", LONG(1), LONG(0), "Address.ID := 1", LINEERR_INVALADDRESSID},
        {"AddressForwardCaller", tooLong, std::string(),
         "Address.Forward.Caller = '" + tooLong + "'", LINEERR_INVALADDRESS},
        {"AddressForwardMode", LONG(LINEFORWARDMODE_BUSY), LONG(LINEFORWARDMODE_BUSY),
         "Address.Forward.Mode = [00000010]", 0},
        {"CallParametersBearerMode", LONG(LINEBEARERMODE_DATA), LONG(LINEBEARERMODE_DATA), "", 0},
        {"ConferenceParametersDefaults", false, false, "", 0},
        {"ConferenceConsultCall", LONG(call), LONG(0),
         "<< Error >> LINEERR_INVALCALLHANDLE [80000018]", LINEERR_INVALCALLHANDLE},
        {"TransferPrimaryCall", LONG(call), LONG(call), "", 0},
        {"TerminalID", LONG(0), LONG(0), "Terminal.ID := 0", 0},  // opening chose the last
        {"CallGatherDigitsCount", LONG(32), LONG(5), "Call.GatherDigits.Count = 32",
         LINEERR_INVALPARAM},
        {"CallGatherDigitsCount", LONG(31), LONG(31), "Call.GatherDigits.Count = 31", 0},
        {"CallGatherDigitsTimeout", LONG(-1), LONG(5000), "Call.GatherDigits.TimeOut = -1",
         LINEERR_INVALPARAM},
        {"CallGatherDigitsTerminate", std::string("#"), std::string("#"),
         "Call.GatherDigits.Terminate = '#'", 0},
        {"CallGatherDigitsActive", true, true, "Call.GatherDigits.Active := True", 0},
        {"CallGatherDigitsTimeout", LONG(100), LONG(5000), "Call.GatherDigits.TimeOut = 100",
         LINEERR_OPERATIONFAILED},  // not while gathering
        {"CallMonitorDigitsActive", true, true, "Call.MonitorDigits.Active := True", 0},
        {"CallMonitorSilenceActive", true, false, "Call.MonitorSilence.Active := True",
         LINEERR_INVALTONE},  // no duration yet
        {"CallMonitorSilenceDuration", LONG(500), LONG(500), std::nullopt, 0},
        {"CallMonitorSilenceActive", true, true, "Call.MonitorSilence.Active := True", 0},
        {"CallMonitorMediaModesMediaModes", LONG(LINEMEDIAMODE_DATAMODEM),
         LONG(LINEMEDIAMODE_DATAMODEM), "Call.MonitorMediaModes.MediaModes := [00000010]", 0},
        {"CommEnabled", true, true, "Comm.Enabled := True", 0},           // a voice call: no handle
        {"DeviceMediaModesActive", LONG(0x40000000), mediaModes, "", 0},  // not the device's
        {"DeviceIdleDelay", LONG(100), LONG(0), "Device.IdleDelay := [100] //milliseconds",
         LINEERR_INVALLINESTATE},
        {"PrivilegeNone", true, false, "Device.Privilege.None := True", LINEERR_INVALLINESTATE},
        {"CommDeviceClass", std::string("comm"), std::string("comm/datamodem"),
         "Comm.DeviceClass := \"comm\"", LINEERR_INVALLINESTATE},
        {"PhoneDeviceClass", std::string("phone"), std::string("tapi/phone"),
         "Phone.DeviceClass := \"phone\"", LINEERR_INVALLINESTATE},
        {"WavePlayDeviceClass", std::string("wave/x"), std::string("wave/out"),
         "WavePlay.DeviceClass := \"wave/x\"", LINEERR_INVALLINESTATE},
        {"DeviceID", LONG(4), LONG(0), "Device.ID := 4", LINEERR_BADDEVICEID},
        {"DeviceName", std::string("No such line"), line->Device.Name,
         "Device.Name := 'No such line'", LINEERR_BADDEVICEID},
        // With the line closed the settings refused above are taken.
        {"DeviceActive", false, false, "Device.Active := False", 0},
        {"DeviceIdleDelay", LONG(100), LONG(100), "Device.IdleDelay := [100] //milliseconds", 0},
        {"PrivilegeNone", true, true, "Device.Privilege.None := True", 0},
        {"WaveRecordDeviceClass", std::string("wave/x"), std::string("wave/x"),
         "WaveRecord.DeviceClass := \"wave/x\"", 0},
        {"DeviceID", LONG(1), LONG(1), "Device.ID := 1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->Error().Clear();
        const std::size_t mark = logMark();
        ASSERT_TRUE(WriteLineProperty(*line, c.name, c.written));
        EXPECT_EQ(read(c.name), c.readBack);
        const Lines logged = logSince(mark);
        if (c.headline && c.headline->empty()) {
            EXPECT_EQ(logged, Lines{});
        } else if (c.headline) {
            ASSERT_FALSE(logged.empty());
            EXPECT_EQ(logged.front(), *c.headline);
        }
        EXPECT_EQ(line->Error().Number(), c.error) << line->Error().Name();
    }
    EXPECT_EQ(read("PrivilegeMonitor"), Value(false));
    EXPECT_EQ(read("PrivilegeOwner"), Value(false));
    EXPECT_EQ(read("DeviceName"), Value(exchange().config().lines[1].name));
}

TEST_F(LineProperties, ATagStaysWithItsCall) {
    const DWORD call = openWithCall();
    ASSERT_TRUE(WriteLineProperty(*line, "CallTag", LONG(7)));
    ASSERT_TRUE(WriteLineProperty(*line, "CallHandle", LONG(0)));
    EXPECT_EQ(read("CallTag"), Value(LONG(0)));
    ASSERT_TRUE(WriteLineProperty(*line, "CallHandle", LONG(call)));
    EXPECT_EQ(read("CallTag"), Value(LONG(7)));
}

// Each party's members read that party and no other, and its display settings shape only its
// own name and number.
TEST_F(LineProperties, EachPartyIsPublishedUnderItsOwnNames) {
    static constexpr const char* parties[] = {"CallerID", "CalledID", "ConnectedID",
                                              "RedirectionID", "RedirectingID"};
    for (int kind = 0; kind < PartyKindCount; ++kind) {
        const std::string digit = std::to_string(kind);
        line->Call.party(kind).assign({"PARTY NUMBER " + digit, "(555) 000-000" + digit, kind == 1,
                                       kind == 3, DWORD(0x100 * kind + 0xC)});
    }
    for (int kind = 0; kind < PartyKindCount; ++kind) {
        const std::string p = std::string("Call") + parties[kind];
        const std::string digit = std::to_string(kind);
        SCOPED_TRACE(p);
        EXPECT_EQ(read(p + "Name"), Value("Party Number " + digit));
        EXPECT_EQ(read(p + "Number"), Value("555-000-000" + digit));
        EXPECT_EQ(read(p + "Blocked"), Value(kind == 1));
        EXPECT_EQ(read(p + "OutOfArea"), Value(kind == 3));
        EXPECT_EQ(read(p + "Flags"), Value(LONG(0x100 * kind + 0xC)));

        const auto before = snapshot(*line);
        ASSERT_TRUE(WriteLineProperty(*line, p + "FormatName", false));
        ASSERT_TRUE(WriteLineProperty(*line, p + "MaskNumber", std::string(";0;*")));
        EXPECT_EQ(read(p + "Name"), Value("PARTY NUMBER " + digit));
        EXPECT_EQ(read(p + "Number"), Value("555000000" + digit));
        EXPECT_EQ(
            differences(before, snapshot(*line)),
            (std::set<std::string>{p + "FormatName", p + "MaskNumber", p + "Name", p + "Number"}));
    }
}

TEST_F(LineProperties, CallerIDOfARingingCallReadsAsTheCallerIDProgramSeesIt) {
    struct Case {
        const char* name;
        tapi::IncomingCall call;
        const char* number;
        const char* callerName;
        bool blocked, outOfArea;
        DWORD flags;
    };
    tapi::IncomingCall withheld;
    withheld.withheld = true;
    withheld.callerIdTiming = tapi::IncomingCall::CallerIdTiming::AtOffering;
    tapi::IncomingCall outOfArea = withheld;
    outOfArea.withheld = false;
    outOfArea.outOfArea = true;
    const Case cases[] = {
        {"known", knownCaller("01632960123", "ANN SMITH"), "016-329-60123", "Ann Smith", false,
         false, LINECALLPARTYID_NAME | LINECALLPARTYID_ADDRESS},
        {"withheld", withheld, "   -   -    ", "", true, false, LINECALLPARTYID_BLOCKED},
        {"out of area", outOfArea, "   -   -    ", "", false, true, LINECALLPARTYID_OUTOFAREA},
    };
    line->SetDeviceActive(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(exchange().ring(0, c.call), 0u);
        time.advance(10ms);
        EXPECT_EQ(read("CallCallerIDNumber"), Value(std::string(c.number)));
        EXPECT_EQ(read("CallCallerIDName"), Value(std::string(c.callerName)));
        EXPECT_EQ(read("CallCallerIDBlocked"), Value(c.blocked));
        EXPECT_EQ(read("CallCallerIDOutOfArea"), Value(c.outOfArea));
        EXPECT_EQ(read("CallCallerIDFlags"), Value(LONG(c.flags)));
        ASSERT_TRUE(exchange().hangup(0));
        time.advance(10ms);
        EXPECT_EQ(read("CallHandle"), Value(LONG(0)));
    }
}

TEST_F(LineProperties, WritesTheTableCannotTakeChangeNothing) {
    struct Case {
        const char* name;
        Value value;
    };
    const Case cases[] = {
        {"NoSuchProperty", LONG(1)},
        {"CallState", LONG(LINECALLSTATE_CONNECTED)},  // read-only
        {"CallList", LONG(0)},
        {"DeviceCapabilitiesDevSpecific", std::string("xyz")},
        {"PopupOnRing", LONG(1)},  // a truth value is not an integer
        {"CallGatherDigitsCount", std::string("7")},
        {"CallBegan", 1.5},
    };
    openWithCall();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSentinelError();
        const auto before = snapshot(*line);
        const std::size_t mark = logMark();
        EXPECT_FALSE(WriteLineProperty(*line, c.name, c.value));
        EXPECT_EQ(differences(before, snapshot(*line)), std::set<std::string>{});
        EXPECT_EQ(logSince(mark), Lines{});
        EXPECT_EQ(line->Error().Name(), "sentinel");
    }
    EXPECT_FALSE(ReadLineProperty(*line, "NoSuchProperty").has_value());
}

// A bearer-mode change is asynchronous: the call has the new mode only when TAPI's reply accepts
// it, and a refused or missing reply is reported.
TEST_F(LineProperties, ABearerModeIsTheCallsOnceItsReplyAcceptsIt) {
    struct Case {
        const char* name;
        tapi::ReplyPolicy policy;
        LONG readBack;
        LONG error;
    };
    const Case cases[] = {
        {"refused",
         {0, LINEERR_OPERATIONFAILED, false, false},
         LINEBEARERMODE_VOICE,
         LINEERR_OPERATIONFAILED},
        {"no reply", {0, 0, true, false}, LINEBEARERMODE_VOICE, TAPIREPLYTIMEOUT},
        {"accepted", {200, 0, false, false}, LINEBEARERMODE_PASSTHROUGH, 0},
    };
    const DWORD call = openWithCall();
    ASSERT_GT(lineAnswer(call, nullptr, 0), 0);
    time.advance(10ms);
    line->TAPI.ReplyTimeout = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().setReplyPolicy("lineSetCallParams", c.policy);
        ASSERT_TRUE(WriteLineProperty(*line, "CallBearerMode", LONG(LINEBEARERMODE_PASSTHROUGH)));
        EXPECT_EQ(read("CallBearerMode"), Value(c.readBack));
        EXPECT_EQ(line->Error().Number(), c.error);
        EXPECT_EQ(line->Call.Records.back()->BearerMode, DWORD(c.readBack));
    }
}

// The reply time-out is stored unchecked; 0 or below makes every wait give up at once rather than
// wait for ever.
TEST_F(LineProperties, AReplyTimeOutOfZeroOrBelowEndsEveryWaitAtOnce) {
    openWithCall();
    exchange().setReplyPolicy("lineAnswer", tapi::ReplyPolicy{0, 0, true, false});
    for (LONG timeout : {0, -1}) {
        SCOPED_TRACE(timeout);
        ASSERT_TRUE(WriteLineProperty(*line, "TAPIReplyTimeout", timeout));
        const core::OleDate before = core::now();
        EXPECT_FALSE(line->Call.Answer());
        EXPECT_EQ(line->Error().Number(), TAPIREPLYTIMEOUT);
        EXPECT_EQ(core::now(), before);
    }
}

}  // namespace
