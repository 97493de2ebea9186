// The Play control's monitor window: the device buttons and lamp, the Device and PopUp menus, the
// Misc. page (delay, position, timer, volume) and the Source page (the file list with its history
// and selection dialog, the maximum size and the format read-out). Every menu, button and edit
// drives the control through its own setters (lkPlayVT.cpp); the control keeps the window current
// through the refresh routines (lkPlayVT_refresh.cpp).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "lkLK36/engines/lkPlay.h"
#include "lkLK36/vantage/vantage_window.h"

class QComboBox;

// Where the file selection dialog opens for a file list, and the file it offers first.
struct PlayDialogStart {
    std::string folder;    // the first file's folder; empty when it names none
    std::string fileName;  // the first file's bare name; empty for an empty list
};
PlayDialogStart PlayDialogStartOf(const std::string& fileList);
// The file list growing file by file as the chosen files are appended: the first with its path,
// each further one as "," and its bare name without a final ".wav" (any case).
std::vector<std::string> PlayChosenLists(const std::vector<std::string>& chosen);

class TlkPlayVantage : public VantageWindow, public PlayVantageObserver {
  public:
    explicit TlkPlayVantage(TlkVantage& vantage);
    ~TlkPlayVantage() override;

    // ---- the refresh routines the control calls ----
    void refreshAll() override;
    void showSourcePage() override;
    void UpdateDeviceList() override;
    void UpdateDeviceSettings() override;
    void UpdateDeviceStatus();
    void UpdateVolume() override;
    void UpdateTimerEnabled() override;
    void UpdateTimerInterval() override;
    void UpdateFileName() override;
    void UpdateMaxSize() override;
    void UpdatePosition() override;
    void UpdateFormatTree() override;
    // A name typed into the file box is taken before the control starts.
    void CommitFileName() override { EditFileNameExit(); }

    TlkPlayInternal& play() const;

  protected:
    void refreshPropertyPaths() override;
    std::vector<VantageTemplate> templates() const override;

  private:
    // ---- layout (lkPlayVT.cpp) ----
    void buildHeaderButtons();
    void buildMenus();
    QWidget* buildMiscPage();
    QWidget* buildSourcePage();
    void applyLayoutHints();

    // ---- handlers ----
    void MenuDeviceActiveClick(bool value);
    void MenuDevicePauseClick(bool value);
    void EditFileNameExit();
    void ImageFileSelectClick();
    // Reads a number edit and hands the value to a setter, then tells the designer.
    void numberEditExit(const char* edit, const std::function<void(LONG)>& store);
    // Sets the pause button's hint to the assignment a click would make.
    void setPauseHint(bool pause);
};
