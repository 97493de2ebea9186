// The Line engine opens and closes its line, and keeps the line's and address's status.
#include <cstdio>
#include <cstring>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/handles.h"

namespace {

std::string hex8(DWORD value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

DWORD handleOfEntry(const std::string& entry) {
    return static_cast<DWORD>(std::strtoul(entry.c_str(), nullptr, 16));
}

}  // namespace

void TlkLineInternal::SetDeviceActive(bool value) {
    // Every request is remembered for the whole library, also one that changes nothing here.
    setLkDeviceActiveRequested(value);
    if (value == Device.Active)
        return;
    log().Add(1, "Device.Active := " + TlkVantage::BooleanText(value));
    log().Add(0, "\tDevice.ID = " + std::to_string(Device.ID));
    log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
    log().Add(0, "\tDevice.Name = '" + Device.Name + "'");
    const TlkLifeGuard guard = lifeGuard();
    if (value) {
        OpenDevice(Device.MediaModes.Active);
        for (LONG terminal = 0; guard && terminal < Terminal.Count; ++terminal) {
            SetTerminalID(terminal);
        }
    } else {
        CloseDevice(false);
    }
    if (!guard)
        return;
    auto& window = Vantage().observer<LineVantageObserver>();
    window.UpdateDeviceStatus();
    window.UpdateDeviceList(Device);
    window.UpdateCallDetails();
    window.UpdateInfoTree();
    window.UpdateTerminalPage();
    DesignerUpdate();
}

LONG TlkLineInternal::OpenLine(DWORD deviceID, DWORD& mediaModes, DWORD& apiVersion, HLINE& line) {
    if (!m_tapiReady)
        return -1;
    const LONG negotiated = negotiate(deviceID, apiVersion);
    if (negotiated != 0) {
        log().Add(1, "\tlineNegotiateAPIVersion returned " + LineErrorName(negotiated));
        return negotiated;
    }
    if (mediaModes == 0)
        mediaModes = Device.MediaModes.Available;
    DWORD privileges = 0;
    if (Privilege.None)
        privileges |= LINECALLPRIVILEGE_NONE;
    if (Privilege.Monitor)
        privileges |= LINECALLPRIVILEGE_MONITOR;
    if (Privilege.Owner)
        privileges |= LINECALLPRIVILEGE_OWNER;
    const auto instance = reinterpret_cast<DWORD_PTR>(this);
    const LONG result = lineOpen(Line.hLineApp, deviceID, &line, apiVersion, 0, instance,
                                 privileges, mediaModes, nullptr);
    if (result != 0) {
        log().Add(1, "\tlineOpen returned " + LineErrorName(result));
        return result;
    }
    log().Add(1, "\tCallBackInstance = " + hex8(static_cast<DWORD>(instance)));
    lineSetStatusMessages(line, Device.Capabilities.States, Address.Capabilities.dwAddressStates);
    return result;
}

bool TlkLineInternal::OpenDevice(DWORD mediaModes) {
    if (mediaModes == 0)
        mediaModes = Device.MediaModes.Active;
    bool opened = true;
    Error().Clear();
    if (!m_tapiReady) {
        TAPI.Version = 0;
        TAPI.Subversion = 0;
        Device.Count = 0;
        FillErrorStrings(-1);
        Device.Active = false;
        return false;
    }
    Comm.Available = false;
    Comm.Handle = 0;
    clearRelatedDevices();
    DWORD apiVersion = 0;
    HLINE line = 0;
    const LONG result = OpenLine(static_cast<DWORD>(Device.ID), mediaModes, apiVersion, line);
    if (result < 0) {
        FillErrorStrings(result);
        Device.Active = false;
        return false;
    }
    Line.hLine = line;
    const TlkLifeGuard guard = lifeGuard();
    SetAddressID(Address.ID);
    SetTerminalID(Terminal.ID);
    if (!guard)
        return false;
    Device.Active = true;
    TAPI.ApiVersion = apiVersion;
    TAPI.Version = HIWORD(apiVersion);
    TAPI.Subversion = LOWORD(apiVersion);
    if (Privilege.None) {
        clearRelatedDevices();
        return opened;
    }
    resetCallList();
    if (!readNewCalls())
        opened = false;
    if (!guard)
        return false;
    SelectFirstCall();
    if (!guard)
        return false;
    ReadDeviceStatus();
    ReadAddressStatus();
    const TlkVarStructure caps = ReadDeviceCaps(static_cast<DWORD>(Device.ID), apiVersion);
    if (caps.result == 0)
        copyDevSpecific(caps);
    readRelatedDevices();
    Vantage().observer<LineVantageObserver>().UpdateDeviceStatus();
    return opened;
}

void TlkLineInternal::resetCallList() {
    Call.Count = 0;
    Call.List.clear();
    m_orphanRequests.clear();
    AddCallRecord(TlkRecordKind::Placeholder, 0);
}

// The calls already on the line when it opens join the call list, address by address.
bool TlkLineInternal::readNewCalls() {
    bool complete = true;
    bool found = false;
    for (LONG address = 0; address < Address.Count; ++address) {
        const TlkVarStructure list = TlkReadVarStructure(
            sizeof(LINECALLLIST), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
                return lineGetNewCalls(Line.hLine, static_cast<DWORD>(address),
                                       LINECALLSELECT_ADDRESS, static_cast<LINECALLLIST*>(buffer));
            });
        if (list.result != 0) {
            const TlkLifeGuard guard = lifeGuard();
            FillErrorStrings(list.result);
            if (!guard)
                return false;
            complete = false;
            continue;
        }
        const auto& fixed = list.fixed<LINECALLLIST>();
        for (DWORD i = 0; i < fixed.dwCallsNumEntries; ++i) {
            const std::uint64_t at = fixed.dwCallsOffset + std::uint64_t{i} * sizeof(HCALL);
            if (at + sizeof(HCALL) > list.size())
                break;  // never read past what was filled
            if (!found) {
                clearCallState();
                found = true;
            }
            HCALL call;
            std::memcpy(&call, list.bytes() + at, sizeof call);
            AddCallRecord(TlkRecordKind::FoundAtOpen, call);
        }
    }
    return complete;
}

