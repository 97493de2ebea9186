// The Line monitor window's layout, menus and handlers.
#include "lkLK36/vantage/lkLineVT.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/vantage/vantage_glyphs.h"

namespace {

constexpr VantageKindTraits kLineTraits{"lkLine", 396, 390, 323, 250};

// A combo box that tells before its list drops down, so the list can be filled afresh.
class DropDownComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;
    void showPopup() override {
        if (onDropDown)
            onDropDown();
        QComboBox::showPopup();
    }
};

QLineEdit* makeEdit(QWidget* parent, const char* name, bool readOnly = false,
                    const char* text = nullptr) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    if (text)
        edit->setText(text);
    return edit;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const char* caption) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    return check;
}

QTreeWidget* makeTree(QWidget* parent, const char* name) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    return tree;
}

QLabel* makeImage(QWidget* parent, const char* name, LampColour colour, bool on) {
    auto* image = new QLabel(parent);
    image->setObjectName(name);
    image->setPixmap(lampPixmap(colour, on));
    image->setFixedSize(16, 16);
    return image;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(caption, parent);
    if (name)
        label->setObjectName(name);
    return label;
}

std::string textOf(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// The media-mode bits the menus offer: UNKNOWN (0x2) to VIDEO (0x8000).
constexpr DWORD kFirstMediaMode = 0x2;
constexpr DWORD kLastMediaMode = 0x8000;

// The events whose pop-up switches the Popup menu holds, in menu order.
struct PopupFlag {
    const char* caption;
    bool TlkLinePopup::*flag;
};
constexpr PopupFlag kPopupFlags[] = {
    {"OnAddressForward", &TlkLinePopup::OnAddressForward},
    {"OnBusy", &TlkLinePopup::OnBusy},
    {"OnCallBegin", &TlkLinePopup::OnCallBegin},
    {"OnCalledID", &TlkLinePopup::OnCalledID},
    {"OnCallEnd", &TlkLinePopup::OnCallEnd},
    {"OnCallerID", &TlkLinePopup::OnCallerID},
    {"OnCallInfo", &TlkLinePopup::OnCallInfo},
    {"OnCallMediaModeChange", &TlkLinePopup::OnCallMediaModeChange},
    {"OnCallOwnerChange", &TlkLinePopup::OnCallOwnerChange},
    {"OnCallState", &TlkLinePopup::OnCallState},
    {"OnConferenced", &TlkLinePopup::OnConferenced},
    {"OnConnected", &TlkLinePopup::OnConnected},
    {"OnConnectedID", &TlkLinePopup::OnConnectedID},
    {"OnDialing", &TlkLinePopup::OnDialing},
    {"OnDialtone", &TlkLinePopup::OnDialtone},
    {"OnDigitReceived", &TlkLinePopup::OnDigitReceived},
    {"OnDigitsGathered", &TlkLinePopup::OnDigitsGathered},
    {"OnDigitsSent", &TlkLinePopup::OnDigitsSent},
    {"OnDisconnected", &TlkLinePopup::OnDisconnected},
    {"OnError", &TlkLinePopup::OnError},
    {"OnHold", &TlkLinePopup::OnHold},
    {"OnHoldPendingConference", &TlkLinePopup::OnHoldPendingConference},
    {"OnHoldPendingTransfer", &TlkLinePopup::OnHoldPendingTransfer},
    {"OnIdle", &TlkLinePopup::OnIdle},
    {"OnMessageOff", &TlkLinePopup::OnMessageOff},
    {"OnMessageOn", &TlkLinePopup::OnMessageOn},
    {"OnOffering", &TlkLinePopup::OnOffering},
    {"OnProceeding", &TlkLinePopup::OnProceeding},
    {"OnRedirectingID", &TlkLinePopup::OnRedirectingID},
    {"OnRedirectionID", &TlkLinePopup::OnRedirectionID},
    {"OnRing", &TlkLinePopup::OnRing},
    {"OnRingBack", &TlkLinePopup::OnRingBack},
    {"OnSilence", &TlkLinePopup::OnSilence},
    {"OnSpecialInfo", &TlkLinePopup::OnSpecialInfo},
    {"OnTAPIMessage", &TlkLinePopup::OnTAPIMessage},
    {"OnTAPIReply", &TlkLinePopup::OnTAPIReply},
    {"OnToneSent", &TlkLinePopup::OnToneSent},
};

}  // namespace

TlkLineVantage::TlkLineVantage(TlkVantage& vantage) : VantageWindow(vantage, kLineTraits) {
    setObjectName("TlkLineVantage");
    buildHeaderButtons();
    QTabWidget* pages = pageControl();
    // The Log page is the frame's; the Line pages stand around it in their order.
    pages->insertTab(0, buildAddressPage(), "Address");
    pages->insertTab(1, buildCallPage(), "Call (0)");
    pages->insertTab(2, buildConferencePage(), "Conference");
    pages->addTab(buildInfoPage(), "Misc.");
    pages->addTab(buildTerminalPage(), "Terminal");
    pages->addTab(buildTransferPage(), "Transfer");
    buildMenus();
    applyStoredHints();
    // Lists whose items change with every call keep their size, so a refresh repaints only them
    // and never lays the whole window out anew.
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(10);
    }
    onSignal(deviceCombo(), &QComboBox::activated,
             [this] { drive([&] { line().SetDeviceID(deviceCombo()->currentIndex()); }); });
}

TlkLineVantage::~TlkLineVantage() = default;

TlkLineInternal& TlkLineVantage::line() const {
    return *static_cast<TlkLineInternal*>(vantage().owner());
}

void TlkLineVantage::drive(const std::function<void()>& act, bool designerUpdate) {
    act();
    if (designerUpdate && !closing())
        DesignerUpdate();
}

// ---- layout ----

void TlkLineVantage::buildHeaderButtons() {
    auto* active = new QToolButton(centralWidget());
    active->setObjectName("SpeedButtonDeviceActive");
    active->setText("On");
    active->setToolTip("lkLine.Device.Active := True");
    auto* inactive = new QToolButton(centralWidget());
    inactive->setObjectName("SpeedButtonDeviceInactive");
    inactive->setText("Off");
    inactive->setToolTip("lkLine.Device.Active := False  -  Click to deactivate");
    inactive->hide();
    headerRow()->insertWidget(0, active);
    headerRow()->insertWidget(1, inactive);
    onSignal(active, &QToolButton::clicked, [this] {
        line().SetDeviceActive(!line().Device.Active);
        if (!closing())
            component<QAction>("MenuDeviceActive")->setChecked(line().Device.Active);
    });
    onSignal(inactive, &QToolButton::clicked, [this] {
        if (!line().Device.Active)
            return;
        line().SetDeviceActive(false);
        if (!closing())
            component<QAction>("MenuDeviceActive")->setChecked(line().Device.Active);
    });
    statusActive()->setToolTip("lkLine.Device.Active = True & lkLine.Call.Active = False");
    statusInactive()->setToolTip("lkLine.Device.Active = False");
}

