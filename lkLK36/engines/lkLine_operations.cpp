// The operations the Line control performs on a call: make and dial, answer, hang up, redirect,
// hand off, park, unpark, pick up, send digits and tones, and the call setters that act (Owner,
// Active, PhoneNumber, Tag). Each logs a headline before it acts and its result after.
#include <cstring>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/clock.h"

namespace {

constexpr DWORD AllPartiesMask = LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID |
                                 LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
                                 LINECALLINFOSTATE_REDIRECTINGID;

// A translated number is asked for in this many bytes first; a longer one is asked for again
// with the size TAPI says it needs.
constexpr DWORD TranslateOutputSize = 168;
constexpr int TranslateAttempts = 4;

std::string bracketed(const std::string& arguments) {
    return " (" + arguments + ")";
}

// The text of a size/offset pair inside a filled structure, up to its first NUL; empty when it
// does not lie wholly inside.
std::string textAt(const std::vector<DWORD>& buffer, DWORD offset, DWORD size) {
    const std::uint64_t total = buffer.size() * sizeof(DWORD);
    if (size == 0 || std::uint64_t{offset} + size > total)
        return {};
    const char* begin = reinterpret_cast<const char*>(buffer.data()) + offset;
    return std::string(begin, strnlen(begin, size));
}

}  // namespace

// ---- making a call ----

bool TlkCall::Dial() {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.log().Add(1, "Call.Dial [" + Hex8(Handle) + "]");
    owner.log().Add(0, "\tCall.PhoneNumber = " + PhoneNumber);
    owner.Error().Clear();
    const std::string text = UnformatNumber(owner.Device.UnformatPhoneNumber, PhoneNumber);
    bool done = false;
    if (Handle != 0) {
        done = submitAndWait(Handle, TlkRequestSlot::Dial,
                             [&text](HCALL call) { return lineDial(call, text.c_str(), 0); });
    } else {
        const LINECALLPARAMS* params = BuildCallParams(Parameters, m_callParamsBlock);
        const HLINE line = owner.LineHandle();
        done = createCall(TlkRequestSlot::MakeCall, [line, params, &text](HCALL* cell) {
            return lineMakeCall(line, cell, text.c_str(), 0, params);
        });
    }
    if (!guard)
        return false;
    return closeCallOperation("Dial", done, done);
}

bool TlkCall::Unpark(const std::string& number) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.log().Add(1, "Call.Unpark" + bracketed(number) + " [" + Hex8(Handle) + "]");
    owner.Error().Clear();
    const std::string text = UnformatNumber(owner.Device.UnformatPhoneNumber, number);
    const HLINE line = owner.LineHandle();
    const DWORD address = static_cast<DWORD>(owner.Address.ID);
    const bool done = createCall(TlkRequestSlot::Unpark, [line, address, &text](HCALL* cell) {
        return lineUnpark(line, address, cell, text.c_str());
    });
    if (!guard)
        return false;
    return closeCallOperation("Unpark", done, done);
}

// A pickup starts from no current call: the picked-up call becomes the current one.
bool TlkCall::Pickup(const std::string& number, const std::string& groupID) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.log().Add(1,
                    "Call.Pickup" + bracketed(number + ", " + groupID) + " [" + Hex8(Handle) + "]");
    owner.Error().Clear();
    bool done = false;
    if (Handle != 0) {
        owner.FillErrorStrings(LINEERR_INVALCALLHANDLE);
    } else {
        const std::string text = UnformatNumber(owner.Device.UnformatPhoneNumber, number);
        const HLINE line = owner.LineHandle();
        const DWORD address = static_cast<DWORD>(owner.Address.ID);
        done = createCall(TlkRequestSlot::Pickup, [line, address, &text, &groupID](HCALL* cell) {
            return linePickup(line, address, cell, text.c_str(), groupID.c_str());
        });
    }
    if (!guard)
        return false;
    return closeCallOperation("Pickup", done, true);
}

