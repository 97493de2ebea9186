// The program's icon in the notification area: its tip, its picture, its pop-up menu and the
// mouse over it turned into events. A hidden window of its own receives the icon's mouse reports;
// the icon is added when the object is first used and removed when it unloads. It includes no
// widget header. UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/messages.h"
#include "platform/ui/tray.h"

class frmSysTray {
  public:
    // The events, with the mouse button as 1 (left) or 2 (right).
    struct Events {
        std::function<void(long eButton)> SysTrayMouseDown;
        std::function<void(long eButton)> SysTrayMouseUp;
        std::function<void()> SysTrayMouseMove;
        std::function<void(long eButton)> SysTrayDoubleClick;
        std::function<void(long lIndex, const std::string& sKey)> MenuClick;
    };

    // `ownIcon` is the picture the icon shows until IconHandle is set.
    frmSysTray(HICON ownIcon, Events events);
    ~frmSysTray();  // unloads: the icon goes
    frmSysTray(const frmSysTray&) = delete;
    frmSysTray& operator=(const frmSysTray&) = delete;

    // The tip: at most 63 characters show; a tip of 64 or more keeps its first 64 in the field.
    std::string ToolTip();
    void setToolTip(std::string_view sTip);
    HICON IconHandle();
    void setIconHandle(HICON hIcon);

    // Adds an item (a caption "-" is a separator) and returns its index: 0 for the first, then one
    // more each time. A default item is drawn bold; the last added wins.
    long AddMenuItem(std::string_view sCaption, std::string_view sKey = {}, bool bDefault = false);
    void EnableMenuItem(long lIndex, bool bState);
    // Removes an item, moving the later ones down; item 0 only loses its caption. Returns 0.
    long RemoveMenuItem(long iIndex);
    long DefaultMenuIndex();
    // An index that names no item makes the first item the default.
    void setDefaultMenuIndex(long lIndex);
    // Shows the menu at the pointer; a chosen item raises MenuClick with its index and key.
    void ShowMenu();

    // Removes the icon; the object stays usable and adds it again at its next use.
    void Unload();

    // Whether the icon was put in the notification area when the object loaded.
    bool iconAdded();

    // A report of the pointer over the icon, as it reaches the hidden window: the mouse message's
    // number in pixels or in twips (15 or 12 to the pixel).
    void Form_MouseMove(float X);

    struct MenuItem {
        std::string caption;
        std::string key;
        bool visible = true;
        bool enabled = true;
    };
    const std::vector<MenuItem>& menuItems();

  private:
    void Form_Load();
    bool ValidMenuIndex(long lIndex) const;
    void notify(DWORD message, UINT flags);

    HICON m_ownIcon;
    Events m_events;
    std::unique_ptr<core::MessageWindow> m_window;
    NOTIFYICONDATAA m_record{};
    bool m_added = false;
    bool m_firstItemUsed = false;
    long m_defaultIndex = 0;
    // Element 0 exists from the start, with no caption.
    std::vector<MenuItem> m_items{MenuItem{}};
};