QWidget* TlkLineVantage::buildParameters(QWidget* parent, const std::string& prefix,
                                         std::function<TlkCallParameters&()> group,
                                         bool designerUpdate) {
    auto* box = new QGroupBox("Parameters", parent);
    auto* grid = new QGridLayout(box);
    const std::string defaultsName = "CheckBox" + prefix + "Defaults";
    QCheckBox* defaults = makeCheck(box, defaultsName.c_str(), "Defaults");
    grid->addWidget(defaults, 0, 0, 1, 2);
    onSignal(defaults, &QCheckBox::clicked, [this, defaults, group, designerUpdate] {
        drive([&] { line().SetCallParametersDefaults(group(), defaults->isChecked()); },
              designerUpdate);
    });
    struct Field {
        const char* name;
        LONG TlkCallParameters::*member;
        bool hex;
    };
    static constexpr Field fields[] = {
        {"AddressID", &TlkCallParameters::AddressID, false},
        {"BearerMode", &TlkCallParameters::BearerMode, true},
        {"Flags", &TlkCallParameters::Flags, true},
        {"MediaMode", &TlkCallParameters::MediaMode, true},
        {"NoAnswerTimeOut", &TlkCallParameters::NoAnswerTimeout, false},
    };
    int row = 1;
    for (const Field& f : fields) {
        const std::string name = "Edit" + prefix + f.name;
        QLineEdit* edit = makeEdit(box, name.c_str());
        grid->addWidget(makeLabel(box, nullptr, f.name), row, 0);
        grid->addWidget(edit, row++, 1);
        const auto member = f.member;
        if (f.hex) {
            onSignal(
                edit, &QLineEdit::editingFinished, [this, edit, group, member, designerUpdate] {
                    hexEditExit(
                        edit, [&](LONG value) { line().SetCallParameter(group(), member, value); },
                        [&] { return static_cast<DWORD>(group().*member); }, designerUpdate);
                });
        } else {
            onSignal(
                edit, &QLineEdit::editingFinished, [this, edit, group, member, designerUpdate] {
                    drive(
                        [&] {
                            line().SetCallParameter(group(), member, ReadWholeNumber(textOf(edit)));
                        },
                        designerUpdate);
                });
        }
    }
    grid->setRowStretch(row, 1);
    return box;
}

QWidget* TlkLineVantage::buildAddressPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetAddress");
    auto* column = new QVBoxLayout(page);
    auto* group = new QGroupBox("Address.ID = 0    Address.Count = 0", page);
    group->setObjectName("GroupBoxAddress");
    auto* groupColumn = new QVBoxLayout(group);
    auto* combo = new QComboBox(group);
    combo->setObjectName("ComboBoxAddress");
    combo->setToolTip("lkLine.Address.Name");
    groupColumn->addWidget(combo);
    onSignal(combo, &QComboBox::activated,
             [this, combo] { drive([&] { line().SetAddressID(combo->currentIndex()); }); });

    auto* sub = new QTabWidget(group);
    sub->setObjectName("PageControlAddress");
    groupColumn->addWidget(sub, 1);
    column->addWidget(group, 1);

    auto* caps = new QWidget;
    caps->setObjectName("TabSheetAddressCaps");
    auto* capsColumn = new QVBoxLayout(caps);
    capsColumn->addWidget(makeTree(caps, "TreeViewAddressCaps"));
    sub->addTab(caps, "Capabilities");

    auto* forward = new QWidget;
    forward->setObjectName("TabSheetAddressForward");
    auto* forwardRow = new QHBoxLayout(forward);
    auto* forwardGrid = new QGridLayout;
    QCheckBox* active = makeCheck(forward, "CheckBoxAFActive", "Active");
    forwardGrid->addWidget(active, 0, 0, 1, 2);
    onSignal(active, &QCheckBox::clicked,
             [this, active] { drive([&] { line().SetForwardActive(active->isChecked()); }); });
    struct Row {
        const char* label;
        const char* name;
        bool readOnly;
    };
    static constexpr Row rows[] = {{"Caller", "EditAFCaller", false},
                                   {"Mode", "EditAFMode", false},
                                   {"PhoneNumber", "EditAFPhoneNumber", false},
                                   {"ConsultCall", "EditAFConsultCall", true},
                                   {"NumEntries", "EditAFNumForwardEntries", true}};
    int r = 1;
    for (const Row& row : rows) {
        forwardGrid->addWidget(makeLabel(forward, nullptr, row.label), r, 0);
        forwardGrid->addWidget(makeEdit(forward, row.name, row.readOnly), r++, 1);
    }
    forwardGrid->setRowStretch(r, 1);
    forwardRow->addLayout(forwardGrid, 1);
    forwardRow->addWidget(buildParameters(
        forward, "AFP",
        [this]() -> TlkCallParameters& { return line().Address.Forward.Parameters; }, true));
    sub->addTab(forward, "Forward");
    auto* caller = component<QLineEdit>("EditAFCaller");
    onSignal(caller, &QLineEdit::editingFinished,
             [this, caller] { drive([&] { line().SetForwardCaller(textOf(caller)); }); });
    auto* number = component<QLineEdit>("EditAFPhoneNumber");
    onSignal(number, &QLineEdit::editingFinished,
             [this, number] { drive([&] { line().SetForwardPhoneNumber(textOf(number)); }); });
    auto* mode = component<QLineEdit>("EditAFMode");
    onSignal(mode, &QLineEdit::editingFinished, [this, mode] {
        hexEditExit(
            mode, [&](LONG value) { line().SetForwardMode(static_cast<DWORD>(value)); },
            [&] { return line().Address.Forward.Mode; }, false);
    });

    auto* properties = new QWidget;
    properties->setObjectName("TabSheetAddressProperties");
    auto* propertiesColumn = new QVBoxLayout(properties);
    propertiesColumn->addWidget(makeTree(properties, "TreeViewAddressProperties"));
    sub->addTab(properties, "Properties");
    sub->setCurrentWidget(properties);
    return page;
}

