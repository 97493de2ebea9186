// The Record monitor window's layout, menus and handlers.
#include "lkLK36/vantage/lkRecordVT.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "lkLK36/vantage/vantage_glyphs.h"
#include "lkLK36/vantage/vantage_widgets.h"
#include "platform/ui/dialogs.h"
#include "platform/winmm/mmsystem.h"

namespace {

constexpr VantageKindTraits kRecordTraits{"lkRecord", 310, 305, 260, 189};

// Plays on the default device without waiting, with no stand-in sound, and leaves a sound that
// is already playing alone (the call then fails).
constexpr UINT kPreviewFlags = SND_ASYNC | SND_NODEFAULT | SND_NOSTOP;
static_assert(kPreviewFlags == 19);

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const char* hint) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setToolTip(hint);
    return edit;
}

QToolButton* makeSpeedButton(QWidget* parent, const char* name, const char* glyph,
                             const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(glyph);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    return button;
}

// The six numbers of the format, in the order the Source page lists them, with their setters.
struct FormatField {
    const char* value;  // the property's name
    const char* label;
    const char* edit;
    void (TlkFormat::*set)(LONG);
};
constexpr FormatField kFormatFields[] = {
    {"AvgBytesPerSec", "LabelFormatAvgBytesPerSec", "EditFormatAvgBytesPerSec",
     &TlkFormat::SetAvgBytesPerSec},
    {"BlockAlign", "LabelFormatBlockAlign", "EditFormatBlockAlign", &TlkFormat::SetBlockAlign},
    {"BitsPerSample", "LabelFormatBitsPerSample", "EditFormatBitsPerSample",
     &TlkFormat::SetBitsPerSample},
    {"Channels", "LabelFormatChannels", "EditFormatChannels", &TlkFormat::SetChannels},
    {"SamplesPerSec", "LabelFormatSamplesPerSec", "EditFormatSamplesPerSec",
     &TlkFormat::SetSamplesPerSec},
    {"Tag", "LabelFormatTag", "EditFormatTag", &TlkFormat::SetTag},
};

// The Device page's three edits: name of the property and its setter.
struct DeviceField {
    const char* value;
    const char* label;
    const char* edit;
    void (TlkRecordInternal::*set)(LONG);
};
constexpr DeviceField kDeviceFields[] = {
    {"Delay", "LabelDelay", "EditDelay", &TlkRecordInternal::SetDeviceDelay},
    {"Buffer", "LabelBuffer", "EditBuffer", &TlkRecordInternal::SetDeviceBuffer},
    {"Trim", "LabelTrim", "EditTrim", &TlkRecordInternal::SetDeviceTrim},
};

}  // namespace

std::string RecordChosenFileName(const std::vector<std::string>& chosen) {
    std::string list;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (i == 0)
            list = chosen[i];
        else
            list += "," + std::filesystem::path(chosen[i]).filename().string();
    }
    return list;
}

TlkRecordVantage::TlkRecordVantage(TlkVantage& vantage) : VantageWindow(vantage, kRecordTraits) {
    setObjectName("TlkRecordVantage");
    buildHeaderButtons();
    QTabWidget* pages = pageControl();
    // The Log page is the frame's; Device stands before it and Source after it.
    pages->insertTab(0, buildDevicePage(), "Device");
    pages->addTab(buildSourcePage(), "Source");
    buildMenus();
    onSignal(deviceCombo(), &QComboBox::activated, [this] {
        record().SetDeviceID(deviceCombo()->currentIndex());
        if (!closing())
            DesignerUpdate();
    });
}

TlkRecordVantage::~TlkRecordVantage() = default;

TlkRecordInternal& TlkRecordVantage::record() const {
    return *static_cast<TlkRecordInternal*>(vantage().owner());
}

// ---- layout ----

