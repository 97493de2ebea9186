// The Line control's own members. A property reaches the engine's published property of the same
// name (its read accessor, and its write accessor for a read-write member); a method reaches the
// engine operation of its name, or the name table of its constant family for the String members.
#include <span>

#include "lkLK36/activex/lkLineImpl1.h"
#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36 {

namespace {

// What a property carries at the interface: VARIANT_BOOL, long, double (the call time stamps),
// BSTR, IStrings, or the device-specific bytes (a BSTR holding a copy, one byte per character).
enum class Carries { Bool, Long, Date, Text, List, Bytes };
// Read-write members are browsable unless marked otherwise; read-only members never are.
enum class Kind { ReadWrite, ReadWriteNonBrowsable, ReadOnly };

struct PropertyRow {
    DISPID dispid;
    std::string_view name;
    Carries type;
    Kind kind;
};

using enum Carries;
using enum Kind;

// A member whose engine property is missing or answers another type: a fault of the build, which
// the member reports as a failure rather than a made-up value.
constexpr std::string_view kNoEngineProperty = "Property not available";

// clang-format off
constexpr PropertyRow kProperties[] = {
    // Read-write, browsable: a container stores them with its form.
    {119, "CallCalledIDFormatName", Bool, ReadWrite},
    {120, "CallCalledIDMaskNumber", Text, ReadWrite},
    {121, "CallCallerIDFormatName", Bool, ReadWrite},
    {122, "CallCallerIDMaskNumber", Text, ReadWrite},
    {123, "CallConnectedIDFormatName", Bool, ReadWrite},
    {124, "CallConnectedIDMaskNumber", Text, ReadWrite},
    {126, "CallMonitorDigitsActive", Bool, ReadWrite},
    {127, "CallMonitorMediaModesActive", Bool, ReadWrite},
    {128, "CallMonitorMediaModesMediaModes", Long, ReadWrite},
    {129, "CallMonitorSilenceActive", Bool, ReadWrite},
    {130, "CallMonitorSilenceDuration", Long, ReadWrite},
    {131, "CallRedirectingIDFormatName", Bool, ReadWrite},
    {132, "CallRedirectingIDMaskNumber", Text, ReadWrite},
    {133, "CallRedirectionIDFormatName", Bool, ReadWrite},
    {134, "CallRedirectionIDMaskNumber", Text, ReadWrite},
    {136, "CallTag", Long, ReadWrite},
    {137, "CommEnabled", Bool, ReadWrite},
    {138, "CommDeviceClass", Text, ReadWrite},
    {144, "DeviceIdleDelay", Long, ReadWrite},
    {145, "DeviceMediaModesActive", Long, ReadWrite},
    {147, "DeviceUnformatPhoneNumber", Bool, ReadWrite},
    {148, "DeviceTranslatePhoneNumber", Bool, ReadWrite},
    {149, "PhoneDeviceClass", Text, ReadWrite},
    {178, "PrivilegeMonitor", Bool, ReadWrite},
    {179, "PrivilegeNone", Bool, ReadWrite},
    {180, "PrivilegeOwner", Bool, ReadWrite},
    {187, "TAPIReplyTimeout", Long, ReadWrite},
    {188, "WavePlayDeviceClass", Text, ReadWrite},
    {189, "WaveRecordDeviceClass", Text, ReadWrite},
    {229, "CallParametersAddressID", Long, ReadWrite},
    {230, "CallParametersBearerMode", Long, ReadWrite},
    {231, "CallParametersDefaults", Bool, ReadWrite},
    {232, "CallParametersFlags", Long, ReadWrite},
    {233, "CallParametersMediaMode", Long, ReadWrite},
    {234, "CallParametersNoAnswerTimeout", Long, ReadWrite},
    {287, "ConferenceParametersAddressID", Long, ReadWrite},
    {288, "ConferenceParametersBearerMode", Long, ReadWrite},
    {289, "ConferenceParametersDefaults", Bool, ReadWrite},
    {290, "ConferenceParametersFlags", Long, ReadWrite},
    {291, "ConferenceParametersMediaMode", Long, ReadWrite},
    {292, "ConferenceParametersNoAnswerTimeout", Long, ReadWrite},
    {293, "TransferParametersAddressID", Long, ReadWrite},
    {294, "TransferParametersBearerMode", Long, ReadWrite},
    {295, "TransferParametersDefaults", Bool, ReadWrite},
    {296, "TransferParametersFlags", Long, ReadWrite},
    {297, "TransferParametersMediaMode", Long, ReadWrite},
    {298, "TransferParametersNoAnswerTimeout", Long, ReadWrite},
    {315, "AddressForwardParametersAddressID", Long, ReadWrite},
    {316, "AddressForwardParametersBearerMode", Long, ReadWrite},
    {317, "AddressForwardParametersFlags", Long, ReadWrite},
    {318, "AddressForwardParametersDefaults", Bool, ReadWrite},
    {319, "AddressForwardParametersMediaMode", Long, ReadWrite},
    {320, "AddressForwardParametersNoAnswerTimeout", Long, ReadWrite},
    {326, "CallGatherDigitsActive", Bool, ReadWrite},
    {327, "CallGatherDigitsCount", Long, ReadWrite},
    {328, "CallGatherDigitsTerminate", Text, ReadWrite},
    {329, "CallGatherDigitsTimeout", Long, ReadWrite},
    // Read-write, set at run time only.
    {32, "CallActive", Bool, ReadWriteNonBrowsable},
    {34, "CallBearerMode", Long, ReadWriteNonBrowsable},
    {58, "CallHandle", Long, ReadWriteNonBrowsable},
    {60, "CallMediaMode", Long, ReadWriteNonBrowsable},
    {64, "CallOwner", Bool, ReadWriteNonBrowsable},
    {116, "AddressID", Long, ReadWriteNonBrowsable},
    {118, "AddressName", Text, ReadWriteNonBrowsable},
    {135, "CallPhoneNumber", Text, ReadWriteNonBrowsable},
    {139, "DeviceActive", Bool, ReadWriteNonBrowsable},
    {140, "DeviceName", Text, ReadWriteNonBrowsable},
    {143, "DeviceID", Long, ReadWriteNonBrowsable},
    {150, "PopupOnBusy", Bool, ReadWriteNonBrowsable},
    {151, "PopupOnCallBegin", Bool, ReadWriteNonBrowsable},
    {152, "PopupOnCalledID", Bool, ReadWriteNonBrowsable},
    {153, "PopupOnCallEnd", Bool, ReadWriteNonBrowsable},
    {154, "PopupOnCallerID", Bool, ReadWriteNonBrowsable},
    {155, "PopupOnCallInfo", Bool, ReadWriteNonBrowsable},
    {156, "PopupOnCallMediaModeChange", Bool, ReadWriteNonBrowsable},
    {157, "PopupOnCallOwnerChange", Bool, ReadWriteNonBrowsable},
    {158, "PopupOnCallState", Bool, ReadWriteNonBrowsable},
    {159, "PopupOnConnected", Bool, ReadWriteNonBrowsable},
    {160, "PopupOnConnectedID", Bool, ReadWriteNonBrowsable},
    {161, "PopupOnDialing", Bool, ReadWriteNonBrowsable},
    {162, "PopupOnDialtone", Bool, ReadWriteNonBrowsable},
    {163, "PopupOnDigitReceived", Bool, ReadWriteNonBrowsable},
    {164, "PopupOnDisconnected", Bool, ReadWriteNonBrowsable},
    {165, "PopupOnError", Bool, ReadWriteNonBrowsable},
    {166, "PopupOnIdle", Bool, ReadWriteNonBrowsable},
    {167, "PopupOnMessageOff", Bool, ReadWriteNonBrowsable},
    {168, "PopupOnMessageOn", Bool, ReadWriteNonBrowsable},
    {169, "PopupOnOffering", Bool, ReadWriteNonBrowsable},
    {170, "PopupOnRedirectingID", Bool, ReadWriteNonBrowsable},
    {171, "PopupOnRedirectionID", Bool, ReadWriteNonBrowsable},
    {172, "PopupOnRing", Bool, ReadWriteNonBrowsable},
    {173, "PopupOnRingBack", Bool, ReadWriteNonBrowsable},
    {174, "PopupOnSilence", Bool, ReadWriteNonBrowsable},
    {175, "PopupOnSpecialInfo", Bool, ReadWriteNonBrowsable},
    {176, "PopupOnTAPIMessage", Bool, ReadWriteNonBrowsable},
    {177, "PopupOnTAPIReply", Bool, ReadWriteNonBrowsable},
    {182, "TerminalID", Long, ReadWriteNonBrowsable},
    {186, "TerminalActiveModes", Long, ReadWriteNonBrowsable},
    {277, "PopupOnToneSent", Bool, ReadWriteNonBrowsable},
    {284, "PopupOnDigitsSent", Bool, ReadWriteNonBrowsable},
    {299, "ConferenceConsultCall", Long, ReadWriteNonBrowsable},
    {302, "ConferencePhoneNumber", Text, ReadWriteNonBrowsable},
    {303, "ConferencePrimaryCall", Long, ReadWriteNonBrowsable},
    {305, "TransferPhoneNumber", Text, ReadWriteNonBrowsable},
    {306, "TransferPrimaryCall", Long, ReadWriteNonBrowsable},
    {309, "AddressForwardActive", Bool, ReadWriteNonBrowsable},
    {310, "AddressForwardCaller", Text, ReadWriteNonBrowsable},
    {312, "AddressForwardMode", Long, ReadWriteNonBrowsable},
    {314, "AddressForwardPhoneNumber", Text, ReadWriteNonBrowsable},
    // Read-only: what the engine keeps of the device, its address, terminal and calls.
    {21, "AddressCapabilitiesBusyModes", Long, ReadOnly},
    {22, "AddressCapabilitiesCalledIDFlags", Long, ReadOnly},
    {23, "AddressCapabilitiesCallerIDFlags", Long, ReadOnly},
    {24, "AddressCapabilitiesCallInfoStates", Long, ReadOnly},
    {25, "AddressCapabilitiesCallStates", Long, ReadOnly},
    {26, "AddressCapabilitiesFlags", Long, ReadOnly},
    {27, "AddressCapabilitiesConnectedIDFlags", Long, ReadOnly},
    {28, "AddressCapabilitiesDialToneModes", Long, ReadOnly},
    {29, "AddressCapabilitiesDisconnectModes", Long, ReadOnly},
    {30, "AddressCapabilitiesRedirectingIDFlags", Long, ReadOnly},
    {31, "AddressCapabilitiesRedirectionIDFlags", Long, ReadOnly},
    {33, "CallAddress", Long, ReadOnly},
    {35, "CallBegan", Date, ReadOnly},
    {36, "CallBusyMode", Long, ReadOnly},
    {37, "CallCalledIDBlocked", Bool, ReadOnly},
    {38, "CallCalledIDFlags", Long, ReadOnly},
    {39, "CallCalledIDName", Text, ReadOnly},
    {40, "CallCalledIDNumber", Text, ReadOnly},
    {41, "CallCalledIDOutOfArea", Bool, ReadOnly},
    {42, "CallCallerIDBlocked", Bool, ReadOnly},
    {43, "CallCallerIDFlags", Long, ReadOnly},
    {44, "CallCallerIDName", Text, ReadOnly},
    {45, "CallCallerIDNumber", Text, ReadOnly},
    {46, "CallCallerIDOutOfArea", Bool, ReadOnly},
    {47, "CallConnected", Date, ReadOnly},
    {48, "CallConnectedIDBlocked", Bool, ReadOnly},
    {49, "CallConnectedIDFlags", Long, ReadOnly},
    {50, "CallConnectedIDName", Text, ReadOnly},
    {51, "CallConnectedIDNumber", Text, ReadOnly},
    {52, "CallConnectedIDOutOfArea", Bool, ReadOnly},
    {53, "CallCount", Long, ReadOnly},
    {54, "CallDialToneMode", Long, ReadOnly},
    {55, "CallDisconnected", Date, ReadOnly},
    {56, "CallDisconnectMode", Long, ReadOnly},
    {57, "CallEnded", Date, ReadOnly},
    {59, "CallID", Long, ReadOnly},
    {61, "CallMonitors", Long, ReadOnly},
    {62, "CallOrigin", Long, ReadOnly},
    {63, "CallOriginatingApp", Text, ReadOnly},
    {65, "CallOwners", Long, ReadOnly},
    {66, "CallReason", Long, ReadOnly},
    {67, "CallRedirectingIDBlocked", Bool, ReadOnly},
    {68, "CallRedirectingIDFlags", Long, ReadOnly},
    {69, "CallRedirectingIDName", Text, ReadOnly},
    {70, "CallRedirectingIDNumber", Text, ReadOnly},
    {71, "CallRedirectingIDOutOfArea", Bool, ReadOnly},
    {72, "CallRedirectionIDBlocked", Bool, ReadOnly},
    {73, "CallRedirectionIDFlags", Long, ReadOnly},
    {74, "CallRedirectionIDName", Text, ReadOnly},
    {75, "CallRedirectionIDNumber", Text, ReadOnly},
    {76, "CallRedirectionIDOutOfArea", Bool, ReadOnly},
    {77, "CallSpecialInfo", Long, ReadOnly},
    {78, "CallState", Long, ReadOnly},
    {79, "CallStateMode", Long, ReadOnly},
    {80, "CommAvailable", Bool, ReadOnly},
    {81, "CommHandle", Long, ReadOnly},
    {82, "DeviceCapabilitiesBearerModes", Long, ReadOnly},
    {83, "DeviceActiveCalls", Long, ReadOnly},
    {84, "DeviceMediaModesOpen", Long, ReadOnly},
    {85, "DeviceOpenCount", Long, ReadOnly},
    {86, "DeviceCapabilitiesRingModes", Long, ReadOnly},
    {87, "DeviceCapabilitiesDevSpecificSize", Long, ReadOnly},
    {88, "DeviceCapabilitiesTones", Long, ReadOnly},
    {89, "LineAppHandle", Long, ReadOnly},
    {90, "LineHandle", Long, ReadOnly},
    {91, "PhoneAvailable", Bool, ReadOnly},
    {92, "PhoneID", Long, ReadOnly},
    {93, "TerminalDevice", Long, ReadOnly},
    {94, "TerminalAvailableModes", Long, ReadOnly},
    {95, "TerminalSharing", Long, ReadOnly},
    {96, "TAPISubversion", Long, ReadOnly},
    {97, "TAPITSP", Text, ReadOnly},
    {98, "TAPIVersion", Long, ReadOnly},
    {99, "WavePlayAvailable", Bool, ReadOnly},
    {100, "WavePlayID", Long, ReadOnly},
    {101, "WaveRecordAvailable", Bool, ReadOnly},
    {102, "WaveRecordID", Long, ReadOnly},
    {115, "AddressCount", Long, ReadOnly},
    {117, "AddressList", List, ReadOnly},
    {125, "CallList", List, ReadOnly},
    {141, "DeviceCount", Long, ReadOnly},
    {142, "DeviceList", List, ReadOnly},
    {146, "DeviceMediaModesAvailable", Long, ReadOnly},
    {181, "AddressFeatures", Long, ReadOnly},
    {183, "TerminalCount", Long, ReadOnly},
    {184, "TerminalName", Text, ReadOnly},
    {185, "TerminalList", List, ReadOnly},
    {244, "AddressCapabilitiesMaxNumActiveCalls", Long, ReadOnly},
    {245, "AddressCapabilitiesStates", Long, ReadOnly},
    {246, "AddressCapabilitiesMaxNumOnHoldCalls", Long, ReadOnly},
    {247, "AddressCapabilitiesMaxNumOnHoldPendingCalls", Long, ReadOnly},
    {248, "AddressCapabilitiesMaxNumConference", Long, ReadOnly},
    {249, "AddressCapabilitiesMaxNumTransConf", Long, ReadOnly},
    {250, "AddressCapabilitiesCallFeatures", Long, ReadOnly},
    {251, "AddressCapabilitiesRemoveFromConfCaps", Long, ReadOnly},
    {252, "AddressCapabilitiesRemoveFromConfState", Long, ReadOnly},
    {253, "AddressCapabilitiesTransferModes", Long, ReadOnly},
    {254, "AddressCapabilitiesParkModes", Long, ReadOnly},
    {255, "AddressCapabilitiesForwardModes", Long, ReadOnly},
    {256, "AddressCapabilitiesMaxForwardEntries", Long, ReadOnly},
    {257, "AddressCapabilitiesMaxSpecificEntries", Long, ReadOnly},
    {258, "AddressCapabilitiesMinFwdNumRings", Long, ReadOnly},
    {259, "AddressCapabilitiesMaxFwdNumRings", Long, ReadOnly},
    {260, "AddressCapabilitiesFeatures", Long, ReadOnly},
    {261, "AddressCapabilitiesMaxNoAnswerTimeout", Long, ReadOnly},
    {262, "AddressCapabilitiesConnectedModes", Long, ReadOnly},
    {263, "AddressCapabilitiesOfferingModes", Long, ReadOnly},
    {264, "DeviceCapabilitiesDevSpecific", Bytes, ReadOnly},
    {265, "AddressCapabilitiesSpecialInfo", Long, ReadOnly},
    {266, "DeviceCapabilitiesAnswerMode", Long, ReadOnly},
    {267, "DeviceCapabilitiesFlags", Long, ReadOnly},
    {269, "DeviceCapabilitiesMaxNumActiveCalls", Long, ReadOnly},
    {270, "DeviceCapabilitiesStates", Long, ReadOnly},
    {271, "DeviceOnHoldCalls", Long, ReadOnly},
    {272, "DeviceOnHoldPendCalls", Long, ReadOnly},
    {273, "DeviceRingMode", Long, ReadOnly},
    {274, "DeviceCapabilitiesLineFeatures", Long, ReadOnly},
    {300, "ConferenceCount", Long, ReadOnly},
    {301, "ConferenceList", List, ReadOnly},
    {304, "ConferenceHandle", Long, ReadOnly},
    {307, "TransferConsultCall", Long, ReadOnly},
    {308, "TransferThreeWayCall", Long, ReadOnly},
    {311, "AddressForwardConsultCall", Long, ReadOnly},
    {313, "AddressForwardNumEntries", Long, ReadOnly},
    {321, "AddressNumActiveCalls", Long, ReadOnly},
    {322, "AddressNumInUse", Long, ReadOnly},
    {323, "AddressNumOnHoldCalls", Long, ReadOnly},
    {324, "AddressNumOnHoldPendCalls", Long, ReadOnly},
    {325, "AddressNumRingsNoAnswer", Long, ReadOnly},
};
// clang-format on

// ---- A property row over the engine's published property ----

// Carrier<T>: the automation type of the row, the engine's value type, and the conversions.
template <Carries T>
struct Carrier;

template <>
struct Carrier<Bool> {
    using Type = VARIANT_BOOL;
    using Engine = bool;
    static VARIANT_BOOL out(TlkLine&, bool value) { return toVariantBool(value); }
    static bool in(VARIANT_BOOL value) { return value != VARIANT_FALSE; }
};

template <>
struct Carrier<Long> {
    using Type = LONG;
    using Engine = LONG;
    static LONG out(TlkLine&, LONG value) { return value; }
    static LONG in(LONG value) { return value; }
};

template <>
struct Carrier<Date> {
    using Type = double;
    using Engine = double;
    static double out(TlkLine&, double value) { return value; }
};

template <>
struct Carrier<Text> {
    using Type = BSTR;
    using Engine = std::string;
    static BSTR out(TlkLine&, const std::string& value) { return com::bstrFromUtf8OrNull(value); }
    static std::string in(BSTR value) { return com::utf8FromBstr(value); }
};

template <>
struct Carrier<List> {
    using Type = IDispatch*;
    using Engine = const TlkStringList*;
    static IDispatch* out(TlkLine& self, const TlkStringList* list) {
        return list ? self.listView(*list) : nullptr;
    }
};

// The engine keeps the bytes and refreshes them with the device's capabilities; the caller gets
// its own copy, so nothing it holds points into engine memory. Each byte is one character (0-255),
// so the length is the byte count and no byte is lost to a text conversion.
template <>
struct Carrier<Bytes> {
    using Type = BSTR;
    using Engine = std::string;
    static BSTR out(TlkLine&, const std::string& bytes) {
        if (bytes.empty())
            return nullptr;
        std::u16string units(bytes.size(), u'\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            units[i] = static_cast<unsigned char>(bytes[i]);
        return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()),
                                 static_cast<UINT>(units.size()));
    }
};

