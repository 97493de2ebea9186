// The Line engine's address group: forwarding and its fields, the call-parameter groups, and the
// routing of the selected terminal's modes. Choosing the address and the terminal themselves
// belongs to opening the line (lkLine.cpp).
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"

namespace {

// TAPI is handed four bytes more than LINECALLPARAMS, so the no-answer time-out (at byte 164)
// sits well inside the block whatever version reads it.
constexpr DWORD CallParamsBlockSize = 180;

// A forwarding text: at most 31 characters and the terminating zero.
constexpr std::size_t ForwardTextRoom = 32;

// One LINEFORWARDLIST with a single entry and the caller's and destination's texts behind it.
// Every offset in the entry counts from the start of the list.
struct ForwardListBlock {
    LINEFORWARDLIST list;
    char caller[ForwardTextRoom];
    char destination[ForwardTextRoom];
};

void putForwardText(const std::string& text, char (&room)[ForwardTextRoom], DWORD offset,
                    DWORD& size, DWORD& offsetField) {
    if (text.empty())
        return;
    const std::size_t length = std::min(text.size(), ForwardTextRoom - 1);
    std::memcpy(room, text.data(), length);
    size = static_cast<DWORD>(length + 1);
    offsetField = offset;
}

void fillForwardList(ForwardListBlock& block, const TlkAddressForward& forward) {
    block.list.dwTotalSize = sizeof block;
    block.list.dwNumEntries = 1;
    LINEFORWARD& entry = block.list.ForwardList[0];
    entry.dwForwardMode = forward.Mode;
    entry.dwDestCountryCode = 0;
    putForwardText(forward.Caller, block.caller, offsetof(ForwardListBlock, caller),
                   entry.dwCallerAddressSize, entry.dwCallerAddressOffset);
    putForwardText(forward.PhoneNumber, block.destination, offsetof(ForwardListBlock, destination),
                   entry.dwDestAddressSize, entry.dwDestAddressOffset);
}

constexpr DWORD AllTerminalModes = 0xFF;  // LINETERMMODE_BUTTONS to LINETERMMODE_MEDIABIDIRECT

}  // namespace

const LINECALLPARAMS* BuildCallParams(const TlkCallParameters& parameters,
                                      std::vector<BYTE>& block) {
    block.clear();
    if (parameters.Defaults)
        return nullptr;
    LINECALLPARAMS params{};
    params.dwTotalSize = CallParamsBlockSize;
    params.dwBearerMode = static_cast<DWORD>(parameters.BearerMode);
    params.dwMediaMode = static_cast<DWORD>(parameters.MediaMode);
    params.dwCallParamFlags = static_cast<DWORD>(parameters.Flags);
    params.dwAddressID = static_cast<DWORD>(parameters.AddressID);
    params.dwNoAnswerTimeout = static_cast<DWORD>(parameters.NoAnswerTimeout);
    block.assign(CallParamsBlockSize, 0);
    std::memcpy(block.data(), &params, sizeof params);
    return reinterpret_cast<const LINECALLPARAMS*>(block.data());
}

// ---- the address ----

void TlkLineInternal::SetAddressName(const std::string&) {}

// ---- forwarding ----

void TlkLineInternal::SetForwardActive(bool value) {
    TlkAddressForward& forward = Address.Forward;
    forward.Active = false;
    Error().Clear();
    log().Add(1, "Address.Forward.Active = " + TlkVantage::BooleanText(value));
    std::vector<BYTE> paramsBlock;
    const LINECALLPARAMS* params = BuildCallParams(forward.Parameters, paramsBlock);
    ForwardListBlock list{};
    if (value)
        fillForwardList(list, forward);
    HCALL* consultCell = newHandleCell();
    const LONG requestId =
        lineForward(Line.hLine, 0, static_cast<DWORD>(Address.ID), value ? &list.list : nullptr,
                    Address.NumRingsNoAnswer, consultCell, params);
    // The request belongs to the line, not to a call: the placeholder record holds it.
    TlkCallRecord* lineRecord = Call.Records.empty() ? nullptr : Call.Records.front().get();
    const TlkLifeGuard guard = lifeGuard();
    const TlkReply reply = awaitRequest(lineRecord, TlkRequestSlot::Forward, requestId);
    if (!guard)
        return;
    const DWORD consult = settleCell(consultCell, requestId, reply);
    if (reply.succeeded()) {
        forward.ConsultCall = consult;
        forward.Active = value;
    }
    ReadDeviceStatus();
    ReadAddressStatus();
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
}

void TlkLineInternal::SetForwardCaller(const std::string& value) {
    setForwardText("Address.Forward.Caller", Address.Forward.Caller, value);
}