void TlkRecordVantage::buildHeaderButtons() {
    QWidget* parent = centralWidget();
    QToolButton* active =
        makeSpeedButton(parent, "SpeedButtonActive", "Rec", "lkRecord.Device.Active := True");
    QToolButton* inactive =
        makeSpeedButton(parent, "SpeedButtonInactive", "Stop", "lkRecord.Device.Active := False");
    QToolButton* pause =
        makeSpeedButton(parent, "SpeedButtonPause", "Pause", "lkRecord.Device.Pause := True");
    QToolButton* preview =
        makeSpeedButton(parent, "SpeedButtonPlayPreview", "Play",
                        "Play Preview  -  Click to play on Windows default wave device");
    int at = 0;
    for (QToolButton* button : {active, inactive, pause, preview})
        headerRow()->insertWidget(at++, button);

    // The pause lamp stands with the frame's two, one of the three shown at a time.
    auto* paused = new QLabel(deviceGroup());
    paused->setObjectName("ImageStatusPause");
    paused->setPixmap(lampPixmap(LampColour::Yellow, true));
    paused->setToolTip("lkRecord.Device.Pause = True");
    paused->hide();
    static_cast<QHBoxLayout*>(deviceGroup()->layout())->insertWidget(0, paused);
    statusActive()->setToolTip("lkRecord.Device.Active = True");
    statusInactive()->setToolTip("lkRecord.Device.Active = False");

    // The device buttons never stay down: each acts only when the device is not already where
    // it would take it.
    onSignal(active, &QToolButton::clicked, [this] {
        if (!record().Device.Active)
            MenuDeviceActiveClick(true);
    });
    onSignal(inactive, &QToolButton::clicked, [this] {
        if (record().Device.Active)
            MenuDeviceActiveClick(false);
    });
    onSignal(pause, &QToolButton::clicked,
             [this] { MenuDevicePauseClick(!component<QAction>("MenuDevicePause")->isChecked()); });
    onSignal(preview, &QToolButton::clicked, [this] { SpeedButtonPlayPreviewClick(); });
}

void TlkRecordVantage::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* device = bar->addMenu("&Device");
    device->setObjectName("MenuDevice");
    // A checkable item has already turned its mark when it is triggered: the new mark is the
    // negation of the old one.
    QAction* active = addMenuAction(device, "MenuDeviceActive", "&Active", {}, true);
    active->setShortcut(QKeySequence("Ctrl+A"));
    onSignal(active, &QAction::triggered,
             [this, active] { MenuDeviceActiveClick(active->isChecked()); });
    QAction* pause = addMenuAction(device, "MenuDevicePause", "&Pause", {}, true);
    pause->setShortcut(QKeySequence("Ctrl+P"));
    onSignal(pause, &QAction::triggered,
             [this, pause] { MenuDevicePauseClick(pause->isChecked()); });

    TlkRecordPopup& flags = record().Popup;
    addPopupMenu("MenuPopUp", "&PopUp",
                 {{"MenuPopupOnDone", "OnDone", &flags.OnDone},
                  {"MenuPopupOnError", "OnError", &flags.OnError},
                  {"MenuPopupOnWarning", "OnWarning", &flags.OnWarning}});
    addVantageMenu();
    addHelpMenu();
}