bool TlkCall::closeCallOperation(const char* name, bool done, bool readStatus) {
    TlkLineInternal& owner = m_owner;
    if (readStatus) {
        owner.ReadDeviceStatus();
        owner.ReadAddressStatus();
    }
    owner.log().Add(
        1, std::string("\tCall.") + name + " - Returned = " + TlkVantage::BooleanText(done));
    owner.Vantage().observer<LineVantageObserver>().UpdateDeviceStatus();
    owner.refreshCallPanels();
    return done;
}

// The new call's record waits for its handle, which TAPI writes into a cell the control keeps
// until the reply. Until that reply the record has no handle and is found by its pending
// request; after it, by the handle the reply brought. A call that cannot be made leaves no
// record behind, so no half-made call stays in the list.
bool TlkCall::createCall(TlkRequestSlot slot, const std::function<LONG(HCALL*)>& request) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    // Unpark may start while another call is current; that call keeps its parties.
    if (Handle == 0)
        owner.ClearParties();
    TlkCallRecord* fresh = owner.AddCallRecord(TlkRecordKind::ByHandle, 0);
    HCALL* cell = owner.newHandleCell();
    const LONG requestId = request(cell);
    auto undo = [&] {
        owner.RemoveCallRecord(fresh);
        if (Handle == 0)
            Active = false;
    };
    if (requestId <= 0) {
        owner.releaseHandleCell(cell);
        undo();
        owner.FillErrorStrings(requestId);
        return false;
    }
    owner.bindHandleCell(cell, requestId);
    fresh->slot(slot) = requestId;
    owner.TAPI.expectReply(requestId);
    Active = true;
    const TlkReply reply = owner.TAPI.WaitForReply(requestId);
    if (!guard)
        return false;
    switch (reply.outcome) {
        case TlkReplyOutcome::Abandoned:
            // The line closed meanwhile; the record is let go only if it still waits, as the
            // line's records may have been made anew since.
            fresh = owner.FindCallRecordBySlot(slot, requestId);
            undo();
            owner.takeCreatedCall(requestId);
            return false;
        case TlkReplyOutcome::TimedOut:
            // Still pending, so still there: a late reply lets the call go (it finds no record).
            undo();
            owner.FillErrorStrings(TAPIREPLYTIMEOUT);
            return false;
        case TlkReplyOutcome::Replied:
            break;
    }
    const DWORD call = owner.takeCreatedCall(requestId);
    if (reply.result != 0 || call == 0) {
        // A failed reply leaves the record without a handle, so nothing else has released it.
        undo();
        if (reply.result == 0)
            owner.FillErrorStrings(LINEERR_OPERATIONFAILED);
        else if (owner.Error().Number() != reply.result)
            owner.Error().set(reply.result, owner.errorName(reply.result));
        return false;
    }
    if (!owner.FindCallRecord(call)) {
        // The call ended already while its reply's messages were handled: there is nothing to
        // make current or announce, but the request itself succeeded.
        if (Handle == 0)
            Active = false;
        return true;
    }
    const double began = core::now();
    if (Handle == 0) {
        Owner = true;
        Began = began;
        owner.SaveCallRecord(call);
    } else if (TlkCallRecord* record = owner.FindCallRecord(call)) {
        // Another call is current: its own state stays in its record.
        record->Owner = true;
        record->Began = began;
        owner.RestoreCallRecord(call);
    }
    SetHandle(call);
    if (!guard)
        return false;
    if (Handle != call)
        return true;  // it ended while it was being made current
    owner.log().Add(1, "OnCallBegin [" + Hex8(call) + "]");
    owner.log().Add(0, "\tCall.Began = " + ClockText(began));
    return owner.fireEvent(owner.Popup.OnCallBegin, owner.OnCallBegin, call);
}

// ---- request and wait ----

bool TlkCall::Answer() {
    return requestAndWait("Answer", TlkRequestSlot::Answer,
                          [](HCALL call) { return lineAnswer(call, nullptr, 0); });
}

bool TlkCall::Hangup() {
    return requestAndWait("Hangup", TlkRequestSlot::Hangup,
                          [](HCALL call) { return lineDrop(call, nullptr, 0); });
}

