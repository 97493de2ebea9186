// The Phone control's own members: each property reads the engine's field of its name or writes
// it through the engine's setter; the methods run the engine operation of their name, or the name
// table of their constant family for the String members.
#include "lkLK36/activex/lkPhoneImpl1.h"

#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36 {

namespace {

using P = TlkPhoneInternal;
using C = TlkPhone;
constexpr com::Details kValue = com::params("iValue");

// The ten members of one hookswitch device: names and DISPIDs in the order Available,
// GainAvailable, MicrophoneAndSpeaker, MicrophoneOnly, Modes, OnHook, SpeakerOnly,
// VolumeAvailable, Gain, Volume.
struct HookSwitchMembers {
    std::string_view names[10];
    DISPID dispids[10];
    com::Details gainDetails;  // only the headset's gain is browsable
};
constexpr HookSwitchMembers kHandset{
    {"HandsetAvailable", "HandsetGainAvailable", "HandsetMicrophoneAndSpeaker",
     "HandsetMicrophoneOnly", "HandsetModes", "HandsetOnHook", "HandsetSpeakerOnly",
     "HandsetVolumeAvailable", "HandsetGain", "HandsetVolume"},
    {7, 8, 9, 10, 11, 12, 13, 14, 50, 51},
    kNonBrowsable};
constexpr HookSwitchMembers kHeadset{
    {"HeadsetAvailable", "HeadsetGainAvailable", "HeadsetMicrophoneAndSpeaker",
     "HeadsetMicrophoneOnly", "HeadsetModes", "HeadsetOnHook", "HeadsetSpeakerOnly",
     "HeadsetVolumeAvailable", "HeadsetGain", "HeadsetVolume"},
    {15, 16, 17, 18, 19, 20, 21, 22, 52, 53},
    {}};
constexpr HookSwitchMembers kSpeakerphone{
    {"SpeakerphoneAvailable", "SpeakerphoneGainAvailable", "SpeakerphoneMicrophoneAndSpeaker",
     "SpeakerphoneMicrophoneOnly", "SpeakerphoneModes", "SpeakerphoneOnHook",
     "SpeakerphoneSpeakerOnly", "SpeakerphoneVolumeAvailable", "SpeakerphoneGain",
     "SpeakerphoneVolume"},
    {23, 24, 25, 26, 27, 28, 29, 30, 54, 55},
    kNonBrowsable};

template <TlkHookSwitch P::*D, const HookSwitchMembers& M>
constexpr std::array<com::Member, 10> hookSwitchMembers() {
    return {
        readOnly<C, [](P& e) { return (e.*D).Available; }>(M.names[0], M.dispids[0], kNonBrowsable),
        readOnly<C, [](P& e) { return (e.*D).GainAvailable; }>(M.names[1], M.dispids[1],
                                                               kNonBrowsable),
        property<C, [](P& e) { return (e.*D).MicrophoneAndSpeaker; },
                 [](P& e, bool v) { (e.*D).SetMicrophoneAndSpeaker(v); }>(M.names[2], M.dispids[2],
                                                                          kNonBrowsable),
        property<C, [](P& e) { return (e.*D).MicrophoneOnly; },
                 [](P& e, bool v) { (e.*D).SetMicrophoneOnly(v); }>(M.names[3], M.dispids[3],
                                                                    kNonBrowsable),
        readOnly<C, [](P& e) { return (e.*D).Modes; }>(M.names[4], M.dispids[4], kNonBrowsable),
        property<C, [](P& e) { return (e.*D).OnHook; }, [](P& e, bool v) { (e.*D).SetOnHook(v); }>(
            M.names[5], M.dispids[5], kNonBrowsable),
        property<C, [](P& e) { return (e.*D).SpeakerOnly; },
                 [](P& e, bool v) { (e.*D).SetSpeakerOnly(v); }>(M.names[6], M.dispids[6],
                                                                 kNonBrowsable),
        readOnly<C, [](P& e) { return (e.*D).VolumeAvailable; }>(M.names[7], M.dispids[7],
                                                                 kNonBrowsable),
        property<C, [](P& e) { return (e.*D).Gain; }, [](P& e, LONG v) { (e.*D).SetGain(v); }>(
            M.names[8], M.dispids[8], M.gainDetails),
        property<C, [](P& e) { return (e.*D).Volume; }, [](P& e, LONG v) { (e.*D).SetVolume(v); }>(
            M.names[9], M.dispids[9], kNonBrowsable),
    };
}

template <bool TlkPhonePopup::*F>
constexpr com::Member popupMember(std::string_view name, DISPID dispid) {
    return property<C, [](P& e) { return e.Popup.*F; }, [](P& e, bool v) { e.Popup.*F = v; }>(
        name, dispid, kNonBrowsable);
}

// clang-format off
constexpr std::array kPhoneMembers = {
    method<C, [](P&, LONG v) { return PhoneErrorName(v); }>("StringPHONEERR", 2, kValue),
    method<C, [](P&, LONG v) { return PhoneStateName(v); }>("StringPHONESTATE", 3, kValue),
    method<C, [](P&, LONG v) { return HookSwitchModeName(v); }>("StringPHONEHOOKSWITCHMODE", 4, kValue),
    readOnly<C, [](P& e) { return e.Device.State; }>("DeviceState", 5, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Device.StateDetails; }>("DeviceStateDetails", 6, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Line.Available; }>("LineAvailable", 31, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Line.ID; }>("LineID", 32, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Phone.PhoneAppHandle; }>("PhoneAppHandle", 33, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Phone.PhoneHandle; }>("PhoneHandle", 34, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Phone.PhoneHookSwitchDevs; }>("PhoneHookSwitchDevs", 35, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Phone.PhoneStates; }>("PhoneStates", 36, kNonBrowsable),
    readOnly<C, [](P& e) { return e.TAPI.Subversion; }>("TAPISubversion", 37, kNonBrowsable),
    readOnly<C, [](P& e) { return e.TAPI.TSP; }>("TAPITSP", 38, kNonBrowsable),
    readOnly<C, [](P& e) { return e.TAPI.Version; }>("TAPIVersion", 39, kNonBrowsable),
    readOnly<C, [](P& e) { return e.WavePlay.Available; }>("WavePlayAvailable", 40, kNonBrowsable),
    readOnly<C, [](P& e) { return e.WavePlay.ID; }>("WavePlayID", 41, kNonBrowsable),
    readOnly<C, [](P& e) { return e.WaveRecord.Available; }>("WaveRecordAvailable", 42, kNonBrowsable),
    readOnly<C, [](P& e) { return e.WaveRecord.ID; }>("WaveRecordID", 43, kNonBrowsable),
    method<C, [](P& e) { return e.DeviceConfigure(); }>("DeviceConfigure", 44),
    property<C, [](P& e) { return e.Device.Active; }, [](P& e, bool v) { e.SetDeviceActive(v); }>("DeviceActive", 45, kNonBrowsable),
    property<C, [](P& e) { return e.Device.Name; }, [](P& e, const std::string& v) { e.SetDeviceName(v); }>("DeviceName", 46, kNonBrowsable),
    readOnly<C, [](P& e) { return e.Device.Count; }>("DeviceCount", 47, kNonBrowsable),
    readOnly<C, [](P& e) -> const TlkStringList& { return e.Device.List; }>("DeviceList", 48, kNonBrowsable),
    property<C, [](P& e) { return e.Device.ID; }, [](P& e, LONG v) { e.SetDeviceID(v); }>("DeviceID", 49, kNonBrowsable),
    property<C, [](P& e) { return e.Line.DeviceClass; }, [](P& e, const std::string& v) { e.SetLineDeviceClass(v); }>("LineDeviceClass", 56),
    popupMember<&TlkPhonePopup::OnDigitDown>("PopupOnDigitDown", 57),
    popupMember<&TlkPhonePopup::OnDigitUp>("PopupOnDigitUp", 58),
    popupMember<&TlkPhonePopup::OnError>("PopupOnError", 59),
    popupMember<&TlkPhonePopup::OnHandsetGain>("PopupOnHandsetGain", 60),
    popupMember<&TlkPhonePopup::OnHandsetHookSwitch>("PopupOnHandsetHookSwitch", 61),
    popupMember<&TlkPhonePopup::OnHandsetVolume>("PopupOnHandsetVolume", 62),
    popupMember<&TlkPhonePopup::OnHeadsetGain>("PopupOnHeadsetGain", 63),
    popupMember<&TlkPhonePopup::OnHeadsetHookSwitch>("PopupOnHeadsetHookSwitch", 64),
    popupMember<&TlkPhonePopup::OnHeadsetVolume>("PopupOnHeadsetVolume", 65),
    popupMember<&TlkPhonePopup::OnPhoneState>("PopupOnPhoneState", 66),
    popupMember<&TlkPhonePopup::OnSpeakerphoneGain>("PopupOnSpeakerphoneGain", 67),
    popupMember<&TlkPhonePopup::OnSpeakerphoneHookSwitch>("PopupOnSpeakerphoneHookSwitch", 68),
    popupMember<&TlkPhonePopup::OnSpeakerphoneVolume>("PopupOnSpeakerphoneVolume", 69),
    popupMember<&TlkPhonePopup::OnTAPIMessage>("PopupOnTAPIMessage", 70),
    popupMember<&TlkPhonePopup::OnTAPIReply>("PopupOnTAPIReply", 71),
    property<C, [](P& e) { return e.Privilege.Monitor; }, [](P& e, bool v) { e.SetPrivilegeMonitor(v); }>("PrivilegeMonitor", 72, kNonBrowsable),
    property<C, [](P& e) { return e.Privilege.Owner; }, [](P& e, bool v) { e.SetPrivilegeOwner(v); }>("PrivilegeOwner", 73, kNonBrowsable),
    property<C, [](P& e) { return e.TAPI.ReplyTimeout; }, [](P& e, LONG v) { e.TAPI.ReplyTimeout = v; }>("TAPIReplyTimeout", 74),
    property<C, [](P& e) { return e.WavePlay.DeviceClass(); }, [](P& e, const std::string& v) { e.WavePlay.SetDeviceClass(v); }>("WavePlayDeviceClass", 75),
    property<C, [](P& e) { return e.WaveRecord.DeviceClass(); }, [](P& e, const std::string& v) { e.WaveRecord.SetDeviceClass(v); }>("WaveRecordDeviceClass", 76),
};
// clang-format on

}  // namespace