QWidget* TlkLineVantage::buildCallPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetCall");
    auto* column = new QVBoxLayout(page);

    auto* group = new QGroupBox("Call.Handle = 00000000    Call.Count = 0", page);
    group->setObjectName("GroupBoxCall");
    auto* groupRow = new QHBoxLayout(group);
    const std::tuple<const char*, LampColour, bool> images[] = {
        {"ImageCallStatusOnGray", LampColour::Gray, true},
        {"ImageCallStatusOffGreen", LampColour::Green, false},
        {"ImageCallStatusOnRed", LampColour::Red, true},
        {"ImageCallStatusOffYellow", LampColour::Yellow, false},
        {"ImageCallStatusOffRed", LampColour::Red, false},
    };
    for (const auto& [name, colour, on] : images) {
        QLabel* image = makeImage(group, name, colour, on);
        image->setVisible(std::string_view(name) == "ImageCallStatusOnGray");
        groupRow->addWidget(image);
    }
    const std::pair<const char*, const char*> speedButtons[] = {
        {"SpeedButtonCallPhoneNumber", "Dial"}, {"SpeedButtonCallAnswer", "Ans"},
        {"SpeedButtonCallHangup", "Hup"},       {"SpeedButtonCallHold", "Hld"},
        {"SpeedButtonCallUnhold", "Uhl"},       {"SpeedButtonCallPark", "Prk"},
        {"SpeedButtonCallUnpark", "Upk"},       {"SpeedButtonCallPickup", "Pck"},
        {"SpeedButtonCallRedirect", "Red"},
    };
    for (const auto& [name, caption] : speedButtons) {
        auto* button = new QToolButton(group);
        button->setObjectName(name);
        button->setText(caption);
        groupRow->addWidget(button);
    }
    auto* callCombo = new QComboBox(group);
    callCombo->setObjectName("ComboBoxCall");
    callCombo->setToolTip("lkLine.Call.Handle");
    callCombo->setMinimumWidth(90);
    groupRow->addWidget(callCombo, 1);
    column->addWidget(group);
    onSignal(callCombo, &QComboBox::activated, [this, callCombo] {
        drive([&] {
            line().Call.SetHandle(
                static_cast<DWORD>(ReadWholeNumber("$" + callCombo->currentText().toStdString())));
        });
    });

    auto* sub = new QTabWidget(page);
    sub->setObjectName("PageControlCall");
    column->addWidget(sub, 1);

    // CallerID
    auto* callerId = new QWidget;
    callerId->setObjectName("TabSheetCallCallerID");
    auto* callerRow = new QHBoxLayout(callerId);
    auto* radios = new QVBoxLayout;
    const std::pair<const char*, const char*> parties[] = {
        {"RadioButtonCallCalledID", "CalledID"},
        {"RadioButtonCallCallerID", "CallerID"},
        {"RadioButtonCallConnectedID", "ConnectedID"},
        {"RadioButtonCallRedirectingID", "RedirectingID"},
        {"RadioButtonCallRedirectionID", "RedirectionID"},
    };
    for (const auto& [name, caption] : parties) {
        auto* radio = new QRadioButton(caption, callerId);
        radio->setObjectName(name);
        radio->setChecked(std::string_view(name) == "RadioButtonCallCallerID");
        radios->addWidget(radio);
        onSignal(radio, &QRadioButton::clicked, [this] { UpdateCallDetails(); });
    }
    radios->addStretch(1);
    callerRow->addLayout(radios);
    auto* callerGrid = new QGridLayout;
    QCheckBox* format = makeCheck(callerId, "RBFormatCallerID", "FormatName");
    format->setChecked(true);
    callerGrid->addWidget(format, 0, 0, 1, 2);
    QLineEdit* mask = makeEdit(callerId, "EditCallerIDFormatMask", false, "000-000-0000;0;*");
    callerGrid->addWidget(makeLabel(callerId, nullptr, "MaskNumber"), 1, 0);
    callerGrid->addWidget(mask, 1, 1);
    const std::pair<const char*, const char*> shown[] = {
        {"Name", "EditCallCallerIDName"},       {"Number", "EditCallCallerIDNumber"},
        {"Blocked", "EditCallCallerIDBlocked"}, {"OutOfArea", "EditCallCallerIDOutOfArea"},
        {"Flags", "EditCallCallerIDFlags"},
    };
    int r = 2;
    for (const auto& [label, name] : shown) {
        callerGrid->addWidget(makeLabel(callerId, nullptr, label), r, 0);
        callerGrid->addWidget(makeEdit(callerId, name, true), r++, 1);
    }
    callerGrid->setRowStretch(r, 1);
    callerRow->addLayout(callerGrid, 1);
    sub->addTab(callerId, "CallerID");
    onSignal(format, &QCheckBox::clicked, [this, format] {
        const int party = chosenParty();
        if (party >= 0)
            drive([&] { line().Call.party(party).SetFormatName(format->isChecked()); }, true);
    });
    // textEdited comes from typing only, so the refresh's own writes never reach the control.
    onSignal(mask, &QLineEdit::textEdited, [this, mask] {
        const int party = chosenParty();
        if (party >= 0)
            drive([&] { line().Call.party(party).SetMaskNumber(textOf(mask)); }, true);
    });

    // Control
    auto* control = new QWidget;
    control->setObjectName("TabSheetCallControl");
    auto* controlGrid = new QGridLayout(control);
    struct ControlRow {
        const char* button;
        const char* caption;
        const char* edit;
        const char* edit2;
    };
    static constexpr ControlRow controls[] = {
        {"ButtonCallPhoneNumber", "Dial", "EditPhoneNumber", nullptr},
        {"ButtonCallAnswer", "Answer", nullptr, nullptr},
        {"ButtonCallHangup", "Hangup", nullptr, nullptr},
        {"ButtonCallHold", "Hold", nullptr, nullptr},
        {"ButtonCallUnhold", "Unhold", nullptr, nullptr},
        {"ButtonCallTransfer", "Transfer", nullptr, nullptr},
        {"ButtonCallPark", "Park", "EditCallParkPhoneNumber", nullptr},
        {"ButtonCallUnpark", "Unpark", "EditCallUnparkPhoneNumber", nullptr},
        {"ButtonCallPickup", "Pickup", "EditCallPickupPhoneNumber", "EditCallPickupGroupID"},
        {"ButtonCallRedirect", "Redirect", "EditCallRedirectPhoneNumber", nullptr},
    };
    r = 0;
    for (const ControlRow& c : controls) {
        controlGrid->addWidget(makeButton(control, c.button, c.caption), r, 0);
        if (c.edit)
            controlGrid->addWidget(makeEdit(control, c.edit), r, 1);
        if (c.edit2)
            controlGrid->addWidget(makeEdit(control, c.edit2), r, 2);
        ++r;
    }
    controlGrid->setRowStretch(r, 1);
    sub->addTab(control, "Control");

    // Digits
    auto* digits = new QWidget;
    digits->setObjectName("TabSheetCallDigits");
    auto* digitsColumn = new QVBoxLayout(digits);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(makeButton(digits, "ButtonSendDigits", "Call.SendDigits"));
    sendRow->addWidget(makeEdit(digits, "EditSendDigits"));
    sendRow->addWidget(makeEdit(digits, "EditSendDigitsDuration"));
    digitsColumn->addLayout(sendRow);
    auto* gather = new QGroupBox("Call.GatherDigits", digits);
    auto* gatherGrid = new QGridLayout(gather);
    QCheckBox* gatherActive = makeCheck(gather, "CheckBoxCGDActive", "Active");
    gatherGrid->addWidget(gatherActive, 0, 0, 1, 2);
    const std::pair<const char*, const char*> gatherRows[] = {
        {"Count", "EditCGDCount"},
        {"Timeout", "EditCGDTimeOut"},
        {"Terminate", "EditCGDTerminate"},
        {"OnDigitsGathered", "EditCDGOnDigitsGathered"},
    };
    r = 1;
    for (const auto& [label, name] : gatherRows) {
        gatherGrid->addWidget(makeLabel(gather, nullptr, label), r, 0);
        gatherGrid->addWidget(
            makeEdit(gather, name, std::string_view(name) == "EditCDGOnDigitsGathered"), r++, 1);
    }
    digitsColumn->addWidget(gather);
    auto* monitor = new QGroupBox("Call.MonitorDigits", digits);
    auto* monitorGrid = new QGridLayout(monitor);
    monitorGrid->addWidget(makeCheck(monitor, "CheckBoxCallMonitorDigitsActive", "Active"), 0, 0, 1,
                           2);
    monitorGrid->addWidget(makeLabel(monitor, nullptr, "OnDigitReceived"), 1, 0);
    monitorGrid->addWidget(makeEdit(monitor, "EditCDGOnDigitReceived", true), 1, 1);
    digitsColumn->addWidget(monitor);
    digitsColumn->addStretch(1);
    sub->addTab(digits, "Digits");
    onSignal(gatherActive, &QCheckBox::clicked, [this, gatherActive] {
        line().Call.SetGatherDigitsActive(gatherActive->isChecked());
        if (closing())
            return;
        UpdateDigitsPage();
        DesignerUpdate();
    });
    const std::pair<const char*, void (TlkCall::*)(LONG)> gatherNumbers[] = {
        {"EditCGDCount", &TlkCall::SetGatherDigitsCount},
        {"EditCGDTimeOut", &TlkCall::SetGatherDigitsTimeout},
    };
    for (const auto& [name, setter] : gatherNumbers) {
        QLineEdit* edit = component<QLineEdit>(name);
        onSignal(edit, &QLineEdit::editingFinished, [this, edit, setter = setter] {
            (line().Call.*setter)(ReadWholeNumber(textOf(edit)));
            if (closing())
                return;
            UpdateDigitsPage();
            DesignerUpdate();
        });
    }
    QLineEdit* terminate = component<QLineEdit>("EditCGDTerminate");
    onSignal(terminate, &QLineEdit::editingFinished, [this, terminate] {
        line().Call.SetGatherDigitsTerminate(textOf(terminate));
        if (closing())
            return;
        UpdateDigitsPage();
        DesignerUpdate();
    });

    // Misc.
    auto* misc = new QWidget;
    misc->setObjectName("TabSheetCallMisc");
    auto* miscGrid = new QGridLayout(misc);
    miscGrid->addWidget(makeCheck(misc, "CheckBoxCallMonitorSilence", "MonitorSilence"), 0, 0);
    miscGrid->addWidget(makeEdit(misc, "EditMonitorSilenceDuration"), 0, 1);
    miscGrid->addWidget(makeButton(misc, "ButtonCallHandoff", "Handoff"), 1, 0);
    miscGrid->addWidget(makeEdit(misc, "EditHandoffApp", false, "awfxex32.exe"), 1, 1);
    miscGrid->addWidget(makeButton(misc, "ButtonCallSendTone", "SendTone"), 2, 0);
    auto* tone = new QComboBox(misc);
    tone->setObjectName("ComboBoxSendTone");
    tone->addItems({"None", "Ringback", "Busy", "Beep", "Billing"});
    miscGrid->addWidget(tone, 2, 1);
    miscGrid->addWidget(makeEdit(misc, "EditSendToneDuration"), 2, 2);
    miscGrid->setRowStretch(3, 1);
    sub->addTab(misc, "Misc.");

    // Parameters
    auto* parameters = new QWidget;
    parameters->setObjectName("TabSheetCallParameters");
    auto* parametersColumn = new QVBoxLayout(parameters);
    parametersColumn->addWidget(buildParameters(
        parameters, "CP", [this]() -> TlkCallParameters& { return line().Call.Parameters; }, true));
    sub->addTab(parameters, "Parameters");

    // Properties
    auto* properties = new QWidget;
    properties->setObjectName("TabSheetCallProperties");
    auto* propertiesColumn = new QVBoxLayout(properties);
    QTreeWidget* details = makeTree(properties, "TreeViewCallDetails");
    details->setToolTip("lkLine.Call Status");
    propertiesColumn->addWidget(details);
    sub->addTab(properties, "Properties");
    sub->setCurrentWidget(control);
    return page;
}

