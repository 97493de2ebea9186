// Internal: the three hookswitch devices a phone may have (handset, speakerphone, headset) and
// where each keeps its modes, levels and messages, so the API and the exchange treat them alike.
#pragma once

#include "platform/tapi/tapi.h"

namespace tapi::detail {

struct HookSwitchDevice {
    DWORD device;      // PHONEHOOKSWITCHDEV_
    const char* word;  // its name in the exchange's configuration
    DWORD PHONECAPS::*modes;
    DWORD PHONECAPS::*settableModes;
    DWORD PHONECAPS::*monitoredModes;
    DWORD PHONESTATUS::*mode;
    DWORD PHONESTATUS::*volume;
    DWORD PHONESTATUS::*gain;
    DWORD hookSwitchState, volumeState, gainState;  // PHONESTATE_
    DWORD features;  // PHONEFEATURE_: get and set of its hookswitch, volume and gain
};

inline constexpr HookSwitchDevice kHookSwitchDevices[] = {
    {PHONEHOOKSWITCHDEV_HANDSET, "handset", &PHONECAPS::dwHandsetHookSwitchModes,
     &PHONECAPS::dwSettableHandsetHookSwitchModes, &PHONECAPS::dwMonitoredHandsetHookSwitchModes,
     &PHONESTATUS::dwHandsetHookSwitchMode, &PHONESTATUS::dwHandsetVolume,
     &PHONESTATUS::dwHandsetGain, PHONESTATE_HANDSETHOOKSWITCH, PHONESTATE_HANDSETVOLUME,
     PHONESTATE_HANDSETGAIN,
     PHONEFEATURE_GETHOOKSWITCHHANDSET | PHONEFEATURE_SETHOOKSWITCHHANDSET |
         PHONEFEATURE_GETVOLUMEHANDSET | PHONEFEATURE_SETVOLUMEHANDSET |
         PHONEFEATURE_GETGAINHANDSET | PHONEFEATURE_SETGAINHANDSET},
    {PHONEHOOKSWITCHDEV_SPEAKER, "speaker", &PHONECAPS::dwSpeakerHookSwitchModes,
     &PHONECAPS::dwSettableSpeakerHookSwitchModes, &PHONECAPS::dwMonitoredSpeakerHookSwitchModes,
     &PHONESTATUS::dwSpeakerHookSwitchMode, &PHONESTATUS::dwSpeakerVolume,
     &PHONESTATUS::dwSpeakerGain, PHONESTATE_SPEAKERHOOKSWITCH, PHONESTATE_SPEAKERVOLUME,
     PHONESTATE_SPEAKERGAIN,
     PHONEFEATURE_GETHOOKSWITCHSPEAKER | PHONEFEATURE_SETHOOKSWITCHSPEAKER |
         PHONEFEATURE_GETVOLUMESPEAKER | PHONEFEATURE_SETVOLUMESPEAKER |
         PHONEFEATURE_GETGAINSPEAKER | PHONEFEATURE_SETGAINSPEAKER},
    {PHONEHOOKSWITCHDEV_HEADSET, "headset", &PHONECAPS::dwHeadsetHookSwitchModes,
     &PHONECAPS::dwSettableHeadsetHookSwitchModes, &PHONECAPS::dwMonitoredHeadsetHookSwitchModes,
     &PHONESTATUS::dwHeadsetHookSwitchMode, &PHONESTATUS::dwHeadsetVolume,
     &PHONESTATUS::dwHeadsetGain, PHONESTATE_HEADSETHOOKSWITCH, PHONESTATE_HEADSETVOLUME,
     PHONESTATE_HEADSETGAIN,
     PHONEFEATURE_GETHOOKSWITCHHEADSET | PHONEFEATURE_SETHOOKSWITCHHEADSET |
         PHONEFEATURE_GETVOLUMEHEADSET | PHONEFEATURE_SETVOLUMEHEADSET |
         PHONEFEATURE_GETGAINHEADSET | PHONEFEATURE_SETGAINHEADSET},
};

// The entry of one PHONEHOOKSWITCHDEV_ bit, or nullptr for anything else.
inline const HookSwitchDevice* hookSwitchDevice(DWORD device) {
    for (const HookSwitchDevice& d : kHookSwitchDevices) {
        if (d.device == device)
            return &d;
    }
    return nullptr;
}

}  // namespace tapi::detail