QWidget* TlkRecordVantage::buildDevicePage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetDevice");
    auto* grid = new QGridLayout(page);
    int row = 0;
    for (const DeviceField& field : kDeviceFields) {
        const std::string path = std::string("Device.") + field.value;
        const std::string labelHint = "lkRecord." + path + " //milliseconds";
        const std::string editHint = "lkRecord." + path + " [milliseconds]";
        grid->addWidget(makeLabel(page, field.label, path.c_str(), labelHint.c_str()), row, 0);
        QLineEdit* box = makeEdit(page, field.edit, editHint.c_str());
        box->setMaximumWidth(100);
        grid->addWidget(box, row++, 1);
        const auto set = field.set;
        onSignal(box, &QLineEdit::editingFinished, [this, name = field.edit, set] {
            numberEditExit(name, [this, set](LONG value) { (record().*set)(value); });
        });
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TlkRecordVantage::buildSourcePage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetSource");
    auto* column = new QVBoxLayout(page);

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    auto* fileName = new QComboBox(page);
    fileName->setObjectName("ComboBoxFileName");
    fileName->setEditable(true);
    // Only the window's own history rule adds entries; Return does not.
    fileName->setInsertPolicy(QComboBox::NoInsert);
    fileName->setToolTip("lkRecord.Source.FileName");
    fileName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fileName->setMinimumContentsLength(10);
    QToolButton* select =
        makeSpeedButton(page, "SpeedButtonFileSelect", "...", "lkRecord.Source.FileName");
    fileRow->addWidget(fileName, 1);
    fileRow->addWidget(select);
    column->addLayout(fileRow);
    onSignal(fileName->lineEdit(), &QLineEdit::editingFinished, [this] {
        EditFileNameExit();
        if (!closing())
            DesignerUpdate();
    });
    onSignal(select, &QToolButton::clicked, [this] { SpeedButtonFileSelectClick(); });

    auto* formatRow = new QHBoxLayout;
    auto* presets = new QComboBox(page);
    presets->setObjectName("ComboBoxName");
    presets->setToolTip("lkRecord.Format.Name");
    presets->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    presets->setMinimumContentsLength(10);
    QLabel* maxSizeLabel =
        makeLabel(page, "LabelMaxSize", "Source.&MaxSize", "lkRecord.Source.MaxSize");
    QLineEdit* maxSize = makeEdit(page, "EditMaxSize", "lkRecord.Source.MaxSize (kilobytes)");
    maxSize->setMaximumWidth(70);
    maxSizeLabel->setBuddy(maxSize);
    formatRow->addWidget(presets, 1);
    formatRow->addSpacing(6);
    formatRow->addWidget(maxSizeLabel);
    formatRow->addWidget(maxSize);
    column->addLayout(formatRow);
    onSignal(presets, &QComboBox::activated, [this, presets] {
        record().Source.Format.SetID(presets->currentIndex());
        if (!closing())
            DesignerUpdate();
    });
    onSignal(maxSize, &QLineEdit::editingFinished, [this] {
        numberEditExit("EditMaxSize", [this](LONG value) { record().SetSourceMaxSize(value); });
    });

    auto* scroll = new QScrollArea(page);
    scroll->setObjectName("ScrollBoxSourceFormat");
    scroll->setWidgetResizable(true);
    auto* values = new QWidget;
    auto* grid = new QGridLayout(values);
    grid->addWidget(makeLabel(values, "LabelLabelFormatName",
                              "Source.Format.ID =", "lkRecord.Source.Format.ID"),
                    0, 0);
    grid->addWidget(makeLabel(values, "LabelFormatID", "", "lkRecord.Source.Format.ID"), 0, 1);
    grid->addWidget(makeLabel(values, "LabelLabelFormatBytes",
                              "Source.Format.Bytes = ", "lkRecord.Source.Format.Bytes"),
                    1, 0);
    grid->addWidget(makeLabel(values, "LabelFormatBytes", "0", "lkRecord.Source.Format.Bytes"), 1,
                    1);
    grid->addWidget(makeLabel(values, "LabelLabelFormatSeconds",
                              "Source.Format.Seconds = ", "lkRecord.Source.Format.Seconds"),
                    2, 0);
    grid->addWidget(makeLabel(values, "LabelFormatSeconds", "0", "lkRecord.Source.Format.Seconds"),
                    2, 1);
    int row = 3;
    for (const FormatField& field : kFormatFields) {
        const std::string path = std::string("Source.Format.") + field.value;
        const std::string hint = "lkRecord." + path;
        const std::string caption = path + " =";
        grid->addWidget(makeLabel(values, field.label, caption.c_str(), hint.c_str()), row, 0);
        QLineEdit* box = makeEdit(values, field.edit, hint.c_str());
        box->setMaximumWidth(90);
        grid->addWidget(box, row++, 1);
        const auto set = field.set;
        onSignal(box, &QLineEdit::editingFinished, [this, name = field.edit, set] {
            // Each setter finds the preset again from the six numbers; the list and the
            // identifier follow at the refresh.
            numberEditExit(name, [this, set](LONG value) { (record().Source.Format.*set)(value); });
        });
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row, 1);
    scroll->setWidget(values);
    column->addWidget(scroll, 1);
    return page;
}

// ---- handlers ----

void TlkRecordVantage::MenuDeviceActiveClick(bool value) {
    // A name typed but not yet left is the one recorded to.
    EditFileNameExit();
    if (closing())
        return;
    auto* combo = component<QComboBox>("ComboBoxFileName");
    record().SetDeviceActive(value);
    if (closing())
        return;
    component<QAction>("MenuDeviceActive")->setChecked(record().Device.Active);
    AddToFileHistory(combo, combo->currentText());
    DesignerUpdate();
}

void TlkRecordVantage::MenuDevicePauseClick(bool value) {
    record().SetDevicePause(value);
    if (closing())
        return;
    component<QAction>("MenuDevicePause")->setChecked(record().Device.Pause);
    setPauseHint(record().Device.Pause);
    DesignerUpdate();
}

void TlkRecordVantage::setPauseHint(bool pause) {
    component("SpeedButtonPause")
        ->setToolTip(QString::fromStdString(
            syntax("lkRecord~Device.Pause := " + TlkVantage::BooleanText(!pause))));
}

void TlkRecordVantage::SpeedButtonPlayPreviewClick() {
    EditFileNameExit();
    if (closing())
        return;
    TlkLog& log = record().log();
    const std::string fileName = record().Source.FileName;
    log.Add(1, "Preview recording");
    // The log writes every line in the chosen syntax.
    log.Add(0, "\tSource.FileName = " + fileName);
    std::error_code ec;
    if (fileName.empty() || !std::filesystem::is_regular_file(fileName, ec)) {
        log.Add(0, "\tFile not found");
        return;
    }
    if (!sndPlaySoundA(fileName.c_str(), kPreviewFlags))
        log.Add(0, "\tUnable to play recording");
}

