// The Line control's device group (which device, its name, idle delay, media modes, configuration
// dialog), its privileges, and the devices TAPI relates to the line: the comm port of a data
// call and the phone. Opening and closing the line itself is lkLine_open.cpp.
#include <cstring>
#include <string>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "platform/core/handles.h"

namespace {

constexpr DWORD DataMediaModes =
    LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_G4FAX;

LineVantageObserver& monitorWindow(TlkLineInternal& line) {
    return line.Vantage().observer<LineVantageObserver>();
}

void refreshAllPanels(TlkLineInternal& line) {
    LineVantageObserver& window = monitorWindow(line);
    window.UpdateDeviceStatus();
    window.UpdateDeviceList(line.Device);
    window.UpdateCallDetails();
    window.UpdateInfoTree();
    window.UpdateAddressList();
    window.UpdateTerminalPage();
}

}  // namespace

// ---- which device ----

void TlkLineInternal::SetDeviceID(LONG value) {
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    if (value < 0 || value >= Device.Count) {
        log().Add(1, "Device.ID := " + std::to_string(value));
        FillErrorStrings(LINEERR_BADDEVICEID);
        if (!guard)
            return;
        log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
        return;
    }
    if (value == Device.ID)
        return;
    if (Device.Active) {
        SetDeviceActive(false);
        if (!guard || Device.Active)
            return;
    }
    log().Add(1, "Device.ID := " + std::to_string(value));
    log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
    Device.ID = value;
    EnumerateDevices();
    if (!guard)
        return;
    refreshAllPanels(*this);
    log().Add(0, "\tDevice.Name = '" + Device.Name + "'");
    DesignerUpdate();
}

// A name that is not listed leaves the device as it was, with the error for the caller to see.
void TlkLineInternal::SetDeviceName(const std::string& value) {
    if (Device.Count == 0 || value == Device.Name)
        return;
    log().Add(1, "Device.Name := '" + value + "'");
    Error().Clear();
    for (std::size_t id = 0; id < Device.List.size(); ++id) {
        if (Device.List[id] == value) {
            SetDeviceID(static_cast<LONG>(id));
            return;
        }
    }
    FillErrorStrings(LINEERR_BADDEVICEID);
}

// ---- settings that only take effect at the next open ----

// Reports the line-state error when the line is open; True when the setting may change.
bool TlkLineInternal::lineClosedForSetting() {
    if (!Device.Active)
        return true;
    FillErrorStrings(LINEERR_INVALLINESTATE);
    return false;
}

void TlkLineInternal::SetIdleDelay(LONG value) {
    log().Add(1, "Device.IdleDelay := [" + std::to_string(value) + "] //milliseconds");
    if (lineClosedForSetting())
        Device.IdleDelay = value;
}

void TlkLineInternal::SetDeviceMediaModesActive(DWORD value) {
    if ((value & ~Device.MediaModes.Available) == 0)
        Device.MediaModes.Active = value;
}

// NONE excludes the other two: an application either takes part in calls or only opens the line.
void TlkLineInternal::setPrivilege(const char* name, bool TlkPrivilege::*member, bool value) {
    log().Add(1, std::string("Device.Privilege.") + name + " := " + TlkVantage::BooleanText(value));
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    if (!lineClosedForSetting())
        return;
    if (value) {
        if (member == &TlkPrivilege::None) {
            Privilege.Monitor = false;
            Privilege.Owner = false;
        } else {
            Privilege.None = false;
        }
    }
    Privilege.*member = value;
    DesignerUpdate();
}

void TlkLineInternal::SetPrivilegeNone(bool value) {
    setPrivilege("None", &TlkPrivilege::None, value);
}

void TlkLineInternal::SetPrivilegeMonitor(bool value) {
    setPrivilege("Monitor", &TlkPrivilege::Monitor, value);
}

void TlkLineInternal::SetPrivilegeOwner(bool value) {
    setPrivilege("Owner", &TlkPrivilege::Owner, value);
}

void TlkLineInternal::setRelatedDeviceClass(const char* group, std::string& deviceClass,
                                            const std::string& value) {
    log().Add(1, std::string(group) + ".DeviceClass := \"" + value + "\"");
    const TlkLifeGuard guard = lifeGuard();
    if (lineClosedForSetting())
        deviceClass = value;
    if (!guard)
        return;
    DesignerUpdate();
    monitorWindow(*this).UpdateInfoTree();
}

void TlkLineInternal::SetCommDeviceClass(const std::string& value) {
    setRelatedDeviceClass("Comm", Comm.DeviceClass, value);
}

void TlkLineInternal::SetPhoneDeviceClass(const std::string& value) {
    setRelatedDeviceClass("Phone", Phone.DeviceClass, value);
}

// ---- the configuration dialog ----

bool TlkLineInternal::DeviceConfigure() {
    log().Add(1, "Device.Configure");
    const TlkLifeGuard guard = lifeGuard();
    // The engine has no window of its own to own the dialog; the provider centres it instead.
    const LONG result =
        m_tapiReady ? lineConfigDialog(static_cast<DWORD>(Device.ID), nullptr, nullptr) : -1;
    const bool done = result >= 0;
    if (done) {
        Error().Clear();
    } else {
        FillErrorStrings(result);
        if (!guard)
            return false;
    }
    log().Add(1, "\tDevice.Configure - Returned = " + TlkVantage::BooleanText(done));
    return done;
}

// ---- the comm handle of a data call ----

void TlkLineInternal::SetCommEnabled(bool value) {
    log().Add(1, "Comm.Enabled := " + TlkVantage::BooleanText(value));
    Comm.Enabled = value;
    if (value) {
        if (Call.Handle != 0 && (Call.MediaMode & DataMediaModes) && Comm.Handle == 0)
            openCommHandle(Call.Handle);
    } else {
        // A handle held for a call that is no longer current is closed too: nothing else would.
        closeCommHandle();
    }
    DesignerUpdate();
    monitorWindow(*this).UpdateInfoTree();
}

// The comm device is always asked for by call, whatever its class is called. Only a binary answer
// carries a handle: a textual one (a port name) holds nothing that may be closed.
void TlkLineInternal::openCommHandle(DWORD call) {
    const TlkVarStructure answer = TlkReadVarStructure(
        sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            return lineGetID(0, 0, call, LINECALLSELECT_CALL, static_cast<VARSTRING*>(buffer),
                             Comm.DeviceClass.c_str());
        });
    Comm.Available = false;
    if (answer.result != 0 || answer.empty())
        return;
    const auto& value = answer.fixed<VARSTRING>();
    if (value.dwStringFormat != STRINGFORMAT_BINARY || value.dwStringSize < sizeof(HANDLE) ||
        !answer.contains(value.dwStringOffset, sizeof(HANDLE))) {
        return;
    }
    HANDLE handle;
    std::memcpy(&handle, answer.bytes() + value.dwStringOffset, sizeof handle);
    const int descriptor = core::descriptorOf(handle);
    if (descriptor <= 0)
        return;
    Comm.Available = true;
    Comm.Handle = static_cast<DWORD>(descriptor);
}
