#include "platform/ui/tray.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/core/messages.h"
#include "platform/ui/tray_activation.h"

namespace ui {

std::optional<TrayMouse> trayMouseFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return TrayMouse::LeftClick;
        case QSystemTrayIcon::Context:
            return TrayMouse::RightClick;
        case QSystemTrayIcon::DoubleClick:
            return TrayMouse::DoubleClick;
        case QSystemTrayIcon::MiddleClick:
            return TrayMouse::MiddleClick;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return std::nullopt;
}

}  // namespace ui

namespace {

struct Icon {
    QIcon picture;
    std::function<QImage()> draw;  // set until the picture is first needed
};

std::map<std::uintptr_t, Icon>& icons() {
    static std::map<std::uintptr_t, Icon> table;
    return table;
}

HICON addIcon(Icon icon) {
    static std::uintptr_t next = 0x1000;
    next += 4;
    icons()[next] = std::move(icon);
    return reinterpret_cast<HICON>(next);
}

QIcon iconOf(HICON icon) {
    const auto found = icons().find(reinterpret_cast<std::uintptr_t>(icon));
    if (found == icons().end()) {
        return QIcon();
    }
    Icon& known = found->second;
    if (known.draw) {
        known.picture = QIcon(QPixmap::fromImage(std::exchange(known.draw, nullptr)()));
    }
    return known.picture;
}

// The desktop's notification area through Qt: one QSystemTrayIcon per hWnd and uID.
class DesktopTray final : public ui::TrayHost {
  public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    BOOL notify(DWORD message, const NOTIFYICONDATAA& data) override {
        const Key key{data.hWnd, data.uID};
        const auto found = m_icons.find(key);
        switch (message) {
            case NIM_ADD: {
                if (found != m_icons.end() || !available()) {
                    return FALSE;
                }
                Shown& shown = m_icons[key];
                shown.icon = std::make_unique<QSystemTrayIcon>();
                shown.record = data;
                apply(shown, data.uFlags);
                QObject::connect(shown.icon.get(), &QSystemTrayIcon::activated,
                                 [this, key](QSystemTrayIcon::ActivationReason reason) {
                                     activated(key, reason);
                                 });
                shown.icon->show();
                return TRUE;
            }
            case NIM_MODIFY:
                if (found == m_icons.end()) {
                    return FALSE;
                }
                if (data.uFlags & NIF_ICON) {
                    found->second.record.hIcon = data.hIcon;
                }
                if (data.uFlags & NIF_TIP) {
                    std::memcpy(found->second.record.szTip, data.szTip, sizeof data.szTip);
                }
                if (data.uFlags & NIF_MESSAGE) {
                    found->second.record.uCallbackMessage = data.uCallbackMessage;
                }
                apply(found->second, data.uFlags);
                return TRUE;
            case NIM_DELETE:
                if (found == m_icons.end()) {
                    return FALSE;
                }
                m_icons.erase(found);
                return TRUE;
            default:
                return FALSE;
        }
    }

