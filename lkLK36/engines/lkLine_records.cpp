// The Line engine's call records: the current call and the call list, the record of each known
// call, switching the current call, begin-call, and reading a call's LINECALLINFO.
#include <algorithm>
#include <cstdlib>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/clock.h"

namespace {

constexpr DWORD AllPartiesMask = LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID |
                                 LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
                                 LINECALLINFOSTATE_REDIRECTINGID;

DWORD handleOfEntry(const std::string& entry) {
    return static_cast<DWORD>(std::strtoul(entry.c_str(), nullptr, 16));
}

// Where each party sits in LINECALLINFO, and the bit that announces it.
struct PartyLayout {
    DWORD infoState;
    DWORD LINECALLINFO::*flags;
    DWORD LINECALLINFO::*size;
    DWORD LINECALLINFO::*offset;
    DWORD LINECALLINFO::*nameSize;
    DWORD LINECALLINFO::*nameOffset;
};
constexpr PartyLayout partyLayouts[PartyKindCount] = {
    {LINECALLINFOSTATE_CALLERID, &LINECALLINFO::dwCallerIDFlags, &LINECALLINFO::dwCallerIDSize,
     &LINECALLINFO::dwCallerIDOffset, &LINECALLINFO::dwCallerIDNameSize,
     &LINECALLINFO::dwCallerIDNameOffset},
    {LINECALLINFOSTATE_CALLEDID, &LINECALLINFO::dwCalledIDFlags, &LINECALLINFO::dwCalledIDSize,
     &LINECALLINFO::dwCalledIDOffset, &LINECALLINFO::dwCalledIDNameSize,
     &LINECALLINFO::dwCalledIDNameOffset},
    {LINECALLINFOSTATE_CONNECTEDID, &LINECALLINFO::dwConnectedIDFlags,
     &LINECALLINFO::dwConnectedIDSize, &LINECALLINFO::dwConnectedIDOffset,
     &LINECALLINFO::dwConnectedIDNameSize, &LINECALLINFO::dwConnectedIDNameOffset},
    {LINECALLINFOSTATE_REDIRECTIONID, &LINECALLINFO::dwRedirectionIDFlags,
     &LINECALLINFO::dwRedirectionIDSize, &LINECALLINFO::dwRedirectionIDOffset,
     &LINECALLINFO::dwRedirectionIDNameSize, &LINECALLINFO::dwRedirectionIDNameOffset},
    {LINECALLINFOSTATE_REDIRECTINGID, &LINECALLINFO::dwRedirectingIDFlags,
     &LINECALLINFO::dwRedirectingIDSize, &LINECALLINFO::dwRedirectingIDOffset,
     &LINECALLINFO::dwRedirectingIDNameSize, &LINECALLINFO::dwRedirectingIDNameOffset},
};

}  // namespace

// ---- the current call ----

TlkCall::TlkCall(TlkLineInternal& owner)
    : CallerID(owner),
      CalledID(owner),
      ConnectedID(owner),
      RedirectionID(owner),
      RedirectingID(owner),
      m_owner(owner) {}

TlkCallerID& TlkCall::party(int kind) {
    TlkCallerID* parties[PartyKindCount] = {&CallerID, &CalledID, &ConnectedID, &RedirectionID,
                                            &RedirectingID};
    return *parties[kind];
}

const TlkCallerID& TlkCall::party(int kind) const {
    return const_cast<TlkCall*>(this)->party(kind);
}

DWORD TlkCall::GetCallState(DWORD handle) const {
    const TlkCallRecord* record = m_owner.FindCallRecord(handle);
    return record ? record->State : 0;
}

DWORD TlkCall::GetCallStateMode(DWORD handle) const {
    const TlkCallRecord* record = m_owner.FindCallRecord(handle);
    return record ? record->StateMode : 0;
}

