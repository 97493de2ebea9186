// The Play monitor window's layout, menus and handlers.
#include "lkLK36/vantage/lkPlayVT.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "lkLK36/vantage/vantage_glyphs.h"
#include "lkLK36/vantage/vantage_widgets.h"
#include "platform/ui/dialogs.h"

namespace {

constexpr VantageKindTraits kPlayTraits{"lkPlay", 308, 305, 258, 189};

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    return edit;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const char* caption) {
    auto* check = new QCheckBox(QString::fromUtf8(caption), parent);
    check->setObjectName(name);
    return check;
}

QToolButton* makeDeviceButton(QWidget* parent, const char* name, const char* glyph) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QString::fromUtf8(glyph));
    button->setAutoRaise(false);
    return button;
}

// The folder part of a path (without its last separator, "/" for the root) and its bare name.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return {std::string(), path};
    return {slash == 0 ? path.substr(0, 1) : path.substr(0, slash), path.substr(slash + 1)};
}

bool endsWithWav(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string end = name.substr(name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".wav";
}

}  // namespace

PlayDialogStart PlayDialogStartOf(const std::string& fileList) {
    // The dialog offers the first file in its folder; the further files of a list are in that
    // folder or elsewhere, and the dialog can preset only one folder either way.
    std::size_t start = 0;
    while (start <= fileList.size()) {
        std::size_t comma = fileList.find(',', start);
        if (comma == std::string::npos)
            comma = fileList.size();
        std::string entry = fileList.substr(start, comma - start);
        start = comma + 1;
        entry.erase(0, entry.find_first_not_of(' ') == std::string::npos
                           ? entry.size()
                           : entry.find_first_not_of(' '));
        if (entry.empty())
            continue;
        auto [folder, name] = splitPath(entry);
        if (name.find('.') == std::string::npos)
            name += ".wav";
        return {folder, name};
    }
    return {};
}

std::vector<std::string> PlayChosenLists(const std::vector<std::string>& chosen) {
    std::vector<std::string> lists;
    std::string list;
    for (const std::string& path : chosen) {
        if (list.empty()) {
            list = path;
        } else {
            std::string name = splitPath(path).second;
            if (endsWithWav(name))
                name.resize(name.size() - 4);
            list += "," + name;
        }
        lists.push_back(list);
    }
    return lists;
}

TlkPlayVantage::TlkPlayVantage(TlkVantage& vantage) : VantageWindow(vantage, kPlayTraits) {
    setObjectName("TlkPlayVantage");
    buildHeaderButtons();
    // The Log page is the frame's; the Play pages follow it.
    pageControl()->addTab(buildMiscPage(), "Misc.");
    pageControl()->addTab(buildSourcePage(), "Source");
    buildMenus();
    applyLayoutHints();
    onSignal(deviceCombo(), &QComboBox::activated, [this] {
        play().SetDeviceID(deviceCombo()->currentIndex());
        if (!closing())
            DesignerUpdate();
    });
}

TlkPlayVantage::~TlkPlayVantage() = default;

TlkPlayInternal& TlkPlayVantage::play() const {
    return *static_cast<TlkPlayInternal*>(vantage().owner());
}

// ---- layout ----

void TlkPlayVantage::buildHeaderButtons() {
    QToolButton* active = makeDeviceButton(centralWidget(), "SpeedButtonActive", "Play");
    QToolButton* inactive = makeDeviceButton(centralWidget(), "SpeedButtonInactive", "Stop");
    QToolButton* pause = makeDeviceButton(centralWidget(), "SpeedButtonPause", "Pause");
    headerRow()->insertWidget(0, active);
    headerRow()->insertWidget(1, inactive);
    headerRow()->insertWidget(2, pause);
    // The buttons never stay down: the lamp shows the state.
    onSignal(active, &QToolButton::clicked, [this] {
        if (!play().Device.Active)
            MenuDeviceActiveClick(!component<QAction>("MenuDeviceActive")->isChecked());
    });
    onSignal(inactive, &QToolButton::clicked, [this] {
        if (play().Device.Active)
            MenuDeviceActiveClick(!component<QAction>("MenuDeviceActive")->isChecked());
    });
    onSignal(pause, &QToolButton::clicked,
             [this] { MenuDevicePauseClick(!component<QAction>("MenuDevicePause")->isChecked()); });

    // The pause lamp stands where the other two do; only one of the three is ever shown.
    auto* paused = new QLabel(deviceGroup());
    paused->setObjectName("ImageStatusPause");
    paused->setPixmap(lampPixmap(LampColour::Yellow, true));
    paused->hide();
    static_cast<QHBoxLayout*>(deviceGroup()->layout())->insertWidget(2, paused);
}