void TlkLineInternal::clearCallState() {
    ClearParties();
    ResetCallState();
    ResetTransfer();
    ResetConference();
}

// The phone and wave devices that belong to the open line. Playing into the line needs the
// owner privilege and recording from it monitor or owner; without them the id is -2.
void TlkLineInternal::readRelatedDevices() {
    DWORD id = 0;
    if (!Phone.DeviceClass.empty()) {
        Phone.Available = QueryLineDeviceID(Phone.DeviceClass, Line.hLine, id);
        Phone.ID = Phone.Available ? static_cast<LONG>(id) : 0;
    }
    if (Privilege.Monitor || Privilege.Owner) {
        WaveRecord.Available = QueryLineDeviceID(WaveRecord.DeviceClass(), Line.hLine, id);
        WaveRecord.ID = WaveRecord.Available ? static_cast<LONG>(id) : 0;
    } else {
        WaveRecord.ID = -2;
    }
    if (Privilege.Owner) {
        WavePlay.Available = QueryLineDeviceID(WavePlay.DeviceClass(), Line.hLine, id);
        WavePlay.ID = WavePlay.Available ? static_cast<LONG>(id) : 0;
    } else {
        WavePlay.ID = -2;
    }
}

bool TlkLineInternal::CloseDevice(bool lineAlreadyGone) {
    Error().Clear();
    if (!m_tapiReady) {
        Device.Active = false;
        return true;
    }
    // Whatever waits for a reply on this line now will not get one.
    TAPI.abandonReplies();
    // Every entry goes, found record or not, so the loop always ends.
    while (Call.Count > 0 && Call.List.size() > 1) {
        const DWORD call = handleOfEntry(Call.List.back());
        const TlkCallRecord* record = FindCallRecord(call);
        if (record && !lineAlreadyGone && call != 0)
            DeallocateCall(call);
        Call.List.pop_back();
        --Call.Count;
        RemoveCallRecord(FindCallRecord(call));
    }
    Call.Count = 0;
    m_orphanRequests.clear();
    Call.Handle = Call.List.empty() ? 0 : handleOfEntry(Call.List.front());
    if (!lineAlreadyGone) {
        const LONG result = lineClose(Line.hLine);
        if (result < 0) {
            FillErrorStrings(result);
            return false;
        }
    }
    Device.Active = false;
    Line.hLine = 0;
    Call.Active = false;
    clearCallState();
    closeCommHandle();
    clearRelatedDevices();
    return true;
}

