// The Line engine's conference and transfer groups: a conference or a transfer is set up with a
// consultation call that dials the group's number; the consultation call joins the conference,
// or the transfer completes (to the other party, or as a three-way conference); the held and
// the active call swap. An operation that fails part-way lets go of the calls it made, so no
// half-made call stays in the call list or current.
#include <algorithm>
#include <functional>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/clock.h"

namespace {

constexpr DWORD ConferenceParties = 3;
// Digits dialled on the consultation call before it has dial tone would be lost.
constexpr DWORD ReadyToDialStates = LINECALLSTATE_DIALTONE | LINECALLSTATE_DIALING;

std::string returnedLine(const std::string& name, bool done) {
    return "\t" + name + " - Returned = " + TlkVantage::BooleanText(done);
}

}  // namespace

// ---- the groups' fields ----

void TlkLineInternal::SetConferencePhoneNumber(const std::string& value) {
    const TlkLifeGuard guard = lifeGuard();
    setGroupPhoneNumber(Conference.PhoneNumber, value);
    if (guard)
        Vantage().observer<LineVantageObserver>().UpdateConferencePhoneNumber();
}

void TlkLineInternal::SetTransferPhoneNumber(const std::string& value) {
    const TlkLifeGuard guard = lifeGuard();
    setGroupPhoneNumber(Transfer.PhoneNumber, value);
    if (guard)
        Vantage().observer<LineVantageObserver>().UpdateTransferPhoneNumber();
}

// As Call.PhoneNumber: with translation on, the dialable form; a refusal keeps the old number.
void TlkLineInternal::setGroupPhoneNumber(std::string& field, const std::string& value) {
    if (!m_tapiReady || !Device.TranslatePhoneNumber) {
        field = value;
        return;
    }
    std::string dialable;
    const LONG result = TranslateAddress(value, dialable);
    if (result < 0) {
        FillErrorStrings(result);
        return;
    }
    Error().Clear();
    // Without a dialable form the number is kept as written, never the one before it.
    field = dialable.empty() ? value : dialable;
}

void TlkLineInternal::SetConferencePrimaryCall(DWORD value) {
    Conference.PrimaryCall = value;
    refreshConferencePanel();
}

void TlkLineInternal::SetTransferPrimaryCall(DWORD value) {
    Transfer.PrimaryCall = value;
    refreshTransferPanel();
}

void TlkLineInternal::SetConferenceConsultCall(DWORD value) {
    Error().Clear();
    const TlkStringList& members = Conference.List;
    if (std::find(members.begin(), members.end(), Hex8(value)) == members.end()) {
        FillErrorStrings(LINEERR_INVALCALLHANDLE);
        return;
    }
    Conference.ConsultCall = value;
    refreshConferencePanel();
}

void TlkLineInternal::RemoveConferenceMember(DWORD call) {
    TlkStringList& members = Conference.List;
    const auto member = std::find(members.begin(), members.end(), Hex8(call));
    if (member == members.end())
        return;
    members.erase(member);
    --Conference.Count;
    if (Conference.ConsultCall == call)
        Conference.ConsultCall = 0;
    refreshConferencePanel();
}

void TlkLineInternal::refreshConferencePanel() {
    const DWORD call = Conference.Handle;
    Vantage().observer<LineVantageObserver>().UpdateConferencePanel(call, Call.GetCallState(call),
                                                                    Call.GetCallStateMode(call));
}

void TlkLineInternal::refreshTransferPanel() {
    const DWORD call = Transfer.ConsultCall;
    Vantage().observer<LineVantageObserver>().UpdateTransferPanel(call, Call.GetCallState(call),
                                                                  Call.GetCallStateMode(call));
}

// ---- setting up ----

