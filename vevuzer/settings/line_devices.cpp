// The Modems page: a device chosen for a line is opened on that line at once, and a line's dial
// tone can be tested.
#include <QCheckBox>
#include <QComboBox>

#include "platform/core/messages.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/speech_output.h"

namespace {

namespace line = vevuzer::controls::line;

constexpr std::string_view kLineKeys[] = {settings::key::line, settings::key::line2,
                                          settings::key::line3, settings::key::line4};
// A line that keeps saying it is open is asked this often to close, then left as it is.
constexpr int kCloseTries = 20;

constexpr std::string_view kSwitchOffer =
    "Sorry, the modem you have selected to use on this line is NOT compatible with Belltale. You "
    "now have two options, you can try to get the latest drivers for your modem so that you can "
    "still use the TAPI version of Belltale OR you can go in to compatibility mode which will talk "
    "straight to your modem, you will however lose a couple of features if you use compatibility "
    "mode. Do you want to switch to compatibility mode now?";

}  // namespace

void frm_settings::lineDevice_Click(int N) {
    if (loading)
        return;
    const std::string n = std::to_string(N);
    const vevuzer::HostedControl& control = m_main.lkLine(N);
    const std::string chosen = lineBox(N)->currentText().toStdString();
    vevuzer::log(" ******************************* ");
    vevuzer::log("User changing modem on line " + n);
    const auto active = [&control] { return control.getBool(line::DeviceActive).value_or(false); };

    if (chosen == settings::kNoModem) {
        vevuzer::log("They have selected NO modem");
        m_refusedDevices[static_cast<std::size_t>(N - 1)].clear();
        settings::write(kLineKeys[N - 1], settings::kNoModem);
        for (int tries = 0; tries < kCloseTries && active(); ++tries) {
            control.putBool(line::DeviceActive, false);
            core::DoEvents();
        }
        vevuzer::log(active() ? "Line " + n + " could not be closed, it is still open"
                              : "Line " + n + " has been closed");
        return;
    }

    if (active()) {
        control.putBool(line::DeviceActive, false);
        vevuzer::log("Line " + n + " has been closed");
    }
    control.putText(line::DeviceName, chosen);
    vevuzer::log("New modem on line " + n + " is " +
                 control.getText(line::DeviceName).value_or(""));
    control.putBool(line::PrivilegeMonitor, true);
    control.putBool(line::PrivilegeOwner, true);
    control.putBool(line::DeviceActive, true);
    vevuzer::log(active() ? "The device has been made active"
                          : "The new device FAILED to go active");
    if (!active() && control.getLong(line::ErrorNumber).value_or(-1) == 0)
        ui::MsgBox("This device may not be 100% TAPI complient", ui::vbInformation);
    if (active()) {
        m_refusedDevices[static_cast<std::size_t>(N - 1)].clear();
        settings::write(kLineKeys[N - 1], chosen);
        vevuzer::log("The new device has been written to the registry");
        vevuzer::say("Device on line " + n + ", is okay", vevuzer::kSayNormal);
        vevuzer::log("User has been told the device is okay");
        return;
    }
    // A device that did not open is not stored: the line keeps its earlier device, also when
    // the box still shows the refused one at Apply.
    m_refusedDevices[static_cast<std::size_t>(N - 1)] = chosen;
    vevuzer::log("There is a problem with the new device");
    vevuzer::log("The user has had a warning about the new device which is NOT ACTIVE");
    if (ui::MsgBox(kSwitchOffer, ui::vbYesNo, "Switch mode?") == ui::vbYes) {
        setTab(Compatibility);
        const bool wasLoading = loading;
        loading = true;  // ticking the box switches nothing by itself
        m_chk_comp->setChecked(true);
        loading = wasLoading;
        setTabEnabled(Modems, false);
    }
}

void frm_settings::lineDialTone_Click(int N) {
    ui::MsgBox(
        "Please wait, this could take up to 5 seconds. Also note that not all modems report "
        "the dial tone correctly, so if you hear the dial tone but get a message saying it "
        "couldn`t be detected, then don`t worry about it.",
        ui::vbInformation, "Please wait!");
    if (m_main.finddial(std::to_string(N)))
        ui::MsgBox("Dialtone found", ui::vbInformation, "Found!");
    else
        ui::MsgBox("Sorry, no dialtone found on this line", ui::vbExclamation, "Not Found!");
}
