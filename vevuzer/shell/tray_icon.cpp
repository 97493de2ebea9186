// The main window's side of its notification-area icon: building it at start, its two pictures,
// what the mouse over it and its menu do, and the Scroll Lock light of the new-call flasher.
#include <string>

#include "platform/ui/dialogs.h"
#include "platform/ui/keyboard_lights.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frmSysTray.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

// Where "&Maximize Window" puts a window the user cannot see, in twips.
constexpr int kRescuedPosition = 200;

}  // namespace

void MainWindow::setUpTrayIcon() {
    frmSysTray::Events events;
    events.SysTrayMouseDown = [this](long eButton) { m_frmSysTray_SysTrayMouseDown(eButton); };
    events.SysTrayDoubleClick = [this](long eButton) { m_frmSysTray_SysTrayDoubleClick(eButton); };
    events.SysTrayMouseMove = [this] { m_frmSysTray_SysTrayMouseMove(); };
    events.MenuClick = [this](long lIndex, const std::string& sKey) {
        m_frmSysTray_MenuClick(lIndex, sKey);
    };
    m_frmSysTray = std::make_shared<frmSysTray>(m_form.imgicon(), std::move(events));
    struct Item {
        const char* caption;
        const char* key;
        bool isDefault;
    };
    static constexpr Item items[] = {
        {"&Maximize Window", "max", true},
        {"-", "", false},
        {"&Settings", "settings", true},
        {"&View incoming calls log", "inclog", true},
        {"&View telephone directory", "teldirectory", true},
        {"-", "", false},
        {"&Check email", "chkemail", true},
        {"-", "", false},
        {"&Exit", "exit", true},
    };
    for (const Item& item : items) {
        m_frmSysTray->AddMenuItem(item.caption, item.key, item.isDefault);
    }
    m_frmSysTray->setToolTip("Belltale ? Version " + versionText());
    SetTrayIcon();
    if (!m_frmSysTray->iconAdded()) {
        m_trayMissing = true;
        log("There is no notification area on this desktop: the window stays on the task bar");
    }
}

void MainWindow::SetTrayIcon() {
    if (m_frmSysTray) {
        m_frmSysTray->setIconHandle(m_form.imgicon());
    }
}

void MainWindow::seticon1() {
    if (m_frmSysTray) {
        m_frmSysTray->setIconHandle(m_form.imgicon1());
    }
}

void MainWindow::m_frmSysTray_SysTrayMouseDown(long eButton) {
    if (eButton == kRightButton && m_frmSysTray) {
        // The menu's choice may end the program and let the icon go: hold it until the menu
        // has returned.
        const std::shared_ptr<frmSysTray> tray = m_frmSysTray;
        tray->ShowMenu();
    }
}

void MainWindow::m_frmSysTray_SysTrayDoubleClick(long /*eButton*/) {
    m_form.frmInclogShow();
    say("Incoming calls", kSayNormal);
}

// Pointing at the icon counts as having seen the new calls.
void MainWindow::m_frmSysTray_SysTrayMouseMove() {
    stopFlasher();
}

void MainWindow::m_frmSysTray_MenuClick(long /*lIndex*/, const std::string& sKey) {
    if (sKey == "max") {
        if (m_form.formVisible()) {
            const int answer =
                ui::MsgBox("Are you having trouble seeing the window?", ui::vbYesNo, "Warning!");
            if (answer == ui::vbYes) {
                m_form.moveForm(kRescuedPosition, kRescuedPosition);
            }
        }
        m_form.setFormVisible(true);
        settings::write(settings::key::hidden, settings::kFalse);
    } else if (sKey == "settings") {
        m_form.frmSettingsShow();
    } else if (sKey == "inclog") {
        m_form.frmInclogShow();
        stopFlasher();
    } else if (sKey == "teldirectory") {
        m_form.frmDirectoryShow();
    } else if (sKey == "chkemail") {
        if (!settings::isOn(settings::shell::checkemailTray)) {
            say("You have disabled email checking", kSayUrgent);
            ui::MsgBox(
                "You need to enable email checking in the settings window before you can use this "
                "feature",
                ui::vbInformation | ui::vbOKOnly, "Error!");
        } else {
            say("Please wait", kSayUrgent);
            if (m_otherParts.checkemail) {
                m_otherParts.checkemail();
            }
        }
    } else if (sKey == "exit") {
        unloadWindow();
    }
}

void MainWindow::hideForm() {
    if (m_trayMissing) {
        m_form.setFormMinimized();
    } else {
        m_form.setFormVisible(false);
    }
}

// Where the light cannot be set, the flasher goes on without it, and the log says so once.
void MainWindow::pressScrollLock() {
    if (ui::toggleScrollLock() || m_scrollLockMissing) {
        return;
    }
    m_scrollLockMissing = true;
    log("The Scroll Lock light cannot be set on this desktop, it will not blink");
}

}  // namespace vevuzer