template <std::size_t I>
using CarrierOf = Carrier<kProperties[I].type>;

// The engine's property of the row's name, looked up once.
template <std::size_t I>
const TlkLineProperty* enginePropertyOf() {
    static const TlkLineProperty* const property = FindLineProperty(kProperties[I].name);
    return property;
}

template <std::size_t I>
HRESULT getProperty(TlkLine& self, typename CarrierOf<I>::Type* value) {
    const TlkLineProperty* property = enginePropertyOf<I>();
    if (!property)
        return self.refuse(kNoEngineProperty);
    const TlkPropertyValue read = property->Get(self.engine());
    const auto* held = std::get_if<typename CarrierOf<I>::Engine>(&read);
    if (!held)
        return self.refuse(kNoEngineProperty);
    *value = CarrierOf<I>::out(self, *held);
    return S_OK;
}

template <std::size_t I>
HRESULT putProperty(TlkLine& self, typename CarrierOf<I>::Type value) {
    const TlkLineProperty* property = enginePropertyOf<I>();
    if (!property || !property->Put)
        return self.refuse(kNoEngineProperty);
    using Engine = typename CarrierOf<I>::Engine;
    property->Put(self.engine(),
                  TlkPropertyValue(std::in_place_type<Engine>, CarrierOf<I>::in(value)));
    return S_OK;
}

