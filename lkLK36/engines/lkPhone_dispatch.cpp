// The Phone engine's TAPI messages: each is offered to the host, logged when asked, and turned
// into the control's events: keypad buttons, replies to the hookswitch requests, and changes of
// the phone's state.
#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkPhone.h"
#include "platform/core/messages.h"

namespace {

// Each message lets the application handle what is pending, so a burst of queued messages nests
// one callback inside the other. Past this depth the pump is left to the callbacks further out,
// which deliver the rest in the same order without growing the stack.
constexpr int MaxNestedMessages = 32;
int g_messageDepth = 0;

struct DepthCount {
    DepthCount() { ++g_messageDepth; }
    ~DepthCount() { --g_messageDepth; }
    DepthCount(const DepthCount&) = delete;
    DepthCount& operator=(const DepthCount&) = delete;
};

// OnTAPIMessage and OnTAPIReply reach the host whenever a handler is set, Events or not. A
// handler that fails has still been given the event.
template <class Handler, class... Args>
bool fireUnconditionally(TlkPhoneInternal& phone, const Handler& handler, Args... args) {
    if (!handler)
        return true;
    const TlkLifeGuard guard = phone.lifeGuard();
    try {
        handler(phone, args...);
    } catch (...) {
    }
    return guard.alive();
}

using Event = TlkPhoneInternal::Event;

// What each hookswitch state of a PHONE_STATE changes, and the event that tells it.
enum class StateKind { HookSwitch, Volume, Gain };
struct StateRow {
    DWORD state;
    TlkHookSwitch TlkPhoneInternal::*device;
    StateKind kind;
    Event TlkPhoneInternal::*event;
    bool TlkPhonePopup::*popup;
};
constexpr StateRow stateRows[] = {
    {PHONESTATE_HANDSETHOOKSWITCH, &TlkPhoneInternal::Handset, StateKind::HookSwitch,
     &TlkPhoneInternal::OnHandsetHookSwitch, &TlkPhonePopup::OnHandsetHookSwitch},
    {PHONESTATE_HANDSETVOLUME, &TlkPhoneInternal::Handset, StateKind::Volume,
     &TlkPhoneInternal::OnHandsetVolume, &TlkPhonePopup::OnHandsetVolume},
    {PHONESTATE_HANDSETGAIN, &TlkPhoneInternal::Handset, StateKind::Gain,
     &TlkPhoneInternal::OnHandsetGain, &TlkPhonePopup::OnHandsetGain},
    {PHONESTATE_SPEAKERHOOKSWITCH, &TlkPhoneInternal::Speakerphone, StateKind::HookSwitch,
     &TlkPhoneInternal::OnSpeakerphoneHookSwitch, &TlkPhonePopup::OnSpeakerphoneHookSwitch},
    {PHONESTATE_SPEAKERVOLUME, &TlkPhoneInternal::Speakerphone, StateKind::Volume,
     &TlkPhoneInternal::OnSpeakerphoneVolume, &TlkPhonePopup::OnSpeakerphoneVolume},
    {PHONESTATE_SPEAKERGAIN, &TlkPhoneInternal::Speakerphone, StateKind::Gain,
     &TlkPhoneInternal::OnSpeakerphoneGain, &TlkPhonePopup::OnSpeakerphoneGain},
    {PHONESTATE_HEADSETHOOKSWITCH, &TlkPhoneInternal::Headset, StateKind::HookSwitch,
     &TlkPhoneInternal::OnHeadsetHookSwitch, &TlkPhonePopup::OnHeadsetHookSwitch},
    {PHONESTATE_HEADSETVOLUME, &TlkPhoneInternal::Headset, StateKind::Volume,
     &TlkPhoneInternal::OnHeadsetVolume, &TlkPhonePopup::OnHeadsetVolume},
    {PHONESTATE_HEADSETGAIN, &TlkPhoneInternal::Headset, StateKind::Gain,
     &TlkPhoneInternal::OnHeadsetGain, &TlkPhonePopup::OnHeadsetGain},
};

const StateRow* stateRowOf(DWORD state) {
    for (const StateRow& row : stateRows) {
        if (row.state == state)
            return &row;
    }
    return nullptr;
}

// The keypad's buttons 0 to 11 are the keys "0" to "9", "*" and "#".
char keypadDigit(DWORD button) {
    if (button <= 9)
        return static_cast<char>('0' + button);
    if (button == 10)
        return '*';
    if (button == 11)
        return '#';
    return '\0';
}

}  // namespace

void TlkPhoneInternal::phoneMessage(DWORD device, DWORD message, DWORD_PTR param1, DWORD_PTR param2,
                                    DWORD_PTR param3) {
    const DepthCount depth;
    const TlkLifeGuard guard = lifeGuard();
    const DWORD p1 = static_cast<DWORD>(param1);
    const DWORD p2 = static_cast<DWORD>(param2);
    const DWORD p3 = static_cast<DWORD>(param3);
    if (!fireUnconditionally(*this, OnTAPIMessage, static_cast<LONG>(device),
                             static_cast<LONG>(message), static_cast<LONG>(p1),
                             static_cast<LONG>(p2), static_cast<LONG>(p3))) {
        return;
    }
    if (Popup.OnTAPIMessage) {
        log().Add(1, "OnTAPIMessage");
        log().Add(0, "\tDevice = [" + Hex8(device) + "]");
        log().Add(0, "\tMessage = [" + Hex8(message) + "]");
        log().Add(0, "\tParameter 1 = [" + Hex8(p1) + "]");
        log().Add(0, "\tParameter 2 = [" + Hex8(p2) + "]");
        log().Add(0, "\tParameter 3 = [" + Hex8(p3) + "]");
    }
    Vantage().Popup(Popup.OnTAPIMessage);
    bool pump = true;
    switch (message & 0xFFFF) {
        case PHONE_BUTTON:
            HandleButton(p1, p2, p3, pump);
            break;
        case PHONE_REPLY:
            HandleReply(static_cast<LONG>(p1), static_cast<LONG>(p2), p3);
            break;
        case PHONE_STATE:
            HandleState(p1, p2);
            break;
        default:
            break;  // offered through OnTAPIMessage only
    }
    if (pump && guard && g_messageDepth < MaxNestedMessages)
        core::DoEvents();
}

