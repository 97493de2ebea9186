// The main window's own procedures, apart from its widgets: the load that starts the program, the
// opening and closing of the telephone lines, the query before closing and the shut-down that ends
// the program. It holds the window's telephony controls and timers and the window-wide variables
// the other parts of the program read and set. It includes no widget header: what it needs of its
// window is MainWindowForm, which frm_main implements. UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/inet/inet.h"
#include "platform/ui/tray.h"
#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/hosted_control.h"
#include "vevuzer/shell/single_instance.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {

class CallMonitor;
class SerialMonitor;
class DialOut;
}  // namespace vevuzer

class frmSysTray;

namespace vevuzer {
class PostCallTimer;
class UpdateCheck;

// The program's version as its texts show it.
inline constexpr int kVersionMajor = 4;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 3;
std::string versionText();  // "4.1.3"

inline constexpr int kLineCount = 4;

// Mouse buttons as the window's mouse handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;

// What the main window's procedures need of the window itself. Geometry is in twips.
class MainWindowForm {
  public:
    virtual int formLeft() const = 0;
    virtual int formTop() const = 0;
    virtual void setFormLeft(int twips) = 0;
    virtual void setFormTop(int twips) = 0;
    virtual void setFormHeight(int twips) = 0;
    virtual int formWidth() const = 0;
    virtual void setFormWidth(int twips) = 0;
    // Loads the picture file into the skin image `Picture1`. False, with the old picture kept,
    // when the file cannot be loaded.
    virtual bool loadSkinPicture(const std::string& path) = 0;
    // Puts the skin image at the window's top left corner.
    virtual void placeSkinPicture() = 0;
    // Ends the program at once: every window closes without its own closing steps, and no event
    // or timer runs afterwards.
    virtual void endProgram() = 0;

    virtual bool formVisible() const = 0;
    virtual void setFormVisible(bool visible) = 0;
    // The ring picture `pic_ring` and the new-call picture `img_flash`.
    virtual bool picRingVisible() const = 0;
    virtual void setPicRingVisible(bool visible) = 0;
    virtual bool imgFlashVisible() const = 0;
    virtual void setImgFlashVisible(bool visible) = 0;
    // The status box `txt_display`; lines of its text are separated by CR LF.
    virtual std::string txtDisplayText() const = 0;
    virtual void setTxtDisplayText(std::string_view text) = 0;
    virtual void setTxtDisplayVisible(bool visible) = 0;
    // The call list `display`, shown over the status box.
    virtual bool displayVisible() const = 0;
    virtual void setDisplayVisible(bool visible) = 0;
    virtual void displayClear() = 0;
    virtual void displayAddItem(std::string_view item) = 0;
    virtual int displayListCount() const = 0;
    virtual std::string displayItem(int index) const = 0;
    virtual void setDisplayListIndex(int index) = 0;
    // The caller pop-up `frm_display`: shown modeless, filled for a line (1 to 4), its name label
    // set, and brought to the front with the focus.
    virtual void frmDisplayShow() = 0;
    virtual void frmDisplayDisplay(std::string_view Text, int aline) = 0;
    virtual void setFrmDisplayName(std::string_view name) = 0;
    virtual void frmDisplaySetFocus() = 0;
    // The serial road's fill of the pop-up, and its number label `txt_display`.
    virtual void frmDisplayDisplayOther(std::string_view baname, std::string_view bnumber,
                                        std::string_view announce) = 0;
    virtual void setFrmDisplayNumber(std::string_view number) = 0;
    // The line indicators `txt_1` to `txt_4`.
    virtual bool lineIndicatorVisible(int line) const = 0;
    virtual void setLineIndicatorVisible(int line, bool visible) = 0;
    // The selected entry of the call list; -1 when none is.
    virtual int displayListIndex() const = 0;
    // Moves the window in one step, keeping its size.
    virtual void moveForm(int left, int top) = 0;
    // Makes the window visible and gives it the focus.
    virtual void setFormFocus() = 0;
    // The system beep.
    virtual void beep() = 0;
    // The pop-up menus, opened at the pointer: the command menu `mnu_settings` and the call
    // list's `mn1_add`.
    virtual void popupCommandMenu() = 0;
    virtual void popupAddMenu() = 0;
    // The program's other windows, shown modeless (brought to the front when already open): the
    // incoming-calls log, the telephone directory and the settings window.
    virtual void frmInclogShow() = 0;
    virtual void frmDirectoryShow() = 0;
    virtual void frmSettingsShow() = 0;
    // Minimises the window to the task bar.
    virtual void setFormMinimized() = 0;
    // The two pictures of the notification-area icon, `imgicon` and the blink's `imgicon1`.
    virtual HICON imgicon() const = 0;
    virtual HICON imgicon1() const = 0;

