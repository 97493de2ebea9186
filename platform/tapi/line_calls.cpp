// The line functions that act on calls: the asynchronous operations (a request ID now, LINE_REPLY
// later), privileges and hand-off, and the digit, tone and media functions.
#include <cstddef>
#include <cstring>

#include "platform/tapi/line_api.h"

using namespace tapi;
using namespace tapi::detail;

namespace {

constexpr DWORD kAnyDialingState = LINECALLSTATE_DIALTONE | LINECALLSTATE_DIALING |
                                   LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK |
                                   LINECALLSTATE_CONNECTED;
constexpr DWORD kHeldStates =
    LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDTRANSFER | LINECALLSTATE_ONHOLDPENDCONF;

// Reads the call parameters an application passed (nullptr: a default voice call on address 0).
LONG readCallParams(const LINECALLPARAMS* params, const LineDescription& line, Request& request) {
    request.mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    request.value = LINEBEARERMODE_VOICE;
    if (!params)
        return 0;
    if (params->dwTotalSize < sizeof(LINECALLPARAMS))
        return LINEERR_STRUCTURETOOSMALL;
    const DWORD bearer = params->dwBearerMode ? params->dwBearerMode : LINEBEARERMODE_VOICE;
    const DWORD media = params->dwMediaMode ? params->dwMediaMode : LINEMEDIAMODE_INTERACTIVEVOICE;
    if (!singleBit(bearer) || !(bearer & line.caps.dwBearerModes))
        return LINEERR_INVALBEARERMODE;
    if (media & ~line.caps.dwMediaModes)
        return LINEERR_INVALMEDIAMODE;
    if (params->dwAddressMode != LINEADDRESSMODE_DIALABLEADDR) {
        if (params->dwAddressID >= line.addresses.size())
            return LINEERR_INVALADDRESSID;
        request.address = params->dwAddressID;
    }
    request.mediaMode = media;
    request.value = bearer;
    request.noAnswerTimeout = params->dwNoAnswerTimeout;
    return 0;
}

LONG checkDestination(const char* text, bool required) {
    if (!text)
        return required ? LINEERR_INVALPOINTER : 0;
    return validDialString(text) ? 0 : LINEERR_INVALADDRESS;
}

Request requestFor(Op op, const char* function, const CallHandle& h, const CallDescription& d) {
    Request r;
    r.op = op;
    r.function = function;
    r.device = d.device;
    r.address = d.address;
    r.call = h.call;
    return r;
}

const LineOpen& lineOf(const CallHandle& h) {
    return *api().line(h.line);
}

// The common shape of an operation on one owned call in given states.
LONG callOperation(const char* function, Op op, HCALL hCall, DWORD states, const char* text,
                   bool textRequired) {
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    if (const LONG rc = checkDestination(text, textRequired))
        return rc;
    if (!inStates(d->state, states))
        return LINEERR_INVALCALLSTATE;
    Request r = requestFor(op, function, *h, *d);
    if (text)
        r.text = text;
    return api().submit(lineOf(*h), r, {});
}

LONG lineForAddress(HLINE hLine, DWORD address, LineOpen** open, const LineDescription** d) {
    *open = api().line(hLine);
    if (!*open)
        return LINEERR_INVALLINEHANDLE;
    *d = provider().line((*open)->device);
    if (!*d)
        return LINEERR_INVALLINEHANDLE;
    if (address >= (*d)->addresses.size())
        return LINEERR_INVALADDRESSID;
    return 0;
}

LONG checkDigitModes(DWORD modes, DWORD allowed, const LineDescription& line) {
    if (modes & ~allowed)
        return LINEERR_INVALDIGITMODE;
    if (modes & line.unsupportedDigitModes)
        return LINEERR_INVALDIGITMODE;
    return 0;
}

}  // namespace

// ---- making and answering calls ----

