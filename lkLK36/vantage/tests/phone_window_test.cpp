// The Phone window against the exchange's handset: its buttons, track bars and menus reach the
// control's setters, and it shows what the phone reports.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "lkLK36/engines/tests/phone_fixture.h"
#include "lkLK36/vantage/lkPhoneVT.h"
#include "lkLK36/vantage/vantage_windows.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;

class PhoneWindow : public PhoneTest {
  protected:
    PhoneWindow() { installVantageWindows(); }
    ~PhoneWindow() override {
        phone.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        removeVantageWindows();
    }

    TlkPhoneVantage* open() {
        phone->Vantage().SetVisible(true);
        return window();
    }
    TlkPhoneVantage* window() const {
        return dynamic_cast<TlkPhoneVantage*>(phone->Vantage().form());
    }
    template <class T = QWidget>
    T* part(const char* name) const {
        T* found = window()->component<T>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    void choose(const char* menu, const char* item) {
        emit part<QMenu>(menu)->aboutToShow();
        part<QAction>(item)->trigger();
    }
    // The user moves a track bar and focus leaves it for the reason given.
    void slide(const char* bar, int position, Qt::FocusReason reason = Qt::OtherFocusReason) {
        auto* slider = part<QSlider>(bar);
        slider->setValue(position);
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(slider, &out);
    }
    std::vector<std::string> treeLines() const {
        std::vector<std::string> lines;
        const auto* tree = part<QTreeWidget>("TreeViewInfo");
        std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item,
                                                                    int depth) {
            lines.push_back(std::string(static_cast<std::size_t>(depth), '\t') +
                            item->text(0).toStdString());
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            walk(tree->topLevelItem(i), 0);
        return lines;
    }
    bool treeHas(const std::string& line) const {
        const auto lines = treeLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(PhoneWindow, OpensOnItsLogPageShowingTheDeviceAndAPhoneWithoutAHeadset) {
    tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
    config.phones[0].hookSwitchDevs = PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER;
    exchange().reset(config);
    openPhone();
    ASSERT_TRUE(open());

    EXPECT_EQ(part<QTabWidget>("PageControl1")->currentWidget(), part("TabSheetLog"));
    EXPECT_EQ(part<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "Device.ID = 0    Device.Count = 1");
    EXPECT_TRUE(part("SpeedButtonDeviceActive")->isHidden());
    EXPECT_FALSE(part("SpeedButtonDeviceInactive")->isHidden());

    EXPECT_EQ(part<QGroupBox>("GroupBoxHandset")->title().toStdString(), "Handset");
    EXPECT_EQ(part<QGroupBox>("GroupBoxHeadset")->title().toStdString(), "Headset <unavailable>");
    EXPECT_FALSE(part("SBHookswitchHeadset")->isEnabled());
    EXPECT_EQ(part("SBHookswitchHeadset")->toolTip().toStdString(),
              "lkPhone.Headset.MicrophoneAndSpeaker := True");
    EXPECT_TRUE(part("SBHookswitchHandset")->isEnabled());
    // The handset rests on its hook: the button is up and offers to lift it.
    EXPECT_TRUE(part<QRadioButton>("RBHandsetOnHook")->isChecked());
    EXPECT_FALSE(part<QToolButton>("SBHookswitchHandset")->isChecked());
    EXPECT_EQ(part("SBHookswitchHandset")->toolTip().toStdString(),
              "lkPhone.Handset.MicrophoneAndSpeaker := True");

    // No hookswitch state yet: the details are only a number, after two blanks.
    EXPECT_TRUE(treeHas("\tDevice.StateDetails =  [00000000]"));
    EXPECT_TRUE(treeHas("\tHeadSet.Available = False"));
    EXPECT_TRUE(treeHas("\tHandset.Available = True"));
    EXPECT_TRUE(treeHas("\tLine.Available = True"));
    EXPECT_EQ(part<QLineEdit>("EditInfoLineDeviceClass")->text().toStdString(), "tapi/line");

    // Every hint is there from the start, as the layout stores it.
    const std::pair<const char*, const char*> hints[] = {
        {"SpeedButtonDeviceInactive", "lkPhone.Device.Active := False"},
        {"ButtonHandsetVolumeGainSet", "Set lkPhone.HandSet.Volume & lkPhone.HandSet.Gain"},
        {"RBSpeakerphoneMicrophoneOnly", "lkPhone.Speakerphone.MicrophoneOnly"},
        {"TBHeadsetGain", "lkPhone.Headset.Gain"},
        {"EditInfoLineDeviceClass", "lkPhone.Line.DeviceClass"},
        {"MemoLog", "lkPhone.Vantage.Log.Lines"},
    };
    for (const auto& [component, hint] : hints)
        EXPECT_EQ(part(component)->toolTip().toStdString(), hint) << component;
}

TEST_F(PhoneWindow, HookswitchControlsSetTheModesAndTheWindowFollowsThePhone) {
    openPhone();
    ASSERT_TRUE(open());

    // Pressing the handset's button takes it off hook; releasing it puts it back.
    auto* button = part<QToolButton>("SBHookswitchHandset");
    button->click();
    EXPECT_TRUE(phone->Handset.MicrophoneAndSpeaker);
    EXPECT_TRUE(part<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->isChecked());
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(button->toolTip().toStdString(), "lkPhone.Handset.OnHook := True");
    button->click();
    EXPECT_TRUE(phone->Handset.OnHook);
    EXPECT_FALSE(button->isChecked());

    part<QRadioButton>("RBSpeakerphoneSpeakerOnly")->click();
    EXPECT_TRUE(phone->Speakerphone.SpeakerOnly);
    EXPECT_TRUE(part<QToolButton>("SBHookswitchSpeakerphone")->isChecked());

    // The user lifts the handset on the phone itself: the window shows it, and the tree names
    // the mode of the hookswitch state.
    ASSERT_TRUE(
        exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER));
    time.runUntilIdle();
    EXPECT_TRUE(part<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->isChecked());
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(treeHas("\tDevice.StateDetails = PHONEHOOKSWITCHMODE_MICSPEAKER [00000008]"))
        << ::testing::PrintToString(treeLines());
}

TEST_F(PhoneWindow, ApplySendsOnlyTheLevelsTheUserMovedGainFirst) {
    openPhone();
    ASSERT_TRUE(open());
    const std::size_t unchanged = logMark();
    part<QPushButton>("ButtonHandsetVolumeGainSet")->click();
    EXPECT_EQ(logSince(unchanged), std::vector<std::string>{});

    part<QSlider>("TBHandsetVolume")->setValue(40);
    part<QSlider>("TBHandsetGain")->setValue(70);
    part<QPushButton>("ButtonHandsetVolumeGainSet")->click();
    EXPECT_EQ(phone->Handset.Gain, 70);
    EXPECT_EQ(phone->Handset.Volume, 40);
    const auto lines = logSince(unchanged);
    const auto gainAt = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("Handset.Gain") != std::string::npos;
    });
    const auto volumeAt = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("Handset.Volume") != std::string::npos;
    });
    ASSERT_NE(gainAt, lines.end());
    ASSERT_NE(volumeAt, lines.end());
    EXPECT_LT(gainAt, volumeAt);

    // Leaving a track bar sends its level alone.
    slide("TBSpeakerphoneVolume", 25);
    EXPECT_EQ(phone->Speakerphone.Volume, 25);
    EXPECT_TRUE(treeHas("\tSpeakerphone.Volume = 25"));
}