QWidget* TlkPlayVantage::buildMiscPage() {
    // Made inside the window at once, so its components are found by name while it is built.
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetDevicePositionTimerVolume");
    auto* grid = new QGridLayout(page);
    int row = 0;

    QLineEdit* delay = makeEdit(page, "EditDelay");
    grid->addWidget(makeLabel(page, "LabelDelay", "Device.Delay"), row, 0);
    grid->addWidget(delay, row++, 1);
    grid->addWidget(makeLabel(page, "LabelLabelPositionByte", "Position.Byte"), row, 0);
    grid->addWidget(makeLabel(page, "LabelPositionByte", "0"), row++, 1);
    grid->addWidget(makeLabel(page, "LabelLabelPositionSecond", "Position.Second"), row, 0);
    grid->addWidget(makeLabel(page, "LabelPositionSecond", "0"), row++, 1);
    auto* percent = new QProgressBar(page);
    percent->setObjectName("ProgressBarPositionPrecent");
    percent->setRange(0, 100);
    percent->setValue(0);
    grid->addWidget(percent, row++, 0, 1, 3);

    QCheckBox* timerEnabled = makeCheck(page, "CheckBoxTimerEnabled", "Timer.&Enabled");
    QLineEdit* interval = makeEdit(page, "EditTimerInterval");
    grid->addWidget(timerEnabled, row++, 0, 1, 2);
    grid->addWidget(makeLabel(page, "LabelTimerInterval", "Timer.Interval"), row, 0);
    grid->addWidget(interval, row++, 1);

    auto* volumeRow = new QHBoxLayout;
    const std::pair<const char*, const char*> switches[] = {
        {"CheckBoxVolumeEnabled", "Volume.&Enabled"},
        {"CheckBoxVolumeDefault", "Volume.&Default"},
        {"CheckBoxVolumeReset", "Volume.&Reset"},
    };
    for (const auto& [name, caption] : switches)
        volumeRow->addWidget(makeCheck(page, name, caption));
    volumeRow->addStretch(1);
    grid->addLayout(volumeRow, row++, 0, 1, 3);
    auto* volume = new QSlider(Qt::Horizontal, page);
    volume->setObjectName("TrackBarVolume");
    volume->setRange(0, 100);
    volume->setTickInterval(5);
    volume->setTickPosition(QSlider::TicksBelow);
    grid->addWidget(volume, row++, 0, 1, 3);
    auto* scale = new QHBoxLayout;
    const std::pair<const char*, const char*> marks[] = {
        {"Label3", "0"}, {"Label7", "25"}, {"Label6", "50"}, {"Label8", "75"}, {"Label5", "100"}};
    for (const auto& [name, caption] : marks) {
        if (std::string_view(name) != "Label3")
            scale->addStretch(1);
        scale->addWidget(makeLabel(page, name, caption));
    }
    grid->addLayout(scale, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(2, 1);

    numberEditExit("EditDelay", [this](LONG value) { play().SetDeviceDelay(value); });
    numberEditExit("EditTimerInterval",
                   [this](LONG value) { play().SetTimerInterval(static_cast<DWORD>(value)); });
    onSignal(timerEnabled, &QCheckBox::clicked, [this, timerEnabled] {
        play().SetTimerEnabled(timerEnabled->isChecked());
        if (!closing())
            DesignerUpdate();
    });
    const std::pair<const char*, void (TlkPlayInternal::*)(bool)> setters[] = {
        {"CheckBoxVolumeEnabled", &TlkPlayInternal::SetVolumeEnabled},
        {"CheckBoxVolumeDefault", &TlkPlayInternal::SetVolumeDefault},
        {"CheckBoxVolumeReset", &TlkPlayInternal::SetVolumeReset},
    };
    for (const auto& [name, setter] : setters) {
        QCheckBox* box = component<QCheckBox>(name);
        onSignal(box, &QCheckBox::clicked, [this, box, setter = setter] {
            (play().*setter)(box->isChecked());
            if (!closing())
                DesignerUpdate();
        });
    }
    // The refresh positions the slider with its signals blocked, so only the user's moves reach
    // the control (a refresh that set the volume again would log and report it once more).
    onSignal(volume, &QSlider::valueChanged, [this, volume] {
        play().SetVolumePosition(volume->value());
        if (!closing())
            DesignerUpdate();
    });
    return page;
}

QWidget* TlkPlayVantage::buildSourcePage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheetSource");
    auto* column = new QVBoxLayout(page);

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    auto* fileName = new QComboBox(page);
    fileName->setObjectName("ComboBoxFileName");
    fileName->setEditable(true);
    // The history is kept by the window's own rule, not by Qt's insertion on Enter.
    fileName->setInsertPolicy(QComboBox::NoInsert);
    fileName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fileName->setMinimumContentsLength(10);
    auto* select = new QToolButton(page);
    select->setObjectName("ImageFileSelect");
    select->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    select->setAutoRaise(true);
    fileRow->addWidget(fileName, 1);
    fileRow->addWidget(select);
    column->addLayout(fileRow);

    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(makeLabel(page, "LabelFormatName", ""), 1);
    QLabel* maxSizeLabel = makeLabel(page, "LabelMaxSize", "Source.&MaxSize");
    QLineEdit* maxSize = makeEdit(page, "EditMaxSize");
    maxSizeLabel->setBuddy(maxSize);
    formatRow->addWidget(maxSizeLabel);
    formatRow->addWidget(maxSize);
    column->addLayout(formatRow);

    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName("MemoFormat");
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    column->addWidget(memo, 1);

    onSignal(fileName->lineEdit(), &QLineEdit::editingFinished, [this] {
        EditFileNameExit();
        if (!closing())
            DesignerUpdate();
    });
    onSignal(select, &QToolButton::clicked, [this] { ImageFileSelectClick(); });
    numberEditExit("EditMaxSize", [this](LONG value) { play().SetSourceMaxSize(value); });
    return page;
}

