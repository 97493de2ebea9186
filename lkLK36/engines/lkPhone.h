// The Phone control's engine: one TAPI phone application per control, bound to one phone device
// at a time. It lists and opens the device (lkPhone.cpp), drives its three hookswitch devices
// (lkPhone_hookswitch.cpp), turns TAPI's phone messages into the control's events
// (lkPhone_dispatch.cpp) and keeps the settings of the device group (lkPhone_properties.cpp).
#pragma once

#include <functional>
#include <string>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/tapi/tapi.h"

class TlkPhoneInternal;

// Levels are the device's 16-bit values; the control shows them as percent, 0 to 100, both ways
// rounded half to even (50 percent is level 0x8000, which reads back as 50).
DWORD PercentToLevel(LONG percent);
LONG LevelToPercent(DWORD level);

class TlkPhoneDevice : public TlkSharedDevice {
  public:
    using TlkSharedDevice::TlkSharedDevice;

    DWORD State = 0;         // the last PHONE_STATE's state
    DWORD StateDetails = 0;  // and its details
};

struct TlkPhonePhone {
    HPHONE PhoneHandle = 0;
    HPHONEAPP PhoneAppHandle = 0;
    DWORD PhoneHookSwitchDevs = 0;  // the device's PHONEHOOKSWITCHDEV_ bits
    DWORD PhoneStates = 0;          // the PHONESTATE_ bits it reports
};

// One flag per event: pop the monitor window up on its log page when the event fires.
struct TlkPhonePopup {
    bool OnError = false, OnPhoneState = false;
    bool OnHandsetHookSwitch = false, OnHandsetVolume = false, OnHandsetGain = false;
    bool OnSpeakerphoneHookSwitch = false, OnSpeakerphoneVolume = false, OnSpeakerphoneGain = false;
    bool OnHeadsetHookSwitch = false, OnHeadsetVolume = false, OnHeadsetGain = false;
    bool OnDigitDown = false, OnDigitUp = false, OnTAPIReply = false, OnTAPIMessage = false;
};

struct TlkPhonePrivilege {
    bool Monitor = false;
    bool Owner = true;
};

// The line device that belongs to the phone.
struct TlkRelatedLineDevice {
    bool Available = false;
    std::string DeviceClass = "tapi/line";
    LONG ID = 0;
};

// One of the phone's hookswitch devices (handset, speakerphone, headset): its capabilities, its
// mode, its levels in percent, and its pending requests.
class TlkHookSwitch {
  public:
    TlkHookSwitch(TlkPhoneInternal& owner, DWORD kind, const char* name);

    DWORD kind() const { return m_kind; }  // its PHONEHOOKSWITCHDEV_ bit
    const char* name() const { return m_name; }

    // The mode setters: True asks the device for the mode (PHONEHOOKSWITCHMODE_ bit) and waits
    // for the reply; False is refused, since a mode is left only by choosing another. Nothing
    // happens while the device is closed or the mode is set already.
    void SetMode(DWORD mode, bool value);
    void SetOnHook(bool value) { SetMode(PHONEHOOKSWITCHMODE_ONHOOK, value); }
    void SetMicrophoneOnly(bool value) { SetMode(PHONEHOOKSWITCHMODE_MIC, value); }
    void SetSpeakerOnly(bool value) { SetMode(PHONEHOOKSWITCHMODE_SPEAKER, value); }
    void SetMicrophoneAndSpeaker(bool value) { SetMode(PHONEHOOKSWITCHMODE_MICSPEAKER, value); }
    // Asks the device for the level and keeps it once the device agreed. Ignored outside 0 to
    // 100 and while the device is closed.
    void SetVolume(LONG percent);
    void SetGain(LONG percent);

    // The four mode flags from PHONEHOOKSWITCHMODE_ bits.
    void setModeFlags(DWORD modes);
    bool modeSet(DWORD mode) const;
    void clearRequests();
    // The name of the mode the pending hookswitch request asks for ("OnHook" ...).
    std::string pendingModeName() const;

    bool VolumeAvailable = false;
    bool GainAvailable = false;
    bool Available = false;
    DWORD Modes = 0;  // the PHONEHOOKSWITCHMODE_ bits the device has
    LONG HookSwitchRequest = 0;
    LONG VolumeRequest = 0;
    LONG GainRequest = 0;
    bool OnHook = true;
    bool MicrophoneOnly = false;
    bool SpeakerOnly = false;
    bool MicrophoneAndSpeaker = false;
    LONG Volume = 0;
    LONG Gain = 0;

  private:
    // Waits for an accepted request whose ID the TAPI function returned; a refusal, a failed
    // reply and a time-out are reported. `slot` is not touched after an abandoned wait.
    TlkReply await(LONG& slot, LONG requestId);
    void setLevel(bool volume, LONG percent);

    TlkPhoneInternal& m_owner;
    DWORD m_kind;
    const char* m_name;
    DWORD m_pendingMode = 0;
};

class TlkPhoneInternal : public TlkSharedControl {
  public:
    TlkPhoneInternal();
    ~TlkPhoneInternal() override;