QWidget* TlkLineVantage::buildConferencePage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetConference");
    auto* row = new QHBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->addWidget(makeImage(page, "ImageConferencePrimaryCall", LampColour::Gray, true), 0, 0);
    grid->addWidget(makeButton(page, "ConferencePrimaryCall", "PrimaryCall"), 0, 1);
    auto* primary = new DropDownComboBox(page);
    primary->setObjectName("ComboBoxConferencePrimaryCall");
    grid->addWidget(primary, 0, 2);
    grid->addWidget(makeImage(page, "ImageConferenceConsultCall", LampColour::Gray, true), 1, 0);
    grid->addWidget(makeButton(page, "ButtonConferenceConsultCall", "ConsultCall"), 1, 1);
    auto* consult = new DropDownComboBox(page);
    consult->setObjectName("ComboBoxConferenceConsultCall");
    grid->addWidget(consult, 1, 2);
    grid->addWidget(makeImage(page, "ImageConferenceHandle", LampColour::Gray, true), 2, 0);
    grid->addWidget(makeButton(page, "ButtonConferenceHandle", "Handle"), 2, 1);
    grid->addWidget(makeEdit(page, "EditConferenceHandle", true), 2, 2);
    grid->addWidget(makeButton(page, "ButtonConferenceDial", "Dial"), 3, 1);
    grid->addWidget(makeEdit(page, "EditConferencePhoneNumber"), 3, 2);
    grid->addWidget(makeButton(page, "ButtonConferenceSwapHold", "SwapHold"), 4, 1);
    grid->addWidget(makeButton(page, "ButtonConferenceAddCall", "AddCall"), 5, 1);
    grid->setRowStretch(6, 1);
    row->addLayout(grid, 1);
    row->addWidget(buildParameters(
        page, "ConferenceP",
        [this]() -> TlkCallParameters& { return line().Conference.Parameters; }, false));

    primary->onDropDown = [this] {
        dropDownCalls("ComboBoxConferencePrimaryCall", line().Call.List);
    };
    consult->onDropDown = [this] {
        dropDownCalls("ComboBoxConferenceConsultCall", line().Conference.List);
    };
    callFromCombo("ComboBoxConferencePrimaryCall",
                  [this](DWORD call) { line().SetConferencePrimaryCall(call); });
    callFromCombo("ComboBoxConferenceConsultCall",
                  [this](DWORD call) { line().SetConferenceConsultCall(call); });
    const std::pair<const char*, DWORD TlkConference::*> shows[] = {
        {"ConferencePrimaryCall", &TlkConference::PrimaryCall},
        {"ButtonConferenceConsultCall", &TlkConference::ConsultCall},
        {"ButtonConferenceHandle", &TlkConference::Handle},
    };
    for (const auto& [name, member] : shows) {
        onSignal(component<QPushButton>(name), &QPushButton::clicked,
                 [this, member = member] { selectCall(line().Conference.*member); });
    }
    QLineEdit* number = component<QLineEdit>("EditConferencePhoneNumber");
    onSignal(number, &QLineEdit::editingFinished,
             [this, number] { line().SetConferencePhoneNumber(textOf(number)); });
    onSignal(component<QPushButton>("ButtonConferenceDial"), &QPushButton::clicked, [this, number] {
        line().SetConferencePhoneNumber(textOf(number));
        if (!closing())
            line().ConferenceDial();
    });
    onSignal(component<QPushButton>("ButtonConferenceSwapHold"), &QPushButton::clicked,
             [this] { line().ConferenceSwapHold(); });
    onSignal(component<QPushButton>("ButtonConferenceAddCall"), &QPushButton::clicked,
             [this] { line().ConferenceAddCall(); });
    return page;
}

QWidget* TlkLineVantage::buildInfoPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetInfo");
    auto* column = new QVBoxLayout(page);
    auto* panel = new QSplitter(Qt::Horizontal, page);
    panel->setObjectName("PanelInfoTab");
    QTreeWidget* tree = makeTree(panel, "TreeViewInfo");
    tree->setToolTip("lkLine Information");
    panel->addWidget(tree);
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName("ScrollBoxInfo");
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget;
    auto* grid = new QGridLayout(inner);
    struct Row {
        const char* label;
        const char* labelName;
        const char* edit;
        void (*store)(TlkLineInternal&, const std::string&);
    };
    static constexpr Row rows[] = {
        {"Comm.DeviceClass", "LabelCommDeviceClass", "EditCommDeviceClass",
         [](TlkLineInternal& l, const std::string& v) { l.SetCommDeviceClass(v); }},
        {"Phone.DeviceClass", "LabelPhoneDeviceClass", "EditInfoPhoneDeviceClass",
         [](TlkLineInternal& l, const std::string& v) { l.SetPhoneDeviceClass(v); }},
        {"WavePlay.DeviceClass", "LabelWavePlayDeviceClass", "EditInfoWavePlayDeviceClass",
         [](TlkLineInternal& l, const std::string& v) { l.WavePlay.SetDeviceClass(v); }},
        {"WaveRecord.DeviceClass", "LabelWaveRecordDeviceClass", "EditInfoWaveRecordDeviceClass",
         [](TlkLineInternal& l, const std::string& v) { l.WaveRecord.SetDeviceClass(v); }},
    };
    int r = 0;
    for (const Row& row : rows) {
        grid->addWidget(makeLabel(inner, row.labelName, row.label), r++, 0);
        QLineEdit* edit = makeEdit(inner, row.edit);
        grid->addWidget(edit, r++, 0);
        const auto store = row.store;
        onSignal(edit, &QLineEdit::editingFinished, [this, edit, store] {
            // Only a changed text is a new class: leaving the edit alone refuses nothing.
            if (!edit->isModified())
                return;
            edit->setModified(false);
            store(line(), textOf(edit));
        });
    }
    grid->setRowStretch(r, 1);
    scroll->setWidget(inner);
    panel->addWidget(scroll);
    panel->setStretchFactor(0, 1);
    panel->setStretchFactor(1, 1);
    column->addWidget(panel);
    return page;
}