void TlkPlayVantage::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* device = bar->addMenu("&Device");
    device->setObjectName("MenuDevice");
    QAction* active = addMenuAction(device, "MenuDeviceActive", "&Active", {}, true);
    active->setShortcut(QKeySequence("Ctrl+A"));
    // A checkable item has its new mark when it triggers: the negation of the old one.
    onSignal(active, &QAction::triggered,
             [this, active] { MenuDeviceActiveClick(active->isChecked()); });
    QAction* loop = addMenuAction(device, "MenuDeviceLoop", "&Loop", {}, true);
    onSignal(loop, &QAction::triggered, [this, loop] {
        play().SetDeviceLoop(loop->isChecked());
        if (closing())
            return;
        loop->setChecked(play().Device.Loop);
        DesignerUpdate();
    });
    QAction* pause = addMenuAction(device, "MenuDevicePause", "&Pause", {}, true);
    pause->setShortcut(QKeySequence("Ctrl+P"));
    onSignal(pause, &QAction::triggered,
             [this, pause] { MenuDevicePauseClick(pause->isChecked()); });
    QAction* wait = addMenuAction(device, "MenuDeviceWait", "&Wait", {}, true);
    onSignal(wait, &QAction::triggered, [this, wait] {
        play().SetDeviceWait(wait->isChecked());
        if (closing())
            return;
        wait->setChecked(play().Device.Wait);
        DesignerUpdate();
    });

    TlkPlayPopup& popup = play().Popup;
    addPopupMenu("MenuPopUp", "&PopUp",
                 {
                     {"MenuPopupOnDone", "OnDone", &popup.OnDone},
                     {"MenuPopupOnError", "OnError", &popup.OnError},
                     {"MenuPopupOnLoaded", "OnLoaded", &popup.OnLoaded},
                     {"MenuPopupOnLoop", "OnLoop", &popup.OnLoop},
                     {"MenuPopupOnTimer", "OnTimer", &popup.OnTimer},
                     {"MenuPopupOnWarning", "OnWarning", &popup.OnWarning},
                 });
    addVantageMenu();
    addHelpMenu();
}

