#include "platform/ui/testing/tray_recorder.h"

#include <cstring>

namespace ui {

TrayRecorder::TrayRecorder(Area area) : m_area(area), m_previous(setTrayHost(this)) {}

TrayRecorder::~TrayRecorder() {
    setTrayHost(m_previous);
}

BOOL TrayRecorder::notify(DWORD message, const NOTIFYICONDATAA& data) {
    m_calls.push_back({message, data.uFlags, tipText(data.szTip), data.hIcon});
    switch (message) {
        case NIM_ADD:
            if (m_shown || !available()) {
                return FALSE;
            }
            m_shown = true;
            m_icon = data;
            return TRUE;
        case NIM_MODIFY:
            if (!m_shown) {
                return FALSE;
            }
            if (data.uFlags & NIF_ICON) {
                m_icon.hIcon = data.hIcon;
            }
            if (data.uFlags & NIF_TIP) {
                std::memcpy(m_icon.szTip, data.szTip, sizeof data.szTip);
            }
            return TRUE;
        case NIM_DELETE:
            if (!m_shown) {
                return FALSE;
            }
            m_shown = false;
            return TRUE;
        default:
            return FALSE;
    }
}

int TrayRecorder::popupMenu(const std::vector<PopupItem>& items, int defaultItem) {
    m_menus.push_back({items, defaultItem});
    if (m_answers.empty()) {
        return -1;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void TrayRecorder::mouse(TrayMouse action) const {
    if (m_shown) {
        postTrayMouse(m_icon, action);
    }
}

}  // namespace ui