  protected:
    ~MainWindowForm() = default;
};

// The window-wide variables that the load and the shut-down set; the other parts of the program
// read and set them too.
struct MainWindowState {
    core::OleDate lastkeepalive = 0;
    bool portinit = false;
    int newcalls = 0;
    double statuscountdown = 0;
    LONG mailengine = 0;
    std::string attemptsleft;
    int collapsecountdown = 0;
    bool downloading = false;
    // The last state the transfer control reported, and whether this run's update check is done.
    short inetstate = 0;
    bool updatechecked = false;
    // A call rang on line `callline` without caller ID; `ringholdoff` counts the seconds since its
    // last ring down from 10.
    bool callbackpending = false;
    int callline = 0;
    int ringholdoff = 0;
    bool serialnocid = false;
    // The general-purpose seconds counter of call monitoring; the status timer counts it down.
    int countdown = 0;
    // The serial path's caller has been shown; a caller mail waits for the rings to end.
    bool callershown = false;
    bool mailpending = false;
    std::string mailnumber;
    std::string mailname;
    // Monotonic tick of the last scheduled mailbox check (of the load, before the first).
    std::int64_t lastmailcheck = 0;
    // "hh:mm" of the last speaking-clock run; empty before the first.
    std::string lastclockminute;
    // Dial progress seen on any line, set by the Line controls' events and cleared by the
    // procedures that wait for them.
    bool busyseen = false;
    bool dialtoneseen = false;
    bool connectedseen = false;
    bool silenceseen = false;
    // Keypad digits received on line 1 since the program started, each followed by a blank.
    std::string digits;
};

// Procedures of other parts of the program that the main window's timers call. The part that
// provides one sets it here; an empty one is not called.
struct OtherParts {
    // The mailbox check.
    std::function<void()> checkemail;
    // The speaking clock.
    std::function<void()> saytime;
    // The e-mail notification of a call: `sendmail` unless replaced.
    std::function<void(std::string_view number, std::string_view name)> sendmail;
    // `Timer1`'s tick: the post-call work of call monitoring.
    std::function<void()> Timer1_Timer;
};

class MainWindow {
  public:
    using LineEventHandler = std::function<void(int line, const com::EventArgs& args)>;
    using RecordEventHandler = std::function<void(const com::EventArgs& args)>;

    // Creates the window's controls with their stored properties; the timers stay still.
    explicit MainWindow(MainWindowForm& form);
    ~MainWindow();  // lets the controls go; nothing is logged
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Starts the program. Returns with ended() true when another copy was already running.
    void Form_Load();
    // Asked before the window closes. Sets `Cancel` to 1 to refuse: while the update downloads,
    // with a message box saying so. `UnloadMode` tells where the request came from.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    // The shut-down: closes the lines and the other controls, saves the window position and ends
    // the program.
    void Form_Unload();
    // The query, then the shut-down unless it was refused. True when the program ended.
    bool unloadWindow(int unloadMode = 0);
    bool ended() const { return m_ended; }

