// The Record control's monitor window: the device buttons, the preview button and the lamp, the
// Device and PopUp menus, the Device page (delay, buffer, trim) and the Source page (the file name
// with its history and selection dialog, the maximum size, the format preset and its six numbers
// with what has been recorded). Every menu, button and edit drives the control through its own
// setters (lkRecordVT.cpp); the control keeps the window current through the refresh routines
// (lkRecordVT_refresh.cpp).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "lkLK36/engines/lkRecord.h"
#include "lkLK36/vantage/vantage_window.h"

// The file name the selection dialog's choice makes: the first file with its path, then "," and
// the bare name of each further one (extensions kept).
std::string RecordChosenFileName(const std::vector<std::string>& chosen);

class TlkRecordVantage : public VantageWindow, public RecordVantageObserver {
  public:
    explicit TlkRecordVantage(TlkVantage& vantage);
    ~TlkRecordVantage() override;

    // ---- the refresh routines the control calls ----
    void refreshAll() override;
    void showSourcePage() override;
    void UpdateDeviceList() override;
    void UpdateDeviceSettings() override;
    void UpdateDeviceStatus();
    void UpdateFormat() override;
    void UpdateFormatSize() override;
    void UpdateFileName() override;
    void UpdateMaxSize() override;

    TlkRecordInternal& record() const;

  protected:
    void refreshPropertyPaths() override;
    std::vector<VantageTemplate> templates() const override;

  private:
    // ---- layout ----
    void buildHeaderButtons();
    void buildMenus();
    QWidget* buildDevicePage();
    QWidget* buildSourcePage();

    // ---- handlers ----
    void MenuDeviceActiveClick(bool value);
    void MenuDevicePauseClick(bool value);
    void SpeedButtonPlayPreviewClick();
    void SpeedButtonFileSelectClick();
    void EditFileNameExit();
    // Reads a number edit, hands the value to a setter, then tells the designer.
    void numberEditExit(const char* edit, const std::function<void(LONG)>& store);
    void setPauseHint(bool pause);
};
