// The notification-area icon, pop-up menus and icon handles, with the Windows shell's calls and
// meanings, over QSystemTrayIcon and QMenu.
//
// An icon is added, changed and removed with Shell_NotifyIconA. What the user does with the mouse
// over it comes back as the record's callback message, posted to the record's window with the
// icon's uID in wParam and the mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN ...) in lParam. A
// desktop's notification area reports clicks but not the pointer resting on the icon, so every
// click is preceded by a WM_MOUSEMOVE, as it is on Windows when the pointer comes to the icon
// first. A test installs a host of its own (platform/ui/testing/tray_recorder.h). UI thread only.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/win_types.h"

struct HICON__;
using HICON = HICON__*;

inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr UINT NIF_MESSAGE = 1;
inline constexpr UINT NIF_ICON = 2;
inline constexpr UINT NIF_TIP = 4;

inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;

// The icon's record. szTip holds the tip text ended by a NUL; a field without a NUL shows its
// first 63 characters.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    char szTip[64];
};

// NIM_ADD shows the icon (FALSE when the desktop has no notification area, or the icon is there
// already); NIM_MODIFY changes the parts uFlags names (FALSE for an icon not shown); NIM_DELETE
// removes it. The icon is known by hWnd and uID.
BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data);

// An icon handle for a picture; valid until DestroyIcon.
HICON CreateIconFromImage(const QImage& image);
// An icon handle whose picture `draw` makes when the notification area first shows it: where
// there is none, the picture is never drawn. Valid until DestroyIcon.
HICON CreateIconDrawnOnUse(std::function<QImage()> draw);
BOOL DestroyIcon(HICON icon);

namespace ui {

// True when the desktop has a notification area to put icons in.
bool notificationAreaAvailable();

// One item of a pop-up menu; a caption "-" is a separator line.
struct PopupItem {
    std::string caption;
    bool enabled = true;
    bool visible = true;
};

// Shows the items as a pop-up menu at the pointer, `defaultItem` drawn bold (-1: none), and
// returns when it closes: the index of the chosen item, or -1 when none was chosen. Timers and
// posted messages run meanwhile.
int TrackPopupMenu(const std::vector<PopupItem>& items, int defaultItem);

// What a user can do with the mouse over an icon.
enum class TrayMouse { Point, LeftClick, RightClick, DoubleClick, MiddleClick };
// Posts to the icon's window the mouse messages that `action` makes, in order.
void postTrayMouse(const NOTIFYICONDATAA& icon, TrayMouse action);

// The seam for tests: where icons and pop-up menus go.
class TrayHost {
  public:
    virtual bool available() = 0;
    virtual BOOL notify(DWORD message, const NOTIFYICONDATAA& data) = 0;
    virtual int popupMenu(const std::vector<PopupItem>& items, int defaultItem) = 0;

  protected:
    ~TrayHost() = default;
};

// Installs `host` (nullptr: the desktop's own again). Returns the one it replaces.
TrayHost* setTrayHost(TrayHost* host);

// The text of a tip field: up to its first NUL, at most 63 characters, never a broken character.
std::string tipText(const char (&szTip)[64]);

}  // namespace ui
