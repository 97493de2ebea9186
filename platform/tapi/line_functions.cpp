// The line functions that set up, open, close and describe: initialisation, versions,
// capabilities, status, call information and device IDs.
#include <cstddef>
#include <cstring>

#include "platform/core/handles.h"
#include "platform/core/text.h"
#include "platform/tapi/control_socket.h"
#include "platform/tapi/line_api.h"
#include "platform/tapi/struct_sizes.h"

using namespace tapi;
using namespace tapi::detail;

namespace {

LONG createApp(HLINEAPP* lphLineApp, LINECALLBACK callback, const char* name, DWORD apiVersion,
               DWORD* lpdwNumDevs) {
    auto a = std::make_unique<LineApp>();
    a->handle = newHandle();
    a->name = name && *name ? name : "belltale";
    a->apiVersion = apiVersion;
    a->queue = std::make_unique<AppQueue>(
        callback, [](const QueuedMessage& m) { return api().stillValid(m); },
        [](const QueuedMessage& m) { api().beforeCallback(m); });
    *lphLineApp = a->handle;
    *lpdwNumDevs = provider().lineDeviceCount();
    api().apps.emplace(a->handle, std::move(a));
    applicationStarted();
    return 0;
}

// Writes a device class list: NUL-separated names ending with an empty one.
std::string classList(const std::vector<std::string>& classes) {
    std::string list;
    for (const auto& c : classes)
        list += c + '\0';
    return list.empty() ? list : list + '\0';
}

void addClassList(VarWriter& w, std::size_t sizeOffset, const std::vector<std::string>& classes) {
    const std::string list = classList(classes);
    w.addBytes(sizeOffset, list.data(), static_cast<DWORD>(list.size()));
}

void addTerminalModes(VarWriter& w, std::size_t sizeOffset, const std::vector<DWORD>& modes) {
    w.addBytes(sizeOffset, modes.data(), static_cast<DWORD>(modes.size() * sizeof(DWORD)));
}

void addParty(VarWriter& w, std::size_t flagsOffset, const Party& party) {
    w.writeDword(flagsOffset, party.flags);
    w.addText(flagsOffset + 4, party.number);
    w.addText(flagsOffset + 12, party.name);
}

LONG lineSelectDevice(const LineOpen& open, const LineDescription** out) {
    const LineDescription* d = provider().line(open.device);
    if (!d)
        return LINEERR_INVALLINEHANDLE;
    *out = d;
    return 0;
}

void putDword(VARSTRING* v, VarWriter& w, DWORD value) {
    w.addBytes(offsetof(VARSTRING, dwStringSize), &value, sizeof value);
    v->dwStringFormat = STRINGFORMAT_BINARY;
}

}  // namespace

// ---- initialisation ----

LONG lineInitialize(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                    const char* lpszAppName, DWORD* lpdwNumDevs) {
    TAPI_INJECTED("lineInitialize");
    if (!lphLineApp || !lpfnCallback || !lpdwNumDevs)
        return LINEERR_INVALPOINTER;
    return createApp(lphLineApp, lpfnCallback, lpszAppName, TAPI_VERSION1_0, lpdwNumDevs);
}

LONG lineInitializeExA(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                       const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                       LINEINITIALIZEEXPARAMS* params) {
    TAPI_INJECTED("lineInitializeEx");
    if (!lphLineApp || !lpdwNumDevs || !lpdwAPIVersion || !params)
        return LINEERR_INVALPOINTER;
    if (params->dwTotalSize < sizeof(LINEINITIALIZEEXPARAMS))
        return LINEERR_STRUCTURETOOSMALL;
    if (*lpdwAPIVersion < TAPI_VERSION2_0)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    // Events and completion ports have no use here: messages always come through the window.
    if ((params->dwOptions & 0x7) != LINEINITIALIZEEXOPTION_USEHIDDENWINDOW) {
        return LINEERR_INVALPARAM;
    }
    if (!lpfnCallback)
        return LINEERR_INVALPOINTER;
    params->dwNeededSize = params->dwUsedSize = sizeof(LINEINITIALIZEEXPARAMS);
    const DWORD version = std::min(*lpdwAPIVersion, kHighestVersion);
    *lpdwAPIVersion = version;
    return createApp(lphLineApp, lpfnCallback, lpszFriendlyAppName, version, lpdwNumDevs);
}

