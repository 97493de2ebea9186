// Stands in for the desktop's notification area in tests: while a TrayRecorder exists, icons and
// pop-up menus go to it. It keeps every Shell_NotifyIconA call, shows what the icon looks like now,
// answers pop-up menus as told in advance, and plays the user's mouse over the icon.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ui/tray.h"

namespace ui {

class TrayRecorder final : private TrayHost {
  public:
    enum class Area { Present, Missing };
    explicit TrayRecorder(Area area = Area::Present);
    ~TrayRecorder();
    TrayRecorder(const TrayRecorder&) = delete;
    TrayRecorder& operator=(const TrayRecorder&) = delete;

    struct Call {
        DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
        UINT flags;
        std::string tip;  // as the desktop would show it
        HICON icon;
    };
    const std::vector<Call>& calls() const { return m_calls; }

    bool iconShown() const { return m_shown; }
    std::string tip() const { return tipText(m_icon.szTip); }
    HICON icon() const { return m_icon.hIcon; }

    // The user's mouse over the shown icon; the messages wait for the next pump.
    void mouse(TrayMouse action) const;

    // The next pop-up menu chooses item `index` (-1: closed without a choice). A menu without an
    // answer closes without a choice.
    void answerMenu(int index) { m_answers.push_back(index); }
    struct ShownMenu {
        std::vector<PopupItem> items;
        int defaultItem;
    };
    const std::vector<ShownMenu>& menus() const { return m_menus; }

  private:
    bool available() override { return m_area == Area::Present; }
    BOOL notify(DWORD message, const NOTIFYICONDATAA& data) override;
    int popupMenu(const std::vector<PopupItem>& items, int defaultItem) override;

    Area m_area;
    TrayHost* m_previous;
    std::vector<Call> m_calls;
    bool m_shown = false;
    NOTIFYICONDATAA m_icon{};
    std::deque<int> m_answers;
    std::vector<ShownMenu> m_menus;
};

}  // namespace ui