void TlkPhoneInternal::HandleButton(DWORD button, DWORD mode, DWORD state, bool& pump) {
    if (mode != PHONEBUTTONMODE_KEYPAD)
        return;
    const char digit = keypadDigit(button);
    if (digit == '\0') {
        // A button that is no key ends the message at once.
        pump = false;
        return;
    }
    const std::string key(1, digit);
    if (state == PHONEBUTTONSTATE_UP) {
        log().Add(1, "OnDigitUp (" + key + ")");
        fireEvent(Popup.OnDigitUp, OnDigitUp, digit);
    } else if (state == PHONEBUTTONSTATE_DOWN) {
        log().Add(1, "OnDigitDown (" + key + ")");
        fireEvent(Popup.OnDigitDown, OnDigitDown, digit);
    }
}

void TlkPhoneInternal::HandleReply(LONG requestId, LONG result, DWORD param3) {
    // The waiting setter judges its own result from this and reports a failure itself.
    TAPI.replyArrived(requestId, result);
    const std::string label = resolveReply(requestId);
    if (!fireUnconditionally(*this, OnTAPIReply, requestId, result, static_cast<LONG>(param3)))
        return;
    if (Popup.OnTAPIReply) {
        log().Add(1, "OnTAPIReply" + label);
        log().Add(0, "\tParameter 1 = [" + Hex8(static_cast<DWORD>(requestId)) + "]");
        log().Add(0, "\tParameter 2 = [" + Hex8(static_cast<DWORD>(result)) + "]");
        log().Add(0, "\tParameter 3 = [" + Hex8(param3) + "]");
    }
    Vantage().Popup(Popup.OnTAPIReply);
}

// Finds the slot that waits for the reply, frees it, and names it for the log. The gain slots of
// the speakerphone and the headset are named ".Volume", as existing logs have them.
std::string TlkPhoneInternal::resolveReply(LONG requestId) {
    if (requestId == 0)
        return {};
    for (TlkHookSwitch* device : {&Handset, &Speakerphone, &Headset}) {
        const std::string name = std::string(" - ") + device->name();
        if (device->HookSwitchRequest == requestId) {
            device->HookSwitchRequest = 0;
            return name + "." + device->pendingModeName();
        }
        if (device->VolumeRequest == requestId) {
            device->VolumeRequest = 0;
            return name + ".Volume";
        }
        if (device->GainRequest == requestId) {
            device->GainRequest = 0;
            return name + (device == &Handset ? ".Gain" : ".Volume");
        }
    }
    return {};
}

void TlkPhoneInternal::HandleState(DWORD state, DWORD details) {
    Device.State = state;
    Device.StateDetails = details;
    const StateRow* row = stateRowOf(state);
    if (Popup.OnPhoneState) {
        log().Add(1, "OnPhoneState");
        log().Add(0, "\tDevice.State = " + PhoneStateName(static_cast<LONG>(state)));
        const bool hookSwitch = row && row->kind == StateKind::HookSwitch;
        log().Add(0, "\tDevice.StateDetails = " +
                         (hookSwitch ? HookSwitchModeName(static_cast<LONG>(details))
                                     : std::to_string(details)));
    }
    if (!fireEvent(Popup.OnPhoneState, OnPhoneState) || !row)
        return;
    TlkHookSwitch& device = this->*row->device;
    const std::string name = device.name();
    // The headline is written whatever the pop-up flags say.
    log().Add(1, "On" + name +
                     (row->kind == StateKind::HookSwitch ? "HookSwitch"
                      : row->kind == StateKind::Volume   ? "Volume"
                                                         : "Gain"));
    switch (row->kind) {
        case StateKind::HookSwitch:
            device.setModeFlags(details);
            log().Add(0, "\t" + name + ".MicrophoneAndSpeaker = " +
                             TlkVantage::BooleanText(device.MicrophoneAndSpeaker));
            log().Add(0, "\t" + name +
                             ".MicrophoneOnly = " + TlkVantage::BooleanText(device.MicrophoneOnly));
            log().Add(0, "\t" + name + ".OnHook = " + TlkVantage::BooleanText(device.OnHook));
            log().Add(
                0, "\t" + name + ".SpeakerOnly = " + TlkVantage::BooleanText(device.SpeakerOnly));
            break;
        case StateKind::Volume:
        case StateKind::Gain: {
            const bool volume = row->kind == StateKind::Volume;
            DWORD level = 0;
            const LONG result = volume ? phoneGetVolume(Phone.PhoneHandle, device.kind(), &level)
                                       : phoneGetGain(Phone.PhoneHandle, device.kind(), &level);
            LONG& percent = volume ? device.Volume : device.Gain;
            // A level that could not be read is not one: the control keeps the one it knows.
            if (result == 0)
                percent = LevelToPercent(level & 0xFFFF);
            log().Add(0,
                      "\t" + name + (volume ? ".Volume = " : ".Gain = ") + std::to_string(percent));
            break;
        }
    }
    Vantage().observer<PhoneVantageObserver>().UpdateHookSwitchPanels();
    fireEvent(Popup.*(row->popup), this->*(row->event));
}
