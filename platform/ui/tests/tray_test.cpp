// The notification-area layer: the tip field as the desktop shows it, the mouse messages a click
// makes, and what happens where there is no notification area.
#include "platform/ui/tray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/keyboard_lights.h"

namespace {

struct TipCase {
    std::string field;  // the field's bytes, NUL added when shorter than 64
    std::string shown;
};

TEST(TrayTip, ShowsUpToTheFirstNulAndAtMost63Characters) {
    const std::string seventy(70, 'a');
    const TipCase cases[] = {
        {"Belltale ? Version 4.1.3", "Belltale ? Version 4.1.3"},
        {"", ""},
        {seventy.substr(0, 64), seventy.substr(0, 63)},             // a field without a NUL
        {std::string(62, 'b') + "\xC3\xA9", std::string(62, 'b')},  // the 63rd would break "é"
        {std::string(61, 'b') + "\xC3\xA9", std::string(61, 'b') + "\xC3\xA9"},
    };
    for (const TipCase& row : cases) {
        SCOPED_TRACE(row.field);
        char field[64];
        std::memset(field, ' ', sizeof field);
        std::memcpy(field, row.field.data(), std::min(row.field.size(), sizeof field));
        if (row.field.size() < sizeof field) {
            field[row.field.size()] = '\0';
        }
        EXPECT_EQ(ui::tipText(field), row.shown);
    }
}

TEST(TrayMouse, EachClickComesAfterTheMoveThatBringsThePointer) {
    struct Case {
        ui::TrayMouse action;
        std::vector<LPARAM> messages;
    };
    const Case cases[] = {
        {ui::TrayMouse::Point, {WM_MOUSEMOVE}},
        {ui::TrayMouse::LeftClick, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {ui::TrayMouse::RightClick, {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP}},
        {ui::TrayMouse::DoubleClick, {WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
        {ui::TrayMouse::MiddleClick, {WM_MOUSEMOVE, WM_MBUTTONDOWN, WM_MBUTTONUP}},
    };
    core::VirtualTime time;
    std::vector<LPARAM> received;
    core::MessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        EXPECT_EQ(message, 0x200u);
        EXPECT_EQ(wParam, 7u);
        received.push_back(lParam);
        return 0;
    });
    NOTIFYICONDATAA icon{};
    icon.hWnd = window.hwnd();
    icon.uID = 7;
    icon.uCallbackMessage = 0x200;
    for (const Case& row : cases) {
        received.clear();
        ui::postTrayMouse(icon, row.action);
        EXPECT_TRUE(received.empty()) << "posted, not sent";
        time.runUntilIdle();
        EXPECT_EQ(received, row.messages);
    }
}

// Offscreen there is no notification area and no keyboard light: both say so and change nothing,
// and an icon's picture drawn on use is not drawn.
TEST(TrayWithoutDesktop, AddingAnIconAndSettingTheLightFail) {
    EXPECT_FALSE(ui::notificationAreaAvailable());
    int drawn = 0;
    NOTIFYICONDATAA icon{};
    icon.uFlags = NIF_TIP | NIF_ICON;
    icon.hIcon = CreateIconDrawnOnUse([&drawn] {
        ++drawn;
        return QImage(16, 16, QImage::Format_ARGB32);
    });
    ASSERT_NE(icon.hIcon, nullptr);
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, &icon), FALSE);
    EXPECT_EQ(Shell_NotifyIconA(NIM_MODIFY, &icon), FALSE);
    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, &icon), FALSE);
    EXPECT_EQ(drawn, 0) << "a picture no notification area shows is never drawn";
    EXPECT_EQ(DestroyIcon(icon.hIcon), TRUE);
    EXPECT_FALSE(ui::toggleScrollLock());
    EXPECT_FALSE(ui::scrollLockLit().has_value());
}

}  // namespace