TEST_F(PhoneWindow, ATrackBarIsLeftOnlyForAnotherControlNotForAMenuOrAnotherWindow) {
    openPhone();
    ASSERT_TRUE(open());
    const LONG before = phone->Handset.Volume;
    ASSERT_NE(before, 30);
    const std::size_t mark = logMark();
    for (const Qt::FocusReason reason :
         {Qt::PopupFocusReason, Qt::MenuBarFocusReason, Qt::ActiveWindowFocusReason}) {
        slide("TBHandsetVolume", 30, reason);
        EXPECT_EQ(phone->Handset.Volume, before) << reason;
    }
    EXPECT_EQ(logSince(mark), std::vector<std::string>{});

    // Focus comes back to the bar, and tabbing on from it sends the level it shows.
    slide("TBHandsetVolume", 30, Qt::TabFocusReason);
    EXPECT_EQ(phone->Handset.Volume, 30);
}

TEST_F(PhoneWindow, DeviceMenusOpenCloseAndChoosePrivilegesOnlyWhileClosed) {
    newPhone();
    ASSERT_TRUE(open());
    emit part<QMenu>("MenuDevicePrivilege")->aboutToShow();
    EXPECT_TRUE(part<QAction>("MenuDevicePrivilegeMonitor")->isEnabled());
    choose("MenuDevicePrivilege", "MenuDevicePrivilegeMonitor");
    EXPECT_TRUE(phone->Privilege.Monitor);

    // A device class typed into the Misc. page reaches the control once the edit is left.
    auto* lineClass = part<QLineEdit>("EditInfoLineDeviceClass");
    lineClass->setText("tapi/line/other");
    lineClass->setModified(true);
    emit lineClass->editingFinished();
    EXPECT_EQ(phone->Line.DeviceClass, "tapi/line/other");

    choose("MenuDevice", "MenuDeviceActive");
    ASSERT_TRUE(phone->Device.Active) << phone->Error().Name();
    EXPECT_FALSE(part("SpeedButtonDeviceInactive")->isHidden());
    EXPECT_TRUE(part<QAction>("MenuDeviceActive")->isChecked());
    emit part<QMenu>("MenuDevice")->aboutToShow();
    EXPECT_FALSE(part<QAction>("MenuDevicePrivilegeMonitor")->isEnabled());
    EXPECT_FALSE(part<QAction>("MenuDevicePrivilegeOwner")->isEnabled());

    part<QToolButton>("SpeedButtonDeviceInactive")->click();
    EXPECT_FALSE(phone->Device.Active);
    EXPECT_TRUE(part("SpeedButtonDeviceInactive")->isHidden());
    EXPECT_FALSE(part<QAction>("MenuDeviceActive")->isChecked());
}

TEST_F(PhoneWindow, PopupItemsSetTheirFlagsAndTheSyntaxRewritesTheHints) {
    newPhone();
    ASSERT_TRUE(open());
    choose("MenuPopup", "MenuPopupOnHandsetHookSwitch");
    EXPECT_TRUE(phone->Popup.OnHandsetHookSwitch);
    EXPECT_EQ(part<QMenu>("MenuPopup")->actions().size(), 15);

    choose("MenuVantage", "MenuDevEnvCBuilder");
    EXPECT_EQ(part("RBHeadsetSpeakerOnly")->toolTip().toStdString(),
              "lkPhone->Headset->SpeakerOnly");
    EXPECT_EQ(part("TBHandsetGain")->toolTip(), part("LabelHandsetGain")->toolTip());
    // The hookswitch buttons' hints keep their own form whatever the syntax.
    EXPECT_EQ(part("SBHookswitchHandset")->toolTip().toStdString(),
              "lkPhone.Handset.MicrophoneAndSpeaker := True");
}

}  // namespace
