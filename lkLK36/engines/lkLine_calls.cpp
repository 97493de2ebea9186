// The small operations kept with the call records (bearer and media mode, blind transfer, hold,
// unhold), and the TAPI side of the monitor switches that a call's state changes re-apply.
#include <algorithm>
#include <cstring>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"

namespace {

constexpr DWORD SilenceTag = 0x89ABCDEF;
constexpr DWORD BothDigitModes = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF;

}  // namespace

// ---- bearer and media mode ----

bool TlkCall::SetBearerMode(LONG mode) {
    TlkLineInternal& owner = m_owner;
    owner.Error().Clear();
    if (Handle != 0) {
        owner.log().Add(
            1, "Call.BearerMode := " + Hex8(static_cast<DWORD>(mode)) + " [" + Hex8(Handle) + "]");
        const bool passThrough = static_cast<DWORD>(mode) == LINEBEARERMODE_PASSTHROUGH;
        const LONG result =
            lineSetCallParams(Handle, static_cast<DWORD>(mode), passThrough ? 110 : 3100,
                              passThrough ? 115200 : 3100, nullptr);
        if (result < 0) {
            owner.FillErrorStrings(result);
            return false;
        }
        // The change is asynchronous: the call has the new mode only once TAPI's reply says so.
        const DWORD call = Handle;
        if (result > 0 && !awaitCallParams(result))
            return false;
        // A handler that ran during the wait may have made another call current.
        if (TlkCallRecord* record = owner.FindCallRecord(call))
            record->BearerMode = static_cast<DWORD>(mode);
        if (Handle != call)
            return true;
    }
    BearerMode = static_cast<DWORD>(mode);
    return true;
}

// No record slot holds this request, so its reply reports nothing by itself: the failure is
// reported here, from the reply's own result.
bool TlkCall::awaitCallParams(LONG requestId) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.TAPI.expectReply(requestId);
    const TlkReply reply = owner.TAPI.WaitForReply(requestId);
    if (!guard || reply.outcome == TlkReplyOutcome::Abandoned)
        return false;
    if (reply.outcome == TlkReplyOutcome::TimedOut) {
        owner.FillErrorStrings(TAPIREPLYTIMEOUT);
        return false;
    }
    if (reply.result != 0) {
        owner.FillErrorStrings(reply.result);
        return false;
    }
    return true;
}

bool TlkCall::SetMediaMode(LONG modes) {
    TlkLineInternal& owner = m_owner;
    if (Handle != 0) {
        owner.log().Add(
            1, "Call.MediaMode := " + Hex8(static_cast<DWORD>(modes)) + " [" + Hex8(Handle) + "]");
        for (DWORD bit = LINEMEDIAMODE_UNKNOWN; bit <= LINEMEDIAMODE_VOICEVIEW; bit <<= 1) {
            if (static_cast<DWORD>(modes) & bit)
                owner.log().Add(0, "\t" + LineMediaModeName(static_cast<LONG>(bit)));
        }
        const LONG result = lineSetMediaMode(Handle, static_cast<DWORD>(modes));
        if (result < 0) {
            owner.FillErrorStrings(result);
            return false;
        }
    }
    MediaMode = static_cast<DWORD>(modes);
    owner.Error().Clear();
    return true;
}

// ---- blind transfer, hold, unhold ----

bool TlkCall::Transfer() {
    const std::string number = UnformatNumber(m_owner.Device.UnformatPhoneNumber, PhoneNumber);
    return requestAndWait("Transfer", TlkRequestSlot::BlindTransfer, [&number](HCALL call) {
        return lineBlindTransfer(call, number.c_str(), 0);
    });
}

bool TlkCall::Hold() {
    return requestAndWait("Hold", TlkRequestSlot::Hold, [](HCALL call) { return lineHold(call); });
}

bool TlkCall::Unhold() {
    return requestAndWait("Unhold", TlkRequestSlot::Unhold,
                          [](HCALL call) { return lineUnhold(call); });
}

// Success is this request's own reply, never the shared error record, which handlers running
// during the wait may have cleared. The call's record is looked up again after the wait: the call
// may have ended meanwhile.
bool TlkCall::requestAndWait(const char* name, TlkRequestSlot slot,
                             const std::function<LONG(HCALL)>& request,
                             const std::string& arguments) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    const DWORD call = Handle;
    const std::string bracketed = arguments.empty() ? std::string() : " (" + arguments + ")";
    owner.log().Add(1, std::string("Call.") + name + bracketed + " [" + Hex8(call) + "]");
    const bool done = submitAndWait(call, slot, request);
    if (!guard)
        return false;
    owner.log().Add(
        1, std::string("\tCall.") + name + " - Returned = " + TlkVantage::BooleanText(done));
    owner.ReadDeviceStatus();
    owner.ReadAddressStatus();
    owner.SaveCallRecord(Handle);
    return done;
}

