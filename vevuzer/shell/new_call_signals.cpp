// The main window's visual signals of a call: the ring picture that a ring shows for half a
// second, and the new-call flasher that blinks until the user looks at the calls.
#include <string>

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

void MainWindow::flash_Timer() {
    m_form.setImgFlashVisible(!m_form.imgFlashVisible());
}

// A stopped flasher would otherwise leave its picture up and keep counting the calls the user has
// now seen as new.
void MainWindow::stopFlasher() {
    if (m_flash.interval() == 0) {
        return;
    }
    m_flash.setInterval(0);
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