// The hints the layout stores, in dotted form until the first switch of the environment.
void TlkPlayVantage::applyLayoutHints() {
    for (const VantageTemplate& t : templates()) {
        if (t.target != VantageTemplate::Hint)
            continue;
        if (QWidget* widget = component(t.component.c_str())) {
            std::string text = t.text;
            std::replace(text.begin(), text.end(), '~', '.');
            widget->setToolTip(QString::fromStdString(text));
        }
    }
    const std::pair<const char*, const char*> log[] = {
        {"CheckBoxLogActive", "lkPlay.Log.Active"},
        {"LabelLogCount", "lkPlay.Log.Count"},
        {"EditLogCount", "lkPlay.Log.Count"},
        {"CheckBoxLogTimeStamp", "lkPlay.Log.TimeStamp"},
    };
    for (const auto& [name, hint] : log)
        component(name)->setToolTip(QString::fromLatin1(hint));
    // The volume scale's marks say what the slider says; they keep this hint.
    for (const char* mark : {"Label3", "Label7", "Label6", "Label8", "Label5"})
        component(mark)->setToolTip("lkPlay.Volume.Position");
}

// ---- handlers ----

void TlkPlayVantage::MenuDeviceActiveClick(bool value) {
    play().SetDeviceActive(value);
    if (closing())
        return;
    component<QAction>("MenuDeviceActive")->setChecked(play().Device.Active);
    auto* fileName = component<QComboBox>("ComboBoxFileName");
    AddToFileHistory(fileName, fileName->currentText());
    DesignerUpdate();
}

void TlkPlayVantage::MenuDevicePauseClick(bool value) {
    play().SetDevicePause(value);
    if (closing())
        return;
    component<QAction>("MenuDevicePause")->setChecked(play().Device.Pause);
    setPauseHint(play().Device.Pause);
    DesignerUpdate();
}

void TlkPlayVantage::setPauseHint(bool pause) {
    component("SpeedButtonPause")
        ->setToolTip(QString::fromStdString(
            syntax("lkPlay~Device.Pause := " + TlkVantage::BooleanText(!pause))));
}

void TlkPlayVantage::EditFileNameExit() {
    if (closing())
        return;
    play().SetSourceFileName(component<QComboBox>("ComboBoxFileName")->currentText().toStdString());
}

void TlkPlayVantage::numberEditExit(const char* name, const std::function<void(LONG)>& store) {
    QLineEdit* edit = component<QLineEdit>(name);
    onSignal(edit, &QLineEdit::editingFinished, [this, edit, store] {
        store(ReadWholeNumber(edit->text().toStdString()));
        if (!closing())
            DesignerUpdate();
    });
}

void TlkPlayVantage::ImageFileSelectClick() {
    const PlayDialogStart start = PlayDialogStartOf(play().Source.FileName);
    ui::FileDialogOptions options;
    options.title = "Select wave file(s)";
    options.filter = "Sounds (*.wav)|*.wav|All files (*.*)|*.*";
    options.initialDir = start.folder;
    options.fileName = start.fileName;
    const std::optional<std::vector<std::string>> chosen = ui::ShowOpenFiles(options);
    // The dialog's loop may have closed the window, and with it gone its control.
    if (closing())
        return;
    if (chosen) {
        // The control reads the list again after each file, as it grows.
        play().SetSourceFileName({});
        for (const std::string& list : PlayChosenLists(*chosen)) {
            play().SetSourceFileName(list);
            if (closing())
                return;
        }
    }
    // Read once more, chosen or not, so the files are seen as they are now.
    const std::string list = play().Source.FileName;
    play().SetSourceFileName({});
    if (closing())
        return;
    play().SetSourceFileName(list);
    if (closing())
        return;
    auto* fileName = component<QComboBox>("ComboBoxFileName");
    AddToFileHistory(fileName, fileName->currentText());
    fileName->setEditText(QString::fromStdString(play().Source.FileName));
    DesignerUpdate();
}