QWidget* TlkLineVantage::buildTerminalPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetTerminal");
    auto* column = new QVBoxLayout(page);
    auto* group = new QGroupBox("Terminal.ID = 0    Terminal.Count = 0", page);
    group->setObjectName("GroupBoxTerminal");
    auto* groupColumn = new QVBoxLayout(group);
    auto* combo = new QComboBox(group);
    combo->setObjectName("ComboBoxTerminal");
    groupColumn->addWidget(combo);
    column->addWidget(group);
    // Choosing a terminal selects it, so its modes can be read and set.
    onSignal(combo, &QComboBox::activated,
             [this, combo] { drive([&] { line().SetTerminalID(combo->currentIndex()); }); });

    auto* panel = new QSplitter(Qt::Horizontal, page);
    panel->setObjectName("PanelTerminalTab");
    panel->addWidget(makeTree(panel, "TreeViewTerminal"));
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName("ScrollBoxTerminal");
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget;
    auto* grid = new QGridLayout(inner);
    grid->addWidget(makeLabel(inner, nullptr, "LINETERMMODE_"), 0, 0, 1, 2);
    static constexpr const char* modes[] = {"BUTTONS",       "LAMPS",        "DISPLAY",
                                            "RINGER",        "HOOKSWITCH",   "MEDIATOLINE",
                                            "MEDIAFROMLINE", "MEDIABIDIRECT"};
    int r = 1;
    for (const char* mode : modes) {
        const std::string labelName = std::string("LabelLINETERMMODE_") + mode;
        const std::string checkName = std::string("CheckBoxLINETERMMODE_") + mode;
        grid->addWidget(makeLabel(inner, labelName.c_str(), mode), r, 0);
        QCheckBox* check = makeCheck(inner, checkName.c_str(), "Active");
        grid->addWidget(check, r++, 1);
        onSignal(check, &QCheckBox::clicked, [this] { TerminalModeClick(); });
    }
    grid->setRowStretch(r, 1);
    scroll->setWidget(inner);
    panel->addWidget(scroll);
    column->addWidget(panel, 1);
    return page;
}

QWidget* TlkLineVantage::buildTransferPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetTransfer");
    auto* row = new QHBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->addWidget(makeImage(page, "ImageTransferPrimaryCall", LampColour::Gray, true), 0, 0);
    grid->addWidget(makeButton(page, "TransferPrimaryCall", "PrimaryCall"), 0, 1);
    auto* primary = new DropDownComboBox(page);
    primary->setObjectName("ComboBoxTransferPrimaryCall");
    grid->addWidget(primary, 0, 2);
    grid->addWidget(makeImage(page, "ImageTransferConsultCall", LampColour::Gray, true), 1, 0);
    grid->addWidget(makeButton(page, "ButtonTransferConsultCall", "ConsultCall"), 1, 1);
    grid->addWidget(makeEdit(page, "EditTransferConsultCall", true), 1, 2);
    grid->addWidget(makeImage(page, "ImageTransfer3WayCall", LampColour::Gray, true), 2, 0);
    grid->addWidget(makeButton(page, "ButtonTransfer3WayCall", "ThreeWayCall"), 2, 1);
    grid->addWidget(makeEdit(page, "EditTransfer3WayCall", true), 2, 2);
    grid->addWidget(makeButton(page, "ButtonTransferDial", "Dial"), 3, 1);
    grid->addWidget(makeEdit(page, "EditTransferPhoneNumber"), 3, 2);
    grid->addWidget(makeButton(page, "ButtonTransferThreeWay", "ThreeWay"), 4, 1);
    grid->addWidget(makeButton(page, "ButtonTransferComplete", "Complete"), 5, 1);
    grid->addWidget(makeButton(page, "ButtonTransferSwapHold", "SwapHold"), 6, 1);
    grid->setRowStretch(7, 1);
    row->addLayout(grid, 1);
    row->addWidget(buildParameters(
        page, "TP", [this]() -> TlkCallParameters& { return line().Transfer.Parameters; }, true));

    primary->onDropDown = [this] {
        dropDownCalls("ComboBoxTransferPrimaryCall", line().Call.List);
    };
    callFromCombo("ComboBoxTransferPrimaryCall",
                  [this](DWORD call) { line().SetTransferPrimaryCall(call); });
    const std::pair<const char*, DWORD TlkTransfer::*> shows[] = {
        {"TransferPrimaryCall", &TlkTransfer::PrimaryCall},
        {"ButtonTransferConsultCall", &TlkTransfer::ConsultCall},
        {"ButtonTransfer3WayCall", &TlkTransfer::ThreeWayCall},
    };
    for (const auto& [name, member] : shows) {
        onSignal(component<QPushButton>(name), &QPushButton::clicked,
                 [this, member = member] { selectCall(line().Transfer.*member); });
    }
    QLineEdit* number = component<QLineEdit>("EditTransferPhoneNumber");
    onSignal(number, &QLineEdit::editingFinished, [this, number] {
        drive([&] { line().SetTransferPhoneNumber(textOf(number)); }, true);
    });
    return page;
}

// ---- menus ----