void TlkRecordVantage::SpeedButtonFileSelectClick() {
    ui::FileDialogOptions options;
    options.title = "Select wave file(s)";
    options.filter = "Sounds (*.wav)|*.wav|All files (*.*)|*.*";
    options.fileName = record().Source.FileName;
    const std::optional<std::vector<std::string>> chosen = ui::ShowOpenFiles(options);
    if (closing())
        return;
    // Cancel keeps the file name: an empty choice would leave the recorder nowhere to write.
    if (chosen && !chosen->empty()) {
        record().SetSourceFileName(RecordChosenFileName(*chosen));
        if (closing())
            return;
    }
    // The box shows the chosen name by now (the control refreshed it), or what it showed before
    // when nothing was chosen.
    auto* combo = component<QComboBox>("ComboBoxFileName");
    AddToFileHistory(combo, combo->currentText());
    combo->setEditText(QString::fromStdString(record().Source.FileName));
    DesignerUpdate();
}

void TlkRecordVantage::EditFileNameExit() {
    record().SetSourceFileName(
        component<QComboBox>("ComboBoxFileName")->currentText().toStdString());
}

void TlkRecordVantage::numberEditExit(const char* edit, const std::function<void(LONG)>& store) {
    store(ReadWholeNumber(component<QLineEdit>(edit)->text().toStdString()));
    if (!closing())
        DesignerUpdate();
}

// ---- templates ----

std::vector<VantageTemplate> TlkRecordVantage::templates() const {
    using T = VantageTemplate;
    const auto truth = TlkVantage::BooleanText;
    std::vector<T> all = {
        {"LabelMaxSize", T::Caption, "Source.&MaxSize"},
        {"LabelLabelFormatName", T::Caption, "Source.Format.ID ="},
        {"LabelLabelFormatBytes", T::Caption, "Source.Format.Bytes = "},
        {"LabelLabelFormatSeconds", T::Caption, "Source.Format.Seconds = "},
        {"ComboBoxDevice", T::Hint, "lkRecord~Device.Name"},
        {"CheckBoxLogActive", T::Hint, "lkRecord~Vantage.Log.Active"},
        {"LabelLogCount", T::Hint, "lkRecord~Vantage.Log.Count"},
        {"EditLogCount", T::Hint, "lkRecord~Vantage.Log.Count"},
        {"CheckBoxLogTimeStamp", T::Hint, "lkRecord~Vantage.Log.TimeStamp"},
        {"MemoLog", T::Hint, "lkRecord~Vantage.Log.Lines"},
        {"SpeedButtonActive", T::Hint, "lkRecord~Device.Active := " + truth(true)},
        {"SpeedButtonInactive", T::Hint, "lkRecord~Device.Active := " + truth(false)},
        {"SpeedButtonPause", T::Hint, "lkRecord~Device.Pause := " + truth(!record().Device.Pause)},
        {"SpeedButtonPlayPreview", T::Hint,
         "Play Preview  -  Click to play on Windows default wave device"},
        {"ImageStatusActive", T::Hint, "lkRecord~Device.Active = " + truth(true)},
        {"ImageStatusInactive", T::Hint, "lkRecord~Device.Active = " + truth(false)},
        {"ImageStatusPause", T::Hint, "lkRecord~Device.Pause = " + truth(true)},
        {"ComboBoxFileName", T::Hint, "lkRecord~Source.FileName"},
        {"SpeedButtonFileSelect", T::Hint, "lkRecord~Source.FileName"},
        {"ComboBoxName", T::Hint, "lkRecord~Format.Name"},
        {"LabelMaxSize", T::Hint, "lkRecord~Source.MaxSize"},
        {"EditMaxSize", T::Hint, "lkRecord~Source.MaxSize"},
    };
    // A label and the value beside it show the same path.
    const std::pair<const char*, std::vector<const char*>> shared[] = {
        {"lkRecord~Source.Format.ID", {"LabelLabelFormatName", "LabelFormatID"}},
        {"lkRecord~Source.Format.Bytes", {"LabelLabelFormatBytes", "LabelFormatBytes"}},
        {"lkRecord~Source.Format.Seconds", {"LabelLabelFormatSeconds", "LabelFormatSeconds"}},
    };
    for (const auto& [text, components] : shared) {
        for (const char* component : components)
            all.push_back({component, T::Hint, text});
    }
    for (const FormatField& field : kFormatFields) {
        const std::string path = std::string("Source.Format.") + field.value;
        all.push_back({field.label, T::Caption, path + " ="});
        all.push_back({field.label, T::Hint, "lkRecord~" + path});
        all.push_back({field.edit, T::Hint, "lkRecord~" + path});
    }
    for (const DeviceField& field : kDeviceFields) {
        const std::string path = std::string("Device.") + field.value;
        all.push_back({field.label, T::Caption, path});
        all.push_back({field.label, T::Hint, "lkRecord~" + path + " //milliseconds"});
        all.push_back({field.edit, T::Hint, "lkRecord~" + path + " //milliseconds"});
    }
    return all;
}

void TlkRecordVantage::refreshPropertyPaths() {
    UpdateDeviceList();
}