bool TlkLineInternal::ConferenceDial() {
    const std::string name = "Conference.Dial";
    const DWORD primary = Conference.PrimaryCall;
    log().Add(1, name + " [" + Hex8(primary) + "]");
    log().Add(0, "\tConference.PhoneNumber = " + Conference.PhoneNumber);
    const std::string dialText = UnformatNumber(Device.UnformatPhoneNumber, Conference.PhoneNumber);
    const TlkLifeGuard guard = lifeGuard();
    Error().Clear();
    if (primary == 0) {
        FillErrorStrings(LINEERR_CALLUNAVAIL);
        return guard && finishGroupRequest(name, false);
    }
    const bool newConference = Conference.Handle == 0;
    TlkCallRecord* conferenceRecord =
        newConference ? AddCallRecord(TlkRecordKind::ByHandle, 0) : nullptr;
    TlkCallRecord* consultRecord = AddCallRecord(TlkRecordKind::ByHandle, 0);
    consultRecord->PhoneNumber = dialText;
    Conference.ConsultCall = 0;
    DWORD conference = Conference.Handle;
    DWORD consult = 0;
    auto fail = [&](bool waited) {
        return failGroupDial(name, primary, waited, [&] {
            forgetOwnCall(consultRecord, consult);
            RemoveConferenceMember(consult);
            if (newConference) {
                forgetOwnCall(conferenceRecord, conference);
                ResetConference();
            }
        });
    };

    const LINECALLPARAMS* params = BuildCallParams(Conference.Parameters, Conference.CallParams);
    // The consultation call's cell comes first: the reply hands the first cell's call to the
    // record that asked, which is the consultation call's.
    HCALL* consultCell = newHandleCell();
    HCALL* conferenceCell = newConference ? newHandleCell() : nullptr;
    const LONG setUp = newConference ? lineSetupConference(primary, Line.hLine, conferenceCell,
                                                           consultCell, ConferenceParties, params)
                                     : linePrepareAddToConference(conference, consultCell, params);
    keepCellForReply(consultCell, setUp);
    const TlkReply reply = awaitRequest(consultRecord, TlkRequestSlot::ConferenceSetup, setUp);
    if (!guard)
        return false;
    if (newConference)
        conference = settleCell(conferenceCell, setUp, reply);
    if (reply.outcome == TlkReplyOutcome::Abandoned)
        return finishGroupRequest(name, false);  // the line closed and took the calls with it
    consult = reply.succeeded() ? takeCreatedCall(setUp) : 0;
    // A record that has its call is found by its handle from here on.
    if (consult != 0)
        consultRecord = nullptr;
    if (consult == 0 || conference == 0 || !FindCallRecord(consult)) {
        // A set-up whose consultation call ended while its reply's messages were handled has
        // nothing left to dial on.
        if (reply.succeeded())
            FillErrorStrings(LINEERR_INVALCALLHANDLE);
        return guard && fail(setUp > 0);
    }

    if (newConference) {
        adoptCall(conferenceRecord, conference);
        conferenceRecord = nullptr;
        Conference.Handle = conference;
        if (!announceOwnCall(conference))
            return false;
    }
    Conference.ConsultCall = consult;
    if (!announceOwnCall(consult))
        return false;
    refreshConferencePanel();

    return dialConsultCall(name, consult, dialText, TlkRequestSlot::ConferenceDial, fail);
}

bool TlkLineInternal::TransferDial() {
    const std::string name = "Transfer.Dial";
    const DWORD primary = Transfer.PrimaryCall;
    log().Add(1, name + " [" + Hex8(primary) + "]");
    log().Add(0, "\tTransfer.PhoneNumber = " + Transfer.PhoneNumber);
    const std::string dialText = UnformatNumber(Device.UnformatPhoneNumber, Transfer.PhoneNumber);
    const TlkLifeGuard guard = lifeGuard();
    Error().Clear();
    if (primary == 0) {
        FillErrorStrings(LINEERR_CALLUNAVAIL);
        return guard && finishGroupRequest(name, false);
    }
    TlkCallRecord* consultRecord = AddCallRecord(TlkRecordKind::ByHandle, 0);
    consultRecord->PhoneNumber = dialText;
    DWORD consult = 0;
    auto fail = [&](bool waited) {
        return failGroupDial(name, primary, waited, [&] {
            forgetOwnCall(consultRecord, consult);
            ResetTransfer();
        });
    };

    const LINECALLPARAMS* params = BuildCallParams(Transfer.Parameters, Transfer.CallParams);
    HCALL* consultCell = newHandleCell();
    const LONG setUp = lineSetupTransfer(primary, consultCell, params);
    keepCellForReply(consultCell, setUp);
    const TlkReply reply = awaitRequest(consultRecord, TlkRequestSlot::TransferSetup, setUp);
    if (!guard)
        return false;
    if (reply.outcome == TlkReplyOutcome::Abandoned)
        return finishGroupRequest(name, false);
    consult = reply.succeeded() ? takeCreatedCall(setUp) : 0;
    if (consult != 0)
        consultRecord = nullptr;  // found by its handle from here on
    if (consult == 0 || !FindCallRecord(consult)) {
        if (reply.succeeded())
            FillErrorStrings(LINEERR_INVALCALLHANDLE);
        return guard && fail(setUp > 0);
    }
    Transfer.ConsultCall = consult;
    refreshTransferPanel();
    if (!announceOwnCall(consult))
        return false;

    if (!Call.WaitForFlag(consult, ReadyToDialStates)) {
        if (!guard)
            return false;
        FillErrorStrings(TAPIREPLYTIMEOUT);
        return guard && fail(true);
    }
    return dialConsultCall(name, consult, dialText, TlkRequestSlot::TransferDial, fail);
}

