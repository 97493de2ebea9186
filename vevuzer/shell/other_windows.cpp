// The windows of other parts of the program that the main window's commands open. Each part puts
// the opening of its own window here.
#include "vevuzer/shell/frm_main.h"

#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_inclog.h"

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/records/call_list_entry.h"
#include "vevuzer/records/records_files.h"
#include "vevuzer/records/telephone_directory.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/shell/text_helpers.h"

namespace {

// The entry selected in the call list; empty when none is.
std::string selectedEntry(const frm_main& window) {
    const int index = window.displayListIndex();
    return index < 0 ? std::string() : window.displayItem(index);
}

bool isRecording(std::string_view number) {
    return core::toLowerAscii(number).find(".wav") != std::string::npos;
}

}  // namespace

// The incoming-calls log window.
void frm_main::frmInclogShow() {
    showIncomingCallsLog();
}

frm_inclog& frm_main::showIncomingCallsLog() {
    inclogWindow().Show();
    return inclogWindow();
}

// The telephone directory window.
void frm_main::frmDirectoryShow() {
    showTelephoneDirectory();
}

frm_directory& frm_main::showTelephoneDirectory() {
    directoryWindow().Show();
    return directoryWindow();
}

// The settings window.
void frm_main::frmSettingsShow() {
    showSettings();
}

frm_settings& frm_main::showSettings() {
    settingsWindow().Show();
    return settingsWindow();
}

// "Add to telephone directory" on the call list's menu: the address book's Save stores the caller.
void frm_main::mn1_addcaler_Click() {
    const std::string entry = selectedEntry(*this);
    if (entry.empty())
        return;
    const vevuzer::CallListCaller caller = vevuzer::parseCallListEntry(entry);
    if (isRecording(caller.number)) {
        ui::MsgBox(
            "Sorry, this is a recording. Only caller ID data can be sent over to the "
            "telephone directory",
            ui::vbInformation, "Sorry!");
        return;
    }
    std::string name = vevuzer::trimBlanks(caller.name);
    std::string number = vevuzer::trimBlanks(caller.number);
    if (core::toLowerAscii(name) == "name unavailable")
        name.clear();
    if (core::toLowerAscii(number) == "nonumber") {
        ui::MsgBox(
            "Sorry, there`s no phone number for me to add. You can only add callers who "
            "have a telephone number!",
            ui::vbCritical, "Cant add!");
        return;
    }
    // An entry without a number (a withheld call) matches nothing in the book: it goes on to ask
    // for the number.
    // A book that cannot be read is reported by the Save below.
    if (vevuzer::directoryHoldsNumber(number).value_or(false)) {
        ui::MsgBox(
            "Sorry, the number you are adding is already in the database. Please remove it "
            "manually before adding it again!",
            ui::vbInformation, "Already there!");
        showTelephoneDirectory();
        return;
    }
    // Asked until both are there; a cancelled question ends the add, changing nothing.
    while (name.size() < 2 || number.size() < 2) {
        if (name.size() < 2) {
            const auto typed =
                ui::InputBox("Please enter a name that you wish to associate with " + number + ".",
                             "Name needed");
            if (!typed)
                return;
            name = *typed;
        }
        if (number.size() < 2) {
            const auto typed = ui::InputBox(
                "Please enter a telephone number to associate with " + name + ".", "Number needed");
            if (!typed)
                return;
            number = *typed;
        }
    }
    vevuzer::TelephoneDirectory& directory = showTelephoneDirectory().logic();
    directory.setTxtPhone(number);
    directory.setTxtName(name);
    // The Save refuses, or fails, with its own words; only a stored entry is reported as added.
    if (!directory.Command2_Click())
        return;
    ui::MsgBox("Your caller has been added successfully.", ui::vbInformation, "Complete");
}

// "Add to blocked callers list" on the call list's menu: the settings window's blocked list gets
// the number, and the stored list with it, before the message says so.
void frm_main::mn1_blockcaller_Click() {
    const std::string entry = selectedEntry(*this);
    if (entry.empty())
        return;
    const vevuzer::CallListCaller caller = vevuzer::parseCallListEntry(entry);
    if (isRecording(caller.number)) {
        ui::MsgBox("Sorry, this is a recording.", ui::vbInformation, "Sorry!");
        return;
    }
    if (!showSettings().blockCaller(vevuzer::trimBlanks(caller.number)))
        return;
    ui::MsgBox("Your caller has been added to the blocked list", ui::vbInformation,
               "Caller blocked");
}