LONG lineShutdown(HLINEAPP hLineApp) {
    TAPI_INJECTED("lineShutdown");
    if (!api().app(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    api().shutdownApp(hLineApp);
    applicationEnded(api().apps.empty());
    return 0;
}

LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                             DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                             LINEEXTENSIONID* lpExtensionID) {
    TAPI_INJECTED("lineNegotiateAPIVersion");
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    if (!lpdwAPIVersion || !lpExtensionID)
        return LINEERR_INVALPOINTER;
    if (dwAPILowVersion > dwAPIHighVersion || dwAPIHighVersion < kLowestVersion ||
        dwAPILowVersion > kHighestVersion) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    *lpdwAPIVersion = std::min(dwAPIHighVersion, kHighestVersion);
    *lpExtensionID = LINEEXTENSIONID{};
    return 0;
}

// ---- capabilities ----

LONG lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD,
                    LINEDEVCAPS* caps) {
    TAPI_INJECTED("lineGetDevCaps");
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    if (const LONG rc = checkVersion(dwAPIVersion))
        return rc;
    if (!caps)
        return LINEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<LINEDEVCAPS>(dwAPIVersion);
    if (caps->dwTotalSize < fixedSize)
        return LINEERR_STRUCTURETOOSMALL;
    VarWriter w(caps, fixedSize);
    w.writeFixed(d->caps);
    caps->dwStringFormat = STRINGFORMAT_ASCII;
    caps->dwNumAddresses = static_cast<DWORD>(d->addresses.size());
    caps->dwNumTerminals = static_cast<DWORD>(d->terminalCaps.size());
    caps->dwTerminalTextEntrySize = d->terminalTextEntrySize;
    w.addText(offsetof(LINEDEVCAPS, dwProviderInfoSize), d->providerInfo);
    w.addText(offsetof(LINEDEVCAPS, dwSwitchInfoSize), d->switchInfo);
    w.addText(offsetof(LINEDEVCAPS, dwLineNameSize), d->lineName);
    w.addBytes(offsetof(LINEDEVCAPS, dwTerminalCapsSize), d->terminalCaps.data(),
               static_cast<DWORD>(d->terminalCaps.size() * sizeof(LINETERMCAPS)));
    std::string texts;
    for (const auto& t : d->terminalTexts) {
        std::string entry = t.substr(0, d->terminalTextEntrySize);
        entry.resize(d->terminalTextEntrySize, ' ');
        texts += entry;
    }
    w.addBytes(offsetof(LINEDEVCAPS, dwTerminalTextSize), texts.data(),
               static_cast<DWORD>(texts.size()));
    w.addBytes(offsetof(LINEDEVCAPS, dwDevSpecificSize), d->devSpecific.data(),
               static_cast<DWORD>(d->devSpecific.size()));
    addClassList(w, offsetof(LINEDEVCAPS, dwDeviceClassesSize), d->deviceClasses);
    w.finish();
    return 0;
}

