// The main window's visual signals of a call: the ring picture that a ring shows for half a
// second, and the new-call flasher that blinks until the user looks at the calls.
#include <string>

#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frmSysTray.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {

void MainWindow::timerring_Timer() {
    if (m_form.picRingVisible()) {
        m_form.setPicRingVisible(false);
    }
    // One tick per arming: the next ring arms it again.
    m_timerring.setInterval(0);
}

// The picture and the tray icon blink together, and the Scroll Lock light with them when the user
// wants it.
void MainWindow::flash_Timer() {
    if (m_frmSysTray) {
        m_frmSysTray->setToolTip("You have had new calls, Right click for options");
    }
    if (m_form.imgFlashVisible()) {
        m_form.setImgFlashVisible(false);
        seticon1();
    } else {
        m_form.setImgFlashVisible(true);
        SetTrayIcon();
    }
    if (settings::isOn(settings::shell::flashscroll)) {
        pressScrollLock();
    }
}

// A stopped flasher would otherwise leave its picture and the tray's new-call picture and tip up,
// and keep counting the calls the user has now seen as new.
void MainWindow::stopFlasher() {
    if (m_flash.interval() == 0) {
        return;
    }
    m_flash.setInterval(0);
    SetTrayIcon();
    if (m_frmSysTray) {
        m_frmSysTray->setToolTip("Belltale ? Version " + versionText());
    }
    m_form.setImgFlashVisible(false);
    // The list comes up with the calls even when something else (a ring's notice) is shown in
    // it, which the toggle alone would take away.
    if (m_form.displayVisible()) {
        m_form.setDisplayVisible(false);
    }
    loaddisplay();
    if (m_state.newcalls < 2) {
        say("Here are your calls, one of which is new", kSayNormal);
    } else {
        say("Here are your calls, " + std::to_string(m_state.newcalls) + " of which are new",
            kSayNormal);
    }
    m_state.newcalls = 0;
}

}  // namespace vevuzer
