// The Line control's published properties: every value of its object tree under its flattened
// name, one row each. A row says how the value is read and, when it is writable, which setter a
// write reaches; the setters themselves live with their groups.
#include <algorithm>
#include <array>
#include <type_traits>
#include <unordered_map>

#include "lkLK36/engines/lkLine.h"

namespace {

using L = TlkLineInternal;
using V = TlkPropertyValue;
using Type = TlkPropertyType;
using Access = TlkPropertyAccess;

// ---- values ----

template <class T>
constexpr Type typeOf() {
    if constexpr (std::is_same_v<T, bool>)
        return Type::Boolean;
    else if constexpr (std::is_integral_v<T>)
        return Type::Integer;
    else if constexpr (std::is_same_v<T, double>)
        return Type::DateTime;
    else if constexpr (std::is_same_v<T, std::string>)
        return Type::Text;
    else {
        static_assert(std::is_same_v<T, TlkStringList>, "a published value has a published type");
        return Type::TextList;
    }
}

// What a value of the property's type travels as.
template <Type T>
struct Carrier;
template <>
struct Carrier<Type::Boolean> {
    using type = bool;
};
template <>
struct Carrier<Type::Integer> {
    using type = LONG;
};
template <>
struct Carrier<Type::DateTime> {
    using type = double;
};
template <>
struct Carrier<Type::Text> {
    using type = std::string;
};

template <class T>
V toValue(const T& value) {
    if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, double> ||
                  std::is_same_v<T, std::string>)
        return value;
    else if constexpr (std::is_integral_v<T>)
        return static_cast<LONG>(value);
    else
        return &value;  // the list itself: a live view, never a copy
}

bool carries(Type type, const V& value) {
    switch (type) {
        case Type::Boolean:
            return std::holds_alternative<bool>(value);
        case Type::Integer:
            return std::holds_alternative<LONG>(value);
        case Type::DateTime:
            return std::holds_alternative<double>(value);
        case Type::Text:
            return std::holds_alternative<std::string>(value);
        case Type::TextList:
        case Type::Bytes:
            return false;  // never written
    }
    return false;
}

// ---- rows ----

template <auto Read>
using ReadType = std::remove_cvref_t<decltype(Read(std::declval<const L&>()))>;

template <auto Read>
V get(const L& line) {
    using Result = decltype(Read(line));
    static_assert(
        !std::is_same_v<ReadType<Read>, TlkStringList> || std::is_lvalue_reference_v<Result>,
        "a list is handed out by reference, so its view follows the engine's list");
    return toValue(Read(line));
}

template <auto Write, Type T>
void put(L& line, const V& value) {
    Write(line, std::get<typename Carrier<T>::type>(value));
}

// A field written straight: the same accessor reads it from a const control and writes it.
template <auto Field>
void putField(L& line, const V& value) {
    using FieldType = std::remove_reference_t<decltype(Field(line))>;
    constexpr Type T = typeOf<FieldType>();
    Field(line) = static_cast<FieldType>(std::get<typename Carrier<T>::type>(value));
}

template <auto Read>
constexpr TlkLineProperty readOnly(std::string_view name) {
    return {name, typeOf<ReadType<Read>>(), Access::ReadOnly, &get<Read>, nullptr};
}

// The device-specific bytes of the capabilities: a copy, so nothing outside holds engine memory.
template <auto Read>
constexpr TlkLineProperty bytes(std::string_view name) {
    return {name, Type::Bytes, Access::ReadOnly, &get<Read>, nullptr};
}

template <auto Field>
constexpr TlkLineProperty plain(std::string_view name) {
    return {name, typeOf<ReadType<Field>>(), Access::Plain, &get<Field>, &putField<Field>};
}

template <auto Read, auto Write>
constexpr TlkLineProperty acting(std::string_view name) {
    constexpr Type T = typeOf<ReadType<Read>>();
    return {name, T, Access::Acting, &get<Read>, &put<Write, T>};
}

// The four call-parameter groups share one setter per field.
constexpr auto forwardParameters = [](auto& l) -> auto& {
    return l.Address.Forward.Parameters;
};
constexpr auto callParameters = [](auto& l) -> auto& {
    return l.Call.Parameters;
};
constexpr auto conferenceParameters = [](auto& l) -> auto& {
    return l.Conference.Parameters;
};
constexpr auto transferParameters = [](auto& l) -> auto& {
    return l.Transfer.Parameters;
};

template <auto Group, LONG TlkCallParameters::*Field>
void putParameter(L& line, const V& value) {
    line.SetCallParameter(Group(line), Field, std::get<LONG>(value));
}