LONG lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                        DWORD, LINEADDRESSCAPS* caps) {
    TAPI_INJECTED("lineGetAddressCaps");
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    if (dwAddressID >= d->addresses.size())
        return LINEERR_INVALADDRESSID;
    if (const LONG rc = checkVersion(dwAPIVersion))
        return rc;
    if (!caps)
        return LINEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<LINEADDRESSCAPS>(dwAPIVersion);
    if (caps->dwTotalSize < fixedSize)
        return LINEERR_STRUCTURETOOSMALL;
    const AddressDescription& a = d->addresses[dwAddressID];
    VarWriter w(caps, fixedSize);
    w.writeFixed(a.caps);
    caps->dwLineDeviceID = dwDeviceID;
    w.addText(offsetof(LINEADDRESSCAPS, dwAddressSize), a.address);
    w.addBytes(offsetof(LINEADDRESSCAPS, dwDevSpecificSize), a.devSpecific.data(),
               static_cast<DWORD>(a.devSpecific.size()));
    w.addBytes(offsetof(LINEADDRESSCAPS, dwCompletionMsgTextSize), nullptr, 0);
    w.addBytes(offsetof(LINEADDRESSCAPS, dwCallTreatmentListSize), nullptr, 0);
    addClassList(w, offsetof(LINEADDRESSCAPS, dwDeviceClassesSize), d->deviceClasses);
    w.finish();
    return 0;
}

// ---- open and close ----

LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
              DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
              DWORD dwMediaModes, const LINECALLPARAMS*) {
    TAPI_INJECTED("lineOpen");
    if (!api().app(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID == LINEMAPPER) {
        dwDeviceID = 0;
        while (dwDeviceID < provider().lineDeviceCount() &&
               (provider().lineRemoved(dwDeviceID) ||
                (provider().line(dwDeviceID)->caps.dwMediaModes & dwMediaModes) != dwMediaModes)) {
            ++dwDeviceID;
        }
        if (dwDeviceID >= provider().lineDeviceCount())
            return LINEERR_LINEMAPPERFAILED;
    }
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    if (const LONG rc = checkVersion(dwAPIVersion))
        return rc;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    const DWORD privileges = dwPrivileges & ~(LINEOPENOPTION_SINGLEADDRESS | LINEOPENOPTION_PROXY);
    const bool valid = privileges == LINECALLPRIVILEGE_NONE ||
                       privileges == LINECALLPRIVILEGE_MONITOR ||
                       privileges == LINECALLPRIVILEGE_OWNER || privileges == kOwnerOrMonitor;
    if (!valid)
        return LINEERR_INVALPRIVSELECT;
    if (privileges & LINECALLPRIVILEGE_OWNER) {
        if (dwMediaModes == 0 || (dwMediaModes & ~d->caps.dwMediaModes) != 0) {
            return LINEERR_INVALMEDIAMODE;
        }
    }
    if (!lphLine)
        return LINEERR_INVALPOINTER;
    LineOpen open;
    open.handle = newHandle();
    open.app = hLineApp;
    open.device = dwDeviceID;
    open.instance = dwCallbackInstance;
    open.privileges = privileges;
    open.mediaModes = (privileges & LINECALLPRIVILEGE_OWNER) ? dwMediaModes : 0;
    open.apiVersion = dwAPIVersion;
    api().lineDevState(dwDeviceID, LINEDEVSTATE_OPEN, 0, 0);  // the others hear of it
    api().lines.emplace(open.handle, open);
    *lphLine = open.handle;
    return 0;
}

LONG lineClose(HLINE hLine) {
    TAPI_INJECTED("lineClose");
    if (!api().line(hLine))
        return LINEERR_INVALLINEHANDLE;
    api().closeLine(hLine, false);
    return 0;
}

LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
    TAPI_INJECTED("lineSetStatusMessages");
    LineOpen* open = api().line(hLine);
    if (!open)
        return LINEERR_INVALLINEHANDLE;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineSelectDevice(*open, &d))
        return rc;
    if (dwLineStates & ~(d->caps.dwLineStates | LINEDEVSTATE_REINIT)) {
        return LINEERR_INVALLINESTATE;
    }
    DWORD addressStates = 0;
    for (const auto& a : d->addresses)
        addressStates |= a.caps.dwAddressStates;
    if (dwAddressStates & ~addressStates)
        return LINEERR_INVALADDRESSSTATE;
    open->lineStates = dwLineStates;
    open->addressStates = dwAddressStates;
    return 0;
}

