// The Line engine's TAPI messages: each is logged when asked, handed to its handler, and turned
// into the control's events; call states keep the call records and the current call up to date.
#include <cstring>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/clock.h"

namespace {

// Each message lets the application handle what is pending, so a burst of queued messages
// nests one callback inside the other. Past this depth the pump is left to the callbacks further
// out, which deliver the rest in the same order without growing the stack.
constexpr int MaxNestedMessages = 32;
int g_messageDepth = 0;

constexpr DWORD SilenceTag = 0x89ABCDEF;
constexpr DWORD DataMediaModes =
    LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_G4FAX;
constexpr DWORD StatusChangingDevStates = LINEDEVSTATE_DISCONNECTED | LINEDEVSTATE_OPEN |
                                          LINEDEVSTATE_CLOSE | LINEDEVSTATE_NUMCALLS |
                                          LINEDEVSTATE_TERMINALS;

struct DepthCount {
    DepthCount() { ++g_messageDepth; }
    ~DepthCount() { --g_messageDepth; }
    DepthCount(const DepthCount&) = delete;
    DepthCount& operator=(const DepthCount&) = delete;
};

// OnTAPIMessage and OnTAPIReply reach the host whenever a handler is set, Events or not. A
// handler that fails has still been given the event.
template <class Handler, class... Args>
bool fireUnconditionally(TlkLineInternal& line, const Handler& handler, Args... args) {
    if (!handler)
        return true;
    const TlkLifeGuard guard = line.lifeGuard();
    try {
        handler(line, args...);
    } catch (...) {
    }
    return guard.alive();
}

// What a reply does besides ending its operation's wait: report its result, and for requests
// that create a call, list the new call.
enum class ReplyAction { Report, ListCall, ListConferenceCall };
struct SlotReply {
    TlkRequestSlot slot;
    const char* suffix;
    ReplyAction action;
};
constexpr SlotReply slotReplies[] = {
    {TlkRequestSlot::Answer, " - Call.Answer", ReplyAction::Report},
    {TlkRequestSlot::Redirect, " - Call.Redirect", ReplyAction::Report},
    {TlkRequestSlot::Dial, " - Call.Dial", ReplyAction::Report},
    {TlkRequestSlot::MakeCall, " - Call.Dial", ReplyAction::ListCall},
    {TlkRequestSlot::Hangup, " - Call.Hangup", ReplyAction::Report},
    {TlkRequestSlot::Hold, " - Call.Hold", ReplyAction::Report},
    {TlkRequestSlot::Park, " - Call.Park", ReplyAction::Report},
    {TlkRequestSlot::Unhold, " - Call.Unhold", ReplyAction::Report},
    {TlkRequestSlot::Unpark, " - Call.Unpark", ReplyAction::ListCall},
    {TlkRequestSlot::ConferenceSetup, " - Conference.Dial (Setup)",
     ReplyAction::ListConferenceCall},
    {TlkRequestSlot::ConferenceDial, " - Conference.Dial (Dial)", ReplyAction::Report},
    {TlkRequestSlot::ConferenceAdd, " - Conference.AddCall", ReplyAction::Report},
    {TlkRequestSlot::Pickup, " - Call.Pickup", ReplyAction::ListCall},
    {TlkRequestSlot::TransferSetup, " - Transfer.Dial (Setup)", ReplyAction::ListCall},
    {TlkRequestSlot::TransferDial, " - Transfer.Dial (Dial)", ReplyAction::Report},
    {TlkRequestSlot::SwapHold, " - Transfer.SwapHold", ReplyAction::Report},
    {TlkRequestSlot::TransferComplete, " - Transfer.Complete", ReplyAction::Report},
    {TlkRequestSlot::ThreeWay, " - Transfer.ThreeWay", ReplyAction::ListCall},
    {TlkRequestSlot::Forward, " - Address.Forward.Active", ReplyAction::Report},
    {TlkRequestSlot::BlindTransfer, " - Call.Transfer", ReplyAction::Report},
};

const SlotReply& replyOf(TlkRequestSlot slot) {
    for (const SlotReply& row : slotReplies) {
        if (row.slot == slot)
            return row;
    }
    return slotReplies[0];
}

struct PartyEvent {
    const char* word;
    TlkLineInternal::CallEvent TlkLineInternal::*hook;
    bool TlkLinePopup::*popup;
};
constexpr PartyEvent partyEvents[PartyKindCount] = {
    {"Caller", &TlkLineInternal::OnCallerID, &TlkLinePopup::OnCallerID},
    {"Called", &TlkLineInternal::OnCalledID, &TlkLinePopup::OnCalledID},
    {"Connected", &TlkLineInternal::OnConnectedID, &TlkLinePopup::OnConnectedID},
    {"Redirection", &TlkLineInternal::OnRedirectionID, &TlkLinePopup::OnRedirectionID},
    {"Redirecting", &TlkLineInternal::OnRedirectingID, &TlkLinePopup::OnRedirectingID},
};
constexpr DWORD partyInfoStates[PartyKindCount] = {
    LINECALLINFOSTATE_CALLERID, LINECALLINFOSTATE_CALLEDID, LINECALLINFOSTATE_CONNECTEDID,
    LINECALLINFOSTATE_REDIRECTIONID, LINECALLINFOSTATE_REDIRECTINGID};

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace

// ---- the callback's part ----

void TlkLineInternal::lineMessage(DWORD device, DWORD message, DWORD_PTR param1, DWORD_PTR param2,
                                  DWORD_PTR param3) {
    const DepthCount depth;
    const TlkLifeGuard guard = lifeGuard();
    const DWORD p1 = static_cast<DWORD>(param1);
    const DWORD p2 = static_cast<DWORD>(param2);
    const DWORD p3 = static_cast<DWORD>(param3);
    if (!fireUnconditionally(*this, OnTAPIMessage, device, message, p1, p2, p3))
        return;
    if (Popup.OnTAPIMessage)
        LogTAPIMessage(device, message, "OnTAPIMessage", param1, param2, param3);
    Vantage().Popup(Popup.OnTAPIMessage);
    switch (message) {
        case LINE_ADDRESSSTATE:
            HandleAddressState(param1, param2);
            break;
        case LINE_CALLINFO:
            HandleCallInfo(device, param1, param2, param3);
            break;
        case LINE_CALLSTATE:
            HandleCallState(device, p1, p2);
            break;
        case LINE_CLOSE:
            HandleLineClose();
            break;
        case LINE_GATHERDIGITS:
            HandleGatherDigits(device, p1);
            break;
        case LINE_GENERATE:
            HandleGenerate(device);
            break;
        case LINE_LINEDEVSTATE:
            HandleLineDevState(p1, p2, p3);
            break;
        case LINE_MONITORDIGITS:
            HandleMonitorDigits(device, p1);
            break;
        case LINE_MONITORMEDIA:
            HandleMonitorMedia(device, p1);
            break;
        case LINE_MONITORTONE:
            HandleMonitorTone(device, p1);
            break;
        case LINE_REPLY:
            HandleReply(device, static_cast<LONG>(p1), static_cast<LONG>(p2), param3);
            break;
        case LINE_APPNEWCALL:
            HandleAppNewCall(p2);
            break;
        default:
            break;  // no handler; the message was offered through OnTAPIMessage
    }
    if (guard && g_messageDepth < MaxNestedMessages)
        core::DoEvents();
}

void TlkLineInternal::LogTAPIMessage(DWORD handle, DWORD message, const std::string& headline,
                                     DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
    log().Add(1, headline);
    log().Add(0, "\tCall = [" + Hex8(handle) + "]");
    log().Add(0, "\tMessage = [" + Hex8(message) + "]");
    log().Add(0, "\tParameter 1 = [" + Hex8(static_cast<DWORD>(p1)) + "]");
    log().Add(0, "\tParameter 2 = [" + Hex8(static_cast<DWORD>(p2)) + "]");
    log().Add(0, "\tParameter 3 = [" + Hex8(static_cast<DWORD>(p3)) + "]");
}

// ---- the line ----

void TlkLineInternal::HandleLineDevState(DWORD states, DWORD p2, DWORD p3) {
    if (states & LINEDEVSTATE_RINGING) {
        log().Add(1, "OnRing (" + std::to_string(p3) + ", " + std::to_string(p2) + ")");
        if (!fireEvent(Popup.OnRing, OnRing, static_cast<LONG>(p3), static_cast<LONG>(p2)))
            return;
    }
    if ((states & LINEDEVSTATE_MSGWAITON) && !fireEvent(Popup.OnMessageOn, OnMessageOn))
        return;
    if ((states & LINEDEVSTATE_MSGWAITOFF) && !fireEvent(Popup.OnMessageOff, OnMessageOff))
        return;
    auto& window = Vantage().observer<LineVantageObserver>();
    if (states & LINEDEVSTATE_DEVSPECIFIC) {
        const TlkVarStructure caps = ReadDeviceCaps(static_cast<DWORD>(Device.ID), TAPI.ApiVersion);
        if (caps.result == 0)
            copyDevSpecific(caps);
        window.UpdateDeviceStatus();
    }
    if (states & StatusChangingDevStates) {
        ReadDeviceStatus();
        ReadAddressStatus();
    }
    if (states & LINEDEVSTATE_DISCONNECTED) {
        log().Add(1, "TAPI LINEDEVSTATE_DISCONNECTED message received");
        // The line is still open at TAPI: it is closed properly, so no further message arrives
        // for a device this control reports inactive.
        const TlkLifeGuard guard = lifeGuard();
        CloseDevice(false);
        if (!guard)
            return;
        window.UpdateDeviceStatus();
        refreshCallPanels();
    }
}

void TlkLineInternal::HandleLineClose() {
    log().Add(1, "TAPI LINE_CLOSE message received");
    const TlkLifeGuard guard = lifeGuard();
    CloseDevice(true);
    if (!guard)
        return;
    Vantage().observer<LineVantageObserver>().UpdateDeviceStatus();
    refreshCallPanels();
}

void TlkLineInternal::HandleAddressState(DWORD_PTR address, DWORD_PTR states) {
    ReadAddressStatus();
    if (states & LINEADDRESSSTATE_FORWARD) {
        log().Add(1, "OnAddressForward (" + std::to_string(static_cast<DWORD>(address)) + ")");
        if (!fireEvent(Popup.OnAddressForward, OnAddressForward, static_cast<LONG>(address)))
            return;
    }
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
}

void TlkLineInternal::HandleAppNewCall(DWORD call) {
    if (!FindCallRecord(call))
        BeginCall(call);
}

// ---- call information ----

void TlkLineInternal::HandleCallInfo(DWORD call, DWORD_PTR states, DWORD_PTR p2, DWORD_PTR p3) {
    const TlkLifeGuard guard = lifeGuard();
    if (!FindCallRecord(call)) {
        BeginCall(call);
        if (!guard)
            return;
    }
    const DWORD infoStates = static_cast<DWORD>(states);
    ReadCallInfo(call, infoStates);
    if (Popup.OnCallInfo) {
        LogTAPIMessage(call, LINE_CALLINFO, "OnCallInfo [" + Hex8(call) + "]", states, p2, p3);
    }
    if (!fireEvent(Popup.OnCallInfo, OnCallInfo, call))
        return;
    // Each party's handler runs once its identity is stored, then the log shows what was read.
    for (int kind = 0; kind < PartyKindCount; ++kind) {
        if (!(infoStates & partyInfoStates[kind]))
            continue;
        const PartyEvent& event = partyEvents[kind];
        if (!fire(this->*event.hook, *this, call))
            return;
        const TlkCallRecord* record = FindCallRecord(call);
        LogPartyID(call, record ? record->Parties[kind] : TlkPartyRecord{}, event.word);
        Vantage().Popup(Popup.*event.popup);
    }
}

void TlkLineInternal::LogPartyID(DWORD handle, const TlkPartyRecord& party, const char* word) {
    const std::string path = std::string("\tCall.") + word + "ID.";
    log().Add(1, std::string("On") + word + "ID [" + Hex8(handle) + "]");
    log().Add(0, path + "Blocked = " + TlkVantage::BooleanText(party.Blocked));
    log().Add(0, path + "Name = " + quoted(party.Name));
    log().Add(0, path + "Number = " + quoted(party.Number));
    log().Add(0, path + "OutOfArea = " + TlkVantage::BooleanText(party.OutOfArea));
    log().Add(0, path + "Flags = [" + Hex8(party.Flags) + "]");
    for (DWORD bit = LINECALLPARTYID_BLOCKED; bit <= LINECALLPARTYID_UNAVAIL; bit <<= 1) {
        if (party.Flags & bit)
            log().Add(0, "\t\t" + LineCallPartyIDName(static_cast<LONG>(bit)));
    }
}

// ---- call states ----

void TlkLineInternal::HandleCallState(DWORD call, DWORD state, DWORD mode) {
    const TlkLifeGuard guard = lifeGuard();
    if (call == Call.Handle) {
        Call.State = state;
        Call.StateMode = mode;
    }
    if (Popup.OnCallState) {
        log().Add(1, "OnCallState [" + Hex8(call) + "]");
        log().Add(0, "\tCall.State = " + LineCallStateName(static_cast<LONG>(state)) + " [" +
                         Hex8(state) + "]");
        log().Add(0, "\tCall.StateMode = " +
                         CallStateModeName(static_cast<LONG>(state), static_cast<LONG>(mode)) +
                         " [" + Hex8(mode) + "]");
    }
    if (!fireEvent(Popup.OnCallState, OnCallState, call))
        return;
    if (TlkCallRecord* record = FindCallRecord(call)) {
        record->State = state;
        record->StateMode = mode;
        const bool ownerBefore = record->Owner;
        if (call == Call.Handle) {
            RefreshCallStatus();
            if (!guard)
                return;
            ReadCallInfo(call, 0);
        }
        record = FindCallRecord(call);
        if (record && record->Owner != ownerBefore &&
            !FireCallEvent("OnCallOwnerChange", Popup.OnCallOwnerChange, call, OnCallOwnerChange)) {
            return;
        }
    }
    if (!callStateStep(call, state, mode))
        return;
    if (call == Call.Handle)
        RestoreCallRecord(call);
    refreshCallPanels();
    if (state == LINECALLSTATE_IDLE) {
        if (FindCallRecord(call) && !idleStep(call))
            return;
        if (call == Call.Handle) {
            core::DoEvents();
            if (!guard)
                return;
            if (call == Call.Handle)
                SelectFirstCall();
            if (!guard)
                return;
        }
    }
    refreshCallPanels();
}

bool TlkLineInternal::FireCallEvent(const char* name, bool popupFlag, DWORD call,
                                    const CallEvent& hook) {
    log().Add(1, std::string(name) + " [" + Hex8(call) + "]");
    return fireEvent(popupFlag, hook, call);
}

// The state's own step. False when the control went away meanwhile.
bool TlkLineInternal::callStateStep(DWORD call, DWORD state, DWORD mode) {
    const TlkLifeGuard guard = lifeGuard();
    switch (state) {
        case LINECALLSTATE_OFFERING:
            BeginCall(call);
            return guard && FireCallEvent("OnOffering", Popup.OnOffering, call, OnOffering);
        case LINECALLSTATE_DIALTONE:
            if (TlkCallRecord* record = BeginCall(call))
                record->DialToneMode = LOWORD(mode);
            return guard && FireCallEvent("OnDialTone", Popup.OnDialtone, call, OnDialtone);
        case LINECALLSTATE_DIALING:
            return FireCallEvent("OnDialing", Popup.OnDialing, call, OnDialing);
        case LINECALLSTATE_RINGBACK:
            return FireCallEvent("OnRingBack", Popup.OnRingBack, call, OnRingBack);
        case LINECALLSTATE_BUSY:
            if (TlkCallRecord* record = FindCallRecord(call))
                record->BusyMode = LOWORD(mode);
            return FireCallEvent("OnBusy", Popup.OnBusy, call, OnBusy);
        case LINECALLSTATE_SPECIALINFO:
            if (TlkCallRecord* record = FindCallRecord(call))
                record->SpecialInfo = LOWORD(mode);
            return FireCallEvent("OnSpecialInfo", Popup.OnSpecialInfo, call, OnSpecialInfo);
        case LINECALLSTATE_CONNECTED:
            return connectedStep(call);
        case LINECALLSTATE_PROCEEDING: {
            if (!FireCallEvent("OnProceeding", Popup.OnProceeding, call, OnProceeding))
                return false;
            const TlkCallRecord* record = FindCallRecord(call);
            if (record && record->Origin == LINECALLORIGIN_OUTBOUND && record->Owner)
                ReapplyMonitors(call, false, true);
            return guard.alive();
        }
        case LINECALLSTATE_ONHOLD:
            return FireCallEvent("OnHold", Popup.OnHold, call, OnHold);
        case LINECALLSTATE_CONFERENCED:
            return FireCallEvent("OnConferenced", Popup.OnConferenced, call, OnConferenced);
        case LINECALLSTATE_ONHOLDPENDCONF:
            return FireCallEvent("OnHoldPendingConference", Popup.OnHoldPendingConference, call,
                                 OnHoldPendingConference);
        case LINECALLSTATE_ONHOLDPENDTRANSFER:
            return FireCallEvent("OnHoldPendingTransfer", Popup.OnHoldPendingTransfer, call,
                                 OnHoldPendingTransfer);
        case LINECALLSTATE_DISCONNECTED:
            return disconnectedStep(call, mode);
        default:
            return true;  // IDLE comes after the common steps; ACCEPTED and others do nothing
    }
}

bool TlkLineInternal::connectedStep(DWORD call) {
    const TlkLifeGuard guard = lifeGuard();
    log().Add(1, "OnConnected [" + Hex8(call) + "]");
    BeginCall(call);
    if (!guard)
        return false;
    TlkCallRecord* record = FindCallRecord(call);
    // The comm handle is taken for this call, so this call's own media mode decides, not that
    // of whichever call happens to be current.
    if (record && Comm.Enabled && (record->MediaMode & DataMediaModes) && Comm.Handle == 0)
        openCommHandle(call);
    if (record) {
        record->Connected = core::now();
        if (call == Call.Handle)
            Call.Connected = record->Connected;
        // Monitors asked for before the call connected start now, on this call.
        if (record->Owner)
            ReapplyMonitors(call, true, record->Origin != LINECALLORIGIN_OUTBOUND);
        if (!guard)
            return false;
    }
    return fireEvent(Popup.OnConnected, OnConnected, call);
}

bool TlkLineInternal::disconnectedStep(DWORD call, DWORD mode) {
    closeCommHandle();
    const DWORD disconnectMode = LOWORD(mode);
    if (TlkCallRecord* record = FindCallRecord(call))
        record->DisconnectMode = disconnectMode;
    if (disconnectMode == LINEDISCONNECTMODE_BUSY) {
        if (TlkCallRecord* record = FindCallRecord(call))
            record->BusyMode = LINEBUSYMODE_UNAVAIL;
        if (!FireCallEvent("OnBusy", Popup.OnBusy, call, OnBusy))
            return false;
    }
    if (TlkCallRecord* record = FindCallRecord(call)) {
        record->Disconnected = core::now();
        if (call == Call.Handle)
            Call.Disconnected = record->Disconnected;
    }
    return FireCallEvent("OnDisconnected", Popup.OnDisconnected, call, OnDisconnected);
}

// The call is over: TAPI lets go of it, the control forgets it, and OnCallEnd and OnIdle follow.
bool TlkLineInternal::idleStep(DWORD call) {
    const TlkLifeGuard guard = lifeGuard();
    closeCommHandle();
    if (DeallocateCall(call) == 0) {
        core::DoEvents();
        if (!guard)
            return false;
        // Ended only when it is still known: a line closed meanwhile has forgotten every call.
        if (TlkCallRecord* record = FindCallRecord(call)) {
            record->Ended = core::now();
            const double ended = record->Ended;
            if (call == Call.Handle)
                Call.Ended = ended;
            RemoveCallHandle(call);
            if (call == Transfer.ConsultCall)
                ResetTransfer();
            // A member that ended leaves the conference list too, so the list and its count
            // never name a call TAPI has let go.
            if (call == Conference.Handle)
                ResetConference();
            else
                RemoveConferenceMember(call);
            refreshCallPanels();
            log().Add(1, "OnCallEnd [" + Hex8(call) + "]");
            log().Add(0, "\tCall.Ended = " + ClockText(ended));
            if (!fireEvent(Popup.OnCallEnd, OnCallEnd, call))
                return false;
        }
    }
    if (call == Call.Handle)
        Call.Active = false;
    log().Add(1, "OnCallIdle [" + Hex8(call) + "]");
    // A delay below 0 cannot be timed: OnIdle then follows at once, as with 0.
    if (Device.IdleDelay > 0) {
        m_idleTimer.setInterval(static_cast<DWORD>(Device.IdleDelay));
        m_idleTimer.setEnabled(true);
        log().Add(1, "\tDelaying");
        log().Add(0, "\t\tlkLine.Device.IdleDelay = " + std::to_string(Device.IdleDelay) +
                         " //milliseconds");
    } else if (!fire(OnIdle, *this, call)) {
        return false;
    }
    ReadDeviceStatus();
    ReadAddressStatus();
    return true;
}

// ---- digits, tones, media ----

void TlkLineInternal::HandleGatherDigits(DWORD call, DWORD termination) {
    std::string digits;
    LONG tag = 0;
    if (TlkCallRecord* record = FindCallRecord(call)) {
        if (record->GatherRequests > 0)
            --record->GatherRequests;
        // The end of a request that a restart replaced: the newer one still gathers.
        if (record->GatherRequests > 0)
            return;
        record->GatherDigits.Active = false;
        digits.assign(record->Digits, strnlen(record->Digits, sizeof record->Digits));
        tag = record->Tag;
    }
    log().Add(1, "OnDigitsGathered [" + Hex8(call) + "] " + quoted(digits) + " [" +
                     Hex8(termination) + "]");
    if (call == Call.Handle) {
        Call.GatherDigits.Active = false;
        Vantage().observer<LineVantageObserver>().ShowGatheredDigits(digits);
    }
    fireEvent(Popup.OnDigitsGathered, OnDigitsGathered, call, digits,
              static_cast<LONG>(termination), tag);
}

void TlkLineInternal::HandleMonitorDigits(DWORD call, DWORD digit) {
    const char character = static_cast<char>(digit & 0xFF);
    const TlkCallRecord* record = FindCallRecord(call);
    const LONG tag = record ? record->Tag : 0;
    log().Add(1,
              "OnDigitReceived [" + Hex8(call) + "] (" + quoted(std::string(1, character)) + ")");
    Vantage().observer<LineVantageObserver>().ShowReceivedDigit(std::string(1, character));
    fireEvent(Popup.OnDigitReceived, OnDigitReceived, call, static_cast<LONG>(digit & 0xFF), tag);
}

void TlkLineInternal::HandleMonitorMedia(DWORD call, DWORD mediaMode) {
    if (TlkCallRecord* record = FindCallRecord(call))
        record->MediaMode = mediaMode;
    // Another call's media mode is kept in its record until that call becomes current.
    if (call == Call.Handle)
        Call.MediaMode = mediaMode;
    log().Add(1, "OnCallMediaModeChange [" + Hex8(call) + "]");
    if (Comm.Enabled && call == Call.Handle && (Call.MediaMode & DataMediaModes) &&
        Comm.Handle == 0) {
        openCommHandle(call);
    }
    if (!fireEvent(Popup.OnCallMediaModeChange, OnCallMediaModeChange, call))
        return;
    refreshCallPanels();
}

void TlkLineInternal::HandleMonitorTone(DWORD call, DWORD value) {
    if (value != SilenceTag)
        return;
    FireCallEvent("OnSilence", Popup.OnSilence, call, OnSilence);
}

void TlkLineInternal::HandleGenerate(DWORD call) {
    if (GenerateKind == 1) {
        FireCallEvent("OnDigitsSent", Popup.OnDigitsSent, call, OnDigitsSent);
    } else {
        FireCallEvent("OnToneSent", Popup.OnToneSent, call, OnToneSent);
    }
}

// ---- replies ----

void TlkLineInternal::HandleReply(DWORD device, LONG requestId, LONG result, DWORD_PTR p3) {
    const TlkLifeGuard guard = lifeGuard();
    // The waiting operation judges its own result from this, whatever the error record holds
    // by the time it looks.
    TAPI.replyArrived(requestId, result);
    const std::string suffix = resolveReply(requestId, result);
    if (!guard)
        return;
    if (!fireUnconditionally(*this, OnTAPIReply, requestId, result, static_cast<LONG>(p3)))
        return;
    if (Popup.OnTAPIReply) {
        LogTAPIMessage(device, LINE_REPLY, "OnTAPIReply" + suffix, static_cast<DWORD>(requestId),
                       static_cast<DWORD>(result), p3);
    }
    Vantage().Popup(Popup.OnTAPIReply);
}

// Finds who waits for the reply, records its outcome, and returns the log suffix naming it.
std::string TlkLineInternal::resolveReply(LONG requestId, LONG result) {
    if (requestId == 0)
        return {};
    // A conference set-up creates two calls: the first cell bound to the request holds the call
    // its record asked for, any other one a call that goes with it.
    std::vector<HCALL> created;
    for (auto it = m_handleCells.begin(); it != m_handleCells.end();) {
        if (it->Request == requestId) {
            created.push_back(it->Handle);
            it = m_handleCells.erase(it);
        } else {
            ++it;
        }
    }
    const bool cellFound = !created.empty();
    const DWORD newCall = cellFound ? created.front() : 0;
    const SlotReply* row = nullptr;
    TlkCallRecord* record = FindCallRecordByRequest(requestId);
    if (record) {
        for (const SlotReply& candidate : slotReplies) {
            if (record->slot(candidate.slot) == requestId) {
                row = &candidate;
                record->slot(candidate.slot) = 0;
                break;
            }
        }
    } else if (auto orphan = m_orphanRequests.find(requestId); orphan != m_orphanRequests.end()) {
        row = &replyOf(orphan->second);
        m_orphanRequests.erase(orphan);
    } else if (Terminal.PendingRequest == requestId) {
        Terminal.PendingRequest = 0;
        result == 0 ? Error().Clear() : FillErrorStrings(result);
        return " - Terminal.ActiveModes";
    }
    if (!row)
        return {};
    if (result != 0) {
        FillErrorStrings(result);
        return row->suffix;
    }
    Error().Clear();
    if (row->action == ReplyAction::Report)
        return row->suffix;
    if (!record) {
        // Its operation gave up waiting and forgot the call it asked for: the call is let go
        // rather than left up where nobody can see it.
        for (HCALL call : created) {
            if (call != 0)
                lineDeallocateCall(call);
        }
        return row->suffix;
    }
    if (cellFound) {
        record->Handle = newCall;
        m_createdCalls[requestId] = newCall;
    }
    if (record->Handle != 0 && IndexOfCallHandle(record->Handle) < 0) {
        Call.List.push_back(Hex8(record->Handle));
        ++Call.Count;
    }
    if (row->action == ReplyAction::ListConferenceCall) {
        Conference.List.push_back(Hex8(record->Handle));
        ++Conference.Count;
    }
    return row->suffix;
}
