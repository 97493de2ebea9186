// The main window's commands: the four buttons uncovered when it opens, its command menu, F1 and
// the skin ring.
#include <array>
#include <string>
#include <string_view>

#include "platform/core/folders.h"
#include "platform/shell/shellapi.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

constexpr std::string_view kHelpFile = "Help.html";
// The maker's page of frequently asked questions; the version's digits end the query.
constexpr std::string_view kFaqPage =
    "http://www.fenwright.example/belltalefaq.htm?Direct_connection_Belltale";

// The skins in the order the user steps through them; the last leads back to the first.
constexpr std::array<std::string_view, 7> kSkinRing = {
    "GreenFlag.gif", "BlueSea.gif",    "RedMoon.gif",  "JustPurple.gif",
    "PlainRed.gif",  "PlainGreen.gif", "PlainBlue.gif"};

std::string inProgramFolder(std::string_view name) {
    return (core::programFolder() / name).string();
}

}  // namespace

// ---- Buttons ----

void MainWindow::Command1_Click() {
    stopFlasher();
    m_form.frmInclogShow();
    say("Incoming calls", kSayNormal);
}

void MainWindow::Command2_Click() {
    m_form.frmDirectoryShow();
}

void MainWindow::Command3_Click() {
    m_form.frmSettingsShow();
    say("Settings", kSayNormal);
}

void MainWindow::Command4_Click() {
    skinStep();
    m_form.placeSkinPicture();
    m_form.beep();
}

// ---- The command menu ----

void MainWindow::mnu_configure_Click() {
    m_form.frmSettingsShow();
}

void MainWindow::mnu_hidewindow_Click() {
    Image2_Click();
}

void MainWindow::mnu_directory_Click() {
    m_form.frmDirectoryShow();
}

// Opening the log from the menu leaves the new calls flagged: only the button counts as looking.
void MainWindow::mnu_inclog_Click() {
    m_form.frmInclogShow();
    say("Incoming calls", kSayNormal);
}

void MainWindow::mnu_chngskin_Click() {
    skinStep();
}

// The caller pop-up with a made-up caller, to see it without a call.
void MainWindow::mnu_disptest_Click() {
    m_form.frmDisplayShow();
    say("Testing the display!", kSayNormal);
    m_form.frmDisplayDisplay("01234 - 5678910", 1);
    m_form.setFrmDisplayName("Belltale Test!");
    m_form.frmDisplaySetFocus();
}

void MainWindow::mnu_help_Click() {
    m_form.setFormFocus();
    showHelpFile();
    mod_clock::Pause(1);
    const int answer = ui::MsgBox(
        "Would you like to connect to the Belltale Frequently Asked Questions page on the "
        "Internet. You may get more help there?",
        ui::vbYesNo, "More Help?");
    if (answer == ui::vbYes) {
        linkup(std::string(kFaqPage) + std::to_string(kVersionMajor) +
               std::to_string(kVersionMinor) + std::to_string(kVersionRevision));
    }
}

void MainWindow::mnu_syslog_Click() {
    shell::openInTextEditor(inProgramFolder(kLogFileName));
    m_form.beep();
}

void MainWindow::mnu_exit_Click() {
    unloadWindow();
}

// F1 in any window of the program: the help file in the desktop's viewer. A missing file or
// viewer shows nothing.
void MainWindow::showHelpFile() {
    const std::string help = inProgramFolder(kHelpFile);
    ShellExecuteA(nullptr, "open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- Skins ----

// Advances the stored skin to the next in the ring and shows it. A stored path that is not one of
// the ring's (another folder, another letter case) is shown again as it is, never advanced.
void MainWindow::skinStep() {
    const std::string current = settings::read(settings::shell::skin);
    for (std::size_t i = 0; i < kSkinRing.size(); ++i) {
        if (current == inProgramFolder(kSkinRing[i])) {
            settings::write(settings::key::skin,
                            inProgramFolder(kSkinRing[(i + 1) % kSkinRing.size()]));
            break;
        }
    }
    m_form.loadSkinPicture(settings::read(settings::shell::skinToLoad));
}

}  // namespace vevuzer