LONG lineGetStatusMessages(HLINE hLine, DWORD* lpdwLineStates, DWORD* lpdwAddressStates) {
    TAPI_INJECTED("lineGetStatusMessages");
    LineOpen* open = api().line(hLine);
    if (!open)
        return LINEERR_INVALLINEHANDLE;
    if (!lpdwLineStates || !lpdwAddressStates)
        return LINEERR_INVALPOINTER;
    *lpdwLineStates = open->lineStates;
    *lpdwAddressStates = open->addressStates;
    return 0;
}

// ---- calls and status ----

LONG lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect, LINECALLLIST* list) {
    TAPI_INJECTED("lineGetNewCalls");
    LineOpen* open = api().line(hLine);
    if (!open)
        return LINEERR_INVALLINEHANDLE;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineSelectDevice(*open, &d))
        return rc;
    if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS) {
        return LINEERR_INVALCALLSELECT;
    }
    if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= d->addresses.size()) {
        return LINEERR_INVALADDRESSID;
    }
    if (!list)
        return LINEERR_INVALPOINTER;
    if (list->dwTotalSize < sizeof(LINECALLLIST))
        return LINEERR_STRUCTURETOOSMALL;
    // The application gets monitor handles for the calls it has no handle for yet.
    std::vector<HCALL> fresh;
    for (DWORD a = 0; a < d->addresses.size(); ++a) {
        if (dwSelect == LINECALLSELECT_ADDRESS && a != dwAddressID)
            continue;
        for (CallId call : provider().callsOn(open->device, a)) {
            if (api().handleOf(call, hLine))
                continue;
            fresh.push_back(api().addHandle(*open, call, LINECALLPRIVILEGE_MONITOR, true).handle);
            api().notifyInfo(call, LINECALLINFOSTATE_NUMMONITORS);
        }
    }
    VarWriter w(list, sizeof(LINECALLLIST));
    w.writeFixed(LINECALLLIST{});
    list->dwCallsNumEntries = static_cast<DWORD>(fresh.size());
    w.addBytes(offsetof(LINECALLLIST, dwCallsSize), fresh.data(),
               static_cast<DWORD>(fresh.size() * sizeof(HCALL)));
    w.finish();
    return 0;
}

LONG lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* status) {
    TAPI_INJECTED("lineGetLineDevStatus");
    LineOpen* open = api().line(hLine);
    if (!open)
        return LINEERR_INVALLINEHANDLE;
    if (!status)
        return LINEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<LINEDEVSTATUS>(open->apiVersion);
    if (status->dwTotalSize < fixedSize)
        return LINEERR_STRUCTURETOOSMALL;
    LineStatusDescription s = provider().lineStatus(open->device);
    DWORD opens = 0, openModes = 0;
    for (const auto& user : lineUsers(open->device)) {
        ++opens;
        openModes |= user.mediaModes;
    }
    s.status.dwNumOpens = opens;
    s.status.dwOpenMediaModes = openModes;
    VarWriter w(status, fixedSize);
    w.writeFixed(s.status);
    addTerminalModes(w, offsetof(LINEDEVSTATUS, dwTerminalModesSize), s.terminalModes);
    w.addBytes(offsetof(LINEDEVSTATUS, dwDevSpecificSize), s.devSpecific.data(),
               static_cast<DWORD>(s.devSpecific.size()));
    w.addBytes(offsetof(LINEDEVSTATUS, dwAppInfoSize), nullptr, 0);
    w.finish();
    return 0;
}