template <std::size_t I>
constexpr com::Member propertyMember() {
    constexpr PropertyRow row = kProperties[I];
    if constexpr (row.kind == ReadOnly)
        return com::readOnly<&getProperty<I>>(row.name, row.dispid, kNonBrowsable);
    else if constexpr (row.kind == ReadWriteNonBrowsable)
        return com::property<&getProperty<I>, &putProperty<I>>(row.name, row.dispid, kNonBrowsable);
    else
        return com::property<&getProperty<I>, &putProperty<I>>(row.name, row.dispid);
}

template <std::size_t... I>
constexpr std::array<com::Member, sizeof...(I)> propertyMembers(std::index_sequence<I...>) {
    return {propertyMember<I>()...};
}

// ---- Methods ----

using L = TlkLineInternal;
constexpr com::Details kValue = com::params("iValue");

// clang-format off
constexpr std::array kMethods = {
    method<TlkLine, [](L&, LONG v) { return LineErrorName(v); }>("StringLINEERR", 3, kValue),
    method<TlkLine, [](L&, LONG v) { return LineBearerModeName(v); }>("StringLINEBEARERMODE", 4, kValue),
    method<TlkLine, [](L&, LONG v) { return LineToneModeName(v); }>("StringLINETONEMODE", 5, kValue),
    method<TlkLine, [](L&, LONG v) { return LineAddrCapFlagsName(v); }>("StringLINEADDRCAP", 6, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallPartyIDName(v); }>("StringLINECALLPARTYID", 7, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallInfoStateName(v); }>("StringLINECALLINFOSTATE", 8, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallStateName(v); }>("StringLINECALLSTATE", 9, kValue),
    method<TlkLine, [](L&, LONG state, LONG v) { return CallStateModeName(state, v); }>("StringLINECALLSTATEMODE", 10, com::params("iState, iValue")),
    method<TlkLine, [](L&, LONG v) { return LineBusyModeName(v); }>("StringLINEBUSYMODE", 11, kValue),
    method<TlkLine, [](L&, LONG v) { return LineDialToneModeName(v); }>("StringLINEDIALTONEMODE", 12, kValue),
    method<TlkLine, [](L&, LONG v) { return LineDisconnectModeName(v); }>("StringLINEDISCONNECTMODE", 13, kValue),
    method<TlkLine, [](L&, LONG v) { return LineSpecialInfoName(v); }>("StringLINESPECIALINFO", 14, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallOriginName(v); }>("StringLINECALLORIGIN", 15, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallReasonName(v); }>("StringLINECALLREASON", 16, kValue),
    method<TlkLine, [](L&, LONG v) { return LineMediaModeName(v); }>("StringLINEMEDIAMODE", 17, kValue),
    method<TlkLine, [](L&, LONG v) { return LineTermDevName(v); }>("StringLINETERMDEV", 18, kValue),
    method<TlkLine, [](L&, LONG v) { return LineTermModeName(v); }>("StringLINETERMMODE", 19, kValue),
    method<TlkLine, [](L&, LONG v) { return LineTermSharingName(v); }>("StringLINETERMSHARING", 20, kValue),
    method<TlkLine, [](L& e) { return e.Call.Answer(); }>("CallAnswer", 103),
    method<TlkLine, [](L& e) { return e.Call.Dial(); }>("CallDial", 104),
    method<TlkLine, [](L& e, const std::string& app) { return e.Call.Handoff(app); }>("CallHandOff", 105, com::params("sApplication")),
    method<TlkLine, [](L& e) { return e.Call.Hangup(); }>("CallHangup", 106),
    method<TlkLine, [](L& e) { return e.Call.Hold(); }>("CallHold", 107),
    method<TlkLine, [](L& e, const std::string& digits, LONG duration) { return e.Call.SendDigits(digits, duration); }>("CallSendDigits", 108, com::params("sDigits, dwDuration")),
    method<TlkLine, [](L& e, const std::string& digits, LONG duration) { return e.Call.SendPulseDigits(digits, duration); }>("CallSendPulseDigits", 109, com::params("sDigits, dwDuration")),
    method<TlkLine, [](L& e, LONG tone, LONG duration) { return e.Call.SendTone(tone, duration); }>("CallSendTone", 110, com::params("iTone, dwDuration")),
    method<TlkLine, [](L& e) { return e.Call.Transfer(); }>("CallTransfer", 111),
    method<TlkLine, [](L& e) { return e.Call.Unhold(); }>("CallUnhold", 112),
    method<TlkLine, [](L& e) { return e.Call.GetInfo(); }>("CallGetInfo", 113),
    method<TlkLine, [](L& e) { return e.DeviceConfigure(); }>("DeviceConfigure", 114),
    method<TlkLine, [](L& e) { return e.TransferDial(); }>("TransferDial", 191),
    method<TlkLine, [](L& e) { return e.SetLocation(); }>("SetLocation", 202),
    method<TlkLine, [](L& e) { return e.TransferComplete(); }>("TransferComplete", 219),
    method<TlkLine, [](L& e) { return e.TransferSwapHold(); }>("TransferSwapHold", 223),
    method<TlkLine, [](L& e) { return e.TransferThreeWay(); }>("TransferThreeWay", 224),
    method<TlkLine, [](L&, LONG v) { return LineAddressStateName(v); }>("StringLINEADDRESSSTATE", 235, kValue),
    method<TlkLine, [](L&, LONG v) { return LineCallFeatureName(v); }>("StringLINECALLFEATURE", 236, kValue),
    method<TlkLine, [](L&, LONG v) { return LineRemoveFromConfName(v); }>("StringLINEREMOVEFROMCONF", 237, kValue),
    method<TlkLine, [](L&, LONG v) { return LineTransferModeName(v); }>("StringLINETRANSFERMODE", 238, kValue),
    method<TlkLine, [](L&, LONG v) { return LineParkModeName(v); }>("StringLINEPARKMODE", 239, kValue),
    method<TlkLine, [](L&, LONG v) { return LineForwardModeName(v); }>("StringLINEFORWARDMODE", 240, kValue),
    method<TlkLine, [](L&, LONG v) { return LineAddrFeatureName(v); }>("StringLINEADDRFEATURE", 241, kValue),
    method<TlkLine, [](L&, LONG v) { return LineConnectedModeName(v); }>("StringLINECONNECTEDMODE", 242, kValue),
    method<TlkLine, [](L&, LONG v) { return LineOfferingModeName(v); }>("StringLINEOFFERINGMODE", 243, kValue),
    method<TlkLine, [](L& e, const std::string& number, const std::string& group) { return e.Call.Pickup(number, group); }>("CallPickup", 268, com::params("sPhoneNumber, sGroupID")),
    method<TlkLine, [](L& e, const std::string& number) { return e.Call.Park(number); }>("CallPark", 275, com::params("sPhoneNumber")),
    method<TlkLine, [](L& e, const std::string& number) { return e.Call.Unpark(number); }>("CallUnpark", 276, com::params("sPhoneNumber")),
    method<TlkLine, [](L&, LONG v) { return LineAnswerModeName(v); }>("StringLINEANSWERMODE", 278, kValue),
    method<TlkLine, [](L& e, const std::string& number) { return e.Call.Redirect(number); }>("CallRedirect", 279, com::params("sPhoneNumber")),
    method<TlkLine, [](L& e) { return e.ConferenceDial(); }>("ConferenceDial", 280),
    method<TlkLine, [](L&, LONG v) { return LineDevCapFlagsName(v); }>("StringLINEDEVCAPFLAGS", 281, kValue),
    method<TlkLine, [](L&, LONG v) { return LineDevStateName(v); }>("StringLINEDEVSTATE", 282, kValue),
    method<TlkLine, [](L&, LONG v) { return LineFeatureName(v); }>("StringLINEFEATURE", 283, kValue),
    method<TlkLine, [](L& e) { return e.ConferenceAddCall(); }>("ConferenceAddCall", 285),
    method<TlkLine, [](L& e) { return e.ConferenceSwapHold(); }>("ConferenceSwapHold", 286),
};
// clang-format on

}  // namespace

// The members every control has, then the Line's properties and methods.
const com::TypeTable& TlkLine::typeTable() {
    static constexpr auto properties =
        propertyMembers(std::make_index_sequence<std::size(kProperties)>{});
    static constexpr auto members =
        joinMembers(commonMembers<TlkLine>(), joinMembers(properties, kMethods));
    static constexpr com::TypeTable table = dualInterfaceTable(kLineIdentity, members);
    return table;
}

}  // namespace lkLK36