// ---- templates ----

std::vector<VantageTemplate> TlkPlayVantage::templates() const {
    using T = VantageTemplate;
    const auto truth = TlkVantage::BooleanText;
    std::vector<T> all = {
        {"LabelMaxSize", T::Caption, "Source.&MaxSize"},
        {"LabelDelay", T::Caption, "Device.Delay"},
        {"LabelLabelPositionByte", T::Caption, "Position.Byte"},
        {"LabelLabelPositionSecond", T::Caption, "Position.Second"},
        {"CheckBoxTimerEnabled", T::Caption, "Timer.&Enabled"},
        {"LabelTimerInterval", T::Caption, "Timer.Interval"},
        {"CheckBoxVolumeEnabled", T::Caption, "Volume.&Enabled"},
        {"CheckBoxVolumeDefault", T::Caption, "Volume.&Default"},
        {"CheckBoxVolumeReset", T::Caption, "Volume.&Reset"},
        {"ComboBoxDevice", T::Hint, "lkPlay~Device.Name"},
        {"CheckBoxLogActive", T::Hint, "lkPlay~Vantage.Log.Active"},
        {"CheckBoxLogTimeStamp", T::Hint, "lkPlay~Vantage.Log.TimeStamp"},
        {"MemoLog", T::Hint, "lkPlay~Vantage.Log.Lines"},
        {"SpeedButtonActive", T::Hint, "lkPlay~Device.Active := " + truth(true)},
        {"SpeedButtonInactive", T::Hint, "lkPlay~Device.Active := " + truth(false)},
        {"SpeedButtonPause", T::Hint, "lkPlay~Device.Pause := " + truth(!play().Device.Pause)},
        {"ImageStatusActive", T::Hint, "lkPlay~Device.Active = " + truth(true)},
        {"ImageStatusInactive", T::Hint, "lkPlay~Device.Active = " + truth(false)},
        {"ImageStatusPause", T::Hint, "lkPlay~Device.Pause = " + truth(true)},
        {"LabelFormatName", T::Hint, "lkPlay~Source.Format.Name"},
        {"MemoFormat", T::Hint, "lkPlay~Format"},
        {"ProgressBarPositionPrecent", T::Hint, "lkPlay~Position.Percent"},
        {"CheckBoxTimerEnabled", T::Hint, "lkPlay~Timer.Enabled"},
        {"CheckBoxVolumeEnabled", T::Hint, "lkPlay~Volume.Enabled"},
        {"CheckBoxVolumeDefault", T::Hint, "lkPlay~Volume.Default"},
        {"CheckBoxVolumeReset", T::Hint, "lkPlay~Volume.Reset"},
        {"TrackBarVolume", T::Hint, "lkPlay~Volume.Position"},
    };
    // A component beside another shows the same hint.
    const std::pair<const char*, std::vector<const char*>> shared[] = {
        {"lkPlay~Vantage.Log.Count", {"LabelLogCount", "EditLogCount"}},
        {"lkPlay~Source.FileName", {"ComboBoxFileName", "ImageFileSelect"}},
        {"lkPlay~Source.MaxSize //kilobytes", {"LabelMaxSize", "EditMaxSize"}},
        {"lkPlay~Device.Delay //milliseconds", {"LabelDelay", "EditDelay"}},
        {"lkPlay~Position.Byte", {"LabelLabelPositionByte", "LabelPositionByte"}},
        {"lkPlay~Position.Second", {"LabelPositionSecond", "LabelLabelPositionSecond"}},
        {"lkPlay~Timer.Interval //milliseconds", {"LabelTimerInterval", "EditTimerInterval"}},
    };
    for (const auto& [text, components] : shared) {
        for (const char* component : components)
            all.push_back({component, T::Hint, text});
    }
    return all;
}

void TlkPlayVantage::refreshPropertyPaths() {
    // The format read-out keeps its syntax until the control next refreshes it.
    UpdateDeviceList();
}