LONG lineGetAddressStatus(HLINE hLine, DWORD dwAddressID, LINEADDRESSSTATUS* status) {
    TAPI_INJECTED("lineGetAddressStatus");
    LineOpen* open = api().line(hLine);
    if (!open)
        return LINEERR_INVALLINEHANDLE;
    const LineDescription* d = nullptr;
    if (const LONG rc = lineSelectDevice(*open, &d))
        return rc;
    if (dwAddressID >= d->addresses.size())
        return LINEERR_INVALADDRESSID;
    if (!status)
        return LINEERR_INVALPOINTER;
    if (status->dwTotalSize < sizeof(LINEADDRESSSTATUS))
        return LINEERR_STRUCTURETOOSMALL;
    const AddressStatusDescription s = provider().addressStatus(open->device, dwAddressID);
    VarWriter w(status, sizeof(LINEADDRESSSTATUS));
    w.writeFixed(s.status);
    status->dwForwardNumEntries = static_cast<DWORD>(s.forwards.size());
    // The forward entries, then their texts; text offsets count from the start of this structure.
    const DWORD entriesSize = static_cast<DWORD>(s.forwards.size() * sizeof(LINEFORWARD));
    const DWORD at = s.forwards.empty() ? 0 : w.reserve(entriesSize);
    w.writeDword(offsetof(LINEADDRESSSTATUS, dwForwardSize), at ? entriesSize : 0);
    w.writeDword(offsetof(LINEADDRESSSTATUS, dwForwardOffset), at);
    for (std::size_t i = 0; i < s.forwards.size(); ++i) {
        const ForwardEntry& f = s.forwards[i];
        if (!at) {
            w.addNeeded(static_cast<DWORD>(f.caller.size() + f.destination.size() + 2));
            continue;
        }
        const std::size_t entry = at + i * sizeof(LINEFORWARD);
        w.writeDword(entry + offsetof(LINEFORWARD, dwForwardMode), f.mode);
        w.writeDword(entry + offsetof(LINEFORWARD, dwDestCountryCode), f.destCountryCode);
        w.addText(entry + offsetof(LINEFORWARD, dwCallerAddressSize), f.caller);
        w.addText(entry + offsetof(LINEFORWARD, dwDestAddressSize), f.destination);
    }
    addTerminalModes(w, offsetof(LINEADDRESSSTATUS, dwTerminalModesSize), s.terminalModes);
    w.addBytes(offsetof(LINEADDRESSSTATUS, dwDevSpecificSize), s.devSpecific.data(),
               static_cast<DWORD>(s.devSpecific.size()));
    w.finish();
    return 0;
}

LONG lineGetCallInfo(HCALL hCall, LINECALLINFO* info) {
    TAPI_INJECTED("lineGetCallInfo");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    if (!info)
        return LINEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<LINECALLINFO>(api().line(h->line)->apiVersion);
    if (info->dwTotalSize < fixedSize)
        return LINEERR_STRUCTURETOOSMALL;
    LINECALLINFO fixed{};
    fixed.hLine = h->line;
    fixed.dwLineDeviceID = d->device;
    fixed.dwAddressID = d->address;
    fixed.dwBearerMode = d->bearerMode;
    fixed.dwRate = d->rate;
    fixed.dwMediaMode = d->mediaMode;
    fixed.dwAppSpecific = d->appSpecific;
    fixed.dwCallID = h->call;
    fixed.dwRelatedCallID = d->relatedCallId;
    fixed.dwCallParamFlags = d->callParamFlags;
    fixed.dwCallStates = d->callStates;
    fixed.dwMonitorDigitModes = h->monitorDigitModes;
    fixed.dwMonitorMediaModes = h->monitorMediaModes;
    fixed.DialParams = d->dialParams;
    fixed.dwOrigin = d->origin;
    fixed.dwReason = d->reason;
    fixed.dwCountryCode = d->countryCode;
    fixed.dwTrunk = d->trunk;
    api().ownersOf(h->call, fixed.dwNumOwners, fixed.dwNumMonitors);
    VarWriter w(info, fixedSize);
    w.writeFixed(fixed);
    addParty(w, offsetof(LINECALLINFO, dwCallerIDFlags), d->caller);
    addParty(w, offsetof(LINECALLINFO, dwCalledIDFlags), d->called);
    addParty(w, offsetof(LINECALLINFO, dwConnectedIDFlags), d->connected);
    addParty(w, offsetof(LINECALLINFO, dwRedirectionIDFlags), d->redirection);
    addParty(w, offsetof(LINECALLINFO, dwRedirectingIDFlags), d->redirecting);
    auto origin = api().originatingApp.find(h->call);
    w.addText(offsetof(LINECALLINFO, dwAppNameSize),
              origin == api().originatingApp.end() ? std::string() : origin->second);
    w.addText(offsetof(LINECALLINFO, dwDisplayableAddressSize), d->displayableAddress);
    w.addText(offsetof(LINECALLINFO, dwCalledPartySize), d->calledParty);
    w.addText(offsetof(LINECALLINFO, dwCommentSize), d->comment);
    w.addText(offsetof(LINECALLINFO, dwDisplaySize), d->display);
    w.addBytes(offsetof(LINECALLINFO, dwUserUserInfoSize), d->userUserInfo.data(),
               static_cast<DWORD>(d->userUserInfo.size()));
    w.addBytes(offsetof(LINECALLINFO, dwChargingInfoSize), d->chargingInfo.data(),
               static_cast<DWORD>(d->chargingInfo.size()));
    w.addBytes(offsetof(LINECALLINFO, dwDevSpecificSize), d->devSpecific.data(),
               static_cast<DWORD>(d->devSpecific.size()));
    w.finish();
    return 0;
}