    // Puts every line that has a device assigned in the settings into the watching state (all four
    // are switched off first); `closelines` switches the assigned lines off. Both do nothing in
    // compatibility mode.
    void openlines();
    void closelines();
    // Compatibility mode's serial port set-up.
    void initport();
    // False when the Line controls could not be made because their library is not registered.
    bool controlLibraryRegistered() const { return m_lineCreation != REGDB_E_CLASSNOTREG; }

    // The controls, by the names the other parts of the program use.
    const HostedControl& lkLine(int line) const { return m_lines.at(line - 1); }
    const HostedControl& lkRecord1() const { return m_record; }
    const HostedControl& comm() const { return m_comm; }
    inet::Inet& Inet();
    core::Timer& Timer1() { return m_timer1; }
    core::Timer& Timer2() { return m_timer2; }
    core::Timer& Timer3() { return m_timer3; }
    // The serial reader's poll timer; the status timer sets it back to 800 ms after the rings.
    core::Timer& commscan() { return m_commscan; }
    // The one-shot that takes the ring picture away, and the new-call flasher.
    core::Timer& timerring() { return m_timerring; }
    core::Timer& flash() { return m_flash; }
    CallMonitor& callMonitor() { return *m_callMonitor; }
    PostCallTimer& postCallTimer() { return *m_postCall; }
    UpdateCheck& updateCheck() { return *m_updateCheck; }
    SerialMonitor& serialMonitor() { return *m_serialMonitor; }
    DialOut& dialOut() { return *m_dialOut; }
    // Dials `number` for the user on line `linea` ("1" to "4") or the serial modem; answers
    // whether line `linea` gives a dial tone.
    void findconnected(std::string_view number, std::string_view linea);
    bool finddial(std::string_view linea);
    MainWindowForm& form() { return m_form; }

    // The status timer (each second): countdowns, line indicators, status banner, the deferred
    // caller mail and the schedules of the mailbox check and the speaking clock.
    void Timer2_Timer();
    // The window timer (every 30 seconds): keeps a hidden window hidden and writes the keep-alive
    // file.
    void Timer3_Timer();
    // The status box's banner for the current time and `newcalls`.
    std::string bannerText() const;

    // The window's width animations between collapsed (5280 twips) and open (7000).
    void expand();
    void minimise();

    // The window's surface. Positions are in twips inside the control; buttons as kLeftButton.
    void Picture1_MouseDown(int Button, int Shift, float X, float Y);
    void Picture1_MouseMove(int Button, int Shift, float X, float Y);
    void Picture1_MouseUp(int Button, int Shift, float X, float Y);
    void txt_display_MouseDown(int Button, int Shift, float X, float Y);
    void txt_display_MouseMove(int Button, int Shift, float X, float Y);
    void txt_display_MouseUp(int Button, int Shift, float X, float Y);
    void txt_display_Click();
    void display_DblClick();
    void display_KeyPress(int KeyAscii);
    void display_MouseMove();
    void display_MouseUp(int Button);
    // `txt_1_Click` .. `txt_4_Click`.
    void txt_Click(int line);
    // The hide button.
    void Image2_Click();

    // The buttons and the command menu.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void mnu_configure_Click();
    void mnu_hidewindow_Click();
    void mnu_directory_Click();
    void mnu_inclog_Click();
    void mnu_chngskin_Click();
    void mnu_disptest_Click();
    void mnu_help_Click();
    void mnu_syslog_Click();
    void mnu_exit_Click();
    // The notification-area icon: its two pictures, and its events.
    void SetTrayIcon();
    void seticon1();
    void m_frmSysTray_SysTrayMouseDown(long eButton);
    void m_frmSysTray_SysTrayDoubleClick(long eButton);
    void m_frmSysTray_SysTrayMouseMove();
    void m_frmSysTray_MenuClick(long lIndex, const std::string& sKey);
    // The icon object while the program runs; nullptr before the load and after the shut-down.
    frmSysTray* sysTray() { return m_frmSysTray.get(); }