// ---- the calls of a set-up group ----

bool TlkLineInternal::ConferenceSwapHold() {
    return swapHold("Conference", Conference.PrimaryCall, Conference.ConsultCall);
}

bool TlkLineInternal::TransferSwapHold() {
    return swapHold("Transfer", Transfer.PrimaryCall, Transfer.ConsultCall);
}

bool TlkLineInternal::swapHold(const char* group, DWORD primary, DWORD consult) {
    const std::string name = std::string(group) + ".SwapHold";
    return pairRequest(name, name, primary, consult, [&] {
        const TlkLifeGuard guard = lifeGuard();
        Call.SetHandle(primary);
        // A primary that is no longer known has been reported by the switch.
        if (!guard || Call.Handle != primary)
            return false;
        // TAPI takes the active call first and the held one second: a connected primary is the
        // active one.
        const bool primaryActive = Call.GetCallState(primary) == LINECALLSTATE_CONNECTED;
        const LONG requestId =
            primaryActive ? lineSwapHold(primary, consult) : lineSwapHold(consult, primary);
        return awaitRequest(FindCallRecord(primary), TlkRequestSlot::SwapHold, requestId)
            .succeeded();
    });
}

bool TlkLineInternal::ConferenceAddCall() {
    const DWORD primary = Conference.PrimaryCall;
    const DWORD consult = Conference.ConsultCall;
    return pairRequest(
        "Conference.AddCall", "Conference.AddCall [" + Hex8(primary) + "] [" + Hex8(consult) + "]",
        primary, consult, [&] {
            const LONG requestId = lineAddToConference(Conference.Handle, consult);
            return awaitRequest(FindCallRecord(consult), TlkRequestSlot::ConferenceAdd, requestId)
                .succeeded();
        });
}

bool TlkLineInternal::TransferComplete() {
    const DWORD primary = Transfer.PrimaryCall;
    const DWORD consult = Transfer.ConsultCall;
    return pairRequest(
        "Transfer.Complete", "Transfer.Complete [" + Hex8(primary) + "]", primary, consult, [&] {
            const LONG requestId =
                lineCompleteTransfer(primary, consult, nullptr, LINETRANSFERMODE_TRANSFER);
            return awaitRequest(FindCallRecord(primary), TlkRequestSlot::TransferComplete,
                                requestId)
                .succeeded();
        });
}

bool TlkLineInternal::TransferThreeWay() {
    const DWORD primary = Transfer.PrimaryCall;
    const DWORD consult = Transfer.ConsultCall;
    return pairRequest(
        "Transfer.ThreeWay", "Transfer.ThreeWay [" + Hex8(primary) + "]", primary, consult, [&] {
            const TlkLifeGuard guard = lifeGuard();
            TlkCallRecord* record = AddCallRecord(TlkRecordKind::ByHandle, 0);
            HCALL* cell = newHandleCell();
            const LONG requestId =
                lineCompleteTransfer(primary, consult, cell, LINETRANSFERMODE_CONFERENCE);
            keepCellForReply(cell, requestId);
            const TlkReply reply = awaitRequest(record, TlkRequestSlot::ThreeWay, requestId);
            if (!guard)
                return false;
            const DWORD conference = reply.succeeded() ? takeCreatedCall(requestId) : 0;
            if (conference != 0) {
                Transfer.ThreeWayCall = conference;
                Call.SetHandle(conference);
            } else if (reply.outcome != TlkReplyOutcome::Abandoned) {
                RemoveCallRecord(record);
            }
            if (guard)
                refreshTransferPanel();
            return conference != 0;
        });
}

