// The Phone monitor window: layout, handlers and refresh routines.
#include "lkLK36/vantage/lkPhoneVT.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/vantage/vantage_tree.h"
#include "lkLK36/vantage/vantage_widgets.h"

namespace {

constexpr VantageKindTraits kPhoneTraits{"lkPhone", 395, 390, 323, 250};

using Group = TlkPhoneVantage::HookSwitchGroup;
// The groups in the order the panel refresh walks them.
constexpr Group kGroups[] = {
    {"Handset", &TlkPhoneInternal::Handset},
    {"Headset", &TlkPhoneInternal::Headset},
    {"Speakerphone", &TlkPhoneInternal::Speakerphone},
};
// The page shows them in this order.
constexpr const Group* kPageOrder[] = {&kGroups[0], &kGroups[2], &kGroups[1]};

// The four modes of a hookswitch device: radio-button suffix and setter.
struct Mode {
    const char* caption;
    void (TlkHookSwitch::*set)(bool);
    bool TlkHookSwitch::*flag;
};
constexpr Mode kModes[] = {
    {"OnHook", &TlkHookSwitch::SetOnHook, &TlkHookSwitch::OnHook},
    {"MicrophoneOnly", &TlkHookSwitch::SetMicrophoneOnly, &TlkHookSwitch::MicrophoneOnly},
    {"SpeakerOnly", &TlkHookSwitch::SetSpeakerOnly, &TlkHookSwitch::SpeakerOnly},
    {"MicrophoneAndSpeaker", &TlkHookSwitch::SetMicrophoneAndSpeaker,
     &TlkHookSwitch::MicrophoneAndSpeaker},
};

// The pop-up switches in menu order.
struct PopupFlag {
    const char* caption;
    bool TlkPhonePopup::*flag;
};
constexpr PopupFlag kPopupFlags[] = {
    {"OnDigitDown", &TlkPhonePopup::OnDigitDown},
    {"OnDigitUp", &TlkPhonePopup::OnDigitUp},
    {"OnError", &TlkPhonePopup::OnError},
    {"OnHandsetGain", &TlkPhonePopup::OnHandsetGain},
    {"OnHandsetHookSwitch", &TlkPhonePopup::OnHandsetHookSwitch},
    {"OnHandsetVolume", &TlkPhonePopup::OnHandsetVolume},
    {"OnHeadsetGain", &TlkPhonePopup::OnHeadsetGain},
    {"OnHeadsetHookSwitch", &TlkPhonePopup::OnHeadsetHookSwitch},
    {"OnHeadsetVolume", &TlkPhonePopup::OnHeadsetVolume},
    {"OnPhoneState", &TlkPhonePopup::OnPhoneState},
    {"OnSpeakerphoneGain", &TlkPhonePopup::OnSpeakerphoneGain},
    {"OnSpeakerphoneHookSwitch", &TlkPhonePopup::OnSpeakerphoneHookSwitch},
    {"OnSpeakerphoneVolume", &TlkPhonePopup::OnSpeakerphoneVolume},
    {"OnTAPIMessage", &TlkPhonePopup::OnTAPIMessage},
    {"OnTAPIReply", &TlkPhonePopup::OnTAPIReply},
};

// The device-class edits of the Misc. page.
struct ClassRow {
    const char* label;
    const char* labelName;
    const char* edit;
    void (*store)(TlkPhoneInternal&, const std::string&);
    const std::string& (*stored)(const TlkPhoneInternal&);
};
constexpr ClassRow kClassRows[] = {
    {"Line.DeviceClass", "LabelInfoLineDeviceClass", "EditInfoLineDeviceClass",
     [](TlkPhoneInternal& p, const std::string& v) { p.SetLineDeviceClass(v); },
     [](const TlkPhoneInternal& p) -> const std::string& { return p.Line.DeviceClass; }},
    {"WavePlay.DeviceClass", "LabelInfoWavePlayDeviceClass", "EditInfoWavePlayDeviceClass",
     [](TlkPhoneInternal& p, const std::string& v) { p.WavePlay.SetDeviceClass(v); },
     [](const TlkPhoneInternal& p) -> const std::string& { return p.WavePlay.DeviceClass(); }},
    {"WaveRecord.DeviceClass", "LabelInfoWaveRecordDeviceClass", "EditInfoWaveRecordDeviceClass",
     [](TlkPhoneInternal& p, const std::string& v) { p.WaveRecord.SetDeviceClass(v); },
     [](const TlkPhoneInternal& p) -> const std::string& { return p.WaveRecord.DeviceClass(); }},
};

// The hookswitch states of PHONE_STATE whose details name a hookswitch mode.
constexpr DWORD kHookSwitchStates[] = {PHONESTATE_HANDSETHOOKSWITCH, PHONESTATE_SPEAKERHOOKSWITCH,
                                       PHONESTATE_HEADSETHOOKSWITCH};

// A track bar that tells when the user leaves it for another control of the window: its level is
// sent only then. Opening a menu or turning to another window does not leave it, and focus comes
// back to it afterwards.
class ExitSlider : public QSlider {
  public:
    using QSlider::QSlider;
    std::function<void()> onExit;

