// The main window: a small skinned strip with the status box. It builds its widgets and hands
// everything else to MainWindow, which holds the window's controls and procedures.
#pragma once

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/ui/form.h"
#include "vevuzer/shell/main_window.h"

class QLabel;
class QCloseEvent;
class QListWidget;
class QMenu;
class QPushButton;
class frm_directory;
class frm_display;
class frm_inclog;
class frm_info;
class frm_settings;

class frm_main : public ui::Form, public vevuzer::MainWindowForm {
  public:
    explicit frm_main(QWidget* parent = nullptr);
    ~frm_main() override;

    // Runs the window's load: the program's start.
    void Form_Load() { m_main.Form_Load(); }
    vevuzer::MainWindow& main() { return m_main; }

    // What ending the program does. By default the window hides and the event loop is asked to
    // return; the program itself ends the process at once.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    // MainWindowForm
    int formLeft() const override { return twipsLeft(); }
    int formTop() const override { return twipsTop(); }
    void setFormLeft(int twips) override { setTwipsLeft(twips); }
    void setFormTop(int twips) override { setTwipsTop(twips); }
    void setFormHeight(int twips) override { setTwipsHeight(twips); }
    int formWidth() const override { return twipsWidth(); }
    void setFormWidth(int twips) override { setTwipsWidth(twips); }
    bool loadSkinPicture(const std::string& path) override;
    void placeSkinPicture() override;
    void endProgram() override;
    bool formVisible() const override { return isVisible(); }
    void setFormVisible(bool visible) override { setVisible(visible); }
    bool picRingVisible() const override;
    void setPicRingVisible(bool visible) override;
    bool imgFlashVisible() const override;
    void setImgFlashVisible(bool visible) override;
    std::string txtDisplayText() const override { return m_statusText; }
    void setTxtDisplayText(std::string_view text) override;
    void setTxtDisplayVisible(bool visible) override;
    bool displayVisible() const override;
    void setDisplayVisible(bool visible) override;
    void displayClear() override;
    void displayAddItem(std::string_view item) override;
    int displayListCount() const override;
    std::string displayItem(int index) const override;
    void setDisplayListIndex(int index) override;
    void frmDisplayShow() override;
    void frmDisplayDisplay(std::string_view Text, int aline) override;
    void setFrmDisplayName(std::string_view name) override;
    void frmDisplaySetFocus() override;
    void frmDisplayDisplayOther(std::string_view baname, std::string_view bnumber,
                                std::string_view announce) override;
    void setFrmDisplayNumber(std::string_view number) override;
    bool lineIndicatorVisible(int line) const override;
    void setLineIndicatorVisible(int line, bool visible) override;
    int displayListIndex() const override;
    void moveForm(int left, int top) override { moveTwips(left, top); }
    void setFormFocus() override;
    void beep() override;
    void popupCommandMenu() override;
    void popupAddMenu() override;
    // The windows of the address book and the call log, and the settings window.
    void frmInclogShow() override;
    void frmDirectoryShow() override;
    void frmSettingsShow() override;
    void setFormMinimized() override { showMinimized(); }
    HICON imgicon() const override;
    HICON imgicon1() const override;
    // The call list's menu: the selected caller to the address book or to the blocked list.
    void mn1_addcaler_Click();
    void mn1_blockcaller_Click();

    // The windows of the address book and the call log, loaded when closed, shown modeless and
    // brought to the front.
    frm_directory& showTelephoneDirectory();
    frm_inclog& showIncomingCallsLog();
    frm_settings& showSettings();

    // The caller pop-up this window shows.
    frm_display& popup();
    // The command menu and the call list's menu.
    QMenu* mnu_settings();
    QMenu* mn1_add();

    // Shown for the first time, the window gives its command buttons their fitted captions.
    void setVisible(bool visible) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildButtons();
    void takeCommandCaptionSize();
    QListWidget* displayList();
    frm_info& infoWindow();
    frm_directory& directoryWindow();
    frm_settings& settingsWindow();
    frm_inclog& inclogWindow();
    bool surfaceMouseEvent(QObject* watched, QEvent* event);
    bool displayEvent(QObject* watched, QEvent* event);

    QLabel* m_picture1;
    QLabel* m_txtDisplay;
    QListWidget* m_display = nullptr;
    QLabel* m_picRing;
    QLabel* m_imgFlash;
    QLabel* m_image2;
    QMenu* m_mnuSettings = nullptr;
    QMenu* m_mn1Add = nullptr;
    mutable HICON m_imgicon = nullptr;
    mutable HICON m_imgicon1 = nullptr;
    std::array<QLabel*, vevuzer::kLineCount> m_lineIndicators;
    std::string m_statusText;
    std::function<void()> m_endProgram;
    // The command captions' pixel size, fitted on a thread of its own until the window is first
    // shown: the start goes on meanwhile. The size is taken as soon as it is known, not when the
    // thread has ended.
    std::jthread m_captionFit;
    std::future<int> m_commandCaptionSize;
    vevuzer::MainWindow m_main;
    // Each made on first use. Let go before the window's controls: the pop-up reads the Line
    // controls.
    std::unique_ptr<frm_display> m_frmDisplay;
    std::unique_ptr<frm_info> m_frmInfo;
    std::unique_ptr<frm_directory> m_frmDirectory;
    std::unique_ptr<frm_inclog> m_frmInclog;
    std::unique_ptr<frm_settings> m_frmSettings;
};