LONG lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress, DWORD,
                  const LINECALLPARAMS* lpCallParams) {
    TAPI_INJECTED("lineMakeCall");
    LineOpen* open = nullptr;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineForAddress(hLine, 0, &open, &d))
        return rc;
    if (!lphCall)
        return LINEERR_INVALPOINTER;
    if (const LONG rc = checkDestination(lpszDestAddress, false))
        return rc;
    Request r;
    r.op = Op::MakeCall;
    r.function = "lineMakeCall";
    r.device = open->device;
    if (const LONG rc = readCallParams(lpCallParams, *d, r))
        return rc;
    if (lpszDestAddress)
        r.text = lpszDestAddress;
    return api().submit(*open, r, {lphCall});
}

LONG lineDial(HCALL hCall, const char* lpszDestAddress, DWORD) {
    TAPI_INJECTED("lineDial");
    return callOperation("lineDial", Op::Dial, hCall, kAnyDialingState, lpszDestAddress, true);
}

LONG lineAnswer(HCALL hCall, const char*, DWORD) {
    TAPI_INJECTED("lineAnswer");
    return callOperation("lineAnswer", Op::Answer, hCall,
                         LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED, nullptr, false);
}

LONG lineDrop(HCALL hCall, const char*, DWORD) {
    TAPI_INJECTED("lineDrop");
    return callOperation("lineDrop", Op::Drop, hCall, ~LINECALLSTATE_IDLE, nullptr, false);
}

LONG lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD) {
    TAPI_INJECTED("lineRedirect");
    return callOperation("lineRedirect", Op::Redirect, hCall, LINECALLSTATE_OFFERING,
                         lpszDestAddress, true);
}

LONG linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
              VARSTRING* lpNonDirAddress) {
    TAPI_INJECTED("linePark");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    if (dwParkMode != LINEPARKMODE_DIRECTED && dwParkMode != LINEPARKMODE_NONDIRECTED) {
        return LINEERR_INVALPARKMODE;
    }
    if (dwParkMode == LINEPARKMODE_DIRECTED) {
        if (const LONG rc = checkDestination(lpszDirAddress, true))
            return rc;
    } else {
        if (!lpNonDirAddress)
            return LINEERR_INVALPOINTER;
        if (lpNonDirAddress->dwTotalSize < sizeof(VARSTRING))
            return LINEERR_STRUCTURETOOSMALL;
    }
    if (d->state != LINECALLSTATE_CONNECTED)
        return LINEERR_INVALCALLSTATE;
    Request r = requestFor(Op::Park, "linePark", *h, *d);
    r.mode = dwParkMode;
    if (dwParkMode == LINEPARKMODE_DIRECTED)
        r.text = lpszDirAddress;
    return api().submit(lineOf(*h), r, {},
                        dwParkMode == LINEPARKMODE_NONDIRECTED ? lpNonDirAddress : nullptr);
}

LONG lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress) {
    TAPI_INJECTED("lineUnpark");
    LineOpen* open = nullptr;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineForAddress(hLine, dwAddressID, &open, &d))
        return rc;
    if (!lphCall)
        return LINEERR_INVALPOINTER;
    if (const LONG rc = checkDestination(lpszDestAddress, true))
        return rc;
    Request r;
    r.op = Op::Unpark;
    r.function = "lineUnpark";
    r.device = open->device;
    r.address = dwAddressID;
    r.text = lpszDestAddress;
    return api().submit(*open, r, {lphCall});
}

LONG linePickup(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress,
                const char* lpszGroupID) {
    TAPI_INJECTED("linePickup");
    LineOpen* open = nullptr;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineForAddress(hLine, dwAddressID, &open, &d))
        return rc;
    if (!lphCall)
        return LINEERR_INVALPOINTER;
    if (const LONG rc = checkDestination(lpszDestAddress, false))
        return rc;
    if (lpszGroupID && !validDialString(lpszGroupID))
        return LINEERR_INVALGROUPID;
    Request r;
    r.op = Op::Pickup;
    r.function = "linePickup";
    r.device = open->device;
    r.address = dwAddressID;
    if (lpszDestAddress)
        r.text = lpszDestAddress;
    return api().submit(*open, r, {lphCall});
}

// ---- holding, transferring and conferencing ----

LONG lineHold(HCALL hCall) {
    TAPI_INJECTED("lineHold");
    return callOperation("lineHold", Op::Hold, hCall, LINECALLSTATE_CONNECTED, nullptr, false);
}