template <auto Group, LONG TlkCallParameters::*Field>
constexpr TlkLineProperty parameter(std::string_view name) {
    constexpr auto read = [](const L& l) { return Group(l).*Field; };
    return {name, Type::Integer, Access::Acting, &get<read>, &putParameter<Group, Field>};
}

template <auto Group>
void putParameterDefaults(L& line, const V& value) {
    line.SetCallParametersDefaults(Group(line), std::get<bool>(value));
}

template <auto Group>
constexpr TlkLineProperty parameterDefaults(std::string_view name) {
    constexpr auto read = [](const L& l) { return Group(l).Defaults; };
    return {name, Type::Boolean, Access::Acting, &get<read>, &putParameterDefaults<Group>};
}

// clang-format off
constexpr auto kProperties = std::to_array<TlkLineProperty>({
    // ---- Address ----
    readOnly<[](const L& l) { return l.Address.Count; }>("AddressCount"),
    readOnly<[](const L& l) { return l.Address.Features; }>("AddressFeatures"),
    readOnly<[](const L& l) { return l.Address.Forward.ConsultCall; }>("AddressForwardConsultCall"),
    readOnly<[](const L& l) { return l.Address.Forward.NumEntries; }>("AddressForwardNumEntries"),
    readOnly<[](const L& l) { return l.Address.NumActiveCalls; }>("AddressNumActiveCalls"),
    readOnly<[](const L& l) { return l.Address.NumInUse; }>("AddressNumInUse"),
    readOnly<[](const L& l) { return l.Address.NumOnHoldCalls; }>("AddressNumOnHoldCalls"),
    readOnly<[](const L& l) { return l.Address.NumOnHoldPendCalls; }>("AddressNumOnHoldPendCalls"),
    readOnly<[](const L& l) { return l.Address.NumRingsNoAnswer; }>("AddressNumRingsNoAnswer"),
    readOnly<[](const L& l) -> const TlkStringList& { return l.Address.List; }>("AddressList"),
    acting<[](const L& l) { return l.Address.ID; },
           [](L& l, LONG v) { l.SetAddressID(v); }>("AddressID"),
    acting<[](const L& l) { return l.Address.Name; },
           [](L& l, const std::string& v) { l.SetAddressName(v); }>("AddressName"),
    acting<[](const L& l) { return l.Address.Forward.Active; },
           [](L& l, bool v) { l.SetForwardActive(v); }>("AddressForwardActive"),
    acting<[](const L& l) { return l.Address.Forward.Caller; },
           [](L& l, const std::string& v) { l.SetForwardCaller(v); }>("AddressForwardCaller"),
    acting<[](const L& l) { return l.Address.Forward.Mode; },
           [](L& l, LONG v) { l.SetForwardMode(static_cast<DWORD>(v)); }>("AddressForwardMode"),
    acting<[](const L& l) { return l.Address.Forward.PhoneNumber; },
           [](L& l, const std::string& v) { l.SetForwardPhoneNumber(v); }>(
        "AddressForwardPhoneNumber"),

    // ---- Address.Capabilities: LINEADDRESSCAPS as TAPI gave it ----
    readOnly<[](const L& l) { return l.Address.Capabilities.dwBusyModes; }>(
        "AddressCapabilitiesBusyModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwCalledIDFlags; }>(
        "AddressCapabilitiesCalledIDFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwCallerIDFlags; }>(
        "AddressCapabilitiesCallerIDFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwCallInfoStates; }>(
        "AddressCapabilitiesCallInfoStates"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwCallStates; }>(
        "AddressCapabilitiesCallStates"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwAddrCapFlags; }>(
        "AddressCapabilitiesFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwConnectedIDFlags; }>(
        "AddressCapabilitiesConnectedIDFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwDialToneModes; }>(
        "AddressCapabilitiesDialToneModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwDisconnectModes; }>(
        "AddressCapabilitiesDisconnectModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwRedirectingIDFlags; }>(
        "AddressCapabilitiesRedirectingIDFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwRedirectionIDFlags; }>(
        "AddressCapabilitiesRedirectionIDFlags"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwAddressStates; }>(
        "AddressCapabilitiesStates"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwSpecialInfo; }>(
        "AddressCapabilitiesSpecialInfo"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNumActiveCalls; }>(
        "AddressCapabilitiesMaxNumActiveCalls"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNumOnHoldCalls; }>(
        "AddressCapabilitiesMaxNumOnHoldCalls"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNumOnHoldPendingCalls; }>(
        "AddressCapabilitiesMaxNumOnHoldPendingCalls"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNumConference; }>(
        "AddressCapabilitiesMaxNumConference"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNumTransConf; }>(
        "AddressCapabilitiesMaxNumTransConf"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwCallFeatures; }>(
        "AddressCapabilitiesCallFeatures"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwRemoveFromConfCaps; }>(
        "AddressCapabilitiesRemoveFromConfCaps"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwRemoveFromConfState; }>(
        "AddressCapabilitiesRemoveFromConfState"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwTransferModes; }>(
        "AddressCapabilitiesTransferModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwParkModes; }>(
        "AddressCapabilitiesParkModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwForwardModes; }>(
        "AddressCapabilitiesForwardModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxForwardEntries; }>(
        "AddressCapabilitiesMaxForwardEntries"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxSpecificEntries; }>(
        "AddressCapabilitiesMaxSpecificEntries"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMinFwdNumRings; }>(
        "AddressCapabilitiesMinFwdNumRings"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxFwdNumRings; }>(
        "AddressCapabilitiesMaxFwdNumRings"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwAddressFeatures; }>(
        "AddressCapabilitiesFeatures"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwMaxNoAnswerTimeout; }>(
        "AddressCapabilitiesMaxNoAnswerTimeout"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwConnectedModes; }>(
        "AddressCapabilitiesConnectedModes"),
    readOnly<[](const L& l) { return l.Address.Capabilities.dwOfferingModes; }>(
        "AddressCapabilitiesOfferingModes"),

    // ---- the four call-parameter groups: store, refresh the monitor ----
    parameterDefaults<forwardParameters>("AddressForwardParametersDefaults"),
    parameter<forwardParameters, &TlkCallParameters::AddressID>(
        "AddressForwardParametersAddressID"),
    parameter<forwardParameters, &TlkCallParameters::BearerMode>(
        "AddressForwardParametersBearerMode"),
    parameter<forwardParameters, &TlkCallParameters::Flags>("AddressForwardParametersFlags"),
    parameter<forwardParameters, &TlkCallParameters::MediaMode>(
        "AddressForwardParametersMediaMode"),
    parameter<forwardParameters, &TlkCallParameters::NoAnswerTimeout>(
        "AddressForwardParametersNoAnswerTimeout"),
    parameterDefaults<callParameters>("CallParametersDefaults"),
    parameter<callParameters, &TlkCallParameters::AddressID>("CallParametersAddressID"),
    parameter<callParameters, &TlkCallParameters::BearerMode>("CallParametersBearerMode"),
    parameter<callParameters, &TlkCallParameters::Flags>("CallParametersFlags"),
    parameter<callParameters, &TlkCallParameters::MediaMode>("CallParametersMediaMode"),
    parameter<callParameters, &TlkCallParameters::NoAnswerTimeout>("CallParametersNoAnswerTimeout"),
    parameterDefaults<conferenceParameters>("ConferenceParametersDefaults"),
    parameter<conferenceParameters, &TlkCallParameters::AddressID>("ConferenceParametersAddressID"),
    parameter<conferenceParameters, &TlkCallParameters::BearerMode>(
        "ConferenceParametersBearerMode"),
    parameter<conferenceParameters, &TlkCallParameters::Flags>("ConferenceParametersFlags"),
    parameter<conferenceParameters, &TlkCallParameters::MediaMode>("ConferenceParametersMediaMode"),
    parameter<conferenceParameters, &TlkCallParameters::NoAnswerTimeout>(
        "ConferenceParametersNoAnswerTimeout"),
    parameterDefaults<transferParameters>("TransferParametersDefaults"),
    parameter<transferParameters, &TlkCallParameters::AddressID>("TransferParametersAddressID"),
    parameter<transferParameters, &TlkCallParameters::BearerMode>("TransferParametersBearerMode"),
    parameter<transferParameters, &TlkCallParameters::Flags>("TransferParametersFlags"),
    parameter<transferParameters, &TlkCallParameters::MediaMode>("TransferParametersMediaMode"),
    parameter<transferParameters, &TlkCallParameters::NoAnswerTimeout>(
        "TransferParametersNoAnswerTimeout"),

    // ---- Call: the current call ----
    readOnly<[](const L& l) { return l.Call.Address; }>("CallAddress"),
    readOnly<[](const L& l) { return l.Call.Began; }>("CallBegan"),
    readOnly<[](const L& l) { return l.Call.BusyMode; }>("CallBusyMode"),
    readOnly<[](const L& l) { return l.Call.Connected; }>("CallConnected"),
    readOnly<[](const L& l) { return l.Call.Count; }>("CallCount"),
    readOnly<[](const L& l) { return l.Call.DialToneMode; }>("CallDialToneMode"),
    readOnly<[](const L& l) { return l.Call.Disconnected; }>("CallDisconnected"),
    readOnly<[](const L& l) { return l.Call.DisconnectMode; }>("CallDisconnectMode"),
    readOnly<[](const L& l) { return l.Call.Ended; }>("CallEnded"),
    readOnly<[](const L& l) { return l.Call.ID; }>("CallID"),
    readOnly<[](const L& l) -> const TlkStringList& { return l.Call.List; }>("CallList"),
    readOnly<[](const L& l) { return l.Call.Monitors; }>("CallMonitors"),
    readOnly<[](const L& l) { return l.Call.Origin; }>("CallOrigin"),
    readOnly<[](const L& l) { return l.Call.OriginatingApp; }>("CallOriginatingApp"),
    readOnly<[](const L& l) { return l.Call.Owners; }>("CallOwners"),
    readOnly<[](const L& l) { return l.Call.Reason; }>("CallReason"),
    readOnly<[](const L& l) { return l.Call.SpecialInfo; }>("CallSpecialInfo"),
    readOnly<[](const L& l) { return l.Call.State; }>("CallState"),
    readOnly<[](const L& l) { return l.Call.StateMode; }>("CallStateMode"),
    acting<[](const L& l) { return l.Call.BearerMode; },
           [](L& l, LONG v) { l.Call.SetBearerMode(v); }>("CallBearerMode"),
    acting<[](const L& l) { return l.Call.Handle; },
           [](L& l, LONG v) { l.Call.SetHandle(static_cast<DWORD>(v)); }>("CallHandle"),
    acting<[](const L& l) { return l.Call.MediaMode; },
           [](L& l, LONG v) { l.Call.SetMediaMode(v); }>("CallMediaMode"),
    acting<[](const L& l) { return l.Call.Tag; },
           [](L& l, LONG v) { l.Call.SetTag(v); }>("CallTag"),
    acting<[](const L& l) { return l.Call.Active; },
           [](L& l, bool v) { l.Call.SetActive(v); }>("CallActive"),
    acting<[](const L& l) { return l.Call.Owner; },
           [](L& l, bool v) { l.Call.SetOwner(v); }>("CallOwner"),
    acting<[](const L& l) { return l.Call.PhoneNumber; },
           [](L& l, const std::string& v) { l.Call.SetPhoneNumber(v); }>("CallPhoneNumber"),

    // ---- Call.<Party>: the caller-ID parties, shaped for display on reading ----
    readOnly<[](const L& l) { return l.Call.CallerID.Blocked; }>("CallCallerIDBlocked"),
    readOnly<[](const L& l) { return l.Call.CallerID.Flags; }>("CallCallerIDFlags"),
    readOnly<[](const L& l) { return l.Call.CallerID.GetName(); }>("CallCallerIDName"),
    readOnly<[](const L& l) { return l.Call.CallerID.GetNumber(); }>("CallCallerIDNumber"),
    readOnly<[](const L& l) { return l.Call.CallerID.OutOfArea; }>("CallCallerIDOutOfArea"),
    acting<[](const L& l) { return l.Call.CallerID.FormatName; },
           [](L& l, bool v) { l.Call.CallerID.SetFormatName(v); }>("CallCallerIDFormatName"),
    acting<[](const L& l) { return l.Call.CallerID.MaskNumber; },
           [](L& l, const std::string& v) { l.Call.CallerID.SetMaskNumber(v); }>(
        "CallCallerIDMaskNumber"),
    readOnly<[](const L& l) { return l.Call.CalledID.Blocked; }>("CallCalledIDBlocked"),
    readOnly<[](const L& l) { return l.Call.CalledID.Flags; }>("CallCalledIDFlags"),
    readOnly<[](const L& l) { return l.Call.CalledID.GetName(); }>("CallCalledIDName"),
    readOnly<[](const L& l) { return l.Call.CalledID.GetNumber(); }>("CallCalledIDNumber"),
    readOnly<[](const L& l) { return l.Call.CalledID.OutOfArea; }>("CallCalledIDOutOfArea"),
    acting<[](const L& l) { return l.Call.CalledID.FormatName; },
           [](L& l, bool v) { l.Call.CalledID.SetFormatName(v); }>("CallCalledIDFormatName"),
    acting<[](const L& l) { return l.Call.CalledID.MaskNumber; },
           [](L& l, const std::string& v) { l.Call.CalledID.SetMaskNumber(v); }>(
        "CallCalledIDMaskNumber"),
    readOnly<[](const L& l) { return l.Call.ConnectedID.Blocked; }>("CallConnectedIDBlocked"),
    readOnly<[](const L& l) { return l.Call.ConnectedID.Flags; }>("CallConnectedIDFlags"),
    readOnly<[](const L& l) { return l.Call.ConnectedID.GetName(); }>("CallConnectedIDName"),
    readOnly<[](const L& l) { return l.Call.ConnectedID.GetNumber(); }>("CallConnectedIDNumber"),
    readOnly<[](const L& l) { return l.Call.ConnectedID.OutOfArea; }>("CallConnectedIDOutOfArea"),
    acting<[](const L& l) { return l.Call.ConnectedID.FormatName; },
           [](L& l, bool v) { l.Call.ConnectedID.SetFormatName(v); }>("CallConnectedIDFormatName"),
    acting<[](const L& l) { return l.Call.ConnectedID.MaskNumber; },
           [](L& l, const std::string& v) { l.Call.ConnectedID.SetMaskNumber(v); }>(
        "CallConnectedIDMaskNumber"),
    readOnly<[](const L& l) { return l.Call.RedirectingID.Blocked; }>("CallRedirectingIDBlocked"),
    readOnly<[](const L& l) { return l.Call.RedirectingID.Flags; }>("CallRedirectingIDFlags"),
    readOnly<[](const L& l) { return l.Call.RedirectingID.GetName(); }>("CallRedirectingIDName"),
    readOnly<[](const L& l) { return l.Call.RedirectingID.GetNumber(); }>(
        "CallRedirectingIDNumber"),
    readOnly<[](const L& l) { return l.Call.RedirectingID.OutOfArea; }>(
        "CallRedirectingIDOutOfArea"),
    acting<[](const L& l) { return l.Call.RedirectingID.FormatName; },
           [](L& l, bool v) { l.Call.RedirectingID.SetFormatName(v); }>(
        "CallRedirectingIDFormatName"),
    acting<[](const L& l) { return l.Call.RedirectingID.MaskNumber; },
           [](L& l, const std::string& v) { l.Call.RedirectingID.SetMaskNumber(v); }>(
        "CallRedirectingIDMaskNumber"),
    readOnly<[](const L& l) { return l.Call.RedirectionID.Blocked; }>("CallRedirectionIDBlocked"),
    readOnly<[](const L& l) { return l.Call.RedirectionID.Flags; }>("CallRedirectionIDFlags"),
    readOnly<[](const L& l) { return l.Call.RedirectionID.GetName(); }>("CallRedirectionIDName"),
    readOnly<[](const L& l) { return l.Call.RedirectionID.GetNumber(); }>(
        "CallRedirectionIDNumber"),
    readOnly<[](const L& l) { return l.Call.RedirectionID.OutOfArea; }>(
        "CallRedirectionIDOutOfArea"),
    acting<[](const L& l) { return l.Call.RedirectionID.FormatName; },
           [](L& l, bool v) { l.Call.RedirectionID.SetFormatName(v); }>(
        "CallRedirectionIDFormatName"),
    acting<[](const L& l) { return l.Call.RedirectionID.MaskNumber; },
           [](L& l, const std::string& v) { l.Call.RedirectionID.SetMaskNumber(v); }>(
        "CallRedirectionIDMaskNumber"),

    // ---- Call monitors and digit gathering ----
    acting<[](const L& l) { return l.Call.GatherDigits.Active; },
           [](L& l, bool v) { l.Call.SetGatherDigitsActive(v); }>("CallGatherDigitsActive"),
    acting<[](const L& l) { return l.Call.GatherDigits.Count; },
           [](L& l, LONG v) { l.Call.SetGatherDigitsCount(v); }>("CallGatherDigitsCount"),
    acting<[](const L& l) { return l.Call.GatherDigits.Terminate; },
           [](L& l, const std::string& v) { l.Call.SetGatherDigitsTerminate(v); }>(
        "CallGatherDigitsTerminate"),
    acting<[](const L& l) { return l.Call.GatherDigits.Timeout; },
           [](L& l, LONG v) { l.Call.SetGatherDigitsTimeout(v); }>("CallGatherDigitsTimeout"),
    acting<[](const L& l) { return l.Call.MonitorDigits.Active; },
           [](L& l, bool v) { l.Call.SetMonitorDigitsActive(v); }>("CallMonitorDigitsActive"),
    acting<[](const L& l) { return l.Call.MonitorMediaModes.Active; },
           [](L& l, bool v) { l.Call.SetMonitorMediaModesActive(v); }>(
        "CallMonitorMediaModesActive"),
    acting<[](const L& l) { return l.Call.MonitorMediaModes.MediaModes; },
           [](L& l, LONG v) { l.Call.SetMonitorMediaModes(static_cast<DWORD>(v)); }>(
        "CallMonitorMediaModesMediaModes"),
    acting<[](const L& l) { return l.Call.MonitorSilence.Active; },
           [](L& l, bool v) { l.Call.SetMonitorSilenceActive(v); }>("CallMonitorSilenceActive"),
    acting<[](const L& l) { return l.Call.MonitorSilence.Duration; },
           [](L& l, LONG v) { l.Call.SetMonitorSilenceDuration(v); }>("CallMonitorSilenceDuration"),

    // ---- related devices ----
    readOnly<[](const L& l) { return l.Comm.Available; }>("CommAvailable"),
    readOnly<[](const L& l) { return l.Comm.Handle; }>("CommHandle"),
    acting<[](const L& l) { return l.Comm.Enabled; },
           [](L& l, bool v) { l.SetCommEnabled(v); }>("CommEnabled"),
    acting<[](const L& l) { return l.Comm.DeviceClass; },
           [](L& l, const std::string& v) { l.SetCommDeviceClass(v); }>("CommDeviceClass"),
    readOnly<[](const L& l) { return l.Phone.Available; }>("PhoneAvailable"),
    readOnly<[](const L& l) { return l.Phone.ID; }>("PhoneID"),
    acting<[](const L& l) { return l.Phone.DeviceClass; },
           [](L& l, const std::string& v) { l.SetPhoneDeviceClass(v); }>("PhoneDeviceClass"),
    readOnly<[](const L& l) { return l.WavePlay.Available; }>("WavePlayAvailable"),
    readOnly<[](const L& l) { return l.WavePlay.ID; }>("WavePlayID"),
    acting<[](const L& l) { return l.WavePlay.DeviceClass(); },
           [](L& l, const std::string& v) { l.WavePlay.SetDeviceClass(v); }>("WavePlayDeviceClass"),
    readOnly<[](const L& l) { return l.WaveRecord.Available; }>("WaveRecordAvailable"),
    readOnly<[](const L& l) { return l.WaveRecord.ID; }>("WaveRecordID"),
    acting<[](const L& l) { return l.WaveRecord.DeviceClass(); },
           [](L& l, const std::string& v) { l.WaveRecord.SetDeviceClass(v); }>(
        "WaveRecordDeviceClass"),

    // ---- Device ----
    readOnly<[](const L& l) { return l.Device.Count; }>("DeviceCount"),
    readOnly<[](const L& l) -> const TlkStringList& { return l.Device.List; }>("DeviceList"),
    readOnly<[](const L& l) { return l.Device.MediaModes.Open; }>("DeviceMediaModesOpen"),
    readOnly<[](const L& l) { return l.Device.MediaModes.Available; }>("DeviceMediaModesAvailable"),
    readOnly<[](const L& l) { return l.Device.ActiveCalls; }>("DeviceActiveCalls"),
    readOnly<[](const L& l) { return l.Device.OnHoldCalls; }>("DeviceOnHoldCalls"),
    readOnly<[](const L& l) { return l.Device.OnHoldPendCalls; }>("DeviceOnHoldPendCalls"),
    readOnly<[](const L& l) { return l.Device.RingMode; }>("DeviceRingMode"),
    readOnly<[](const L& l) { return l.Device.OpenCount; }>("DeviceOpenCount"),
    readOnly<[](const L& l) { return l.Device.Capabilities.AnswerMode; }>(
        "DeviceCapabilitiesAnswerMode"),
    readOnly<[](const L& l) { return l.Device.Capabilities.BearerModes; }>(
        "DeviceCapabilitiesBearerModes"),
    readOnly<[](const L& l) { return l.Device.Capabilities.Flags; }>("DeviceCapabilitiesFlags"),
    readOnly<[](const L& l) { return l.Device.Capabilities.LineFeatures; }>(
        "DeviceCapabilitiesLineFeatures"),
    readOnly<[](const L& l) { return l.Device.Capabilities.MaxNumActiveCalls; }>(
        "DeviceCapabilitiesMaxNumActiveCalls"),
    readOnly<[](const L& l) { return l.Device.Capabilities.RingModes; }>(
        "DeviceCapabilitiesRingModes"),
    bytes<[](const L& l) { return l.Device.Capabilities.DevSpecific; }>(
        "DeviceCapabilitiesDevSpecific"),
    readOnly<[](const L& l) { return LONG(l.Device.Capabilities.DevSpecific.size()); }>(
        "DeviceCapabilitiesDevSpecificSize"),
    readOnly<[](const L& l) { return l.Device.Capabilities.States; }>("DeviceCapabilitiesStates"),
    readOnly<[](const L& l) { return l.Device.Capabilities.Tones; }>("DeviceCapabilitiesTones"),
    plain<[](auto& l) -> auto& { return l.Device.UnformatPhoneNumber; }>(
        "DeviceUnformatPhoneNumber"),
    plain<[](auto& l) -> auto& { return l.Device.TranslatePhoneNumber; }>(
        "DeviceTranslatePhoneNumber"),
    acting<[](const L& l) { return l.Device.Active; },
           [](L& l, bool v) { l.SetDeviceActive(v); }>("DeviceActive"),
    acting<[](const L& l) { return l.Device.Name; },
           [](L& l, const std::string& v) { l.SetDeviceName(v); }>("DeviceName"),
    acting<[](const L& l) { return l.Device.ID; },
           [](L& l, LONG v) { l.SetDeviceID(v); }>("DeviceID"),
    acting<[](const L& l) { return l.Device.IdleDelay; },
           [](L& l, LONG v) { l.SetIdleDelay(v); }>("DeviceIdleDelay"),
    acting<[](const L& l) { return l.Device.MediaModes.Active; },
           [](L& l, LONG v) { l.SetDeviceMediaModesActive(static_cast<DWORD>(v)); }>(
        "DeviceMediaModesActive"),
    readOnly<[](const L& l) { return l.LineAppHandle(); }>("LineAppHandle"),
    readOnly<[](const L& l) { return l.LineHandle(); }>("LineHandle"),

    // ---- Privilege ----
    acting<[](const L& l) { return l.Privilege.Monitor; },
           [](L& l, bool v) { l.SetPrivilegeMonitor(v); }>("PrivilegeMonitor"),
    acting<[](const L& l) { return l.Privilege.None; },
           [](L& l, bool v) { l.SetPrivilegeNone(v); }>("PrivilegeNone"),
    acting<[](const L& l) { return l.Privilege.Owner; },
           [](L& l, bool v) { l.SetPrivilegeOwner(v); }>("PrivilegeOwner"),

    // ---- Popup: the monitor window opens on its log page when the event fires ----
    plain<[](auto& l) -> auto& { return l.Popup.OnBusy; }>("PopupOnBusy"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallBegin; }>("PopupOnCallBegin"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCalledID; }>("PopupOnCalledID"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallEnd; }>("PopupOnCallEnd"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallerID; }>("PopupOnCallerID"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallInfo; }>("PopupOnCallInfo"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallMediaModeChange; }>(
        "PopupOnCallMediaModeChange"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallOwnerChange; }>("PopupOnCallOwnerChange"),
    plain<[](auto& l) -> auto& { return l.Popup.OnCallState; }>("PopupOnCallState"),
    plain<[](auto& l) -> auto& { return l.Popup.OnConnected; }>("PopupOnConnected"),
    plain<[](auto& l) -> auto& { return l.Popup.OnConnectedID; }>("PopupOnConnectedID"),
    plain<[](auto& l) -> auto& { return l.Popup.OnDialing; }>("PopupOnDialing"),
    plain<[](auto& l) -> auto& { return l.Popup.OnDialtone; }>("PopupOnDialtone"),
    plain<[](auto& l) -> auto& { return l.Popup.OnDigitReceived; }>("PopupOnDigitReceived"),
    plain<[](auto& l) -> auto& { return l.Popup.OnDigitsSent; }>("PopupOnDigitsSent"),
    plain<[](auto& l) -> auto& { return l.Popup.OnToneSent; }>("PopupOnToneSent"),
    plain<[](auto& l) -> auto& { return l.Popup.OnDisconnected; }>("PopupOnDisconnected"),
    plain<[](auto& l) -> auto& { return l.Popup.OnError; }>("PopupOnError"),
    plain<[](auto& l) -> auto& { return l.Popup.OnIdle; }>("PopupOnIdle"),
    plain<[](auto& l) -> auto& { return l.Popup.OnMessageOff; }>("PopupOnMessageOff"),
    plain<[](auto& l) -> auto& { return l.Popup.OnMessageOn; }>("PopupOnMessageOn"),
    plain<[](auto& l) -> auto& { return l.Popup.OnOffering; }>("PopupOnOffering"),
    plain<[](auto& l) -> auto& { return l.Popup.OnRedirectingID; }>("PopupOnRedirectingID"),
    plain<[](auto& l) -> auto& { return l.Popup.OnRedirectionID; }>("PopupOnRedirectionID"),
    plain<[](auto& l) -> auto& { return l.Popup.OnRing; }>("PopupOnRing"),
    plain<[](auto& l) -> auto& { return l.Popup.OnRingBack; }>("PopupOnRingBack"),
    plain<[](auto& l) -> auto& { return l.Popup.OnSilence; }>("PopupOnSilence"),
    plain<[](auto& l) -> auto& { return l.Popup.OnSpecialInfo; }>("PopupOnSpecialInfo"),
    plain<[](auto& l) -> auto& { return l.Popup.OnTAPIMessage; }>("PopupOnTAPIMessage"),
    plain<[](auto& l) -> auto& { return l.Popup.OnTAPIReply; }>("PopupOnTAPIReply"),

    // ---- TAPI ----
    readOnly<[](const L& l) { return l.TAPI.Subversion; }>("TAPISubversion"),
    readOnly<[](const L& l) { return l.TAPI.TSP; }>("TAPITSP"),
    readOnly<[](const L& l) { return l.TAPI.Version; }>("TAPIVersion"),
    plain<[](auto& l) -> auto& { return l.TAPI.ReplyTimeout; }>("TAPIReplyTimeout"),

    // ---- Terminal ----
    readOnly<[](const L& l) { return l.Terminal.Device; }>("TerminalDevice"),
    readOnly<[](const L& l) { return l.Terminal.AvailableModes; }>("TerminalAvailableModes"),
    readOnly<[](const L& l) { return l.Terminal.Sharing; }>("TerminalSharing"),
    readOnly<[](const L& l) { return l.Terminal.Count; }>("TerminalCount"),
    readOnly<[](const L& l) { return l.Terminal.Name; }>("TerminalName"),
    readOnly<[](const L& l) -> const TlkStringList& { return l.Terminal.List; }>("TerminalList"),
    acting<[](const L& l) { return l.Terminal.ID; },
           [](L& l, LONG v) { l.SetTerminalID(v); }>("TerminalID"),
    acting<[](const L& l) { return l.Terminal.ActiveModes; },
           [](L& l, LONG v) { l.SetTerminalActiveModes(static_cast<DWORD>(v)); }>(
        "TerminalActiveModes"),

    // ---- Conference and Transfer ----
    readOnly<[](const L& l) { return l.Conference.Count; }>("ConferenceCount"),
    readOnly<[](const L& l) -> const TlkStringList& { return l.Conference.List; }>(
        "ConferenceList"),
    readOnly<[](const L& l) { return l.Conference.Handle; }>("ConferenceHandle"),
    acting<[](const L& l) { return l.Conference.ConsultCall; },
           [](L& l, LONG v) { l.SetConferenceConsultCall(static_cast<DWORD>(v)); }>(
        "ConferenceConsultCall"),
    acting<[](const L& l) { return l.Conference.PhoneNumber; },
           [](L& l, const std::string& v) { l.SetConferencePhoneNumber(v); }>(
        "ConferencePhoneNumber"),
    acting<[](const L& l) { return l.Conference.PrimaryCall; },
           [](L& l, LONG v) { l.SetConferencePrimaryCall(static_cast<DWORD>(v)); }>(
        "ConferencePrimaryCall"),
    readOnly<[](const L& l) { return l.Transfer.ConsultCall; }>("TransferConsultCall"),
    readOnly<[](const L& l) { return l.Transfer.ThreeWayCall; }>("TransferThreeWayCall"),
    acting<[](const L& l) { return l.Transfer.PhoneNumber; },
           [](L& l, const std::string& v) { l.SetTransferPhoneNumber(v); }>("TransferPhoneNumber"),
    acting<[](const L& l) { return l.Transfer.PrimaryCall; },
           [](L& l, LONG v) { l.SetTransferPrimaryCall(static_cast<DWORD>(v)); }>(
        "TransferPrimaryCall"),
});
// clang-format on

const std::unordered_map<std::string_view, const TlkLineProperty*>& propertyIndex() {
    static const auto index = [] {
        std::unordered_map<std::string_view, const TlkLineProperty*> byName;
        for (const TlkLineProperty& property : kProperties)
            byName.emplace(property.Name, &property);
        return byName;
    }();
    return index;
}

}  // namespace

std::span<const TlkLineProperty> LinePublishedProperties() {
    return kProperties;
}

const TlkLineProperty* FindLineProperty(std::string_view name) {
    const auto& index = propertyIndex();
    auto it = index.find(name);
    return it == index.end() ? nullptr : it->second;
}

std::optional<TlkPropertyValue> ReadLineProperty(const TlkLineInternal& line,
                                                 std::string_view name) {
    const TlkLineProperty* property = FindLineProperty(name);
    if (!property)
        return std::nullopt;
    return property->Get(line);
}

bool WriteLineProperty(TlkLineInternal& line, std::string_view name,
                       const TlkPropertyValue& value) {
    const TlkLineProperty* property = FindLineProperty(name);
    if (!property || !property->Put || !carries(property->Type, value))
        return false;
    property->Put(line, value);
    return true;
}