LONG lineGetCallStatus(HCALL hCall, LINECALLSTATUS* status) {
    TAPI_INJECTED("lineGetCallStatus");
    CallHandle* h = nullptr;
    const CallDescription* d = nullptr;
    if (const LONG rc = anyCall(hCall, &h, &d))
        return rc;
    if (!status)
        return LINEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<LINECALLSTATUS>(api().line(h->line)->apiVersion);
    if (status->dwTotalSize < fixedSize)
        return LINEERR_STRUCTURETOOSMALL;
    LINECALLSTATUS fixed{};
    fixed.dwCallState = d->state;
    fixed.dwCallStateMode = d->stateMode;
    fixed.dwCallPrivilege = h->privilege;
    fixed.dwCallFeatures = callFeaturesFor(d->state, h->privilege) & d->callFeatures;
    fixed.dwCallFeatures2 = d->callFeatures2;
    fixed.tStateEntryTime = d->stateEntryTime;
    VarWriter w(status, fixedSize);
    w.writeFixed(fixed);
    w.addBytes(offsetof(LINECALLSTATUS, dwDevSpecificSize), d->devSpecific.data(),
               static_cast<DWORD>(d->devSpecific.size()));
    w.finish();
    return 0;
}

LONG lineDeallocateCall(HCALL hCall) {
    TAPI_INJECTED("lineDeallocateCall");
    if (!api().callHandle(hCall))
        return LINEERR_INVALCALLHANDLE;
    api().removeHandle(hCall);
    return 0;
}

// ---- device IDs ----

LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING* id,
               const char* lpszDeviceClass) {
    TAPI_INJECTED("lineGetID");
    DWORD device = 0;
    CallHandle* call = nullptr;
    if (dwSelect == LINECALLSELECT_CALL) {
        const CallDescription* d = nullptr;
        if (const LONG rc = anyCall(hCall, &call, &d))
            return rc;
        device = d->device;
    } else if (dwSelect == LINECALLSELECT_LINE || dwSelect == LINECALLSELECT_ADDRESS) {
        LineOpen* open = api().line(hLine);
        if (!open)
            return LINEERR_INVALLINEHANDLE;
        device = open->device;
        if (dwSelect == LINECALLSELECT_ADDRESS &&
            dwAddressID >= provider().line(device)->addresses.size()) {
            return LINEERR_INVALADDRESSID;
        }
    } else {
        return LINEERR_INVALCALLSELECT;
    }
    if (!id || !lpszDeviceClass)
        return LINEERR_INVALPOINTER;
    if (id->dwTotalSize < sizeof(VARSTRING))
        return LINEERR_STRUCTURETOOSMALL;
    const LineDescription* d = provider().line(device);
    const std::string cls = core::toLowerAscii(lpszDeviceClass);
    VarWriter w(id, sizeof(VARSTRING));
    w.writeFixed(VARSTRING{});
    if (cls == "tapi/line") {
        putDword(id, w, device);
    } else if (cls == "tapi/phone" && d->phone != LINEMAPPER) {
        putDword(id, w, d->phone);
    } else if ((cls == "wave/in" || cls == "wave" || cls == "wave/out") && !d->wave) {
        // A class the provider knows, but this line (a data or fax modem) has no such device.
        return LINEERR_NODEVICE;
    } else if (cls == "wave/in" || cls == "wave") {
        putDword(id, w, d->waveIn);
    } else if (cls == "wave/out") {
        putDword(id, w, d->waveOut);
    } else if (cls == "comm/datamodem" && d->dataModem && call) {
        // An open descriptor the application closes, followed by the port's name.
        const int fd = provider().openCommHandle(call->call);
        if (fd < 0)
            return LINEERR_OPERATIONFAILED;
        std::string value(sizeof(HANDLE), '\0');
        const HANDLE handle = core::handleFromDescriptor(fd);
        std::memcpy(value.data(), &handle, sizeof handle);
        value += d->commPort;
        value += '\0';
        w.addBytes(offsetof(VARSTRING, dwStringSize), value.data(),
                   static_cast<DWORD>(value.size()));
        id->dwStringFormat = STRINGFORMAT_BINARY;
    } else if (cls == "comm" || (cls == "comm/datamodem" && d->dataModem)) {
        w.addText(offsetof(VARSTRING, dwStringSize), d->commPort);
        id->dwStringFormat = STRINGFORMAT_ASCII;
    } else {
        return LINEERR_INVALDEVICECLASS;
    }
    w.finish();
    return 0;
}

// ---- addresses and dialogs ----

LONG lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                          const char* lpszAddressIn, DWORD, DWORD dwTranslateOptions,
                          LINETRANSLATEOUTPUT* out) {
    TAPI_INJECTED("lineTranslateAddress");
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    if (const LONG rc = checkVersion(dwAPIVersion))
        return rc;
    if (!lpszAddressIn || !out)
        return LINEERR_INVALPOINTER;
    if (!*lpszAddressIn || !validDialString(lpszAddressIn))
        return LINEERR_INVALADDRESS;
    if (out->dwTotalSize < sizeof(LINETRANSLATEOUTPUT))
        return LINEERR_STRUCTURETOOSMALL;
    std::string displayable;
    DWORD results = 0;
    const std::string dialable =
        provider().translate(lpszAddressIn, dwDeviceID, dwTranslateOptions, displayable, results);
    VarWriter w(out, sizeof(LINETRANSLATEOUTPUT));
    LINETRANSLATEOUTPUT fixed{};
    fixed.dwTranslateResults = results;
    w.writeFixed(fixed);
    // Both texts or neither: a caller that gets sizes of 0 grows its buffer and asks again.
    const DWORD need = static_cast<DWORD>(dialable.size() + displayable.size() + 2);
    if (sizeof(LINETRANSLATEOUTPUT) + need > out->dwTotalSize) {
        w.addNeeded(need);
    } else {
        w.addText(offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize), dialable);
        w.addText(offsetof(LINETRANSLATEOUTPUT, dwDisplayableStringSize), displayable);
    }
    w.finish();
    return 0;
}

// The exchange has no dialling locations or device settings to show: both dialogs are accepted
// as if the user pressed OK without changing anything.
LONG lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND,
                         const char*) {
    TAPI_INJECTED("lineTranslateDialog");
    const LineDescription* d = nullptr;
    if (const LONG rc = checkDevice(hLineApp, dwDeviceID, &d))
        return rc;
    return checkVersion(dwAPIVersion);
}

LONG lineConfigDialog(DWORD dwDeviceID, HWND, const char*) {
    TAPI_INJECTED("lineConfigDialog");
    if (!provider().line(dwDeviceID))
        return LINEERR_BADDEVICEID;
    if (provider().lineRemoved(dwDeviceID))
        return LINEERR_NODEVICE;
    return 0;
}