  protected:
    void focusOutEvent(QFocusEvent* event) override {
        QSlider::focusOutEvent(event);
        const Qt::FocusReason reason = event->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason ||
            reason == Qt::ActiveWindowFocusReason)
            return;
        if (onExit)
            onExit();
    }
};

std::string name(const char* prefix, const char* group, const char* suffix = "") {
    return std::string(prefix) + group + suffix;
}

}  // namespace

TlkPhoneVantage::TlkPhoneVantage(TlkVantage& vantage) : VantageWindow(vantage, kPhoneTraits) {
    setObjectName("TlkPhoneVantage");
    buildHeaderButtons();
    pageControl()->insertTab(0, buildHookSwitchPage(), "Hook Switch");
    pageControl()->addTab(buildInfoPage(), "Misc.");
    buildMenus();
    applyStoredHints();
    onSignal(deviceCombo(), &QComboBox::activated, [this] {
        phone().SetDeviceID(deviceCombo()->currentIndex());
        if (!closing())
            DesignerUpdate();
    });
}

TlkPhoneVantage::~TlkPhoneVantage() = default;

TlkPhoneInternal& TlkPhoneVantage::phone() const {
    return *static_cast<TlkPhoneInternal*>(vantage().owner());
}

// ---- layout ----

void TlkPhoneVantage::buildHeaderButtons() {
    auto* active = new QToolButton(centralWidget());
    active->setObjectName("SpeedButtonDeviceActive");
    active->setText("On");
    active->setToolTip("lkPhone.Device.Active := True");
    auto* inactive = new QToolButton(centralWidget());
    inactive->setObjectName("SpeedButtonDeviceInactive");
    inactive->setText("Off");
    inactive->setToolTip("lkPhone.Device.Active := False");
    inactive->hide();
    headerRow()->insertWidget(0, active);
    headerRow()->insertWidget(1, inactive);
    onSignal(active, &QToolButton::clicked, [this] {
        phone().SetDeviceActive(!phone().Device.Active);
        if (closing())
            return;
        component<QAction>("MenuDeviceActive")->setChecked(phone().Device.Active);
        DesignerUpdate();
    });
    onSignal(inactive, &QToolButton::clicked, [this] {
        if (!phone().Device.Active)
            return;
        phone().SetDeviceActive(false);
        if (closing())
            return;
        component<QAction>("MenuDeviceActive")->setChecked(phone().Device.Active);
        DesignerUpdate();
    });
    statusActive()->setToolTip("lkPhone.Device.Active = True");
    statusInactive()->setToolTip("lkPhone.Device.Active = False");

    // One speed button per hookswitch device: down is off hook.
    int column = 2;
    for (const Group* group : kPageOrder) {
        auto* button = new QToolButton(centralWidget());
        button->setObjectName(QString::fromStdString(name("SBHookswitch", group->name)));
        button->setText(QString::fromLatin1(group->name).left(2));
        button->setCheckable(true);
        // Up offers to lift the device; the refresh keeps the hint of an available one current.
        button->setToolTip(QString::fromStdString(std::string("lkPhone.") + group->name +
                                                  ".MicrophoneAndSpeaker := True"));
        headerRow()->insertWidget(column++, button);
        const Group& g = *group;
        onSignal(button, &QToolButton::clicked, [this, button, &g] {
            TlkHookSwitch& device = phone().*g.device;
            const bool offHook = button->isChecked();
            driveHookSwitch([&] {
                if (offHook)
                    device.SetMicrophoneAndSpeaker(true);
                else
                    device.SetOnHook(true);
            });
        });
    }
}