    // F1: the program's help file in the desktop's viewer.
    void showHelpFile();
    // Moves the stored skin one step round the ring of skins and shows it.
    void skinStep();

    // The ticks of `timerring` and `flash`.
    void timerring_Timer();
    void flash_Timer();
    // Stops a running flasher and ends its flashing period: the new-call picture goes, the call
    // list comes up with the calls and the new calls are counted afresh. Nothing when it is still.
    void stopFlasher();

    // Shows the call list filled from the incoming-call log for 15 seconds, or hides it when it is
    // shown.
    void loaddisplay();
    // Opens `webaddress` in the desktop's browser; a message box when there is none or it fails.
    void linkup(std::string_view webaddress);

    MainWindowState& state() { return m_state; }
    OtherParts& otherParts() { return m_otherParts; }

    // The handler of one Line or Record event, for every line alike; a second one replaces the
    // first. Events without a handler are taken and dropped.
    void setLineEventHandler(controls::LineEvent event, LineEventHandler handler);
    void setRecordEventHandler(controls::RecordEvent event, RecordEventHandler handler);

  private:
    void createControls();
    void releaseControls();
    void onLineEvent(int line, DISPID dispid, const com::EventArgs& args);
    void onRecordEvent(DISPID dispid, const com::EventArgs& args);

    void restoreWindowPosition();
    void setNumberMaskOnAllLines();
    void switchAllLinesOff();
    void openAssignedLine(int line);
    void closeLineLogged(int line);
    void stopRecordingLogged();
    void saveWindowPosition();
    void stopTimers();
    void countDownCollapse();
    void endRingHoldOff();
    void showLineIndicators();
    void countDownStatus();
    void scheduleMailboxCheck();
    void scheduleSpeakingClock();
    void writeKeepAliveFile();
    void setUpTrayIcon();
    // Hides the window, or minimises it where no notification-area icon could bring it back.
    void hideForm();
    void pressScrollLock();
    void dragMouseDown(int Button, float X, float Y);
    void dragMouseMove(float X, float Y);

    MainWindowForm& m_form;
    MainWindowState m_state;
    OtherParts m_otherParts;
    bool m_expanding = false;
    bool m_shrinking = false;
    // A left-button drag of the window: where the pointer was pressed inside the control and
    // where the window was at the last step, in twips.
    bool m_dragging = false;
    int m_dragx = 0;
    int m_dragy = 0;
    float m_dragleft = 0;
    float m_dragtop = 0;
    SingleInstance m_instance;
    std::unique_ptr<SpeechControl> m_speech;
    std::array<HostedControl, kLineCount> m_lines;
    HostedControl m_record;
    // The serial port control; calls to it fail while it is not hosted, and the shut-down skips
    // failing calls.
    HostedControl m_comm;
    core::Timer m_timer1;
    core::Timer m_timer2;
    core::Timer m_timer3;
    core::Timer m_commscan;
    core::Timer m_timerring;
    core::Timer m_flash;
    std::unique_ptr<CallMonitor> m_callMonitor;
    std::unique_ptr<UpdateCheck> m_updateCheck;  // holds the transfer control
    std::unique_ptr<PostCallTimer> m_postCall;
    std::unique_ptr<SerialMonitor> m_serialMonitor;
    std::unique_ptr<DialOut> m_dialOut;
    std::map<DISPID, LineEventHandler> m_lineHandlers;
    std::map<DISPID, RecordEventHandler> m_recordHandlers;
    // Shared so that releasing it at shut-down can wait until its own event has returned.
    std::shared_ptr<frmSysTray> m_frmSysTray;
    HRESULT m_lineCreation = S_OK;
    bool m_trayMissing = false;
    bool m_scrollLockMissing = false;
    bool m_mailAttached = false;
    bool m_ended = false;
};

}  // namespace vevuzer