// Closes the held handle exactly once: it is forgotten as it is closed.
void TlkLineInternal::closeCommHandle() {
    if (Comm.Handle != 0)
        CloseHandle(core::handleFromDescriptor(static_cast<int>(Comm.Handle)));
    Comm.Available = false;
    Comm.Handle = 0;
}

LONG TlkLineInternal::DeallocateCall(DWORD callHandle) {
    if (callHandle == 0)
        return 0;
    if (!m_tapiReady)
        return -1;
    const LONG result = lineDeallocateCall(callHandle);
    ReadDeviceStatus();
    ReadAddressStatus();
    return result;
}

void TlkLineInternal::ReadDeviceStatus() {
    const TlkVarStructure status = TlkReadVarStructure(
        sizeof(LINEDEVSTATUS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            return lineGetLineDevStatus(Line.hLine, static_cast<LINEDEVSTATUS*>(buffer));
        });
    if (status.result != 0)
        return;
    const auto& fixed = status.fixed<LINEDEVSTATUS>();
    Device.OpenCount = fixed.dwNumOpens;
    Device.ActiveCalls = fixed.dwNumActiveCalls;
    Device.MediaModes.Open = fixed.dwOpenMediaModes;
    Device.OnHoldCalls = fixed.dwNumOnHoldCalls;
    Device.OnHoldPendCalls = fixed.dwNumOnHoldPendCalls;
    Device.RingMode = fixed.dwRingMode;
    Terminal.ActiveModes = 0;
    const std::uint64_t entry =
        fixed.dwTerminalModesOffset + std::uint64_t{static_cast<DWORD>(Terminal.ID)} * 4;
    if (fixed.dwTerminalModesSize > 0 && entry + 4 <= status.size() &&
        entry + 4 <= std::uint64_t{fixed.dwTerminalModesOffset} + fixed.dwTerminalModesSize) {
        DWORD modes;
        std::memcpy(&modes, status.bytes() + entry, sizeof modes);
        Terminal.ActiveModes = (modes & 0xFF) & Terminal.AvailableModes;
    }
    auto& window = Vantage().observer<LineVantageObserver>();
    window.UpdateDeviceStatus();
    window.UpdateTerminalPage();
}

void TlkLineInternal::ReadAddressStatus() {
    const TlkVarStructure status = TlkReadVarStructure(
        sizeof(LINEADDRESSSTATUS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            return lineGetAddressStatus(Line.hLine, static_cast<DWORD>(Address.ID),
                                        static_cast<LINEADDRESSSTATUS*>(buffer));
        });
    if (status.result != 0)
        return;
    const auto& fixed = status.fixed<LINEADDRESSSTATUS>();
    Address.NumInUse = fixed.dwNumInUse;
    Address.NumActiveCalls = fixed.dwNumActiveCalls;
    Address.NumOnHoldCalls = fixed.dwNumOnHoldCalls;
    Address.NumOnHoldPendCalls = fixed.dwNumOnHoldPendCalls;
    Address.Features = fixed.dwAddressFeatures;
    Address.NumRingsNoAnswer = fixed.dwNumRingsNoAnswer;
    TlkAddressForward& forward = Address.Forward;
    forward.NumEntries = fixed.dwForwardNumEntries;
    forward.Active = false;
    forward.Mode = 0;
    forward.Caller.clear();
    forward.PhoneNumber.clear();
    if (fixed.dwForwardSize > 0 && fixed.dwForwardNumEntries > 0 &&
        status.contains(fixed.dwForwardOffset, sizeof(LINEFORWARD))) {
        LINEFORWARD first;
        std::memcpy(&first, status.bytes() + fixed.dwForwardOffset, sizeof first);
        forward.Active = true;
        forward.NumEntries = 1;
        forward.Mode = first.dwForwardMode;
        forward.Caller =
            trimmed(status.text(first.dwCallerAddressOffset, first.dwCallerAddressSize));
        forward.PhoneNumber =
            trimmed(status.text(first.dwDestAddressOffset, first.dwDestAddressSize));
    }
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
}