QWidget* TlkPhoneVantage::buildHookSwitchPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetHookSwitch");
    auto* row = new QHBoxLayout(page);
    for (const Group* group : kPageOrder)
        row->addWidget(buildHookSwitchGroup(page, *group));
    return page;
}

QWidget* TlkPhoneVantage::buildHookSwitchGroup(QWidget* parent, const Group& g) {
    auto* box = new QGroupBox(QString::fromLatin1(g.name), parent);
    box->setObjectName(QString::fromStdString(name("GroupBox", g.name)));
    auto* column = new QVBoxLayout(box);
    for (const Mode& mode : kModes) {
        auto* radio = new QRadioButton(QString::fromLatin1(mode.caption), box);
        radio->setObjectName(QString::fromStdString(name("RB", g.name, mode.caption)));
        column->addWidget(radio);
        // Only the user's own clicks reach the phone; a refresh sets the buttons silently.
        const auto set = mode.set;
        onSignal(radio, &QRadioButton::clicked, [this, radio, &g, set] {
            const bool state = radio->isChecked();
            driveHookSwitch([&] { ((phone().*g.device).*set)(state); });
        });
    }
    const std::pair<const char*, const char*> levels[] = {{"Volume", "Volume"}, {"Gain", "Gain"}};
    for (const auto& [caption, suffix] : levels) {
        auto* label = new QLabel(QString::fromLatin1(caption), box);
        label->setObjectName(QString::fromStdString(name("Label", g.name, suffix)));
        column->addWidget(label);
        auto* bar = new ExitSlider(Qt::Horizontal, box);
        bar->setObjectName(QString::fromStdString(name("TB", g.name, suffix)));
        bar->setRange(0, 100);
        bar->setFocusPolicy(Qt::StrongFocus);
        column->addWidget(bar);
        const bool volume = std::string_view(suffix) == "Volume";
        bar->onExit = [this, bar, &g, volume] {
            handle([this, bar, &g, volume] {
                TlkHookSwitch& device = phone().*g.device;
                const LONG level = bar->value();
                driveHookSwitch([&] {
                    if (volume)
                        device.SetVolume(level);
                    else
                        device.SetGain(level);
                });
            });
        };
    }
    auto* apply = new QPushButton("Apply", box);
    apply->setObjectName(QString::fromStdString(name("Button", g.name, "VolumeGainSet")));
    column->addWidget(apply);
    column->addStretch(1);
    onSignal(apply, &QPushButton::clicked, [this, &g] { ApplyVolumeGain(g); });
    return box;
}

QWidget* TlkPhoneVantage::buildInfoPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetInfo");
    auto* column = new QVBoxLayout(page);
    auto* panel = new QSplitter(Qt::Horizontal, page);
    panel->setObjectName("PanelInfoTab");
    auto* tree = new QTreeWidget(panel);
    tree->setObjectName("TreeViewInfo");
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setToolTip("lkPhone Information");
    panel->addWidget(tree);
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName("ScrollBoxInfo");
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget;
    auto* grid = new QGridLayout(inner);
    int r = 0;
    for (const ClassRow& row : kClassRows) {
        auto* label = new QLabel(QString::fromLatin1(row.label), inner);
        label->setObjectName(row.labelName);
        grid->addWidget(label, r++, 0);
        auto* edit = new QLineEdit(inner);
        edit->setObjectName(row.edit);
        grid->addWidget(edit, r++, 0);
        const auto store = row.store;
        onSignal(edit, &QLineEdit::editingFinished, [this, edit, store] {
            // Only a changed text is a new class: leaving the edit alone refuses nothing.
            if (!edit->isModified())
                return;
            edit->setModified(false);
            store(phone(), edit->text().toStdString());
            if (!closing())
                DesignerUpdate();
        });
    }
    grid->setRowStretch(r, 1);
    scroll->setWidget(inner);
    panel->addWidget(scroll);
    panel->handle(1)->setObjectName("SplitterInfoTab");
    panel->setStretchFactor(0, 3);
    panel->setStretchFactor(1, 1);
    column->addWidget(panel);
    return page;
}