// The record is looked up on every look, never held: the call may go idle while this waits.
bool TlkCall::WaitForFlag(DWORD handle, DWORD mask) {
    const TlkLifeGuard guard = m_owner.lifeGuard();
    TlkLineInternal& owner = m_owner;
    auto flagged = [&] {
        if (!guard)
            return false;
        const TlkCallRecord* record = owner.FindCallRecord(handle);
        return record && (record->State & mask) != 0;
    };
    auto ended = [&] { return !guard || flagged() || !owner.FindCallRecord(handle); };
    if (!ended() && owner.TAPI.ReplyTimeout > 0)
        core::pumpUntil(ended, static_cast<DWORD>(owner.TAPI.ReplyTimeout));
    return flagged();
}

void TlkCall::SetHandle(DWORD handle) {
    if (handle == Handle)
        return;
    TlkLineInternal& owner = m_owner;
    owner.log().Add(1, "Call.Handle = " + Hex8(handle));
    const LONG index = owner.IndexOfCallHandle(handle);
    if (index >= 0) {
        Handle = handle;
        owner.RestoreCallRecord(handle);
    } else if (handle != 0) {
        owner.FillErrorStrings(LINEERR_INVALCALLHANDLE);
        return;
    } else {
        // No list yet (the line never opened): there is nothing to switch to.
        Handle = 0;
    }
    const TlkLifeGuard guard = owner.lifeGuard();
    bool read = owner.RefreshCallStatus();
    if (!guard)
        return;
    if (read)
        read = owner.ReadCallInfo(Handle, AllPartiesMask) == 0;
    if (!read && owner.Error().Number() == LINEERR_INVALCALLHANDLE) {
        owner.RemoveCallHandle(handle);
        owner.SelectFirstCall();
        if (!guard)
            return;
    }
    owner.refreshCallPanels();
    // The monitor shows the newly current call's own state: its digits, number and monitors.
    auto& window = owner.Vantage().observer<LineVantageObserver>();
    window.UpdateDeviceStatus();
    window.UpdateDigitsPage();
    window.ShowGatheredDigits({});
    window.ShowReceivedDigit({});
    window.UpdatePhoneNumber();
}

// ---- records ----

TlkCallRecord* TlkLineInternal::AddCallRecord(TlkRecordKind kind, DWORD handle) {
    if (kind == TlkRecordKind::Placeholder) {
        Call.Records.clear();
        Call.Records.push_back(std::make_unique<TlkCallRecord>());
        Call.Records.front()->Handle = handle;
        Call.List.push_back(Hex8(handle));
        return Call.Records.front().get();
    }
    if (kind == TlkRecordKind::ByHandle && handle != 0) {
        if (TlkCallRecord* known = FindCallRecord(handle))
            return known;
    }
    auto record = std::make_unique<TlkCallRecord>();
    record->Handle = handle;
    // A call is listed once, however many ways it becomes known.
    if (handle != 0 && IndexOfCallHandle(handle) < 0) {
        Call.List.push_back(Hex8(handle));
        ++Call.Count;
    }
    auto at = Call.Records.empty() ? Call.Records.end() : std::next(Call.Records.begin());
    return Call.Records.insert(at, std::move(record))->get();
}

TlkCallRecord* TlkLineInternal::FindCallRecord(DWORD handle) {
    for (auto& record : Call.Records) {
        if (record->Handle == handle)
            return record.get();
    }
    return nullptr;
}

TlkCallRecord* TlkLineInternal::FindCallRecordByRequest(LONG requestId) {
    if (requestId == 0)
        return nullptr;
    for (auto& record : Call.Records) {
        if (std::find(std::begin(record->Requests), std::end(record->Requests), requestId) !=
            std::end(record->Requests)) {
            return record.get();
        }
    }
    return nullptr;
}

TlkCallRecord* TlkLineInternal::FindCallRecordBySlot(TlkRequestSlot slot, LONG requestId) {
    for (auto& record : Call.Records) {
        if (record->slot(slot) == requestId)
            return record.get();
    }
    return nullptr;
}