bool TlkCall::Redirect(const std::string& number) {
    const std::string text = UnformatNumber(m_owner.Device.UnformatPhoneNumber, number);
    return requestAndWait(
        "Redirect", TlkRequestSlot::Redirect,
        [&text](HCALL call) { return lineRedirect(call, text.c_str(), 0); }, number);
}

bool TlkCall::Park(const std::string& number) {
    const std::string text = UnformatNumber(m_owner.Device.UnformatPhoneNumber, number);
    return requestAndWait(
        "Park", TlkRequestSlot::Park,
        [&text](HCALL call) {
            return linePark(call, LINEPARKMODE_DIRECTED, text.c_str(), nullptr);
        },
        number);
}

// ---- hand-off ----

bool TlkCall::Handoff(const std::string& application) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    const DWORD call = Handle;
    owner.log().Add(1, "Call.Handoff [" + Hex8(call) + "]");
    const bool ownerBefore = Owner;
    bool done = false;
    if (const LONG result = lineHandoff(call, application.c_str(), 0); result < 0) {
        owner.FillErrorStrings(result);
    } else {
        owner.Error().Clear();
        done = true;
        // The other application owns the call now; this one only watches it.
        lineSetCallPrivilege(call, LINECALLPRIVILEGE_MONITOR);
        owner.RefreshCallStatus(true);
        if (!guard)
            return false;
        owner.ReadCallInfo(Handle, 0);
        if (Owner != ownerBefore &&
            !owner.fireEvent(owner.Popup.OnCallOwnerChange, owner.OnCallOwnerChange, call)) {
            return false;
        }
    }
    if (!guard)
        return false;
    owner.log().Add(1, "\tCall.Handoff - Returned = " + TlkVantage::BooleanText(done));
    owner.ReadDeviceStatus();
    owner.ReadAddressStatus();
    return done;
}

// ---- digits and tones ----

bool TlkCall::SendDigits(const std::string& digits, LONG duration) {
    return sendDigits("SendDigits", LINEDIGITMODE_DTMF, digits, duration);
}

bool TlkCall::SendPulseDigits(const std::string& digits, LONG duration) {
    return sendDigits("SendPulseDigits", LINEDIGITMODE_PULSE, digits, duration);
}

bool TlkCall::sendDigits(const char* name, DWORD digitMode, const std::string& digits,
                         LONG duration) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.Error().Clear();
    owner.log().Add(1, std::string("Call.") + name + bracketed(digits) + " [" + Hex8(Handle) + "]");
    // LINE_GENERATE then reports digits sent.
    owner.GenerateKind = 1;
    const LONG result =
        lineGenerateDigits(Handle, digitMode, digits.c_str(), static_cast<DWORD>(duration));
    if (result != 0) {
        owner.FillErrorStrings(result);
        if (!guard)
            return false;
    }
    owner.log().Add(
        1, std::string("\tCall.") + name + " - Returned = " + TlkVantage::BooleanText(result == 0));
    return result == 0;
}

bool TlkCall::SendTone(LONG toneMode, LONG duration) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.log().Add(
        1, "Call.SendTone" +
               bracketed(Hex8(static_cast<DWORD>(toneMode)) + ", " + std::to_string(duration)) +
               " [" + Hex8(Handle) + "]");
    owner.GenerateKind = 0;
    const LONG result = lineGenerateTone(Handle, static_cast<DWORD>(toneMode),
                                         static_cast<DWORD>(duration), 0, nullptr);
    if (result < 0) {
        owner.FillErrorStrings(result);
        if (!guard)
            return false;
    } else {
        owner.Error().Clear();
    }
    owner.log().Add(1, "\tCall.SendTone - Returned = " + TlkVantage::BooleanText(result >= 0));
    return result >= 0;
}

// ---- setters that act ----