LONG lineUnhold(HCALL hCall) {
    TAPI_INJECTED("lineUnhold");
    return callOperation("lineUnhold", Op::Unhold, hCall, LINECALLSTATE_ONHOLD, nullptr, false);
}

LONG lineBlindTransfer(HCALL hCall, const char* lpszDestAddress, DWORD) {
    TAPI_INJECTED("lineBlindTransfer");
    return callOperation("lineBlindTransfer", Op::BlindTransfer, hCall,
                         LINECALLSTATE_CONNECTED | LINECALLSTATE_OFFERING, lpszDestAddress, true);
}

LONG lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) {
    TAPI_INJECTED("lineSetupTransfer");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    if (!lphConsultCall)
        return LINEERR_INVALPOINTER;
    if (d->state != LINECALLSTATE_CONNECTED)
        return LINEERR_INVALCALLSTATE;
    Request r = requestFor(Op::SetupTransfer, "lineSetupTransfer", *h, *d);
    if (const LONG rc = readCallParams(lpCallParams, *provider().line(d->device), r))
        return rc;
    return api().submit(lineOf(*h), r, {lphConsultCall});
}

LONG lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall,
                          DWORD dwTransferMode) {
    TAPI_INJECTED("lineCompleteTransfer");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    CallHandle* consult = api().callHandle(hConsultCall);
    if (!consult || consult->line != h->line)
        return LINEERR_INVALCONSULTCALLHANDLE;
    if (dwTransferMode != LINETRANSFERMODE_TRANSFER &&
        dwTransferMode != LINETRANSFERMODE_CONFERENCE) {
        return LINEERR_INVALTRANSFERMODE;
    }
    if (dwTransferMode == LINETRANSFERMODE_CONFERENCE && !lphConfCall) {
        return LINEERR_INVALPOINTER;
    }
    Request r = requestFor(Op::CompleteTransfer, "lineCompleteTransfer", *h, *d);
    r.otherCall = consult->call;
    r.mode = dwTransferMode;
    std::vector<HCALL*> cells;
    if (dwTransferMode == LINETRANSFERMODE_CONFERENCE)
        cells.push_back(lphConfCall);
    return api().submit(lineOf(*h), r, cells);
}

LONG lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall, HCALL* lphConsultCall,
                         DWORD dwNumParties, const LINECALLPARAMS* lpCallParams) {
    TAPI_INJECTED("lineSetupConference");
    Request r;
    r.op = Op::SetupConference;
    r.function = "lineSetupConference";
    const LineOpen* open = nullptr;
    if (hCall) {
        CallHandle* h = nullptr;
        const CallDescription* d = nullptr;
        if (const LONG rc = ownedCall(hCall, &h, &d))
            return rc;
        if (d->state != LINECALLSTATE_CONNECTED)
            return LINEERR_INVALCALLSTATE;
        r = requestFor(Op::SetupConference, "lineSetupConference", *h, *d);
        open = &lineOf(*h);
    } else {
        open = api().line(hLine);
        if (!open)
            return LINEERR_INVALLINEHANDLE;
        r.device = open->device;
    }
    if (!lphConfCall || !lphConsultCall)
        return LINEERR_INVALPOINTER;
    if (dwNumParties < 2)
        return LINEERR_INVALPARAM;
    r.value2 = dwNumParties;
    if (const LONG rc = readCallParams(lpCallParams, *provider().line(r.device), r))
        return rc;
    return api().submit(*open, r, {lphConfCall, lphConsultCall});
}

LONG linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                const LINECALLPARAMS* lpCallParams) {
    TAPI_INJECTED("linePrepareAddToConference");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hConfCall, &h, &d)) {
        return rc == LINEERR_INVALCALLHANDLE ? LINEERR_INVALCONFCALLHANDLE : rc;
    }
    if (!lphConsultCall)
        return LINEERR_INVALPOINTER;
    if (!inStates(d->state, LINECALLSTATE_CONNECTED | LINECALLSTATE_ONHOLDPENDCONF)) {
        return LINEERR_INVALCALLSTATE;
    }
    Request r = requestFor(Op::PrepareAddToConference, "linePrepareAddToConference", *h, *d);
    if (const LONG rc = readCallParams(lpCallParams, *provider().line(d->device), r))
        return rc;
    // The new consultation call goes into the second cell; the first stays empty.
    return api().submit(lineOf(*h), r, {nullptr, lphConsultCall});
}