void TlkLineVantage::buildMenus() {
    QMenuBar* bar = menuBar();
    // Device
    QMenu* device = bar->addMenu("&Device");
    device->setObjectName("MenuDevice");
    QAction* deviceActive = addMenuAction(device, "MenuDeviceActive", "&Active", {}, true);
    onSignal(deviceActive, &QAction::triggered, [this, deviceActive] {
        line().SetDeviceActive(deviceActive->isChecked());
        if (!closing())
            deviceActive->setChecked(line().Device.Active);
    });
    addMenuAction(device, "MenuDeviceConfigure", "Configure", [this] { line().DeviceConfigure(); });
    m_menuDeviceMediaMode = device->addMenu("MediaModes");
    m_menuDeviceMediaMode->setObjectName("MenuDeviceMediaMode");
    QAction* translate =
        addMenuAction(device, "MenuTranslatePhoneNumber", "TranslatePhoneNumber", {}, true);
    onSignal(translate, &QAction::triggered,
             [this, translate] { line().Device.TranslatePhoneNumber = translate->isChecked(); });
    QAction* unformat =
        addMenuAction(device, "MenuUnformatPhoneNumber", "UnformatPhoneNumber", {}, true);
    onSignal(unformat, &QAction::triggered,
             [this, unformat] { line().Device.UnformatPhoneNumber = unformat->isChecked(); });
    device->addSeparator();
    addMenuAction(device, "MenuMethodsSetLocation", "Set&Location",
                  [this] { line().SetLocation(); });
    connect(device, &QMenu::aboutToShow, this, [this] { handle([this] { MenuDeviceClick(); }); });

    // Call
    QMenu* call = bar->addMenu("&Call");
    call->setObjectName("MenuCall");
    QAction* callActive = addMenuAction(call, "MenuCallActive", "Active", {}, true);
    onSignal(callActive, &QAction::triggered, [this, callActive] {
        // The new mark is the old one negated: a call that was active is hung up.
        if (!callActive->isChecked()) {
            line().Call.Hangup();
        } else {
            commitPhoneNumber();
            if (closing())
                return;
            line().Call.Dial();
        }
        if (!closing())
            callActive->setChecked(line().Call.Active);
    });
    m_menuCallMediaMode = call->addMenu("MediaMode");
    m_menuCallMediaMode->setObjectName("MenuCallMediaMode");
    QAction* owner = addMenuAction(call, "MenuCallOwner", "Owner", {}, true);
    onSignal(owner, &QAction::triggered, [this, owner] {
        line().Call.SetOwner(owner->isChecked());
        if (!closing())
            owner->setChecked(line().Call.Owner);
    });
    call->addSeparator();
    QMenu* monitorDigits = call->addMenu("MonitorDigits");
    monitorDigits->setObjectName("MenuCallMonitorDigits");
    QAction* digitsActive =
        addMenuAction(monitorDigits, "MenuCallMonitorDigitsActive", "&Active", {}, true);
    m_menuCallMonitorMediaModes = call->addMenu("MonitorMediaModes");
    m_menuCallMonitorMediaModes->setObjectName("MenuCallMonitorMediaModes");
    QAction* mediaActive = addMenuAction(m_menuCallMonitorMediaModes,
                                         "MenuCallMonitorMediaModesActive", "&Active", {}, true);
    m_menuCallMonitorMediaModes->addSeparator();
    QMenu* monitorSilence = call->addMenu("MonitorSilence");
    monitorSilence->setObjectName("MenuCallMonitorSilence");
    QAction* silenceActive =
        addMenuAction(monitorSilence, "MenuCallMonitorSilenceActive", "&Active", {}, true);
    call->addSeparator();

    // The monitor switches: the menu item and its check box both turn the property over, and
    // both then show what the control holds.
    const auto monitorDigitsClick = [this, digitsActive] {
        line().Call.SetMonitorDigitsActive(!line().Call.MonitorDigits.Active);
        if (closing())
            return;
        digitsActive->setChecked(line().Call.MonitorDigits.Active);
        UpdateDigitsPage();
        DesignerUpdate();
    };
    onSignal(digitsActive, &QAction::triggered, monitorDigitsClick);
    onSignal(component<QCheckBox>("CheckBoxCallMonitorDigitsActive"), &QCheckBox::clicked,
             monitorDigitsClick);
    onSignal(mediaActive, &QAction::triggered, [this, mediaActive] {
        line().Call.SetMonitorMediaModesActive(!line().Call.MonitorMediaModes.Active);
        if (closing())
            return;
        mediaActive->setChecked(line().Call.MonitorMediaModes.Active);
        DesignerUpdate();
    });
    const auto monitorSilenceClick = [this, silenceActive] {
        line().Call.SetMonitorSilenceActive(!line().Call.MonitorSilence.Active);
        if (closing())
            return;
        silenceActive->setChecked(line().Call.MonitorSilence.Active);
        UpdatePhoneNumber();
        DesignerUpdate();
    };
    onSignal(silenceActive, &QAction::triggered, monitorSilenceClick);
    onSignal(component<QCheckBox>("CheckBoxCallMonitorSilence"), &QCheckBox::clicked,
             monitorSilenceClick);
    QLineEdit* silenceDuration = component<QLineEdit>("EditMonitorSilenceDuration");
    onSignal(silenceDuration, &QLineEdit::editingFinished, [this, silenceDuration] {
        drive(
            [&] {
                line().Call.SetMonitorSilenceDuration(ReadWholeNumber(textOf(silenceDuration)));
            },
            true);
    });

    const auto edit = [this](const char* name) { return textOf(component<QLineEdit>(name)); };
    const auto dial = [this] {
        commitPhoneNumber();
        if (!closing())
            line().Call.Dial();
    };
    const auto answer = [this] { line().Call.Answer(); };
    const auto hangup = [this] { line().Call.Hangup(); };
    const auto hold = [this] { line().Call.Hold(); };
    const auto unhold = [this] { line().Call.Unhold(); };
    const auto transfer = [this] { line().Call.Transfer(); };
    const auto handoff = [this, edit] { line().Call.Handoff(edit("EditHandoffApp")); };
    const auto park = [this, edit] { line().Call.Park(edit("EditCallParkPhoneNumber")); };
    const auto unpark = [this, edit] { line().Call.Unpark(edit("EditCallUnparkPhoneNumber")); };
    const auto pickup = [this, edit] {
        line().Call.Pickup(edit("EditCallPickupPhoneNumber"), edit("EditCallPickupGroupID"));
    };
    const auto redirect = [this, edit] {
        line().Call.Redirect(edit("EditCallRedirectPhoneNumber"));
    };
    const auto sendDigits = [this, edit] {
        line().Call.SendDigits(edit("EditSendDigits"),
                               ReadWholeNumber(edit("EditSendDigitsDuration")));
    };
    const auto sendTone = [this, edit] {
        const int item = component<QComboBox>("ComboBoxSendTone")->currentIndex();
        if (item <= 0)
            line().Call.SendTone(0, 0);
        else
            line().Call.SendTone(1 << item, ReadWholeNumber(edit("EditSendToneDuration")));
    };
    struct Item {
        const char* name;
        const char* caption;
        const char* shortcut;
        std::function<void()> body;
        std::vector<const char*> buttons;
    };
    const Item items[] = {
        {"MenuCallAnswer",
         "&Answer",
         "Ctrl+A",
         answer,
         {"ButtonCallAnswer", "SpeedButtonCallAnswer"}},
        {"MenuCallDial",
         "&Dial",
         "Ctrl+D",
         dial,
         {"ButtonCallPhoneNumber", "SpeedButtonCallPhoneNumber"}},
        {"MenuCallHandoff", "Hand&off", "Ctrl+O", handoff, {"ButtonCallHandoff"}},
        {"MenuCallHangup",
         "&Hangup",
         "Ctrl+H",
         hangup,
         {"ButtonCallHangup", "SpeedButtonCallHangup"}},
        {"MenuCallHold", "Ho&ld", nullptr, hold, {"ButtonCallHold", "SpeedButtonCallHold"}},
        {"MenuCallPark", "Park", nullptr, park, {"ButtonCallPark", "SpeedButtonCallPark"}},
        {"MenuCallPickup",
         "Pickup",
         nullptr,
         pickup,
         {"ButtonCallPickup", "SpeedButtonCallPickup"}},
        {"MenuCallRedirect",
         "Redirect",
         nullptr,
         redirect,
         {"ButtonCallRedirect", "SpeedButtonCallRedirect"}},
        {"MenuCallSendDigits", "SendDi&gits", "Ctrl+G", sendDigits, {"ButtonSendDigits"}},
        {"MenuCallSendTone", "SendTo&ne", "Ctrl+N", sendTone, {"ButtonCallSendTone"}},
        {"MenuCallTransfer", "&Transfer (Blind)", "Ctrl+T", transfer, {"ButtonCallTransfer"}},
        {"MenuCallUnhold",
         "&Unhold",
         nullptr,
         unhold,
         {"ButtonCallUnhold", "SpeedButtonCallUnhold"}},
        {"MenuCallUnpark",
         "Unpark",
         nullptr,
         unpark,
         {"ButtonCallUnpark", "SpeedButtonCallUnpark"}},
    };
    for (const Item& item : items) {
        QAction* action = addMenuAction(call, item.name, item.caption, item.body);
        if (item.shortcut)
            action->setShortcut(QKeySequence(item.shortcut));
        for (const char* name : item.buttons) {
            if (auto* button = component<QAbstractButton>(name))
                onSignal(button, &QAbstractButton::clicked, item.body);
        }
    }
    for (const char* name :
         {"EditPhoneNumber", "EditCallParkPhoneNumber", "EditCallUnparkPhoneNumber"}) {
        onSignal(component<QLineEdit>(name), &QLineEdit::editingFinished, [this] {
            commitPhoneNumber();
            if (!closing())
                DesignerUpdate();
        });
    }
    connect(call, &QMenu::aboutToShow, this, [this] { handle([this] { MenuCallClick(); }); });

    // Comm
    QMenu* comm = bar->addMenu("Comm");
    comm->setObjectName("MenuComm");
    QAction* commEnabled = addMenuAction(comm, "MenuCommEnabled", "Enabled", {}, true);
    onSignal(commEnabled, &QAction::triggered, [this, commEnabled] {
        line().SetCommEnabled(commEnabled->isChecked());
        if (!closing())
            commEnabled->setChecked(line().Comm.Enabled);
    });
    connect(comm, &QMenu::aboutToShow, this,
            [this, commEnabled] { commEnabled->setChecked(line().Comm.Enabled); });

    bar->addMenu("Conference")->setObjectName("MenuConference");

    std::vector<VantagePopupItem> popups;
    for (const PopupFlag& p : kPopupFlags) {
        const std::string caption = p.caption;
        const std::string name =
            caption == "OnIdle" ? "MenuPopupOnCallIdle" : "MenuPopup" + caption;
        popups.push_back({name, caption, &(line().Popup.*p.flag)});
    }
    addPopupMenu("MenuPopup", "&Popup", std::move(popups));

    // Privilege
    QMenu* privilege = bar->addMenu("Privilege");
    privilege->setObjectName("MenuDevicePrivilege");
    struct Privilege {
        const char* name;
        const char* caption;
        void (TlkLineInternal::*setter)(bool);
        bool TlkPrivilege::*value;
    };
    static constexpr Privilege privileges[] = {
        {"MenuDevicePrivilegeMonitor", "Monitor", &TlkLineInternal::SetPrivilegeMonitor,
         &TlkPrivilege::Monitor},
        {"MenuDevicePrivilegeNone", "None", &TlkLineInternal::SetPrivilegeNone,
         &TlkPrivilege::None},
        {"MenuDevicePrivilegeOwner", "Owner", &TlkLineInternal::SetPrivilegeOwner,
         &TlkPrivilege::Owner},
    };
    for (const Privilege& p : privileges) {
        QAction* action = addMenuAction(privilege, p.name, p.caption, {}, true);
        const auto setter = p.setter;
        const auto value = p.value;
        onSignal(action, &QAction::triggered, [this, action, setter, value] {
            (line().*setter)(action->isChecked());
            if (!closing())
                action->setChecked(line().Privilege.*value);
        });
    }
    connect(privilege, &QMenu::aboutToShow, this,
            [this] { handle([this] { MenuDevicePrivilegeClick(); }); });

    addVantageMenu();

    // Transfer
    QMenu* transferMenu = bar->addMenu("Transfer");
    transferMenu->setObjectName("MenuTransfer");
    const auto transferDial = [this] {
        line().SetTransferPhoneNumber(textOf(component<QLineEdit>("EditTransferPhoneNumber")));
        if (!closing())
            line().TransferDial();
    };
    const auto swapHold = [this] { line().TransferSwapHold(); };
    const auto complete = [this] { line().TransferComplete(); };
    const auto threeWay = [this] { line().TransferThreeWay(); };
    addMenuAction(transferMenu, "MenuTransferDial", "Dial", transferDial);
    addMenuAction(transferMenu, "MenuTransferComplete", "Complete", complete);
    addMenuAction(transferMenu, "MenuTransferThreeWay", "ThreeWay", threeWay);
    addMenuAction(transferMenu, "MenuTransferSwapHold", "SwapHold", swapHold);
    const std::pair<const char*, std::function<void()>> transferButtons[] = {
        {"ButtonTransferDial", transferDial},
        {"ButtonTransferSwapHold", swapHold},
        {"ButtonTransferComplete", complete},
        {"ButtonTransferThreeWay", threeWay},
    };
    for (const auto& [name, body] : transferButtons)
        onSignal(component<QPushButton>(name), &QPushButton::clicked, body);

    addHelpMenu();
}