void TlkPhoneVantage::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* device = bar->addMenu("&Device");
    device->setObjectName("MenuDevice");
    QAction* deviceActive = addMenuAction(device, "MenuDeviceActive", "&Active", {}, true);
    onSignal(deviceActive, &QAction::triggered, [this, deviceActive] {
        component<QToolButton>("SpeedButtonDeviceInactive")->setDown(false);
        phone().SetDeviceActive(deviceActive->isChecked());
        if (closing())
            return;
        deviceActive->setChecked(phone().Device.Active);
        DesignerUpdate();
    });
    addMenuAction(device, "MenuDeviceConfigure", "Configure",
                  [this] { phone().DeviceConfigure(); });
    connect(device, &QMenu::aboutToShow, this, [this] { handle([this] { MenuDeviceClick(); }); });

    QMenu* privilege = bar->addMenu("Privilege");
    privilege->setObjectName("MenuDevicePrivilege");
    const std::pair<const char*, const char*> privileges[] = {
        {"MenuDevicePrivilegeMonitor", "Monitor"}, {"MenuDevicePrivilegeOwner", "Owner"}};
    for (const auto& [itemName, caption] : privileges) {
        QAction* item = addMenuAction(privilege, itemName, caption, {}, true);
        const bool monitor = std::string_view(caption) == "Monitor";
        onSignal(item, &QAction::triggered, [this, item, monitor] {
            if (monitor)
                phone().SetPrivilegeMonitor(item->isChecked());
            else
                phone().SetPrivilegeOwner(item->isChecked());
            if (closing())
                return;
            item->setChecked(monitor ? phone().Privilege.Monitor : phone().Privilege.Owner);
            DesignerUpdate();
        });
    }
    // The privilege items live in a menu of their own: opening it shows them as current too.
    connect(privilege, &QMenu::aboutToShow, this,
            [this] { handle([this] { MenuDeviceClick(); }); });

    std::vector<VantagePopupItem> popups;
    for (const PopupFlag& p : kPopupFlags)
        popups.push_back(
            {std::string("MenuPopup") + p.caption, p.caption, &(phone().Popup.*p.flag)});
    addPopupMenu("MenuPopup", "&Popup", std::move(popups));
    addVantageMenu();
    addHelpMenu();
}

// ---- handlers ----

void TlkPhoneVantage::driveHookSwitch(const std::function<void()>& act) {
    act();
    if (closing())
        return;
    DesignerUpdate();
    UpdateHookSwitchPanels();
}

void TlkPhoneVantage::ApplyVolumeGain(const Group& g) {
    TlkHookSwitch& device = phone().*g.device;
    const LONG gain = component<QSlider>(name("TB", g.name, "Gain").c_str())->value();
    const LONG volume = component<QSlider>(name("TB", g.name, "Volume").c_str())->value();
    driveHookSwitch([&] {
        // Only what the user moved is sent; the gain first.
        if (gain != device.Gain)
            device.SetGain(gain);
        if (volume != device.Volume)
            device.SetVolume(volume);
    });
}

void TlkPhoneVantage::MenuDeviceClick() {
    const TlkPhoneInternal& p = phone();
    component<QAction>("MenuDeviceActive")->setChecked(p.Device.Active);
    auto* monitor = component<QAction>("MenuDevicePrivilegeMonitor");
    auto* owner = component<QAction>("MenuDevicePrivilegeOwner");
    monitor->setChecked(p.Privilege.Monitor);
    owner->setChecked(p.Privilege.Owner);
    // Privileges are taken at the next open only.
    monitor->setEnabled(!p.Device.Active);
    owner->setEnabled(!p.Device.Active);
}

// ---- refresh routines ----

void TlkPhoneVantage::refreshAll() {
    UpdateDeviceList();
    UpdatePhoneInfoTree();
    UpdateDeviceStatus();
    UpdateHookSwitchPanels();
}

void TlkPhoneVantage::UpdateDeviceStatus() {
    const bool active = phone().Device.Active;
    auto* on = component<QToolButton>("SpeedButtonDeviceActive");
    auto* off = component<QToolButton>("SpeedButtonDeviceInactive");
    on->setVisible(!active);
    off->setVisible(active);
    statusActive()->setVisible(active);
    statusInactive()->setVisible(!active);
    (active ? off : on)->raise();
    (active ? statusActive() : statusInactive())->raise();
}

void TlkPhoneVantage::UpdateDeviceList() {
    const TlkPhoneDevice& device = phone().Device;
    showDeviceCaption(device.ID, device.Count);
    fillCombo(deviceCombo(), device.List, device.Count != 0 ? device.ID : -1);
}