bool TlkCall::submitAndWait(DWORD call, TlkRequestSlot slot,
                            const std::function<LONG(HCALL)>& request) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    if (call == 0) {
        owner.FillErrorStrings(LINEERR_INVALCALLHANDLE);
        return false;
    }
    const LONG requestId = request(call);
    if (requestId <= 0) {
        if (TlkCallRecord* record = owner.FindCallRecord(call))
            record->slot(slot) = 0;
        owner.FillErrorStrings(requestId);
        return false;
    }
    if (TlkCallRecord* record = owner.FindCallRecord(call))
        record->slot(slot) = requestId;
    owner.TAPI.expectReply(requestId);
    owner.Error().Clear();
    const TlkReply reply = owner.TAPI.WaitForReply(requestId);
    if (!guard)
        return false;
    if (reply.outcome == TlkReplyOutcome::TimedOut) {
        owner.FillErrorStrings(TAPIREPLYTIMEOUT);
        return false;
    }
    if (reply.outcome != TlkReplyOutcome::Replied)
        return false;
    // Reported when it came; the record shows it again if a handler cleared it since.
    if (reply.result != 0 && owner.Error().Number() != reply.result)
        owner.Error().set(reply.result, owner.errorName(reply.result));
    return reply.result == 0;
}

// ---- monitors ----

LONG TlkLineInternal::applyGatherDigits(TlkCallRecord& record, bool on) {
    if (!on)
        return lineGatherDigits(record.Handle, 0, nullptr, 0, nullptr, 0, 0);
    std::memset(record.Digits, 0, sizeof record.Digits);
    // The buffer holds 31 digits and the NUL TAPI puts after a shorter gathering.
    const DWORD count = static_cast<DWORD>(
        std::clamp<LONG>(record.GatherDigits.Count, 1, sizeof record.Digits - 1));
    const DWORD timeout = static_cast<DWORD>(std::max<LONG>(record.GatherDigits.Timeout, 0));
    LONG result = LINEERR_INVALDIGITMODE;
    for (DWORD modes : {BothDigitModes, LINEDIGITMODE_DTMF, LINEDIGITMODE_PULSE}) {
        result = lineGatherDigits(record.Handle, modes, record.Digits, count,
                                  record.GatherDigits.Terminate.c_str(), timeout, timeout);
        if (result != LINEERR_INVALDIGITMODE)
            break;
    }
    if (result == 0)
        ++record.GatherRequests;
    return result;
}

LONG TlkLineInternal::applyMonitorDigits(DWORD call, bool on) {
    if (!on)
        return lineMonitorDigits(call, 0);
    LONG result = LINEERR_INVALDIGITMODE;
    for (DWORD modes : {BothDigitModes, LINEDIGITMODE_DTMF, LINEDIGITMODE_PULSE}) {
        result = lineMonitorDigits(call, modes);
        if (result != LINEERR_INVALDIGITMODE)
            break;
    }
    return result;
}

LONG TlkLineInternal::applyMonitorMedia(DWORD call, DWORD mediaModes) {
    return lineMonitorMedia(call, mediaModes);
}

LONG TlkLineInternal::applyMonitorSilence(DWORD call, bool on, LONG duration) {
    if (!on)
        return lineMonitorTones(call, nullptr, 0);
    if (duration <= 0)
        return LINEERR_INVALTONE;
    // Silence is a tone of no frequency; the tag tells its report from other tones'.
    const LINEMONITORTONE silence{SilenceTag, static_cast<DWORD>(duration), 0, 0, 0};
    return lineMonitorTones(call, &silence, 1);
}

// Each monitor goes to the call whose record asked for it, whichever call is current.
void TlkLineInternal::ReapplyMonitors(DWORD call, bool otherMonitors, bool mediaModes) {
    const TlkLifeGuard guard = lifeGuard();
    auto report = [&](LONG result) {
        if (result >= 0)
            return true;
        FillErrorStrings(result);
        return guard.alive();
    };
    TlkCallRecord* record = FindCallRecord(call);
    if (otherMonitors && record && record->GatherDigits.Active) {
        log().Add(1, "Call.GatherDigits.Active := True");
        if (!report(applyGatherDigits(*record, true)))
            return;
    }
    record = FindCallRecord(call);
    if (otherMonitors && record && record->MonitorDigits.Active) {
        log().Add(1, "Call.MonitorDigits.Active := True");
        if (!report(applyMonitorDigits(call, true)))
            return;
    }
    record = FindCallRecord(call);
    if (otherMonitors && record && record->MonitorSilence.Active) {
        log().Add(1, "Call.MonitorSilence.Active := True");
        const LONG result = applyMonitorSilence(call, true, record->MonitorSilence.Duration);
        if (result < 0)
            record->MonitorSilence.Active = false;
        if (!report(result))
            return;
    }
    record = FindCallRecord(call);
    if (mediaModes && record && record->MonitorMediaModes.Active) {
        log().Add(1, "Call.MonitorMediaModes.Active := True");
        const LONG result = applyMonitorMedia(call, record->MonitorMediaModes.MediaModes);
        if (result < 0)
            record->MonitorMediaModes.Active = false;
        report(result);
    }
}