bool TlkLineInternal::RemoveCallRecord(const TlkCallRecord* record) {
    if (!record || Call.Records.empty() || Call.Records.front().get() == record)
        return false;
    for (auto it = std::next(Call.Records.begin()); it != Call.Records.end(); ++it) {
        if (it->get() != record)
            continue;
        for (int slot = 0; slot < TlkRequestSlotCount; ++slot) {
            if ((*it)->Requests[slot] != 0)
                m_orphanRequests[(*it)->Requests[slot]] = static_cast<TlkRequestSlot>(slot);
        }
        Call.Records.erase(it);
        return true;
    }
    return false;
}

LONG TlkLineInternal::IndexOfCallHandle(DWORD handle) const {
    const std::string text = Hex8(handle);
    for (std::size_t i = 0; i < Call.List.size(); ++i) {
        if (Call.List[i] == text)
            return static_cast<LONG>(i);
    }
    return -1;
}

bool TlkLineInternal::RemoveCallHandle(DWORD handle) {
    const LONG index = IndexOfCallHandle(handle);
    if (index < 1)
        return false;
    Call.List.erase(Call.List.begin() + index);
    --Call.Count;
    RemoveCallRecord(FindCallRecord(handle));
    return true;
}

TlkCallRecord* TlkLineInternal::SaveCallRecord(DWORD handle) {
    TlkCallRecord* r = FindCallRecord(handle);
    if (!r)
        return nullptr;
    const TlkCall& c = Call;
    r->Tag = c.Tag;
    r->Began = c.Began;
    r->Connected = c.Connected;
    r->Disconnected = c.Disconnected;
    r->Ended = c.Ended;
    r->Owner = c.Owner;
    r->PhoneNumber = c.PhoneNumber;
    for (int kind = 0; kind < PartyKindCount; ++kind)
        r->Parties[kind] = c.party(kind).record();
    r->State = c.State;
    r->StateMode = c.StateMode;
    r->ID = c.ID;
    r->MediaMode = c.MediaMode;
    r->BearerMode = c.BearerMode;
    r->Owners = c.Owners;
    r->Monitors = c.Monitors;
    r->Origin = c.Origin;
    r->Reason = c.Reason;
    r->Address = c.Address;
    r->DisconnectMode = c.DisconnectMode;
    r->SpecialInfo = c.SpecialInfo;
    r->DialToneMode = c.DialToneMode;
    r->BusyMode = c.BusyMode;
    r->GatherDigits = c.GatherDigits;
    r->MonitorDigits = c.MonitorDigits;
    r->MonitorMediaModes = c.MonitorMediaModes;
    r->MonitorSilence = c.MonitorSilence;
    return r;
}

TlkCallRecord* TlkLineInternal::RestoreCallRecord(DWORD handle) {
    if (handle != Call.Handle)
        return nullptr;
    const TlkCallRecord* r = FindCallRecord(handle);
    if (!r)
        return nullptr;
    TlkCall& c = Call;
    c.Tag = r->Tag;
    c.Began = r->Began;
    c.Connected = r->Connected;
    c.Disconnected = r->Disconnected;
    c.Ended = r->Ended;
    c.Owner = r->Owner;
    for (int kind = 0; kind < PartyKindCount; ++kind)
        c.party(kind).assign(r->Parties[kind]);
    c.State = r->State;
    c.StateMode = r->StateMode;
    c.ID = r->ID;
    c.MediaMode = r->MediaMode;
    c.BearerMode = r->BearerMode;
    c.Owners = r->Owners;
    c.Monitors = r->Monitors;
    c.Origin = r->Origin;
    c.Reason = r->Reason;
    c.Address = r->Address;
    c.DisconnectMode = r->DisconnectMode;
    c.SpecialInfo = r->SpecialInfo;
    c.DialToneMode = r->DialToneMode;
    c.BusyMode = r->BusyMode;
    // The placeholder keeps what the application set while no call was current.
    if (handle != 0) {
        c.PhoneNumber = r->PhoneNumber;
        c.GatherDigits = r->GatherDigits;
        c.MonitorDigits = r->MonitorDigits;
        c.MonitorMediaModes = r->MonitorMediaModes;
        c.MonitorSilence = r->MonitorSilence;
    }
    return FindCallRecord(handle);
}