    // After the stored properties are read: opens the device when the library-wide requested
    // flag is set.
    void Loaded();

    LONG InitializeTAPI(DWORD& deviceCount);
    void ShutdownTAPI();
    // Reads the device names (once) and the chosen device's description; the outcome is
    // reported (0 clears the error record).
    LONG RefreshDevices();
    TlkVarStructure GetDevCaps(DWORD deviceID, DWORD apiVersion);
    // Reads the open phone's status into the hookswitch devices; 0 or the TAPI code.
    LONG ReadStatus();
    bool OpenPhone();
    bool ClosePhone();
    // The id of a device related to the open phone, or -2 when TAPI names none.
    LONG QueryPhoneDeviceID(const std::string& DeviceClass, HPHONE phone);

    // ---- the device group's setters (lkPhone_properties.cpp) ----
    void SetDeviceActive(bool value);
    // Selects another phone device; an open one is closed first. Out of range: BADDEVICEID.
    void SetDeviceID(LONG value);
    // Selects the first device listed under that name; none: BADDEVICEID, the device stays.
    void SetDeviceName(const std::string& value);
    // Taken at the next open.
    void SetPrivilegeMonitor(bool value);
    void SetPrivilegeOwner(bool value);
    // Refused with INVALPHONESTATE while the device is open.
    void SetLineDeviceClass(const std::string& value);
    // The phone device's configuration dialog; True when it ran.
    bool DeviceConfigure();

    bool tapiReady() const { return m_tapiReady; }
    // The ring volume of the last status read, in percent.
    LONG RingVolume() const { return m_ringVolume; }
    bool deviceActive() const override { return Device.Active; }

    // Where PhoneCallback hands this control's messages.
    void phoneMessage(DWORD device, DWORD message, DWORD_PTR param1, DWORD_PTR param2,
                      DWORD_PTR param3);

    TlkPhoneDevice Device{this};
    TlkPhonePhone Phone;
    TlkPhonePopup Popup;
    TlkPhonePrivilege Privilege;
    TlkTAPI TAPI{*this};
    TlkHookSwitch Handset{*this, PHONEHOOKSWITCHDEV_HANDSET, "Handset"};
    TlkHookSwitch Headset{*this, PHONEHOOKSWITCHDEV_HEADSET, "Headset"};
    TlkHookSwitch Speakerphone{*this, PHONEHOOKSWITCHDEV_SPEAKER, "Speakerphone"};
    TlkRelatedLineDevice Line;
    TlkRelatedWaveDevice WavePlay{*this, "WavePlay", "wave/out"};
    TlkRelatedWaveDevice WaveRecord{*this, "WaveRecord", "wave/in"};

    // The events, each given the control first. A digit is the character of the key.
    using Event = std::function<void(TlkPhoneInternal&)>;
    std::function<void(TlkPhoneInternal&, char digit)> OnDigitDown, OnDigitUp;
    Event OnHandsetHookSwitch, OnSpeakerphoneHookSwitch, OnHeadsetHookSwitch;
    Event OnHandsetVolume, OnHandsetGain, OnSpeakerphoneVolume, OnSpeakerphoneGain;
    Event OnHeadsetVolume, OnHeadsetGain, OnPhoneState;
    std::function<void(TlkPhoneInternal&, LONG device, LONG message, LONG param1, LONG param2,
                       LONG param3)>
        OnTAPIMessage;
    std::function<void(TlkPhoneInternal&, LONG requestId, LONG result, LONG param3)> OnTAPIReply;

    // The refresh operations of the monitor window (nothing happens when none is open).
    void refreshDevicePage();
    void refreshWindow();

  protected:
    bool popupOnError() const override { return Popup.OnError; }

  private:
    friend class TlkHookSwitch;

    LONG negotiate(DWORD deviceID, DWORD& apiVersion);
    std::string deviceNameUnavailable(LONG code) const;
    void readDeviceNames();
    void readDescription(const TlkVarStructure& caps);
    void clearRelatedDevices();
    void clearRequests();
    void readRelatedDevices();
    void setPrivilege(const char* name, bool TlkPhonePrivilege::*flag, bool value);

    // ---- message handlers (lkPhone_dispatch.cpp) ----
    void HandleButton(DWORD button, DWORD mode, DWORD state, bool& pump);
    void HandleReply(LONG requestId, LONG result, DWORD param3);
    std::string resolveReply(LONG requestId);
    void HandleState(DWORD state, DWORD details);
    // Fires an event under the Events rule, then pops the monitor up on its flag. False when
    // the handler destroyed the control.
    template <class Handler, class... Args>
    bool fireEvent(bool popupFlag, const Handler& handler, Args&&... args) {
        if (!fire(handler, *this, std::forward<Args>(args)...))
            return false;
        Vantage().Popup(popupFlag);
        return true;
    }

    bool m_tapiReady = false;
    LONG m_ringVolume = 0;
};

// The callback the phone application is initialised with: TAPI delivers every phone message of
// every Phone control here, on the UI thread.
void PhoneCallback(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD_PTR dwParam1,
                   DWORD_PTR dwParam2, DWORD_PTR dwParam3);
