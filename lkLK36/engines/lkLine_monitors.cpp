// The monitor switches of the current call: digit gathering, digit, media-mode and silence
// monitoring. Each setting is kept with the call's record too, so that switching the current call
// restores it. The TAPI functions behind them complete at once; their reports come as messages.
#include <string>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"

namespace {

constexpr LONG MaxGatheredDigits = 31;  // the record's buffer holds 31 digits and a NUL

LineVantageObserver& monitorWindow(TlkLineInternal& line) {
    return line.Vantage().observer<LineVantageObserver>();
}

}  // namespace

// Monitors act only on a current call that is still active; otherwise a setter just stores.
bool TlkCall::monitorsReachTAPI() const {
    return Handle != 0 && Active;
}

// The current call's settings go into its record, or the next restore would bring back old ones.
void TlkCall::keepMonitorSettings() {
    m_owner.SaveCallRecord(Handle);
}

// ---- digit gathering ----

void TlkCall::SetGatherDigitsActive(bool value) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    if (Handle != 0)
        owner.log().Add(1, "Call.GatherDigits.Active := " + TlkVantage::BooleanText(value));
    LONG result = 0;
    if (monitorsReachTAPI()) {
        if (TlkCallRecord* record = owner.FindCallRecord(Handle)) {
            if (value)
                monitorWindow(owner).UpdateDigitsPage();
            // The request takes its count, termination digits and time-outs from the record.
            record->GatherDigits = GatherDigits;
            result = owner.applyGatherDigits(*record, value);
        }
    }
    if (result < 0) {
        owner.FillErrorStrings(result);
        if (!guard)
            return;
    } else {
        GatherDigits.Active = value;
        keepMonitorSettings();
        owner.Error().Clear();
        clearShownDigits();
    }
    monitorWindow(owner).UpdateDigitsPage();
}

// Digits shown from before a monitor was switched would pass for what it found since.
void TlkCall::clearShownDigits() {
    LineVantageObserver& window = monitorWindow(m_owner);
    window.ShowGatheredDigits({});
    window.ShowReceivedDigit({});
}

// The settings of a running gathering cannot change under it; TAPI has them already.
bool TlkCall::gatherSettingAccepted(bool inRange) {
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    bool accepted = false;
    if (GatherDigits.Active && monitorsReachTAPI()) {
        owner.FillErrorStrings(LINEERR_OPERATIONFAILED);
    } else if (!inRange) {
        owner.FillErrorStrings(LINEERR_INVALPARAM);
    } else {
        accepted = true;
    }
    if (!guard)
        return false;
    return accepted;
}

void TlkCall::finishGatherSetting() {
    keepMonitorSettings();
    monitorWindow(m_owner).UpdateDigitsPage();
}

void TlkCall::SetGatherDigitsCount(LONG value) {
    const TlkLifeGuard guard = m_owner.lifeGuard();
    if (value != GatherDigits.Count)
        m_owner.log().Add(1, "Call.GatherDigits.Count = " + std::to_string(value));
    const bool accepted = gatherSettingAccepted(value >= 1 && value <= MaxGatheredDigits);
    if (!guard)
        return;
    if (accepted)
        GatherDigits.Count = value;
    finishGatherSetting();
}

void TlkCall::SetGatherDigitsTerminate(const std::string& value) {
    const TlkLifeGuard guard = m_owner.lifeGuard();
    if (value != GatherDigits.Terminate)
        m_owner.log().Add(1, "Call.GatherDigits.Terminate = '" + value + "'");
    const bool accepted = gatherSettingAccepted(true);
    if (!guard)
        return;
    if (accepted)
        GatherDigits.Terminate = value;
    finishGatherSetting();
}

void TlkCall::SetGatherDigitsTimeout(LONG value) {
    const TlkLifeGuard guard = m_owner.lifeGuard();
    if (value != GatherDigits.Timeout)
        m_owner.log().Add(1, "Call.GatherDigits.TimeOut = " + std::to_string(value));
    const bool accepted = gatherSettingAccepted(value >= 0);
    if (!guard)
        return;
    if (accepted)
        GatherDigits.Timeout = value;
    finishGatherSetting();
}