// ---- handlers ----

void TlkLineVantage::MenuDeviceClick() {
    const TlkLineDevice& device = line().Device;
    component<QAction>("MenuDeviceActive")->setChecked(device.Active);
    component<QAction>("MenuTranslatePhoneNumber")->setChecked(device.TranslatePhoneNumber);
    component<QAction>("MenuUnformatPhoneNumber")->setChecked(device.UnformatPhoneNumber);
    MakeMediaModeMenu(m_menuDeviceMediaMode, 0, !device.Active, device.MediaModes.Active,
                      device.MediaModes.Available);
}

void TlkLineVantage::MenuCallClick() {
    const TlkCall& call = line().Call;
    component<QAction>("MenuCallActive")->setChecked(call.Active);
    component<QAction>("MenuCallOwner")->setChecked(call.Owner);
    MakeMediaModeMenu(m_menuCallMediaMode, 0, m_menuCallMediaMode->isEnabled(), call.MediaMode,
                      line().Device.MediaModes.Available);
    MakeMediaModeMenu(m_menuCallMonitorMediaModes, 2, true, call.MonitorMediaModes.MediaModes,
                      0xFFFFFFFF);
    component<QAction>("MenuCallMonitorDigitsActive")->setChecked(call.MonitorDigits.Active);
    component<QAction>("MenuCallMonitorMediaModesActive")
        ->setChecked(call.MonitorMediaModes.Active);
    component<QAction>("MenuCallMonitorSilenceActive")->setChecked(call.MonitorSilence.Active);
}

void TlkLineVantage::MenuDevicePrivilegeClick() {
    const bool inactive = !line().Device.Active;
    const std::pair<const char*, bool> items[] = {
        {"MenuDevicePrivilegeMonitor", line().Privilege.Monitor},
        {"MenuDevicePrivilegeNone", line().Privilege.None},
        {"MenuDevicePrivilegeOwner", line().Privilege.Owner},
    };
    for (const auto& [name, value] : items) {
        QAction* action = component<QAction>(name);
        action->setChecked(value);
        action->setEnabled(inactive);
    }
}

void TlkLineVantage::MakeMediaModeMenu(QMenu* menu, int first, bool enable, DWORD value,
                                       DWORD mask) {
    QList<QAction*> actions = menu->actions();
    if (actions.size() == first) {
        for (DWORD bit = kFirstMediaMode; bit != 0 && bit <= kLastMediaMode; bit <<= 1) {
            QAction* item = menu->addAction(QString());
            item->setCheckable(true);
            item->setData(static_cast<uint>(bit));
            onSignal(item, &QAction::triggered,
                     [this, item] { MenuDeviceMediaModeItemClick(item); });
        }
        actions = menu->actions();
    }
    for (qsizetype i = first; i < actions.size(); ++i) {
        QAction* item = actions[i];
        const DWORD bit = item->data().toUInt();
        item->setEnabled(enable && (mask == 0xFFFFFFFF || (mask & bit) != 0));
        item->setChecked((value & bit) != 0);
        item->setText(QString::fromStdString(LineMediaModeName(static_cast<LONG>(bit))));
    }
}