bool TlkLineInternal::SelectFirstCall() {
    if (Call.Count >= 1 && Call.List.size() > 1) {
        Call.SetHandle(handleOfEntry(Call.List[1]));
        return true;
    }
    const TlkLifeGuard guard = lifeGuard();
    Call.SetHandle(Call.List.empty() ? 0 : handleOfEntry(Call.List.front()));
    if (!guard)
        return false;
    Call.Active = false;
    ResetCallState();
    return false;
}

// A call becomes known: the first one becomes current at once, a later one waits behind the
// current call, and a known one only has its information read again.
TlkCallRecord* TlkLineInternal::BeginCall(DWORD handle) {
    const TlkLifeGuard guard = lifeGuard();
    const bool announce = Call.Count == 0 || IndexOfCallHandle(handle) < 0;
    if (Call.Count == 0) {
        ClearParties();
        ResetCallState();
        Call.Handle = handle;
        Call.Active = true;
        AddCallRecord(TlkRecordKind::ByHandle, handle);
        Call.Began = core::now();
        SaveCallRecord(handle);
        ReadCallInfo(handle, AllPartiesMask);
    } else if (announce) {
        TlkCallRecord* record = AddCallRecord(TlkRecordKind::ByHandle, handle);
        record->Began = core::now();
        if (Call.Active)
            RestoreCallRecord(handle);
        refreshCallPanels();
    } else if (handle == Call.Handle) {
        ReadCallInfo(handle, AllPartiesMask);
        SaveCallRecord(handle);
    }
    if (announce) {
        const TlkCallRecord* record = FindCallRecord(handle);
        log().Add(1, "OnCallBegin [" + Hex8(handle) + "]");
        log().Add(0, "\tCall.Began = " + ClockText(record ? record->Began : core::now()));
        if (!fireEvent(Popup.OnCallBegin, OnCallBegin, handle))
            return nullptr;
    }
    RefreshCallStatus();
    if (!guard)
        return nullptr;
    ReadDeviceStatus();
    ReadAddressStatus();
    RestoreCallRecord(handle);
    refreshCallPanels();
    return FindCallRecord(handle);
}

LONG TlkLineInternal::ReadCallInfo(DWORD handle, DWORD partyMask) {
    if (!m_tapiReady)
        return -1;
    if (handle == 0) {
        Call.Active = false;
        return 0;
    }
    const TlkVarStructure info = TlkReadVarStructure(
        sizeof(LINECALLINFO), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM,
        [&](void* buffer) { return lineGetCallInfo(handle, static_cast<LINECALLINFO*>(buffer)); });
    if (info.result != 0)
        return info.result;
    const auto& fixed = info.fixed<LINECALLINFO>();
    TlkCallRecord* record = FindCallRecord(handle);
    if (record) {
        record->ID = fixed.dwCallID;
        record->Address = LOWORD(fixed.dwAddressID);
        record->MediaMode = fixed.dwMediaMode;
        record->BearerMode = fixed.dwBearerMode;
        record->Origin = fixed.dwOrigin;
        record->Reason = fixed.dwReason;
        record->Owners = fixed.dwNumOwners;
        record->Monitors = fixed.dwNumMonitors;
        for (int kind = 0; kind < PartyKindCount; ++kind) {
            const PartyLayout& at = partyLayouts[kind];
            if (!(partyMask & at.infoState))
                continue;
            TlkPartyRecord& party = record->Parties[kind];
            party.Number = info.text(fixed.*at.offset, fixed.*at.size);
            party.Name = trimmed(info.text(fixed.*at.nameOffset, fixed.*at.nameSize));
            party.Flags = fixed.*at.flags;
            party.Blocked = (party.Flags & LINECALLPARTYID_BLOCKED) != 0;
            party.OutOfArea = (party.Flags & LINECALLPARTYID_OUTOFAREA) != 0;
        }
    }
    if (handle == Call.Handle && fixed.dwAppNameSize > 0)
        Call.OriginatingApp = info.text(fixed.dwAppNameOffset, fixed.dwAppNameSize);
    RestoreCallRecord(handle);
    Vantage().observer<LineVantageObserver>().UpdateCallDetails();
    return 0;
}