void TlkCall::SetOwner(bool value) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    owner.Error().Clear();
    owner.log().Add(1, "Call.Owner := " + TlkVantage::BooleanText(value));
    if (!owner.Device.Active) {
        owner.FillErrorStrings(LINEERR_INVALLINESTATE);
        return;
    }
    if (Handle == 0) {
        owner.FillErrorStrings(LINEERR_INVALCALLSTATE);
        return;
    }
    if (value == Owner)
        return;
    const LONG result =
        lineSetCallPrivilege(Handle, value ? LINECALLPRIVILEGE_OWNER : LINECALLPRIVILEGE_MONITOR);
    if (result != 0) {
        owner.FillErrorStrings(result);
        if (!guard)
            return;
    } else {
        Owner = value;
    }
    owner.ReadCallInfo(Handle, 0);
    owner.RefreshCallStatus();
    if (!guard)
        return;
    // The refresh clears the error record; a refused privilege stays the setter's answer.
    if (result != 0 && owner.Error().Number() == 0)
        owner.Error().set(result, owner.errorName(result));
    owner.SaveCallRecord(Handle);
    owner.refreshCallPanels();
    owner.DesignerUpdate();
}

void TlkCall::SetActive(bool value) {
    if (value == Active || !m_owner.Device.Active)
        return;
    if (value) {
        Dial();
    } else {
        Hangup();
    }
}

void TlkCall::SetPhoneNumber(const std::string& value) {
    TlkLineInternal& owner = m_owner;
    std::string number = value;
    if (owner.tapiReady() && owner.Device.TranslatePhoneNumber) {
        std::string dialable;
        const LONG result = owner.TranslateAddress(value, dialable);
        if (result < 0) {
            const TlkLifeGuard guard = owner.lifeGuard();
            owner.FillErrorStrings(result);
            if (!guard)
                return;
            owner.Vantage().observer<LineVantageObserver>().UpdatePhoneNumber();
            return;
        }
        owner.Error().Clear();
        if (!dialable.empty()) {
            // The dialable form is the one the call is made with, so the call keeps it; a
            // number taken as given stays the control's alone.
            PhoneNumber = dialable;
            if (TlkCallRecord* record = owner.FindCallRecord(Handle); record && Handle != 0)
                record->PhoneNumber = dialable;
            owner.Vantage().observer<LineVantageObserver>().UpdatePhoneNumber();
            return;
        }
    }
    PhoneNumber = number;
    owner.Vantage().observer<LineVantageObserver>().UpdatePhoneNumber();
}

void TlkCall::SetTag(LONG value) {
    Tag = value;
    m_owner.SaveCallRecord(Handle);
}

bool TlkCall::GetInfo() {
    return m_owner.ReadCallInfo(Handle, AllPartiesMask) == 0;
}

// ---- hooks the operations share ----

DWORD TlkLineInternal::takeCreatedCall(LONG requestId) {
    const auto it = m_createdCalls.find(requestId);
    if (it == m_createdCalls.end())
        return 0;
    const DWORD call = it->second;
    m_createdCalls.erase(it);
    return call;
}

// The first answer comes in a small buffer; TAPI then says how much the texts need (with both
// string sizes 0), and the number is asked for again in a buffer of that size.
LONG TlkLineInternal::TranslateAddress(const std::string& number, std::string& dialable) {
    DWORD size = TranslateOutputSize;
    for (int attempt = 0; attempt < TranslateAttempts; ++attempt) {
        std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        auto* output = reinterpret_cast<LINETRANSLATEOUTPUT*>(buffer.data());
        output->dwTotalSize = size;
        const LONG result =
            lineTranslateAddress(Line.hLineApp, static_cast<DWORD>(Device.ID), TAPI.ApiVersion,
                                 number.c_str(), 0, LINETRANSLATEOPTION_CANCELCALLWAITING, output);
        if (result != 0)
            return result;
        if (output->dwNeededSize <= output->dwTotalSize) {
            dialable = textAt(buffer, output->dwDialableStringOffset, output->dwDialableStringSize);
            return 0;
        }
        if (output->dwNeededSize > TlkMaxStructureSize)
            return LINEERR_NOMEM;
        size = output->dwNeededSize;
    }
    return LINEERR_STRUCTURETOOSMALL;
}