LONG lineAddToConference(HCALL hConfCall, HCALL hConsultCall) {
    TAPI_INJECTED("lineAddToConference");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hConfCall, &h, &d)) {
        return rc == LINEERR_INVALCALLHANDLE ? LINEERR_INVALCONFCALLHANDLE : rc;
    }
    CallHandle* consult = api().callHandle(hConsultCall);
    if (!consult || consult->line != h->line)
        return LINEERR_INVALCONSULTCALLHANDLE;
    Request r = requestFor(Op::AddToConference, "lineAddToConference", *h, *d);
    r.otherCall = consult->call;
    return api().submit(lineOf(*h), r, {});
}

LONG lineRemoveFromConference(HCALL hCall) {
    TAPI_INJECTED("lineRemoveFromConference");
    return callOperation("lineRemoveFromConference", Op::RemoveFromConference, hCall,
                         LINECALLSTATE_CONFERENCED, nullptr, false);
}

// The first call must be the active one, the second the held one; the switch refuses the swap
// the other way round.
LONG lineSwapHold(HCALL hActiveCall, HCALL hHeldCall) {
    TAPI_INJECTED("lineSwapHold");
    CallHandle* active = nullptr;
    const CallDescription* activeDesc = nullptr;
    if (const LONG rc = ownedCall(hActiveCall, &active, &activeDesc))
        return rc;
    CallHandle* held = nullptr;
    const CallDescription* heldDesc = nullptr;
    if (const LONG rc = ownedCall(hHeldCall, &held, &heldDesc))
        return rc;
    if (!inStates(activeDesc->state, kAnyDialingState) || !inStates(heldDesc->state, kHeldStates)) {
        return LINEERR_INVALCALLSTATE;
    }
    Request r = requestFor(Op::SwapHold, "lineSwapHold", *active, *activeDesc);
    r.otherCall = held->call;
    return api().submit(lineOf(*active), r, {});
}

// ---- line-wide operations ----

LONG lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                 const LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                 HCALL* lphConsultCall, const LINECALLPARAMS*) {
    TAPI_INJECTED("lineForward");
    LineOpen* open = nullptr;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineForAddress(hLine, bAllAddresses ? 0 : dwAddressID, &open, &d)) {
        return rc;
    }
    if (!lphConsultCall)
        return LINEERR_INVALPOINTER;
    Request r;
    r.op = Op::Forward;
    r.function = "lineForward";
    r.device = open->device;
    r.address = bAllAddresses ? 0xFFFFFFFF : dwAddressID;
    r.value = dwNumRingsNoAnswer;
    if (lpForwardList) {
        // Offsets in the list count from its own start and must stay inside dwTotalSize.
        const DWORD total = lpForwardList->dwTotalSize;
        const DWORD count = lpForwardList->dwNumEntries;
        if (total < sizeof(LINEFORWARDLIST))
            return LINEERR_STRUCTURETOOSMALL;
        if (count > (total - 8) / sizeof(LINEFORWARD))
            return LINEERR_INVALPARAM;
        const BYTE* base = reinterpret_cast<const BYTE*>(lpForwardList);
        auto text = [&](DWORD size, DWORD offset, std::string& out) {
            if (size == 0)
                return true;
            if (offset > total || size > total - offset)
                return false;
            const char* p = reinterpret_cast<const char*>(base + offset);
            out.assign(p, strnlen(p, size));
            return true;
        };
        DWORD modes = 0;
        for (const auto& a : d->addresses)
            modes |= a.caps.dwForwardModes;
        for (DWORD i = 0; i < count; ++i) {
            const LINEFORWARD& f = lpForwardList->ForwardList[i];
            if (!singleBit(f.dwForwardMode) || !(f.dwForwardMode & modes)) {
                return LINEERR_INVALPARAM;
            }
            ForwardEntry entry;
            entry.mode = f.dwForwardMode;
            entry.destCountryCode = f.dwDestCountryCode;
            if (!text(f.dwCallerAddressSize, f.dwCallerAddressOffset, entry.caller) ||
                !text(f.dwDestAddressSize, f.dwDestAddressOffset, entry.destination)) {
                return LINEERR_INVALPARAM;
            }
            r.forwards.push_back(entry);
        }
    }
    // No consultation call is ever needed: the cell receives 0 with the reply.
    return api().submit(*open, r, {lphConsultCall});
}