void TlkPhoneVantage::updateHookSwitchGroup(const Group& g) {
    const TlkHookSwitch& device = phone().*g.device;
    const std::string caption = std::string(g.name) + (device.Available ? "" : " <unavailable>");
    component<QGroupBox>(name("GroupBox", g.name).c_str())
        ->setTitle(QString::fromStdString(caption));

    QRadioButton* onHook = nullptr;
    for (const Mode& mode : kModes) {
        auto* radio = component<QRadioButton>(name("RB", g.name, mode.caption).c_str());
        const QSignalBlocker detached(radio);
        // Exclusive buttons cannot all be cleared; a device in no known mode shows none.
        radio->setAutoExclusive(false);
        radio->setChecked(device.*mode.flag);
        radio->setAutoExclusive(true);
        if (std::string_view(mode.caption) == "OnHook")
            onHook = radio;
    }
    const std::pair<const char*, LONG> levels[] = {{"Volume", device.Volume},
                                                   {"Gain", device.Gain}};
    for (const auto& [suffix, level] : levels) {
        auto* bar = component<QSlider>(name("TB", g.name, suffix).c_str());
        const QSignalBlocker detached(bar);
        bar->setValue(level);
    }

    auto* button = component<QToolButton>(name("SBHookswitch", g.name).c_str());
    const QSignalBlocker detached(button);
    button->setEnabled(device.Available);
    if (device.Available || std::string_view(g.name) == "Speakerphone")
        button->setChecked(!onHook->isChecked());
    if (device.Available) {
        const std::string path = std::string("lkPhone.") + g.name;
        button->setToolTip(QString::fromStdString(button->isChecked()
                                                      ? path + ".OnHook := True"
                                                      : path + ".MicrophoneAndSpeaker := True"));
    }
}

void TlkPhoneVantage::UpdateHookSwitchPanels() {
    for (const Group& g : kGroups)
        updateHookSwitchGroup(g);
    UpdatePhoneInfoTree();
}

void TlkPhoneVantage::UpdatePhoneInfoTree() {
    const TlkPhoneInternal& p = phone();
    const auto truth = TlkVantage::BooleanText;
    const auto number = [](LONG value) { return std::to_string(value); };
    VantageTreeWriter w(component<QTreeWidget>("TreeViewInfo"), vantage());

    QTreeWidgetItem* device = w.node(nullptr, "Device");
    const DWORD state = p.Device.State;
    const DWORD details = p.Device.StateDetails;
    w.node(device,
           "Device.State = " + PhoneStateName(static_cast<LONG>(state)) + " [" + Hex8(state) + "]");
    const bool hookSwitchState =
        std::find(std::begin(kHookSwitchStates), std::end(kHookSwitchStates), state) !=
        std::end(kHookSwitchStates);
    w.node(device, "Device.StateDetails = " +
                       (hookSwitchState ? HookSwitchModeName(static_cast<LONG>(details)) : "") +
                       " [" + Hex8(details) + "]");

    const auto hookSwitch = [&](const char* shown, const TlkHookSwitch& hs) {
        QTreeWidgetItem* node = w.node(nullptr, shown);
        const std::string n = shown;
        w.node(node, n + ".Available = " + truth(hs.Available));
        w.node(node, n + ".Gain = " + number(hs.Gain));
        w.node(node, n + ".GainAvailable = " + truth(hs.GainAvailable));
        w.node(node, n + ".MicrophoneAndSpeaker = " + truth(hs.MicrophoneAndSpeaker));
        w.node(node, n + ".MicrophoneOnly = " + truth(hs.MicrophoneOnly));
        w.flagNode(node, n + ".Modes", hs.Modes, HookSwitchModeName, 0x1, 0x10);
        w.node(node, n + ".OnHook = " + truth(hs.OnHook));
        w.node(node, n + ".SpeakerOnly = " + truth(hs.SpeakerOnly));
        w.node(node, n + ".Volume = " + number(hs.Volume));
        w.node(node, n + ".VolumeAvailable = " + truth(hs.VolumeAvailable));
    };
    hookSwitch("Handset", p.Handset);
    hookSwitch("HeadSet", p.Headset);

    QTreeWidgetItem* line = w.node(nullptr, "Line");
    w.node(line, "Line.Available = " + truth(p.Line.Available));
    w.node(line, "Line.ID = " + number(p.Line.ID));

    QTreeWidgetItem* phoneNode = w.node(nullptr, "Phone");
    w.node(phoneNode,
           "Phone.AppHandle = [" + Hex8(static_cast<DWORD>(p.Phone.PhoneAppHandle)) + "]");
    w.node(phoneNode, "Phone.Handle = [" + Hex8(static_cast<DWORD>(p.Phone.PhoneHandle)) + "]");
    w.flagNode(phoneNode, "Phone.States", p.Phone.PhoneStates, PhoneStateName, 0x1, 0x800000);

    hookSwitch("Speakerphone", p.Speakerphone);

    QTreeWidgetItem* tapi = w.node(nullptr, "TAPI");
    w.node(tapi, "TAPI.Version = " + std::to_string(p.TAPI.Version));
    w.node(tapi, "TAPI.Subversion = " + std::to_string(p.TAPI.Subversion));
    w.node(tapi, "TAPI.TSP = '" + p.TAPI.TSP + "'");

    const std::pair<const char*, const TlkRelatedWaveDevice*> waves[] = {
        {"WavePlay", &p.WavePlay}, {"WaveRecord", &p.WaveRecord}};
    for (const auto& [waveName, wave] : waves) {
        QTreeWidgetItem* node = w.node(nullptr, waveName);
        w.node(node, std::string(waveName) + ".Available = " + truth(wave->Available));
        w.node(node, std::string(waveName) + ".ID = " + number(wave->ID));
    }

    for (const ClassRow& row : kClassRows) {
        auto* edit = component<QLineEdit>(row.edit);
        // What the user is typing stays until they leave the edit.
        if (!edit->isModified())
            setText(edit, row.stored(p));
    }
}