void TlkLineVantage::MenuDeviceMediaModeItemClick(QAction* item) {
    const DWORD bit = item->data().toUInt();
    const bool checked = item->isChecked();
    TlkLineInternal& l = line();
    QMenu* parent = qobject_cast<QMenu*>(item->parent());
    DWORD value = 0;
    std::function<void(DWORD)> store;
    if (parent == m_menuDeviceMediaMode) {
        value = l.Device.MediaModes.Active;
        store = [&l](DWORD v) { l.SetDeviceMediaModesActive(v); };
    } else if (parent == m_menuCallMediaMode) {
        value = l.Call.MediaMode;
        store = [&l](DWORD v) { l.Call.SetMediaMode(static_cast<LONG>(v)); };
    } else {
        value = l.Call.MonitorMediaModes.MediaModes;
        store = [&l](DWORD v) { l.Call.SetMonitorMediaModes(v); };
    }
    if (checked && (value & bit) == 0)
        store(value + bit);
    else if (!checked && (value & bit) != 0)
        store(value - bit);
}

void TlkLineVantage::commitPhoneNumber() {
    line().Call.SetPhoneNumber(textOf(component<QLineEdit>("EditPhoneNumber")));
}

void TlkLineVantage::hexEditExit(QLineEdit* edit, const std::function<void(LONG)>& store,
                                 const std::function<DWORD()>& stored, bool designerUpdate) {
    // Only typing is a new value: the text a refresh wrote is the stored value already.
    if (!edit->isModified())
        return;
    store(ReadWholeNumber(textOf(edit)));
    if (closing())
        return;
    edit->setText(QString::fromStdString(HexEditText(stored())));
    edit->setModified(false);
    if (designerUpdate)
        DesignerUpdate();
}

void TlkLineVantage::callFromCombo(const char* combo, const std::function<void(DWORD)>& store) {
    QComboBox* box = component<QComboBox>(combo);
    onSignal(box, &QComboBox::activated, [box, store] {
        store(static_cast<DWORD>(ReadWholeNumber("$" + box->currentText().toStdString())));
    });
}

void TlkLineVantage::dropDownCalls(const char* combo, const TlkStringList& list) {
    QComboBox* box = component<QComboBox>(combo);
    const QSignalBlocker detached(box);
    const QString text =
        box->currentIndex() >= 0 || box->isEditable() ? box->currentText() : box->placeholderText();
    box->clear();
    for (const std::string& handle : list)
        box->addItem(QString::fromStdString(handle));
    if (box->count() > 0 && ReadWholeNumber("$" + box->itemText(0).toStdString()) == 0)
        box->removeItem(0);
    const int shown = box->findText(text);
    box->setCurrentIndex(shown);
    // A handle that is no longer a call stays shown as it was, outside the list.
    box->setPlaceholderText(shown < 0 ? text : QString());
    if (box->isEditable())
        box->setEditText(text);
}

void TlkLineVantage::selectCall(DWORD handle) {
    line().Call.SetHandle(handle);
    if (closing())
        return;
    pageControl()->setCurrentWidget(component("TabSheetCall"));
}

void TlkLineVantage::TerminalModeClick() {
    static constexpr const char* modes[] = {"BUTTONS",       "LAMPS",        "DISPLAY",
                                            "RINGER",        "HOOKSWITCH",   "MEDIATOLINE",
                                            "MEDIAFROMLINE", "MEDIABIDIRECT"};
    DWORD sum = 0;
    DWORD bit = 1;
    for (const char* mode : modes) {
        const std::string name = std::string("CheckBoxLINETERMMODE_") + mode;
        if (component<QCheckBox>(name.c_str())->isChecked())
            sum += bit;
        bit <<= 1;
    }
    line().SetTerminalActiveModes(sum);
    if (!closing())
        UpdateTerminalPage();
}

int TlkLineVantage::chosenParty() const {
    const std::pair<const char*, int> radios[] = {
        {"RadioButtonCallCalledID", CalledParty},
        {"RadioButtonCallCallerID", CallerParty},
        {"RadioButtonCallConnectedID", ConnectedParty},
        {"RadioButtonCallRedirectingID", RedirectingParty},
        {"RadioButtonCallRedirectionID", RedirectionParty},
    };
    for (const auto& [name, party] : radios) {
        if (component<QRadioButton>(name)->isChecked())
            return party;
    }
    return -1;
}

// ---- templates ----

std::vector<VantageTemplate> TlkLineVantage::templates() const {
    using T = VantageTemplate;
    std::vector<T> all = {
        {"LabelCommDeviceClass", T::Caption, "Comm.DeviceClass"},
        {"LabelPhoneDeviceClass", T::Caption, "Phone.DeviceClass"},
        {"LabelWavePlayDeviceClass", T::Caption, "WavePlay.DeviceClass"},
        {"LabelWaveRecordDeviceClass", T::Caption, "WaveRecord.DeviceClass"},
        {"RBFormatCallerID", T::Caption, "CallerID.FormatName"},
        {"SpeedButtonDeviceActive", T::Hint, "lkLine~Device.Active := True"},
        {"SpeedButtonDeviceInactive", T::Hint, "lkLine~Device.Active := False"},
        {"RBFormatCallerID", T::Hint, "lkLine~Call.CallerID.FormatName"},
        {"EditCallerIDFormatMask", T::Hint, "lkLine~Call.CallerID.MaskNumber"},
        {"ImageStatusActive", T::Hint, "lkLine~Device.Active = True & lkLine~Call.Active = False"},
        {"ImageStatusInactive", T::Hint, "lkLine~Device.Active = False"},
        {"ComboBoxDevice", T::Hint, "lkLine~Device.Name"},
        {"CheckBoxLogActive", T::Hint, "lkLine~Vantage.Log.Active"},
        {"LabelLogCount", T::Hint, "lkLine~Vantage.Log.Count"},
        {"EditLogCount", T::Hint, "lkLine~Vantage.Log.Count"},
        {"CheckBoxLogTimeStamp", T::Hint, "lkLine~Vantage.Log.TimeStamp"},
        {"MemoLog", T::Hint, "lkLine.Vantage.Log.Lines"},
        {"ComboBoxAddress", T::Hint, "lkLine~Address.Name"},
        {"TreeViewAddressCaps", T::Hint, "lkLine~Address Capabilities"},
        {"TreeViewCallDetails", T::Hint, "lkLine~Call Status"},
        {"TreeViewInfo", T::Hint, "lkLine Information"},
    };
    const std::pair<const char*, std::vector<const char*>> shared[] = {
        {"lkLine~Call.PhoneNumber", {"ButtonCallPhoneNumber", "EditPhoneNumber"}},
        {"lkLine~Call.MonitorSilence.Duration //milliseconds", {"EditMonitorSilenceDuration"}},
        {"lkLine~Call.SendDigits (Digits,Duration) //String, milliseconds",
         {"ButtonSendDigits", "EditSendDigits", "EditSendDigitsDuration"}},
        {"lkLine~Call.Handoff (Application) //String", {"ButtonCallHandoff", "EditHandoffApp"}},
        {"lkLine~Call.SendTone (Tone,Duration) //Integer, milliseconds",
         {"ButtonCallSendTone", "ComboBoxSendTone", "EditSendToneDuration"}},
        {"lkLine~Comm.DeviceClass", {"LabelCommDeviceClass", "EditCommDeviceClass"}},
        {"lkLine~Phone.DeviceClass", {"LabelPhoneDeviceClass", "EditInfoPhoneDeviceClass"}},
        {"lkLine~WavePlay.DeviceClass",
         {"LabelWavePlayDeviceClass", "EditInfoWavePlayDeviceClass"}},
        {"lkLine~WaveRecord.DeviceClass",
         {"LabelWaveRecordDeviceClass", "EditInfoWaveRecordDeviceClass"}},
    };
    for (const auto& [text, components] : shared) {
        for (const char* component : components)
            all.push_back({component, T::Hint, text});
    }
    return all;
}

void TlkLineVantage::refreshPropertyPaths() {
    UpdateAddressList();
    UpdateTerminalPage();
    UpdateDeviceList();
    UpdateCallDetails();
    UpdateInfoTree();
}
