// The refresh routines of the Line monitor window: what the control calls after each change, and
// the trees they fill. Every text that names a property goes through the chosen syntax; the
// writes never drive the control (the handlers react to the user's own clicks and typing only,
// and the rest are written with the widgets' signals blocked).
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/vantage_tree.h"
#include "lkLK36/vantage/vantage_widgets.h"
#include "platform/core/clock.h"

namespace {

std::string hex(DWORD value) {
    return Hex8(value);
}

// A handle as the panels show it: empty for no call.
std::string handleText(DWORD handle) {
    return handle ? Hex8(handle) : std::string();
}

std::string number(DWORD value) {
    return std::to_string(value);
}

// A code as its constant name and its value: "LINEBEARERMODE_VOICE [00000001]".
std::string coded(TlkNameFunction name, DWORD value) {
    return name(static_cast<LONG>(value)) + " [" + hex(value) + "]";
}

// The system's short date and a time with seconds; "<unavailable>" for a stamp of 0.
std::string dateTimeText(double stamp) {
    if (stamp == 0)
        return "<unavailable>";
    const core::DateParts p = core::datePartsOf(stamp);
    const QDateTime when(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
    const QLocale locale = QLocale::system();
    return (locale.toString(when.date(), QLocale::ShortFormat) + " " +
            when.time().toString("HH:mm:ss"))
        .toStdString();
}

struct PartyNode {
    const char* name;
    int kind;
};

}  // namespace

const char* CallStatusImage(DWORD state) {
    switch (state) {
        case LINECALLSTATE_OFFERING:
        case LINECALLSTATE_DIALTONE:
        case LINECALLSTATE_DIALING:
        case LINECALLSTATE_RINGBACK:
        case LINECALLSTATE_BUSY:
        case LINECALLSTATE_SPECIALINFO:
        case LINECALLSTATE_PROCEEDING:
            return "ImageCallStatusOffRed";
        case LINECALLSTATE_CONNECTED:
            return "ImageCallStatusOffGreen";
        case LINECALLSTATE_ONHOLD:
        case LINECALLSTATE_CONFERENCED:
        case LINECALLSTATE_ONHOLDPENDCONF:
        case LINECALLSTATE_ONHOLDPENDTRANSFER:
            return "ImageCallStatusOffYellow";
        case LINECALLSTATE_DISCONNECTED:
            return "ImageCallStatusOnRed";
        default:  // IDLE, ACCEPTED, UNKNOWN, none
            return "ImageCallStatusOnGray";
    }
}

const char* PanelStatusImage(LONG state) {
    if (state <= 0)
        return nullptr;
    // As the Call page, except that a proceeding call is shown gray on the panels.
    if (state == LINECALLSTATE_PROCEEDING)
        return "ImageCallStatusOnGray";
    return CallStatusImage(static_cast<DWORD>(state));
}

void TlkLineVantage::refreshAll() {
    UpdateDeviceList();
    UpdateCallDetails();
    UpdateTransferPanel(static_cast<DWORD>(-1), static_cast<DWORD>(-1), static_cast<DWORD>(-1));
    UpdateTransferPhoneNumber();
    UpdateConferencePanel(static_cast<DWORD>(-1), static_cast<DWORD>(-1), static_cast<DWORD>(-1));
    UpdateConferencePhoneNumber();
    UpdateInfoTree();
    UpdateDeviceStatus();
    UpdateTerminalPage();
    UpdatePhoneNumber();
    UpdateAddressList();
    UpdateDigitsPage();
    UpdateCallParameters();
    ShowGatheredDigits({});
    ShowReceivedDigit({});
    UpdateCallerIDPage();
}

void TlkLineVantage::UpdateDeviceStatus() {
    const bool active = line().Device.Active;
    auto* on = component<QToolButton>("SpeedButtonDeviceActive");
    auto* off = component<QToolButton>("SpeedButtonDeviceInactive");
    // Only a change is shown: every write here would lay the whole window out anew.
    if (off->isHidden() != active)
        return;
    on->setVisible(!active);
    off->setVisible(active);
    statusActive()->setVisible(active);
    statusInactive()->setVisible(!active);
    (active ? off : on)->raise();
}

void TlkLineVantage::UpdateDeviceList(const TlkSharedDevice& device) {
    showDeviceCaption(device.ID, device.Count);
    fillCombo(deviceCombo(), device.List, device.Count != 0 ? device.ID : -1);
    UpdateAddressList();
    UpdateTerminalPage();
}

// ---- the call ----

void TlkLineVantage::fillCallCombo() {
    const TlkCall& call = line().Call;
    fillCombo(component<QComboBox>("ComboBoxCall"), call.List,
              static_cast<int>(line().IndexOfCallHandle(call.Handle)));
}

void TlkLineVantage::UpdateCallDetails() {
    const TlkCall& call = line().Call;
    const char* shown = CallStatusImage(call.State);
    for (const char* image :
         {"ImageCallStatusOnGray", "ImageCallStatusOffGreen", "ImageCallStatusOnRed",
          "ImageCallStatusOffYellow", "ImageCallStatusOffRed"}) {
        component<QLabel>(image)->setVisible(std::string_view(image) == shown);
    }
    UpdateCallerIDPage();
    const int page = pageControl()->indexOf(component("TabSheetCall"));
    const QString caption = QString::fromStdString("Call (" + std::to_string(call.Count) + ")");
    if (pageControl()->tabText(page) != caption)
        pageControl()->setTabText(page, caption);
    component<QGroupBox>("GroupBoxCall")
        ->setTitle(
            QString::fromStdString(syntax("Call.Handle = " + hex(call.Handle)) +
                                   syntax("    Call.Count = " + std::to_string(call.Count))));
    fillCallCombo();
    buildCallTree(component<QTreeWidget>("TreeViewCallDetails"));
}

void TlkLineVantage::buildCallTree(QTreeWidget* tree) {
    const TlkCall& call = line().Call;
    VantageTreeWriter w(tree, vantage());
    const auto truth = TlkVantage::BooleanText;
    const auto party = [&](const char* name, int kind) {
        const TlkCallerID& id = call.party(kind);
        const std::string path = std::string("Call.") + name;
        QTreeWidgetItem* node = w.node(nullptr, path);
        w.node(node, path + ".Blocked = " + truth(id.Blocked));
        w.flagNode(node, path + ".Flags", id.Flags, LineCallPartyIDName, 0x1, 0x40);
        w.node(node, path + ".Name = '" + id.GetName() + "'");
        w.node(node, path + ".Number = '" + id.GetNumber() + "'");
        w.node(node, path + ".OutOfArea = " + truth(id.OutOfArea));
    };
    w.node(nullptr, "Call.Active = " + truth(call.Active));
    w.node(nullptr, "Call.Address = " + number(call.Address));
    w.node(nullptr, "Call.BearerMode = " + coded(LineBearerModeName, call.BearerMode));
    w.node(nullptr, "Call.Began = " + dateTimeText(call.Began));
    w.node(nullptr, "Call.BusyMode = " + coded(LineBusyModeName, call.BusyMode));
    party("CalledID", CalledParty);
    party("CallerID", CallerParty);
    w.node(nullptr, "Call.Connected = " + dateTimeText(call.Connected));
    party("ConnectedID", ConnectedParty);
    w.node(nullptr, "Call.DialToneMode = " + coded(LineDialToneModeName, call.DialToneMode));
    w.node(nullptr, "Call.Disconnected = " + dateTimeText(call.Disconnected));
    w.node(nullptr, "Call.DisconnectMode = " + coded(LineDisconnectModeName, call.DisconnectMode));
    w.node(nullptr, "Call.Ended = " + dateTimeText(call.Ended));
    w.node(nullptr, call.Handle != 0 ? "Call.Handle = [" + hex(call.Handle) + "]"
                                     : "Call.Handle = No call [00000000]");
    w.node(nullptr, "Call.ID = [" + hex(call.ID) + "]");
    w.flagNode(nullptr, "Call.MediaMode", call.MediaMode, LineMediaModeName, 0x2, 0x4000);
    w.node(nullptr, "Call.Monitors = " + number(call.Monitors));
    w.node(nullptr, "Call.Origin = " + coded(LineCallOriginName, call.Origin));
    w.node(nullptr, "Call.OriginatingApp = '" + call.OriginatingApp + "'");
    w.node(nullptr, "Call.Owner = " + truth(call.Owner));
    w.node(nullptr, "Call.Owners = " + number(call.Owners));
    w.node(nullptr, "Call.Reason = " + coded(LineCallReasonName, call.Reason));
    party("RedirectingID", RedirectingParty);
    party("RedirectionID", RedirectionParty);
    w.node(nullptr, "Call.SpecialInfo = " + coded(LineSpecialInfoName, call.SpecialInfo));
    w.node(nullptr, "Call.State = " + coded(LineCallStateName, call.State));
    w.node(nullptr,
           "Call.StateMode = " +
               CallStateModeName(static_cast<LONG>(call.State), static_cast<LONG>(call.StateMode)) +
               " [" + hex(call.StateMode) + "]");
}

// ---- transfer and conference ----

void TlkLineVantage::setPanelImage(const char* image, DWORD call) {
    const char* source = call == 0
                             ? "ImageCallStatusOnGray"
                             : PanelStatusImage(static_cast<LONG>(line().Call.GetCallState(call)));
    if (!source)
        return;
    auto* label = component<QLabel>(image);
    if (label->property("statusImage").toString() == QLatin1String(source))
        return;
    label->setPixmap(component<QLabel>(source)->pixmap().scaled(16, 16));
    label->setProperty("statusImage", QString::fromLatin1(source));
}

void TlkLineVantage::setPanelImages(DWORD call,
                                    std::span<const std::pair<const char*, DWORD>> images) {
    // 0: every image gray; -1: every call the panel has; a handle: only that call's image.
    for (const auto& [image, handle] : images) {
        if (call == 0)
            setPanelImage(image, 0);
        else if (handle != 0 && (call == static_cast<DWORD>(-1) || handle == call))
            setPanelImage(image, handle);
    }
}

void TlkLineVantage::UpdateTransferPanel(DWORD call, DWORD /*state*/, DWORD /*mode*/) {
    const TlkTransfer& transfer = line().Transfer;
    fillCombo(component<QComboBox>("ComboBoxTransferPrimaryCall"),
              {handleText(transfer.PrimaryCall)}, 0);
    setText(component<QLineEdit>("EditTransferConsultCall"), handleText(transfer.ConsultCall));
    setText(component<QLineEdit>("EditTransfer3WayCall"), handleText(transfer.ThreeWayCall));
    const std::pair<const char*, DWORD> images[] = {
        {"ImageTransferPrimaryCall", transfer.PrimaryCall},
        {"ImageTransferConsultCall", transfer.ConsultCall},
        {"ImageTransfer3WayCall", transfer.ThreeWayCall},
    };
    setPanelImages(call, images);
}

void TlkLineVantage::UpdateConferencePanel(DWORD call, DWORD /*state*/, DWORD /*mode*/) {
    const TlkConference& conference = line().Conference;
    fillCombo(component<QComboBox>("ComboBoxConferencePrimaryCall"),
              {handleText(conference.PrimaryCall)}, 0);
    fillCombo(component<QComboBox>("ComboBoxConferenceConsultCall"),
              {handleText(conference.ConsultCall)}, 0);
    setText(component<QLineEdit>("EditConferenceHandle"), handleText(conference.Handle));
    const std::pair<const char*, DWORD> images[] = {
        {"ImageConferencePrimaryCall", conference.PrimaryCall},
        {"ImageConferenceConsultCall", conference.ConsultCall},
        {"ImageConferenceHandle", conference.Handle},
    };
    setPanelImages(call, images);
}

void TlkLineVantage::UpdateTransferPhoneNumber() {
    setText(component<QLineEdit>("EditTransferPhoneNumber"), line().Transfer.PhoneNumber);
}

void TlkLineVantage::UpdateConferencePhoneNumber() {
    setText(component<QLineEdit>("EditConferencePhoneNumber"), line().Conference.PhoneNumber);
}

void TlkLineVantage::UpdatePhoneNumber() {
    const TlkCall& call = line().Call;
    setText(component<QLineEdit>("EditPhoneNumber"), call.PhoneNumber);
    setText(component<QLineEdit>("EditMonitorSilenceDuration"),
            std::to_string(call.MonitorSilence.Duration));
    setChecked(component<QCheckBox>("CheckBoxCallMonitorSilence"), call.MonitorSilence.Active);
}

// ---- caller ID, parameters, digits ----

void TlkLineVantage::UpdateCallerIDPage() {
    const int kind = chosenParty();
    if (kind < 0)
        return;
    const TlkCallerID& party = line().Call.party(kind);
    setText(component<QLineEdit>("EditCallerIDFormatMask"), party.MaskNumber);
    setChecked(component<QCheckBox>("RBFormatCallerID"), party.FormatName);
    setText(component<QLineEdit>("EditCallCallerIDName"), party.GetName());
    setText(component<QLineEdit>("EditCallCallerIDNumber"), party.GetNumber());
    setText(component<QLineEdit>("EditCallCallerIDBlocked"),
            TlkVantage::BooleanText(party.Blocked));
    setText(component<QLineEdit>("EditCallCallerIDOutOfArea"),
            TlkVantage::BooleanText(party.OutOfArea));
    setText(component<QLineEdit>("EditCallCallerIDFlags"), hex(party.Flags));
}

void TlkLineVantage::UpdateCallParameters() {
    TlkLineInternal& l = line();
    const std::pair<const char*, const TlkCallParameters*> groups[] = {
        {"AFP", &l.Address.Forward.Parameters},
        {"CP", &l.Call.Parameters},
        {"TP", &l.Transfer.Parameters},
        {"ConferenceP", &l.Conference.Parameters},
    };
    for (const auto& [prefix, group] : groups) {
        const std::string p = prefix;
        setChecked(component<QCheckBox>(("CheckBox" + p + "Defaults").c_str()), group->Defaults);
        const auto edit = [&](const char* field) {
            return component<QLineEdit>(("Edit" + p + field).c_str());
        };
        setText(edit("AddressID"), std::to_string(group->AddressID));
        setText(edit("NoAnswerTimeOut"), std::to_string(group->NoAnswerTimeout));
        setText(edit("BearerMode"), HexEditText(static_cast<DWORD>(group->BearerMode)));
        setText(edit("Flags"), HexEditText(static_cast<DWORD>(group->Flags)));
        setText(edit("MediaMode"), HexEditText(static_cast<DWORD>(group->MediaMode)));
    }
}

void TlkLineVantage::UpdateDigitsPage() {
    const TlkCall& call = line().Call;
    setChecked(component<QCheckBox>("CheckBoxCallMonitorDigitsActive"), call.MonitorDigits.Active);
    setChecked(component<QCheckBox>("CheckBoxCGDActive"), call.GatherDigits.Active);
    setText(component<QLineEdit>("EditCGDCount"), std::to_string(call.GatherDigits.Count));
    setText(component<QLineEdit>("EditCGDTerminate"), call.GatherDigits.Terminate);
    setText(component<QLineEdit>("EditCGDTimeOut"), std::to_string(call.GatherDigits.Timeout));
}

void TlkLineVantage::ShowGatheredDigits(const std::string& digits) {
    setText(component<QLineEdit>("EditCDGOnDigitsGathered"), digits);
}

void TlkLineVantage::ShowReceivedDigit(const std::string& digit) {
    setText(component<QLineEdit>("EditCDGOnDigitReceived"), digit);
}

// ---- the information tree ----

void TlkLineVantage::UpdateInfoTree() {
    TlkLineInternal& l = line();
    const auto truth = TlkVantage::BooleanText;
    VantageTreeWriter w(component<QTreeWidget>("TreeViewInfo"), vantage());

    QTreeWidgetItem* comm = w.node(nullptr, "Comm");
    w.node(comm, "Comm.Available = " + truth(l.Comm.Available));
    w.node(comm, "Comm.Enabled = " + truth(l.Comm.Enabled));
    w.node(comm, "Comm.Handle = " + number(l.Comm.Handle));

    const TlkLineDevice& device = l.Device;
    const TlkLineDeviceCaps& caps = device.Capabilities;
    QTreeWidgetItem* dev = w.node(nullptr, "Device");
    w.node(dev, "Device.ActiveCalls = " + number(device.ActiveCalls));
    QTreeWidgetItem* capsNode = w.node(dev, "Device.Capabilities");
    w.flagNode(capsNode, "Device.Capabilities.AnswerMode", caps.AnswerMode, LineAnswerModeName, 0x1,
               0x4);
    w.flagNode(capsNode, "Device.Capabilities.BearerModes", caps.BearerModes, LineBearerModeName,
               0x1, 0x40);
    w.flagNode(capsNode, "Device.Capabilities.Flags", caps.Flags, LineDevCapFlagsName, 0x1, 0x2000);
    w.flagNode(capsNode, "Device.Capabilities.LineFeatures", caps.LineFeatures, LineFeatureName,
               0x1, 0x100);
    w.node(capsNode, "Device.Capabilities.MaxNumActiveCalls = " + number(caps.MaxNumActiveCalls));
    w.node(capsNode, "Device.Capabilities.RingModes = " + number(caps.RingModes));
    // The device-specific bytes are shown as text up to their first NUL, never past their size.
    const std::string devSpecific = caps.DevSpecific.substr(0, caps.DevSpecific.find('\0'));
    w.node(capsNode, "Device.Capabilities.DevSpecificSize = " +
                         number(static_cast<DWORD>(caps.DevSpecific.size())));
    w.node(capsNode, "Device.Capabilities.DevSpecific = '" + devSpecific + "'");
    w.flagNode(capsNode, "Device.Capabilities.States", caps.States, LineDevStateName, 0x1,
               0x1000000);
    w.flagNode(capsNode, "Device.Capabilities.Tones", caps.Tones, LineToneModeName, 0x1, 0x10);
    QTreeWidgetItem* media = w.node(dev, "Device.MediaModes");
    w.flagNode(media, "Device.MediaModes.Active", device.MediaModes.Active, LineMediaModeName, 0x2,
               0x4000);
    w.flagNode(media, "Device.MediaModes.Available", device.MediaModes.Available, LineMediaModeName,
               0x2, 0x4000);
    w.flagNode(media, "Device.MediaModes.Open", device.MediaModes.Open, LineMediaModeName, 0x2,
               0x4000);
    w.node(dev, "Device.OnHoldCalls = " + number(device.OnHoldCalls));
    w.node(dev, "Device.OnHoldPendCalls = " + number(device.OnHoldPendCalls));
    w.node(dev, "Device.OpenCount = " + number(device.OpenCount));
    w.node(dev, "Device.RingMode = " + number(device.RingMode));

    QTreeWidgetItem* lineNode = w.node(nullptr, "Line");
    w.node(lineNode, "Line.AppHandle = [" + hex(static_cast<DWORD>(l.LineAppHandle())) + "]");
    w.node(lineNode, "Line.Handle = [" + hex(static_cast<DWORD>(l.LineHandle())) + "]");

    QTreeWidgetItem* phone = w.node(nullptr, "Phone");
    w.node(phone, "Phone.Available = " + truth(l.Phone.Available));
    w.node(phone, "Phone.ID = " + std::to_string(l.Phone.ID));

    QTreeWidgetItem* tapi = w.node(nullptr, "TAPI");
    w.node(tapi, "TAPI.Version = " + number(l.TAPI.Version));
    w.node(tapi, "TAPI.Subversion = " + number(l.TAPI.Subversion));
    w.node(tapi, "TAPI.TSP = '" + l.TAPI.TSP + "'");

    for (const TlkRelatedWaveDevice* wave : {&l.WavePlay, &l.WaveRecord}) {
        const std::string name = wave->groupName();
        QTreeWidgetItem* node = w.node(nullptr, name);
        w.node(node, name + ".Available = " + truth(wave->Available));
        w.node(node, name + ".ID = " + std::to_string(wave->ID));
    }

    const std::pair<const char*, std::string> classes[] = {
        {"EditCommDeviceClass", l.Comm.DeviceClass},
        {"EditInfoPhoneDeviceClass", l.Phone.DeviceClass},
        {"EditInfoWavePlayDeviceClass", l.WavePlay.DeviceClass()},
        {"EditInfoWaveRecordDeviceClass", l.WaveRecord.DeviceClass()},
    };
    for (const auto& [name, text] : classes) {
        QLineEdit* edit = component<QLineEdit>(name);
        // A class being typed is left alone until its edit is left.
        if (!edit->isModified() || !edit->hasFocus())
            setText(edit, text);
    }
}

// ---- address and terminal ----

void TlkLineVantage::UpdateAddressList() {
    const TlkAddress& address = line().Address;
    component<QGroupBox>("GroupBoxAddress")
        ->setTitle(
            QString::fromStdString(syntax("Address.ID = " + std::to_string(address.ID)) +
                                   syntax("    Address.Count = " + std::to_string(address.Count))));
    fillCombo(component<QComboBox>("ComboBoxAddress"), address.List,
              address.Count > 0 ? static_cast<int>(address.ID) : -1);
    const TlkAddressForward& forward = address.Forward;
    setChecked(component<QCheckBox>("CheckBoxAFActive"), forward.Active);
    setText(component<QLineEdit>("EditAFCaller"), forward.Caller);
    setText(component<QLineEdit>("EditAFConsultCall"), hex(forward.ConsultCall));
    setText(component<QLineEdit>("EditAFMode"), HexEditText(forward.Mode));
    setText(component<QLineEdit>("EditAFNumForwardEntries"), number(forward.NumEntries));
    setText(component<QLineEdit>("EditAFPhoneNumber"), forward.PhoneNumber);

    const LINEADDRESSCAPS& c = address.Capabilities;
    {
        VantageTreeWriter w(component<QTreeWidget>("TreeViewAddressCaps"), vantage());
        const auto flags = [&](const char* field, DWORD value, TlkNameFunction name, DWORD last) {
            w.flagNode(nullptr, std::string("Address.Capabilities.") + field, value, name, 0x1,
                       last);
        };
        const auto value = [&](const char* field, DWORD v) {
            w.node(nullptr, std::string("Address.Capabilities.") + field + " = " + number(v));
        };
        flags("BusyModes", c.dwBusyModes, LineBusyModeName, 0x8);
        flags("CalledIDFlags", c.dwCalledIDFlags, LineCallPartyIDName, 0x40);
        flags("CallerIDFlags", c.dwCallerIDFlags, LineCallPartyIDName, 0x40);
        flags("CallFeatures", c.dwCallFeatures, LineCallFeatureName, 0x80000000);
        flags("CallInfoStates", c.dwCallInfoStates, LineCallInfoStateName, 0x8000000);
        flags("CallStates", c.dwCallStates, LineCallStateName, 0x8000);
        flags("Features", c.dwAddressFeatures, LineAddrFeatureName, 0x2000);
        flags("Flags", c.dwAddrCapFlags, LineAddrCapFlagsName, 0x400000);
        flags("ConnectedIDFlags", c.dwConnectedIDFlags, LineCallPartyIDName, 0x40);
        flags("ConnectedModes", c.dwConnectedModes, LineConnectedModeName, 0x10);
        flags("DialtoneModes", c.dwDialToneModes, LineDialToneModeName, 0x20);
        flags("DisconnectModes", c.dwDisconnectModes, LineDisconnectModeName, 0x1000);
        flags("ForwardModes", c.dwForwardModes, LineForwardModeName, 0x20000);
        value("MaxForwardEntries", c.dwMaxForwardEntries);
        value("MaxFwdNumRings", c.dwMaxFwdNumRings);
        value("MaxNoAnswerTimeout", c.dwMaxNoAnswerTimeout);
        value("MaxNumActiveCalls", c.dwMaxNumActiveCalls);
        value("MaxNumOnHoldCalls", c.dwMaxNumOnHoldCalls);
        value("MaxNumOnHoldPendingCalls", c.dwMaxNumOnHoldPendingCalls);
        value("MaxNumConference", c.dwMaxNumConference);
        value("MaxNumTransConf", c.dwMaxNumTransConf);
        value("MaxSpecificEntries", c.dwMaxSpecificEntries);
        value("MinFwdNumRings", c.dwMinFwdNumRings);
        flags("OfferingModes", c.dwOfferingModes, LineOfferingModeName, 0x2);
        flags("ParkModes", c.dwParkModes, LineParkModeName, 0x2);
        flags("RedirectingIDFlags", c.dwRedirectingIDFlags, LineCallPartyIDName, 0x40);
        flags("RedirectionIDFlags", c.dwRedirectionIDFlags, LineCallPartyIDName, 0x40);
        w.rangeFlagNode(nullptr, "Address.Capabilities.RemoveFromConfCaps", c.dwRemoveFromConfCaps,
                        LineRemoveFromConfName, 1, 4);
        flags("RemoveFromConfState", c.dwRemoveFromConfState, LineCallStateName, 0x8000);
        flags("SpecialInfo", c.dwSpecialInfo, LineSpecialInfoName, 0x10);
        flags("States", c.dwAddressStates, LineAddressStateName, 0x100);
        flags("TransferModes", c.dwTransferModes, LineTransferModeName, 0x2);
    }
    {
        VantageTreeWriter w(component<QTreeWidget>("TreeViewAddressProperties"), vantage());
        w.flagNode(nullptr, "Address.Features", address.Features, LineAddrFeatureName, 0x1, 0x2000);
        w.node(nullptr, "Address.NumActiveCalls = " + number(address.NumActiveCalls));
        w.node(nullptr, "Address.NumInUse = " + number(address.NumInUse));
        w.node(nullptr, "Address.NumOnHoldCalls = " + number(address.NumOnHoldCalls));
        w.node(nullptr, "Address.NumOnHoldPendCalls = " + number(address.NumOnHoldPendCalls));
        w.node(nullptr, "Address.NumRingsNoAnswer = " + number(address.NumRingsNoAnswer));
    }
}

void TlkLineVantage::UpdateTerminalPage() {
    const TlkTerminal& terminal = line().Terminal;
    component<QGroupBox>("GroupBoxTerminal")
        ->setTitle(QString::fromStdString(
            syntax("Terminal.ID = " + std::to_string(terminal.ID)) +
            syntax("    Terminal.Count = " + std::to_string(terminal.Count))));
    fillCombo(component<QComboBox>("ComboBoxTerminal"), terminal.List,
              terminal.Count > 0 ? static_cast<int>(terminal.ID) : -1);
    {
        VantageTreeWriter w(component<QTreeWidget>("TreeViewTerminal"), vantage());
        w.flagNode(nullptr, "Terminal.ActiveModes", terminal.ActiveModes, LineTermModeName, 0x1,
                   0x80);
        w.flagNode(nullptr, "Terminal.AvailableModes", terminal.AvailableModes, LineTermModeName,
                   0x1, 0x80);
        w.flagNode(nullptr, "Terminal.Device", terminal.Device, LineTermDevName, 0x1, 0x4);
        w.flagNode(nullptr, "Terminal.Sharing", terminal.Sharing, LineTermSharingName, 0x1, 0x4);
    }
    static constexpr const char* modes[] = {"BUTTONS",       "LAMPS",        "DISPLAY",
                                            "RINGER",        "HOOKSWITCH",   "MEDIATOLINE",
                                            "MEDIAFROMLINE", "MEDIABIDIRECT"};
    DWORD bit = 1;
    for (const char* mode : modes) {
        const bool available = (terminal.AvailableModes & bit) != 0;
        auto* label = component<QLabel>((std::string("LabelLINETERMMODE_") + mode).c_str());
        auto* check = component<QCheckBox>((std::string("CheckBoxLINETERMMODE_") + mode).c_str());
        label->setEnabled(available);
        check->setEnabled(available);
        setChecked(check, (terminal.ActiveModes & bit) != 0);
        bit <<= 1;
    }
}
