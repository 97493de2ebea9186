// The setters of the Phone control's device group, its privileges and its related line device,
// and the device's configuration dialog.
#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/lkPhone.h"

void TlkPhoneInternal::SetDeviceActive(bool value) {
    // Every request is remembered for the whole library, also one that changes nothing here.
    setLkDeviceActiveRequested(value);
    if (value == Device.Active)
        return;
    log().Add(1, "Device.Active := " + TlkVantage::BooleanText(value));
    log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
    log().Add(0, "\tDevice.ID = " + std::to_string(Device.ID));
    log().Add(0, "\tDevice.Name = '" + Device.Name + "'");
    const TlkLifeGuard guard = lifeGuard();
    if (value) {
        OpenPhone();
    } else {
        ClosePhone();
    }
    if (!guard)
        return;
    refreshWindow();
    DesignerUpdate();
}

void TlkPhoneInternal::SetDeviceID(LONG value) {
    Error().Clear();
    const TlkLifeGuard guard = lifeGuard();
    if (value < 0 || value >= Device.Count) {
        log().Add(1, "Device.ID := " + std::to_string(value));
        FillErrorStrings(PHONEERR_BADDEVICEID);
        if (!guard)
            return;
        log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
    } else {
        if (m_tapiReady && Device.Active) {
            SetDeviceActive(false);
            if (!guard || Device.Active)
                return;
        }
        log().Add(1, "Device.ID := " + std::to_string(value));
        log().Add(0, "\tDevice.Count = " + std::to_string(Device.Count));
        Device.ID = value;
        RefreshDevices();
        if (!guard)
            return;
    }
    refreshWindow();
    log().Add(0, "\tDevice.Name = '" + Device.Name + "'");
    DesignerUpdate();
}

void TlkPhoneInternal::SetDeviceName(const std::string& value) {
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
    const TlkLifeGuard guard = lifeGuard();
    FillErrorStrings(PHONEERR_BADDEVICEID);
    if (!guard)
        return;
    refreshWindow();
    DesignerUpdate();
}

void TlkPhoneInternal::setPrivilege(const char* name, bool TlkPhonePrivilege::*flag, bool value) {
    const std::string path = std::string("Device.Privilege.") + name;
    log().Add(1, path + " := " + TlkVantage::BooleanText(value));
    Error().Clear();
    log().Add(1, path + " = " + TlkVantage::BooleanText(value));
    Privilege.*flag = value;
    DesignerUpdate();
}

void TlkPhoneInternal::SetPrivilegeMonitor(bool value) {
    setPrivilege("Monitor", &TlkPhonePrivilege::Monitor, value);
}

void TlkPhoneInternal::SetPrivilegeOwner(bool value) {
    setPrivilege("Owner", &TlkPhonePrivilege::Owner, value);
}

void TlkPhoneInternal::SetLineDeviceClass(const std::string& value) {
    log().Add(1, "Line.DeviceClass := \"" + value + "\"");
    if (Device.Active) {
        const TlkLifeGuard guard = lifeGuard();
        FillErrorStrings(PHONEERR_INVALPHONESTATE);
        if (!guard)
            return;
    } else {
        Line.DeviceClass = value;
    }
    DesignerUpdate();
    Vantage().observer<PhoneVantageObserver>().UpdatePhoneInfoTree();
}

// The phone's own configuration dialog: the line dialog would be given a phone's device id and
// could configure an unrelated line device.
bool TlkPhoneInternal::DeviceConfigure() {
    log().Add(1, "Device.Configure");
    const LONG result =
        m_tapiReady ? phoneConfigDialog(static_cast<DWORD>(Device.ID), nullptr, "tapi/phone") : -1;
    const TlkLifeGuard guard = lifeGuard();
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