LONG lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                     DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable) {
    TAPI_INJECTED("lineSetTerminal");
    Request r;
    r.op = Op::SetTerminal;
    r.function = "lineSetTerminal";
    const LineOpen* open = nullptr;
    if (dwSelect == LINECALLSELECT_CALL) {
        CallHandle* h = nullptr;
        const CallDescription* d = nullptr;
        if (const LONG rc = ownedCall(hCall, &h, &d))
            return rc;
        r = requestFor(Op::SetTerminal, "lineSetTerminal", *h, *d);
        open = &lineOf(*h);
    } else if (dwSelect == LINECALLSELECT_LINE || dwSelect == LINECALLSELECT_ADDRESS) {
        LineOpen* o = nullptr;
        const LineDescription* d = nullptr;
        const DWORD address = dwSelect == LINECALLSELECT_ADDRESS ? dwAddressID : 0;
        if (const LONG rc = lineForAddress(hLine, address, &o, &d))
            return rc;
        r.device = o->device;
        r.address = dwSelect == LINECALLSELECT_ADDRESS ? dwAddressID : 0xFFFFFFFF;
        open = o;
    } else {
        return LINEERR_INVALCALLSELECT;
    }
    const LineDescription* d = provider().line(r.device);
    if (dwTerminalID >= d->terminalCaps.size())
        return LINEERR_INVALTERMINALID;
    if (dwTerminalModes == 0 || (dwTerminalModes & ~d->terminalCaps[dwTerminalID].dwTermModes)) {
        return LINEERR_INVALTERMINALMODE;
    }
    r.mode = dwTerminalModes;
    r.value = dwTerminalID;
    r.value2 = bEnable ? 1 : 0;
    return api().submit(*open, r, {});
}

LONG lineSetCallParams(HCALL hCall, DWORD dwBearerMode, DWORD dwMinRate, DWORD dwMaxRate,
                       const LINEDIALPARAMS*) {
    TAPI_INJECTED("lineSetCallParams");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    const LineDescription* line = provider().line(d->device);
    if (!singleBit(dwBearerMode) || !(dwBearerMode & line->caps.dwBearerModes)) {
        return LINEERR_INVALBEARERMODE;
    }
    if (dwMinRate > dwMaxRate)
        return LINEERR_INVALRATE;
    if (!callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    Request r = requestFor(Op::SetCallParams, "lineSetCallParams", *h, *d);
    r.value = dwBearerMode;
    r.value2 = dwMinRate;
    r.value3 = dwMaxRate;
    return api().submit(lineOf(*h), r, {});
}

// ---- privileges ----

LONG lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege) {
    TAPI_INJECTED("lineSetCallPrivilege");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    if (dwCallPrivilege != LINECALLPRIVILEGE_MONITOR &&
        dwCallPrivilege != LINECALLPRIVILEGE_OWNER) {
        return LINEERR_INVALCALLPRIVILEGE;
    }
    if (dwCallPrivilege == h->privilege)
        return 0;
    DWORD owners = 0, monitors = 0;
    api().ownersOf(h->call, owners, monitors);
    // A call that is up must keep an owner.
    if (dwCallPrivilege == LINECALLPRIVILEGE_MONITOR && owners == 1 &&
        d->state != LINECALLSTATE_IDLE) {
        return LINEERR_INVALCALLSTATE;
    }
    h->privilege = dwCallPrivilege;
    api().notifyInfo(h->call,
                     (dwCallPrivilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERINCR
                                                                 : LINECALLINFOSTATE_NUMOWNERDECR) |
                         LINECALLINFOSTATE_NUMMONITORS);
    return 0;
}

