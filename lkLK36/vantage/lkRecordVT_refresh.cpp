// The refresh routines of the Record monitor window: what the control calls after each change.
// Every text that names a property goes through the chosen syntax; the writes never drive the
// control (the handlers react to the user's own choices and typing only, and lists are written
// with their signals blocked).
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTabWidget>

#include "lkLK36/vantage/lkRecordVT.h"
#include "lkLK36/vantage/vantage_widgets.h"

namespace {}  // namespace

void TlkRecordVantage::refreshAll() {
    // The preset list is filled once, before anything selects in it.
    auto* presets = component<QComboBox>("ComboBoxName");
    if (presets->count() == 0) {
        const QSignalBlocker detached(presets);
        for (const TlkWaveFormatPreset& preset : TxWAVFORMATS)
            presets->addItem(
                QString::fromUtf8(preset.Name.data(), static_cast<qsizetype>(preset.Name.size())));
    }
    UpdateDeviceList();
    UpdateFormat();
    UpdateFileName();
    UpdateMaxSize();
    RefreshLogPage();
}

void TlkRecordVantage::showSourcePage() {
    pageControl()->setCurrentWidget(component("TabSheetSource"));
}

void TlkRecordVantage::UpdateDeviceList() {
    const TlkWaveRecordDevice& device = record().Device;
    showDeviceCaption(device.ID, device.Count);
    UpdateDeviceSettings();
    fillCombo(deviceCombo(), record().DeviceList(), device.ID);
}

void TlkRecordVantage::UpdateDeviceSettings() {
    const TlkWaveRecordDevice& device = record().Device;
    component<QAction>("MenuDeviceActive")->setChecked(device.Active);
    component<QAction>("MenuDevicePause")->setChecked(device.Pause);
    setText(component<QLineEdit>("EditBuffer"), std::to_string(device.Buffer));
    setText(component<QLineEdit>("EditDelay"), std::to_string(device.Delay));
    setText(component<QLineEdit>("EditTrim"), std::to_string(device.Trim));
    UpdateDeviceStatus();
}

void TlkRecordVantage::UpdateDeviceStatus() {
    const TlkWaveRecordDevice& device = record().Device;
    auto* paused = component<QLabel>("ImageStatusPause");
    QLabel* shown = statusInactive();
    if (device.Active) {
        setPauseHint(device.Pause);
        shown = device.Pause ? paused : statusActive();
    }
    for (QLabel* lamp : {statusInactive(), paused, statusActive()})
        lamp->setVisible(lamp == shown);
    shown->raise();
}

void TlkRecordVantage::UpdateFormat() {
    const TlkFormat& format = record().Source.Format;
    auto* presets = component<QComboBox>("ComboBoxName");
    {
        const QSignalBlocker detached(presets);
        presets->setCurrentIndex(static_cast<int>(format.ID()));
    }
    setText(component<QLabel>("LabelFormatID"), std::string(TxWAVFORMATS[format.ID()].ID));
    setText(component<QLineEdit>("EditFormatTag"), std::to_string(format.Tag()));
    setText(component<QLineEdit>("EditFormatChannels"), std::to_string(format.Channels()));
    setText(component<QLineEdit>("EditFormatBitsPerSample"),
            std::to_string(format.BitsPerSample()));
    setText(component<QLineEdit>("EditFormatAvgBytesPerSec"),
            std::to_string(format.AvgBytesPerSec()));
    setText(component<QLineEdit>("EditFormatBlockAlign"), std::to_string(format.BlockAlign()));
    setText(component<QLineEdit>("EditFormatSamplesPerSec"),
            std::to_string(format.SamplesPerSec()));
    UpdateFormatSize();
}

void TlkRecordVantage::UpdateFormatSize() {
    const TlkFormat& format = record().Source.Format;
    setText(component<QLabel>("LabelFormatBytes"), FormatCount(format.Bytes()));
    setText(component<QLabel>("LabelFormatSeconds"), FormatSeconds(format.Seconds()));
}

void TlkRecordVantage::UpdateFileName() {
    const TlkRecordSource& source = record().Source;
    auto* combo = component<QComboBox>("ComboBoxFileName");
    const QString name = QString::fromStdString(source.FileName);
    if (combo->currentText() != name)
        combo->setEditText(name);
    // A name the recorder cannot write to (no folder of that name, no file name) shows in red.
    QPalette colours = combo->palette();
    const QColor text = source.Valid ? palette().color(QPalette::WindowText) : QColor(Qt::red);
    if (colours.color(QPalette::Text) != text) {
        colours.setColor(QPalette::Text, text);
        combo->setPalette(colours);
    }
}

void TlkRecordVantage::UpdateMaxSize() {
    setText(component<QLineEdit>("EditMaxSize"), std::to_string(record().Source.MaxSize));
}