bool TlkLineInternal::RefreshCallStatus(bool skipState) {
    Error().Clear();
    if (!m_tapiReady)
        return true;
    Call.State = 0;
    Call.StateMode = 0;
    if (Call.Handle == 0) {
        Call.Active = false;
        return true;
    }
    const DWORD handle = Call.Handle;
    const TlkVarStructure status = TlkReadVarStructure(
        sizeof(LINECALLSTATUS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            return lineGetCallStatus(handle, static_cast<LINECALLSTATUS*>(buffer));
        });
    if (status.result != 0) {
        if (status.result == LINEERR_INVALCALLHANDLE)
            Call.Active = false;
        FillErrorStrings(status.result);
        return false;
    }
    const auto& fixed = status.fixed<LINECALLSTATUS>();
    Call.Active = true;
    if (!skipState) {
        Call.State = fixed.dwCallState;
        Call.StateMode = fixed.dwCallStateMode;
    }
    Call.Owner = (fixed.dwCallPrivilege & LINECALLPRIVILEGE_OWNER) != 0;
    SaveCallRecord(handle);
    return true;
}

void TlkLineInternal::ResetCallTimes() {
    Call.Began = Call.Connected = Call.Disconnected = Call.Ended = 0;
}

void TlkLineInternal::ResetCallState() {
    TlkCall& c = Call;
    c.MediaMode = c.BearerMode = c.ID = c.Owners = c.Monitors = c.State = c.StateMode = 0;
    c.Owner = false;
    c.Origin = c.Reason = c.Address = c.DisconnectMode = c.SpecialInfo = c.DialToneMode =
        c.BusyMode = 0;
    c.OriginatingApp.clear();
    ResetCallTimes();
    refreshCallPanels();
}

void TlkLineInternal::ClearParties() {
    for (int kind = 0; kind < PartyKindCount; ++kind)
        Call.party(kind).clear();
    refreshCallPanels();
}

void TlkLineInternal::ResetTransfer() {
    Transfer.PrimaryCall = Transfer.ConsultCall = Transfer.ThreeWayCall = 0;
    Vantage().observer<LineVantageObserver>().UpdateTransferPanel(0, 0, 0);
}

void TlkLineInternal::ResetConference() {
    Conference.PrimaryCall = Conference.ConsultCall = Conference.Handle = 0;
    Conference.Count = 0;
    Conference.List.clear();
    Vantage().observer<LineVantageObserver>().UpdateConferencePanel(0, 0, 0);
}

void TlkLineInternal::refreshCallPanels() {
    auto& window = Vantage().observer<LineVantageObserver>();
    window.UpdateCallDetails();
    window.UpdateCallerIDPage();
}

// ---- handle cells ----

HCALL* TlkLineInternal::newHandleCell() {
    m_handleCells.emplace_back();
    return &m_handleCells.back().Handle;
}

void TlkLineInternal::keepCellForReply(const HCALL* cell, LONG requestId) {
    if (requestId > 0)
        bindHandleCell(cell, requestId);
    else
        releaseHandleCell(cell);
}

void TlkLineInternal::bindHandleCell(const HCALL* cell, LONG requestId) {
    for (TlkHandleCell& kept : m_handleCells) {
        if (&kept.Handle == cell)
            kept.Request = requestId;
    }
}

void TlkLineInternal::releaseHandleCell(const HCALL* cell) {
    m_handleCells.remove_if([cell](const TlkHandleCell& kept) { return &kept.Handle == cell; });
}