// ---- the development-environment switch ----

void TlkPhoneVantage::refreshPropertyPaths() {
    UpdateDeviceList();
    UpdateHookSwitchPanels();
    UpdatePhoneInfoTree();
    RefreshLogPage();
}

std::vector<VantageTemplate> TlkPhoneVantage::templates() const {
    using T = VantageTemplate;
    std::vector<T> all = {
        {"LabelInfoLineDeviceClass", T::Caption, "Line.DeviceClass"},
        {"LabelInfoWavePlayDeviceClass", T::Caption, "WavePlay.DeviceClass"},
        {"LabelInfoWaveRecordDeviceClass", T::Caption, "WaveRecord.DeviceClass"},
        {"SpeedButtonDeviceActive", T::Hint, "lkPhone~Device.Active := True"},
        {"SpeedButtonDeviceInactive", T::Hint, "lkPhone~Device.Active := False"},
        {"ImageStatusInactive", T::Hint, "lkPhone~Device.Active = False"},
        {"ImageStatusActive", T::Hint, "lkPhone~Device.Active = True"},
        {"ComboBoxDevice", T::Hint, "lkPhone~Device.Name"},
        {"ButtonHandsetVolumeGainSet", T::Hint,
         "Set lkPhone~HandSet.Volume & lkPhone~HandSet.Gain"},
        {"ButtonSpeakerphoneVolumeGainSet", T::Hint,
         "Set lkPhone~Speakerphone.Volume & lkPhone~Speakerphone.Gain"},
        {"ButtonHeadsetVolumeGainSet", T::Hint,
         "Set lkPhone~HeadSet.Volume & lkPhone~HeadSet.Gain"},
        {"TreeViewInfo", T::Hint, "lkPhone Information"},
        {"CheckBoxLogActive", T::Hint, "lkPhone~Vantage.Log.Active"},
        {"LabelLogCount", T::Hint, "lkPhone~Vantage.Log.Count"},
        {"EditLogCount", T::Hint, "lkPhone~Vantage.Log.Count"},
        {"CheckBoxLogTimeStamp", T::Hint, "lkPhone~Vantage.Log.TimeStamp"},
        {"MemoLog", T::Hint, "lkPhone~Vantage.Log.Lines"},
    };
    for (const Group* g : kPageOrder) {
        const std::string path = std::string("lkPhone~") + g->name;
        all.push_back({name("GroupBox", g->name), T::Hint, path});
        for (const Mode& mode : kModes)
            all.push_back({name("RB", g->name, mode.caption), T::Hint, path + "." + mode.caption});
        // Each track bar carries its label's hint.
        for (const char* level : {"Volume", "Gain"}) {
            all.push_back({name("Label", g->name, level), T::Hint, path + "." + level});
            all.push_back({name("TB", g->name, level), T::Hint, path + "." + level});
        }
    }
    for (const ClassRow& row : kClassRows) {
        const std::string path = std::string("lkPhone~") + row.label;
        all.push_back({row.labelName, T::Hint, path});
        all.push_back({row.edit, T::Hint, path});
    }
    return all;
}
