// The refresh routines of the Play monitor window: what the control calls after each change. Texts
// that name a property go through the chosen syntax; the writes never drive the control (the
// handlers react to the user's clicks and typing only, and the rest are written with the widgets'
// signals blocked).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>

#include "lkLK36/vantage/lkPlayVT.h"
#include "lkLK36/vantage/vantage_widgets.h"

namespace {}  // namespace

void TlkPlayVantage::refreshAll() {
    UpdateDeviceList();
    UpdateVolume();
    UpdateTimerEnabled();
    UpdateTimerInterval();
    UpdateFileName();
    UpdateMaxSize();
    UpdatePosition();
    UpdateFormatTree();
}

void TlkPlayVantage::showSourcePage() {
    pageControl()->setCurrentWidget(component("TabSheetSource"));
}

void TlkPlayVantage::UpdateDeviceList() {
    TlkWavePlayDevice& device = play().Device;
    showDeviceCaption(device.ID, device.Count);
    UpdateDeviceSettings();
    fillCombo(deviceCombo(), play().DeviceList(), device.ID);
}

void TlkPlayVantage::UpdateDeviceSettings() {
    const TlkWavePlayDevice& device = play().Device;
    const std::pair<const char*, bool> marks[] = {
        {"MenuDeviceActive", device.Active},
        {"MenuDevicePause", device.Pause},
        {"MenuDeviceWait", device.Wait},
        {"MenuDeviceLoop", device.Loop},
    };
    for (const auto& [name, value] : marks)
        component<QAction>(name)->setChecked(value);
    setText(component<QLineEdit>("EditDelay"), std::to_string(device.Delay));
    UpdateDeviceStatus();
}

void TlkPlayVantage::UpdateDeviceStatus() {
    const TlkWavePlayDevice& device = play().Device;
    QLabel* paused = component<QLabel>("ImageStatusPause");
    QLabel* shown = statusInactive();
    if (device.Active) {
        setPauseHint(device.Pause);
        shown = device.Pause ? paused : statusActive();
    }
    for (QLabel* lamp : {statusInactive(), paused, statusActive()})
        lamp->setVisible(lamp == shown);
    shown->raise();
}

void TlkPlayVantage::UpdateVolume() {
    const TlkPlayVolume& volume = play().Volume;
    setChecked(component<QCheckBox>("CheckBoxVolumeEnabled"), volume.Enabled);
    setChecked(component<QCheckBox>("CheckBoxVolumeDefault"), volume.Default);
    setChecked(component<QCheckBox>("CheckBoxVolumeReset"), volume.Reset);
    auto* slider = component<QSlider>("TrackBarVolume");
    const QSignalBlocker detached(slider);
    slider->setValue(volume.Position);
}

void TlkPlayVantage::UpdateTimerEnabled() {
    auto* box = component<QCheckBox>("CheckBoxTimerEnabled");
    if (box->isChecked() != play().Timer.Enabled)
        setChecked(box, play().Timer.Enabled);
}

void TlkPlayVantage::UpdateTimerInterval() {
    setText(component<QLineEdit>("EditTimerInterval"), std::to_string(play().Timer.Interval));
}

void TlkPlayVantage::UpdateFileName() {
    const TlkPlaySource& source = play().Source;
    auto* combo = component<QComboBox>("ComboBoxFileName");
    QLineEdit* edit = combo->lineEdit();
    const QString text = QString::fromStdString(source.FileName);
    if (edit->text() != text)
        edit->setText(text);
    // A list the control could not read in full shows in red.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, source.Valid
                                         ? QApplication::palette(edit).color(QPalette::Text)
                                         : QColor(Qt::red));
    edit->setPalette(palette);
}

void TlkPlayVantage::UpdateMaxSize() {
    setText(component<QLineEdit>("EditMaxSize"), std::to_string(play().Source.MaxSize));
}

void TlkPlayVantage::UpdatePosition() {
    TlkPlayInternal& p = play();
    setText(component<QLabel>("LabelPositionByte"), FormatCount(p.PositionByte()));
    setText(component<QLabel>("LabelPositionSecond"), FormatSeconds(p.PositionSecond()));
    component<QProgressBar>("ProgressBarPositionPrecent")->setValue(p.PositionPercent());
}

void TlkPlayVantage::UpdateFormatTree() {
    const TlkFormat& format = play().Source.Format;
    setText(component<QLabel>("LabelFormatName"), format.Name());
    const std::string lines[] = {
        "Source.Format.AvgBytesPerSec = " + FormatCount(format.AvgBytesPerSec()),
        "Source.Format.BitsPerSample = " + std::to_string(format.BitsPerSample()),
        "Source.Format.BlockAlign = " + std::to_string(format.BlockAlign()),
        "Source.Format.Bytes = " + FormatCount(format.Bytes()),
        "Source.Format.Channels = " + std::to_string(format.Channels()),
        "Source.Format.ID = " + std::string(TxWAVFORMATS[format.ID()].ID),
        "Source.Format.SamplesPerSec = " + FormatCount(format.SamplesPerSec()),
        "Source.Format.Seconds = " + FormatSeconds(format.Seconds()),
        "Source.Format.Tag = " + std::to_string(format.Tag()),
    };
    QString text;
    for (const std::string& line : lines) {
        if (!text.isEmpty())
            text += '\n';
        text += QString::fromStdString(syntax(line));
    }
    auto* memo = component<QPlainTextEdit>("MemoFormat");
    if (memo->toPlainText() != text)
        memo->setPlainText(text);
}