// The target is another application by name, or (no name) the application that opened the line
// as owner of the given media mode. It gets ownership; the caller keeps its own handle.
LONG lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) {
    TAPI_INJECTED("lineHandoff");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    const bool byName = lpszFileName && *lpszFileName;
    if (!byName && !singleBit(dwMediaMode))
        return LINEERR_INVALMEDIAMODE;
    for (auto& [handle, open] : api().lines) {
        if (open.closing || open.device != d->device)
            continue;
        const LineApp* target = api().app(open.app);
        if (!target)
            continue;
        const bool matches =
            byName ? core::equalsNoCase(target->name, lpszFileName)
                   : (open.privileges & LINECALLPRIVILEGE_OWNER) && (open.mediaModes & dwMediaMode);
        if (!matches)
            continue;
        if (open.app == h->app) {
            if (byName)
                return LINEERR_TARGETSELF;
            continue;
        }
        CallHandle* existing = api().handleOf(h->call, handle);
        if (existing) {
            existing->privilege = LINECALLPRIVILEGE_OWNER;
            api().queueCall(*existing, LINE_CALLSTATE, d->state, d->stateMode,
                            LINECALLPRIVILEGE_OWNER);
        } else {
            api().offerTo(open, h->call, *d, LINECALLPRIVILEGE_OWNER);
        }
        api().notifyInfo(h->call, LINECALLINFOSTATE_NUMOWNERINCR);
        return 0;
    }
    return LINEERR_TARGETNOTFOUND;
}

LONG lineSetMediaMode(HCALL hCall, DWORD dwMediaModes) {
    TAPI_INJECTED("lineSetMediaMode");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    const LineDescription* line = provider().line(d->device);
    if (dwMediaModes == 0 || (dwMediaModes & ~(line->caps.dwMediaModes | LINEMEDIAMODE_UNKNOWN))) {
        return LINEERR_INVALMEDIAMODE;
    }
    return provider().setMediaMode(h->call, dwMediaModes);
}

// ---- digits, tones, media ----