// ---- digit monitoring ----

void TlkCall::SetMonitorDigitsActive(bool value) {
    TlkLineInternal& owner = m_owner;
    if (Handle != 0)
        owner.log().Add(1, "Call.MonitorDigits.Active := " + TlkVantage::BooleanText(value));
    const LONG result = monitorsReachTAPI() ? owner.applyMonitorDigits(Handle, value) : 0;
    if (result < 0) {
        owner.FillErrorStrings(result);
        return;
    }
    MonitorDigits.Active = value;
    keepMonitorSettings();
    owner.Error().Clear();
    clearShownDigits();
}

// ---- media-mode monitoring ----

void TlkCall::SetMonitorMediaModesActive(bool value) {
    TlkLineInternal& owner = m_owner;
    if (Handle != 0)
        owner.log().Add(1, "Call.MonitorMediaModes.Active := " + TlkVantage::BooleanText(value));
    const DWORD modes = value ? MonitorMediaModes.MediaModes : 0;
    const LONG result = monitorsReachTAPI() ? owner.applyMonitorMedia(Handle, modes) : 0;
    // A monitor that could not be switched on is off, also in TAPI, which would otherwise go on
    // reporting the modes asked for earlier.
    if (result < 0 && value)
        owner.applyMonitorMedia(Handle, 0);
    MonitorMediaModes.Active = result < 0 ? false : value;
    keepMonitorSettings();
    if (result < 0)
        owner.FillErrorStrings(result);
    else
        owner.Error().Clear();
}

// Monitoring already running keeps the modes it was started with until it is switched on again.
void TlkCall::SetMonitorMediaModes(DWORD value) {
    TlkLineInternal& owner = m_owner;
    if (Handle != 0) {
        owner.log().Add(1, "Call.MonitorMediaModes.MediaModes := [" + Hex8(value) + "]");
        for (DWORD bit = LINEMEDIAMODE_UNKNOWN; bit <= LINEMEDIAMODE_VOICEVIEW; bit <<= 1) {
            if (value & bit)
                owner.log().Add(0, "\t" + LineMediaModeName(static_cast<LONG>(bit)));
        }
    }
    owner.Error().Clear();
    MonitorMediaModes.MediaModes = value;
    keepMonitorSettings();
}

// ---- silence monitoring ----

void TlkCall::SetMonitorSilenceActive(bool value) {
    TlkLineInternal& owner = m_owner;
    if (Handle != 0)
        owner.log().Add(1, "Call.MonitorSilence.Active := " + TlkVantage::BooleanText(value));
    const LONG result =
        monitorsReachTAPI() ? owner.applyMonitorSilence(Handle, value, MonitorSilence.Duration) : 0;
    MonitorSilence.Active = result < 0 ? false : value;
    keepMonitorSettings();
    if (result < 0)
        owner.FillErrorStrings(result);
    else
        owner.Error().Clear();
}

// A new duration takes effect at once: silence monitoring that runs is started again with it.
void TlkCall::SetMonitorSilenceDuration(LONG value) {
    if (value < 0)
        return;
    TlkLineInternal& owner = m_owner;
    const TlkLifeGuard guard = owner.lifeGuard();
    MonitorSilence.Duration = value;
    if (MonitorSilence.Active && monitorsReachTAPI()) {
        LONG result = owner.applyMonitorSilence(Handle, false, 0);
        if (result >= 0)
            result = owner.applyMonitorSilence(Handle, true, value);
        if (result < 0) {
            MonitorSilence.Active = false;
            keepMonitorSettings();
            owner.FillErrorStrings(result);
            if (!guard)
                return;
        } else {
            owner.Error().Clear();
        }
    }
    keepMonitorSettings();
    monitorWindow(owner).UpdateCallDetails();
}
