#include "vevuzer/shell/frmSysTray.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

// The icon's reports come as this message, which is WM_MOUSEMOVE's number: on the hidden window
// they read as mouse moves whose horizontal position is the mouse message's number.
constexpr UINT kCallbackMessage = 0x200;
constexpr UINT kIconId = 1;
// What the icon shows before the program sets its tip: the program's file description.
constexpr std::string_view kFileDescription = "vidiriz.are";

// The mouse message a report stands for, whether the window measures in pixels or in twips at
// either display resolution. The scales cannot be confused: no message number times 15 or 12 is
// itself a message number, nor one times 15 another times 12.
std::optional<UINT> trayMessageOf(float X) {
    for (const double scale : {1.0, 15.0, 12.0}) {
        const double number = X / scale;
        if (number == std::floor(number) && number >= WM_MOUSEMOVE && number <= WM_RBUTTONDBLCLK) {
            return static_cast<UINT>(number);
        }
    }
    return std::nullopt;
}

// `text` and a NUL fitted into the 64-character field: cut when longer, blanks after when shorter.
void fitTip(char (&field)[64], std::string_view text) {
    std::memset(field, ' ', sizeof field);
    const std::size_t copied = std::min(text.size(), sizeof field);
    std::memcpy(field, text.data(), copied);
    if (copied < sizeof field) {
        field[copied] = '\0';
    }
}

}  // namespace

frmSysTray::frmSysTray(HICON ownIcon, Events events)
    : m_ownIcon(ownIcon), m_events(std::move(events)) {}

frmSysTray::~frmSysTray() {
    Unload();
}

void frmSysTray::Form_Load() {
    if (m_window) {
        return;
    }
    m_window = std::make_unique<core::MessageWindow>([this](UINT message, WPARAM, LPARAM lParam) {
        if (message == kCallbackMessage) {
            Form_MouseMove(static_cast<float>(lParam & 0xFFFF));
        }
        return LRESULT{0};
    });
    m_record.hWnd = m_window->hwnd();
    m_record.uID = kIconId;
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record.uCallbackMessage = kCallbackMessage;
    m_record.hIcon = m_ownIcon;
    fitTip(m_record.szTip, kFileDescription);
    m_record.cbSize = sizeof m_record;
    m_added = Shell_NotifyIconA(NIM_ADD, &m_record) != FALSE;
}

void frmSysTray::Unload() {
    if (!m_window) {
        return;
    }
    Shell_NotifyIconA(NIM_DELETE, &m_record);
    m_window.reset();
    m_added = false;
}

bool frmSysTray::iconAdded() {
    Form_Load();
    return m_added;
}

void frmSysTray::notify(DWORD message, UINT flags) {
    m_record.uFlags = flags;
    Shell_NotifyIconA(message, &m_record);
}

std::string frmSysTray::ToolTip() {
    Form_Load();
    const char* end = static_cast<const char*>(std::memchr(m_record.szTip, '\0', 64));
    return std::string(m_record.szTip, end ? static_cast<std::size_t>(end - m_record.szTip) : 64);
}

void frmSysTray::setToolTip(std::string_view sTip) {
    Form_Load();
    std::string withNul(sTip);
    withNul += '\0';
    fitTip(m_record.szTip, withNul);
    notify(NIM_MODIFY, NIF_TIP);
}

HICON frmSysTray::IconHandle() {
    Form_Load();
    return m_record.hIcon;
}

void frmSysTray::setIconHandle(HICON hIcon) {
    Form_Load();
    if (hIcon == m_record.hIcon) {
        return;
    }
    m_record.hIcon = hIcon;
    notify(NIM_MODIFY, NIF_ICON);
}

long frmSysTray::AddMenuItem(std::string_view sCaption, std::string_view sKey, bool bDefault) {
    Form_Load();
    long index = 0;
    if (!m_firstItemUsed) {
        m_firstItemUsed = true;
    } else {
        index = static_cast<long>(m_items.size());
        m_items.emplace_back();
    }
    MenuItem& item = m_items[static_cast<std::size_t>(index)];
    item.visible = true;
    item.key = sKey;
    item.caption = sCaption;
    if (bDefault) {
        m_defaultIndex = index;
    }
    return index;
}

bool frmSysTray::ValidMenuIndex(long lIndex) const {
    return lIndex >= 0 && lIndex < static_cast<long>(m_items.size());
}

void frmSysTray::EnableMenuItem(long lIndex, bool bState) {
    Form_Load();
    if (ValidMenuIndex(lIndex)) {
        m_items[static_cast<std::size_t>(lIndex)].enabled = bState;
    }
}

long frmSysTray::RemoveMenuItem(long iIndex) {
    Form_Load();
    if (!ValidMenuIndex(iIndex)) {
        return 0;
    }
    if (iIndex == 0) {
        m_items[0].caption.clear();
        return 0;
    }
    for (std::size_t i = static_cast<std::size_t>(iIndex) + 1; i < m_items.size(); ++i) {
        m_items[i - 1].caption = m_items[i].caption;
        m_items[i - 1].key = m_items[i].key;
    }
    m_items.pop_back();
    return 0;
}

long frmSysTray::DefaultMenuIndex() {
    Form_Load();
    return m_defaultIndex;
}

void frmSysTray::setDefaultMenuIndex(long lIndex) {
    Form_Load();
    m_defaultIndex = ValidMenuIndex(lIndex) ? lIndex : 0;
}

// A default index left behind by a removed item names no item any more: the menu then shows
// without a default rather than not at all.
void frmSysTray::ShowMenu() {
    Form_Load();
    std::vector<ui::PopupItem> items;
    for (const MenuItem& item : m_items) {
        items.push_back({item.caption, item.enabled, item.visible});
    }
    const int defaultItem = ValidMenuIndex(m_defaultIndex) ? static_cast<int>(m_defaultIndex) : -1;
    const int chosen = ui::TrackPopupMenu(items, defaultItem);
    if (chosen < 0 || !ValidMenuIndex(chosen)) {
        return;
    }
    const std::string key = m_items[static_cast<std::size_t>(chosen)].key;
    // The handler may end the program and let this object go: nothing of it is touched after.
    if (m_events.MenuClick) {
        m_events.MenuClick(chosen, key);
    }
}

const std::vector<frmSysTray::MenuItem>& frmSysTray::menuItems() {
    Form_Load();
    return m_items;
}

void frmSysTray::Form_MouseMove(float X) {
    const std::optional<UINT> message = trayMessageOf(X);
    if (!message) {
        return;
    }
    const auto raise = [](const std::function<void(long)>& event, long button) {
        if (event) {
            event(button);
        }
    };
    switch (*message) {
        case WM_MOUSEMOVE:
            if (m_events.SysTrayMouseMove) {
                m_events.SysTrayMouseMove();
            }
            break;
        case WM_LBUTTONDOWN:
            raise(m_events.SysTrayMouseDown, 1);
            break;
        case WM_LBUTTONUP:
            raise(m_events.SysTrayMouseUp, 1);
            break;
        case WM_LBUTTONDBLCLK:
            raise(m_events.SysTrayDoubleClick, 1);
            break;
        case WM_RBUTTONDOWN:
            raise(m_events.SysTrayMouseDown, 2);
            break;
        case WM_RBUTTONUP:
            raise(m_events.SysTrayMouseUp, 2);
            break;
        case WM_RBUTTONDBLCLK:
            raise(m_events.SysTrayDoubleClick, 2);
            break;
        default:
            break;
    }
}