bool TlkLineInternal::pairRequest(const std::string& name, const std::string& headline,
                                  DWORD primary, DWORD consult, const std::function<bool()>& act) {
    log().Add(1, headline);
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    bool done = false;
    if (primary == 0 || consult == 0) {
        FillErrorStrings(LINEERR_INVALCALLHANDLE);
    } else {
        done = act();
    }
    return guard && finishGroupRequest(name, done);
}

// ---- shared steps ----

bool TlkLineInternal::dialConsultCall(const std::string& name, DWORD consult,
                                      const std::string& number, TlkRequestSlot slot,
                                      const std::function<bool(bool waited)>& fail) {
    const TlkLifeGuard guard = lifeGuard();
    const LONG dial = lineDial(consult, number.c_str(), 0);
    const TlkReply dialed = awaitRequest(FindCallRecord(consult), slot, dial);
    if (!guard)
        return false;
    if (dialed.outcome == TlkReplyOutcome::Abandoned)
        return finishGroupRequest(name, false);
    if (!dialed.succeeded())
        return fail(dial > 0);
    Error().Clear();
    return finishGroupRequest(name, true);
}

// A wait that failed is logged before its calls go; a refusal after.
bool TlkLineInternal::failGroupDial(const std::string& name, DWORD primary, bool waited,
                                    const std::function<void()>& undo) {
    const TlkLifeGuard guard = lifeGuard();
    if (waited)
        log().Add(1, returnedLine(name, false));
    // Making the primary current reads its status afresh, which clears the error record.
    const TlkError reason = Error();
    undo();
    makePrimaryCurrent(primary);
    if (!guard)
        return false;
    Error() = reason;
    if (!waited)
        log().Add(1, returnedLine(name, false));
    return false;
}

bool TlkLineInternal::finishGroupRequest(const std::string& name, bool done) {
    log().Add(1, returnedLine(name, done));
    ReadDeviceStatus();
    ReadAddressStatus();
    SaveCallRecord(Call.Handle);
    auto& window = Vantage().observer<LineVantageObserver>();
    window.UpdateDeviceStatus();
    refreshCallPanels();
    return done;
}

bool TlkLineInternal::announceOwnCall(DWORD call) {
    const TlkLifeGuard guard = lifeGuard();
    const double began = core::now();
    if (TlkCallRecord* record = FindCallRecord(call)) {
        record->Owner = true;
        record->Began = began;
    }
    Call.SetHandle(call);
    if (!guard)
        return false;
    if (Call.Handle == call) {
        Call.Active = true;
        Call.Owner = true;
        Call.Began = began;
        SaveCallRecord(call);
    }
    log().Add(1, "OnCallBegin [" + Hex8(call) + "]");
    log().Add(0, "\tCall.Began = " + ClockText(began));
    return fireEvent(Popup.OnCallBegin, OnCallBegin, call);
}

void TlkLineInternal::adoptCall(TlkCallRecord* record, DWORD call) {
    // A message of the call may have made it known already, with a record of its own.
    const TlkCallRecord* known = FindCallRecord(call);
    if (known && known != record) {
        RemoveCallRecord(record);
    } else {
        record->Handle = call;
    }
    if (IndexOfCallHandle(call) < 0) {
        Call.List.push_back(Hex8(call));
        ++Call.Count;
    }
}

// `record` is one that never got its call (null once it did): a record with a handle is found by
// it, since it may have gone with its call meanwhile.
void TlkLineInternal::forgetOwnCall(TlkCallRecord* record, DWORD call) {
    if (call != 0) {
        RemoveCallHandle(call);
        // The last owner letting go of a call that is up drops it.
        DeallocateCall(call);
    }
    if (record)
        RemoveCallRecord(record);
}

void TlkLineInternal::makePrimaryCurrent(DWORD primary) {
    if (primary != 0 && IndexOfCallHandle(primary) > 0) {
        Call.SetHandle(primary);
    } else if (IndexOfCallHandle(Call.Handle) < 0) {
        SelectFirstCall();
    }
}