    int popupMenu(const std::vector<ui::PopupItem>& items, int defaultItem) override {
        QMenu menu;
        std::vector<QAction*> actions;
        for (const ui::PopupItem& item : items) {
            QAction* action = item.caption == "-"
                                  ? menu.addSeparator()
                                  : menu.addAction(QString::fromStdString(item.caption));
            action->setEnabled(item.enabled);
            action->setVisible(item.visible);
            actions.push_back(action);
        }
        if (defaultItem >= 0 && static_cast<std::size_t>(defaultItem) < actions.size()) {
            menu.setDefaultAction(actions[static_cast<std::size_t>(defaultItem)]);
        }
        const QAction* chosen = menu.exec(QCursor::pos());
        for (std::size_t i = 0; i < actions.size(); ++i) {
            if (actions[i] == chosen) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

  private:
    using Key = std::pair<HWND, UINT>;
    struct Shown {
        std::unique_ptr<QSystemTrayIcon> icon;
        NOTIFYICONDATAA record{};
    };

    static void apply(Shown& shown, UINT flags) {
        if (flags & NIF_ICON) {
            shown.icon->setIcon(iconOf(shown.record.hIcon));
        }
        if (flags & NIF_TIP) {
            shown.icon->setToolTip(QString::fromStdString(ui::tipText(shown.record.szTip)));
        }
    }

    void activated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
        const auto found = m_icons.find(key);
        if (found == m_icons.end() || !(found->second.record.uFlags & NIF_MESSAGE)) {
            return;
        }
        if (const std::optional<ui::TrayMouse> action = ui::trayMouseFor(reason)) {
            ui::postTrayMouse(found->second.record, *action);
        }
    }

    std::map<Key, Shown> m_icons;
};

DesktopTray& desktopTray() {
    static DesktopTray tray;
    return tray;
}

ui::TrayHost*& installedHost() {
    static ui::TrayHost* host = nullptr;
    return host;
}

ui::TrayHost& host() {
    ui::TrayHost* installed = installedHost();
    return installed ? *installed : desktopTray();
}

}  // namespace

BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) {
    if (data == nullptr) {
        return FALSE;
    }
    return host().notify(message, *data);
}

HICON CreateIconFromImage(const QImage& image) {
    if (image.isNull()) {
        return nullptr;
    }
    return addIcon(Icon{QIcon(QPixmap::fromImage(image)), nullptr});
}

HICON CreateIconDrawnOnUse(std::function<QImage()> draw) {
    return addIcon(Icon{QIcon(), std::move(draw)});
}

BOOL DestroyIcon(HICON icon) {
    return icons().erase(reinterpret_cast<std::uintptr_t>(icon)) > 0 ? TRUE : FALSE;
}

namespace ui {

bool notificationAreaAvailable() {
    return host().available();
}

int TrackPopupMenu(const std::vector<PopupItem>& items, int defaultItem) {
    return host().popupMenu(items, defaultItem);
}

void postTrayMouse(const NOTIFYICONDATAA& icon, TrayMouse action) {
    const auto post = [&icon](UINT mouse) {
        PostMessageA(icon.hWnd, icon.uCallbackMessage, icon.uID, static_cast<LPARAM>(mouse));
    };
    post(WM_MOUSEMOVE);
    switch (action) {
        case TrayMouse::Point:
            break;
        case TrayMouse::LeftClick:
            post(WM_LBUTTONDOWN);
            post(WM_LBUTTONUP);
            break;
        case TrayMouse::RightClick:
            post(WM_RBUTTONDOWN);
            post(WM_RBUTTONUP);
            break;
        case TrayMouse::DoubleClick:
            post(WM_LBUTTONDBLCLK);
            post(WM_LBUTTONUP);
            break;
        case TrayMouse::MiddleClick:
            post(WM_MBUTTONDOWN);
            post(WM_MBUTTONUP);
            break;
    }
}

TrayHost* setTrayHost(TrayHost* host) {
    return std::exchange(installedHost(), host);
}

std::string tipText(const char (&szTip)[64]) {
    std::size_t length = 0;
    while (length < 63 && szTip[length] != '\0') {
        ++length;
    }
    // A UTF-8 character cut by the field's end is left out whole.
    std::size_t end = length;
    while (end > 0 && (static_cast<unsigned char>(szTip[end - 1]) & 0xC0) == 0x80) {
        --end;
    }
    if (end > 0 && (static_cast<unsigned char>(szTip[end - 1]) & 0x80) != 0) {
        const unsigned char lead = static_cast<unsigned char>(szTip[end - 1]);
        const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length - (end - 1) >= needed) {
            end = length;
        } else {
            --end;
        }
    } else {
        end = length;
    }
    return std::string(szTip, end);
}

}  // namespace ui
