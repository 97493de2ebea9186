// The phone's hookswitch devices: their modes, volume and gain, each changed by an asynchronous
// request whose reply the setter waits for. These setters leave the error record as it was
// unless they report a failure of their own.
#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkPhone.h"

namespace {

struct ModeName {
    DWORD mode;
    const char* name;
    bool TlkHookSwitch::*flag;
};
constexpr ModeName modeNames[] = {
    {PHONEHOOKSWITCHMODE_ONHOOK, "OnHook", &TlkHookSwitch::OnHook},
    {PHONEHOOKSWITCHMODE_MIC, "MicrophoneOnly", &TlkHookSwitch::MicrophoneOnly},
    {PHONEHOOKSWITCHMODE_SPEAKER, "SpeakerOnly", &TlkHookSwitch::SpeakerOnly},
    {PHONEHOOKSWITCHMODE_MICSPEAKER, "MicrophoneAndSpeaker", &TlkHookSwitch::MicrophoneAndSpeaker},
};

const ModeName* modeNamed(DWORD mode) {
    for (const ModeName& row : modeNames) {
        if (row.mode == mode)
            return &row;
    }
    return nullptr;
}

}  // namespace

TlkHookSwitch::TlkHookSwitch(TlkPhoneInternal& owner, DWORD kind, const char* name)
    : m_owner(owner), m_kind(kind), m_name(name) {}

void TlkHookSwitch::setModeFlags(DWORD modes) {
    for (const ModeName& row : modeNames)
        this->*row.flag = (modes & row.mode) != 0;
}

bool TlkHookSwitch::modeSet(DWORD mode) const {
    const ModeName* row = modeNamed(mode);
    return row && this->*row->flag;
}

void TlkHookSwitch::clearRequests() {
    HookSwitchRequest = VolumeRequest = GainRequest = 0;
}

std::string TlkHookSwitch::pendingModeName() const {
    const ModeName* row = modeNamed(m_pendingMode);
    return row ? row->name : "";
}

TlkReply TlkHookSwitch::await(LONG& slot, LONG requestId) {
    TlkPhoneInternal& phone = m_owner;
    if (requestId < 0) {
        phone.FillErrorStrings(requestId);
        return {TlkReplyOutcome::Replied, requestId};
    }
    // Only a negative answer is a failure: 0 leaves the slot free, which is a request done.
    if (requestId == 0)
        return {TlkReplyOutcome::Replied, 0};
    slot = requestId;
    phone.TAPI.expectReply(requestId);
    const TlkLifeGuard guard = phone.lifeGuard();
    const TlkReply reply = phone.TAPI.WaitForReply(requestId);
    if (!guard || reply.outcome == TlkReplyOutcome::Abandoned)
        return {TlkReplyOutcome::Abandoned, 0};
    if (slot == requestId)
        slot = 0;
    if (reply.outcome == TlkReplyOutcome::TimedOut) {
        phone.FillErrorStrings(TAPIREPLYTIMEOUT);
    } else if (reply.result != 0) {
        // A failed reply ends the wait at once and is reported with its own code, rather than
        // waiting out the time-out and reporting that instead.
        phone.FillErrorStrings(reply.result);
    }
    return reply;
}

void TlkHookSwitch::SetMode(DWORD mode, bool value) {
    TlkPhoneInternal& phone = m_owner;
    if (!value) {
        phone.FillErrorStrings(PHONEERR_INVALHOOKSWITCHMODE);
        return;
    }
    const ModeName* row = modeNamed(mode);
    if (!row || !phone.Device.Active || modeSet(mode))
        return;
    phone.log().Add(1, std::string(m_name) + "." + row->name + " := True");
    m_pendingMode = mode;
    const LONG request = phoneSetHookSwitch(phone.Phone.PhoneHandle, m_kind, mode);
    const TlkReply reply = await(HookSwitchRequest, request);
    if (reply.outcome == TlkReplyOutcome::Abandoned)
        return;
    if (reply.succeeded())
        setModeFlags(mode);
    phone.Vantage().observer<PhoneVantageObserver>().UpdateHookSwitchPanels();
}

void TlkHookSwitch::SetVolume(LONG percent) {
    setLevel(true, percent);
}

void TlkHookSwitch::SetGain(LONG percent) {
    setLevel(false, percent);
}

void TlkHookSwitch::setLevel(bool volume, LONG percent) {
    TlkPhoneInternal& phone = m_owner;
    if (percent < 0 || percent > 100 || !phone.Device.Active)
        return;
    // The handset's volume line alone reads ":="; the others are kept as existing logs have them.
    const bool handset = m_kind == PHONEHOOKSWITCHDEV_HANDSET;
    const char* assign = volume && !handset ? " = " : " := ";
    phone.log().Add(
        1, std::string(m_name) + (volume ? ".Volume" : ".Gain") + assign + std::to_string(percent));
    const DWORD level = PercentToLevel(percent);
    const HPHONE handle = phone.Phone.PhoneHandle;
    const LONG request =
        volume ? phoneSetVolume(handle, m_kind, level) : phoneSetGain(handle, m_kind, level);
    const TlkReply reply = await(volume ? VolumeRequest : GainRequest, request);
    if (reply.outcome == TlkReplyOutcome::Abandoned)
        return;
    if (reply.succeeded())
        (volume ? Volume : Gain) = percent;
    phone.Vantage().observer<PhoneVantageObserver>().UpdateHookSwitchPanels();
}