TlkPhone::TlkPhone() : TlkControl(std::make_unique<TlkPhoneInternal>()) {
    hookEvents();
}

// Every engine event to its DISPID in IlkPhoneEvents.
void TlkPhone::hookEvents() {
    TlkPhoneInternal& e = engine();
    forward(e.OnDigitDown, 1);
    forward(e.OnDigitUp, 2);
    forward(e.OnError, 3);
    forward(e.OnHandsetHookSwitch, 4);
    forward(e.OnSpeakerphoneHookSwitch, 5);
    forward(e.OnHeadsetHookSwitch, 6);
    forward(e.OnHandsetVolume, 7);
    forward(e.OnHandsetGain, 8);
    forward(e.OnSpeakerphoneVolume, 9);
    forward(e.OnSpeakerphoneGain, 10);
    forward(e.OnHeadsetVolume, 11);
    forward(e.OnHeadsetGain, 12);
    forward(e.OnPhoneState, 13);
    forward(e.OnTAPIMessage, 14);
    forward(e.OnTAPIReply, 15);
}

// The members every control has, then the Phone's own: its three hookswitch devices and the rest.
const com::TypeTable& TlkPhone::typeTable() {
    static constexpr auto hookSwitches =
        joinMembers(hookSwitchMembers<&P::Handset, kHandset>(),
                    joinMembers(hookSwitchMembers<&P::Headset, kHeadset>(),
                                hookSwitchMembers<&P::Speakerphone, kSpeakerphone>()));
    static constexpr auto members =
        joinMembers(commonMembers<TlkPhone>(), joinMembers(hookSwitches, kPhoneMembers));
    static constexpr com::TypeTable table = dualInterfaceTable(kPhoneIdentity, members);
    return table;
}

}  // namespace lkLK36