LONG lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits, DWORD dwDuration) {
    TAPI_INJECTED("lineGenerateDigits");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    if (dwDigitMode != LINEDIGITMODE_PULSE && dwDigitMode != LINEDIGITMODE_DTMF) {
        return LINEERR_INVALDIGITMODE;
    }
    if (const LONG rc = checkDigitModes(dwDigitMode, dwDigitMode, *provider().line(d->device))) {
        return rc;
    }
    if (!callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    std::string digits = lpszDigits ? lpszDigits : "";
    for (char c : digits) {
        if (!validDigit(c, dwDigitMode) && c != ',' && c != '!')
            return LINEERR_INVALDIGITS;
    }
    // A running generation ends with CANCEL, whether replaced or cancelled (no digits).
    if (h->generate.active()) {
        h->generate.stop();
        api().queueCall(*h, LINE_GENERATE, LINEGENERATETERM_CANCEL, 0, tickNow());
    }
    if (digits.empty())
        return 0;
    const DWORD each = dwDuration ? dwDuration : kDefaultGenerateDuration;
    const HCALL id = h->handle;
    h->generate.start(static_cast<DWORD>(digits.size()) * each * 2, [id] {
        if (CallHandle* c = api().callHandle(id)) {
            api().queueCall(*c, LINE_GENERATE, LINEGENERATETERM_DONE, 0, tickNow());
        }
    });
    provider().generated(h->call, digits, 0);
    return 0;
}

LONG lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                      const LINEGENERATETONE* lpTones) {
    TAPI_INJECTED("lineGenerateTone");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    constexpr DWORD modes = LINETONEMODE_CUSTOM | LINETONEMODE_RINGBACK | LINETONEMODE_BUSY |
                            LINETONEMODE_BEEP | LINETONEMODE_BILLING;
    if (dwToneMode != 0 && (!singleBit(dwToneMode) || !(dwToneMode & modes))) {
        return LINEERR_INVALTONEMODE;
    }
    if (dwToneMode == LINETONEMODE_CUSTOM && (dwNumTones == 0 || !lpTones)) {
        return LINEERR_INVALTONE;
    }
    if (!callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    if (h->generate.active()) {
        h->generate.stop();
        api().queueCall(*h, LINE_GENERATE, LINEGENERATETERM_CANCEL, 0, tickNow());
    }
    if (dwToneMode == 0)
        return 0;
    const HCALL id = h->handle;
    h->generate.start(dwDuration ? dwDuration : kDefaultToneDuration, [id] {
        if (CallHandle* c = api().callHandle(id)) {
            api().queueCall(*c, LINE_GENERATE, LINEGENERATETERM_DONE, 0, tickNow());
        }
    });
    provider().generated(h->call, std::string(), dwToneMode);
    return 0;
}

LONG lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                      const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                      DWORD dwInterDigitTimeout) {
    TAPI_INJECTED("lineGatherDigits");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = ownedCall(hCall, &h, &d))
        return rc;
    const bool cancel = lpsDigits == nullptr;
    if (!cancel) {
        if (dwDigitModes == 0)
            return LINEERR_INVALDIGITMODE;
        if (const LONG rc = checkDigitModes(dwDigitModes, LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF,
                                            *provider().line(d->device))) {
            return rc;
        }
        if (dwNumDigits == 0)
            return LINEERR_INVALPARAM;
        if (lpszTerminationDigits) {
            for (const char* p = lpszTerminationDigits; *p; ++p) {
                if (!validDigit(*p, LINEDIGITMODE_DTMF))
                    return LINEERR_INVALDIGITS;
            }
        }
        if (!callIsLive(d->state))
            return LINEERR_INVALCALLSTATE;
    }
    // A running request ends with CANCEL, its partial digits left in its own buffer.
    if (h->gather)
        api().finishGather(*h, LINEGATHERTERM_CANCEL);
    if (cancel)
        return 0;
    auto g = std::make_unique<Gather>();
    g->buffer = lpsDigits;
    g->wanted = dwNumDigits;
    g->modes = dwDigitModes;
    g->terminators = lpszTerminationDigits ? lpszTerminationDigits : "";
    g->interTimeout = dwInterDigitTimeout;
    h->gather = std::move(g);
    if (dwFirstDigitTimeout) {
        api().armGatherTimer(*h, dwFirstDigitTimeout, LINEGATHERTERM_FIRSTTIMEOUT);
    }
    return 0;
}

LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
    TAPI_INJECTED("lineMonitorDigits");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    constexpr DWORD all = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;
    if (const LONG rc = checkDigitModes(dwDigitModes, all, *provider().line(d->device))) {
        return rc;
    }
    if (dwDigitModes && !callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    h->monitorDigitModes = dwDigitModes;
    api().notifyInfo(h->call, LINECALLINFOSTATE_MONITORMODES);
    return 0;
}

LONG lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) {
    TAPI_INJECTED("lineMonitorMedia");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    if (dwMediaModes & ~(provider().line(d->device)->caps.dwMediaModes | LINEMEDIAMODE_UNKNOWN)) {
        return LINEERR_INVALMEDIAMODE;
    }
    if (dwMediaModes && !callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    h->monitorMediaModes = dwMediaModes;
    api().notifyInfo(h->call, LINECALLINFOSTATE_MONITORMODES);
    return 0;
}

LONG lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries) {
    TAPI_INJECTED("lineMonitorTones");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    const DWORD limit = provider().line(d->device)->caps.dwMonitorToneMaxNumEntries;
    if (lpToneList && dwNumEntries > limit)
        return LINEERR_INVALTONELIST;
    if (lpToneList && dwNumEntries && !callIsLive(d->state))
        return LINEERR_INVALCALLSTATE;
    for (DWORD i = 0; lpToneList && i < dwNumEntries; ++i) {
        if (lpToneList[i].dwDuration == 0)
            return LINEERR_INVALTONE;
    }
    for (auto& timer : h->toneTimers)
        timer->stop();
    h->tones.clear();
    h->toneTimers.clear();
    if (!lpToneList)
        return 0;
    h->tones.assign(lpToneList, lpToneList + dwNumEntries);
    for (DWORD i = 0; i < dwNumEntries; ++i) {
        h->toneTimers.push_back(std::make_unique<core::OneShot>());
    }
    return 0;
}
