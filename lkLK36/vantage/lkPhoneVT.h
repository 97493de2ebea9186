// The Phone control's monitor window: the phone device, its three hookswitch devices (handset,
// speakerphone, headset) with their modes, volume and gain, an information tree of the device and
// its related line and wave devices, and the log. Its buttons, track bars and menus drive the
// control through its own setters; the control keeps the window current through the refresh
// routines below.
#pragma once

#include <string>

#include "lkLK36/engines/lkPhone.h"
#include "lkLK36/vantage/vantage_window.h"

class QGroupBox;
class QSlider;

class TlkPhoneVantage : public VantageWindow, public PhoneVantageObserver {
  public:
    explicit TlkPhoneVantage(TlkVantage& vantage);
    ~TlkPhoneVantage() override;

    // ---- the refresh routines the control calls ----
    void refreshAll() override;
    void UpdateDeviceStatus() override;
    void UpdateDeviceList() override;
    void UpdateHookSwitchPanels() override;
    void UpdatePhoneInfoTree() override;

    TlkPhoneInternal& phone() const;

    // One hookswitch group of the Hook Switch page: its name in component names and the
    // control's device behind it.
    struct HookSwitchGroup {
        const char* name;  // "Handset", "Speakerphone", "Headset"
        TlkHookSwitch TlkPhoneInternal::*device;
    };

  protected:
    void refreshPropertyPaths() override;
    std::vector<VantageTemplate> templates() const override;

  private:
    void buildHeaderButtons();
    void buildMenus();
    QWidget* buildHookSwitchPage();
    QWidget* buildHookSwitchGroup(QWidget* parent, const HookSwitchGroup& group);
    QWidget* buildInfoPage();

    // Runs a setter of the control, then tells the designer and shows the hookswitch devices
    // as they now are; the window may be gone after the setter, so nothing else follows it.
    void driveHookSwitch(const std::function<void()>& act);
    void ApplyVolumeGain(const HookSwitchGroup& group);
    void MenuDeviceClick();
    void updateHookSwitchGroup(const HookSwitchGroup& group);
};