void TlkLineInternal::SetForwardPhoneNumber(const std::string& value) {
    setForwardText("Address.Forward.PhoneNumber", Address.Forward.PhoneNumber, value);
}

void TlkLineInternal::setForwardText(const char* name, std::string& field,
                                     const std::string& value) {
    const TlkLifeGuard guard = lifeGuard();
    if (value != field) {
        Error().Clear();
        log().Add(1, std::string(name) + " = '" + value + "'");
        if (Address.Forward.Active) {
            FillErrorStrings(LINEERR_OPERATIONFAILED);
        } else if (value.size() >= ForwardTextRoom) {
            FillErrorStrings(LINEERR_INVALADDRESS);
        } else {
            field = value;
        }
        if (!guard)
            return;
    }
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
}

void TlkLineInternal::SetForwardMode(DWORD value) {
    const TlkLifeGuard guard = lifeGuard();
    if (value != Address.Forward.Mode) {
        Error().Clear();
        log().Add(1, "Address.Forward.Mode = [" + Hex8(value) + "]");
        if (Address.Forward.Active) {
            FillErrorStrings(LINEERR_OPERATIONFAILED);
        } else {
            Address.Forward.Mode = value;
        }
        if (!guard)
            return;
    }
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
}

// ---- call parameters ----

void TlkLineInternal::SetCallParametersDefaults(TlkCallParameters& group, bool value) {
    group.Defaults = value;
    Vantage().observer<LineVantageObserver>().UpdateCallParameters();
}

void TlkLineInternal::SetCallParameter(TlkCallParameters& group, LONG TlkCallParameters::*field,
                                       LONG value) {
    group.*field = value;
    Vantage().observer<LineVantageObserver>().UpdateCallParameters();
}

// ---- terminal modes ----

void TlkLineInternal::SetTerminalActiveModes(DWORD value) {
    log().Add(1, "Terminal.ActiveModes := [" + Hex8(value) + "]");
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    const DWORD available = Terminal.AvailableModes & AllTerminalModes;
    LONG outcome = 0;
    if (const DWORD on = value & available; on != 0)
        outcome = setTerminalModes(on, true);
    if (!guard)
        return;
    if (outcome == 0) {
        if (const DWORD off = available & ~value; off != 0)
            outcome = setTerminalModes(off, false);
        if (!guard)
            return;
    }
    ReadDeviceStatus();
    Vantage().observer<LineVantageObserver>().UpdateTerminalPage();
}

// 0, or the failure, which is reported.
LONG TlkLineInternal::setTerminalModes(DWORD modes, bool enable) {
    const LONG requestId = lineSetTerminal(Line.hLine, 0, 0, LINECALLSELECT_LINE, modes,
                                           static_cast<DWORD>(Terminal.ID), enable ? 1 : 0);
    if (requestId > 0)
        Terminal.PendingRequest = requestId;
    const TlkReply reply = awaitRequest(nullptr, TlkRequestSlot::Count, requestId);
    if (reply.outcome == TlkReplyOutcome::TimedOut)
        return TAPIREPLYTIMEOUT;
    if (reply.outcome == TlkReplyOutcome::Abandoned)
        return LINEERR_INVALLINEHANDLE;
    return reply.result;
}

// ---- waits ----

TlkReply TlkLineInternal::awaitRequest(TlkCallRecord* record, TlkRequestSlot slot, LONG requestId) {
    if (requestId <= 0) {
        // TAPI never gives 0 as a request ID: taken as the failure it is.
        const LONG code = requestId < 0 ? requestId : LINEERR_OPERATIONFAILED;
        FillErrorStrings(code);
        return {TlkReplyOutcome::Replied, code};
    }
    if (record && slot != TlkRequestSlot::Count)
        record->slot(slot) = requestId;
    TAPI.expectReply(requestId);
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    const TlkReply reply = TAPI.WaitForReply(requestId);
    if (!guard)
        return {TlkReplyOutcome::Abandoned, 0};
    if (reply.outcome == TlkReplyOutcome::TimedOut) {
        FillErrorStrings(TAPIREPLYTIMEOUT);
    } else if (reply.outcome == TlkReplyOutcome::Replied && reply.result != 0 &&
               Error().Number() != reply.result) {
        // Reported when it came; shown again when a handler cleared the record since.
        Error().set(reply.result, errorName(reply.result));
    }
    return reply;
}

DWORD TlkLineInternal::settleCell(HCALL* cell, LONG requestId, const TlkReply& reply) {
    if (requestId <= 0) {
        releaseHandleCell(cell);
        return 0;
    }
    if (reply.outcome != TlkReplyOutcome::Replied) {
        bindHandleCell(cell, requestId);
        return 0;
    }
    const DWORD handle = reply.result == 0 ? *cell : 0;
    releaseHandleCell(cell);
    return handle;
}
