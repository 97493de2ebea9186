#include "vevuzer/settings/first_run.h"

#include "platform/ui/dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/speech_output.h"

namespace settings {

std::string_view firstRunWelcomeText() {
    static constexpr std::string_view kText =
        "Welcome to Belltale from Fenwright Software.\r\n"
        "Before you start, you must set up your modem(s)\r\n"
        "in each of the four boxes in the following window.\r\n"
        "If you don`t have 4 modems, don`t worry\r\n"
        "just select 'No modem on this line' for the spare lines (boxes).\r\n"
        "You must also select the sound playback device\r\n"
        "that you wish to use with this software. Just choose\r\n"
        "the one that matches closest to the name of\r\n"
        "your sound card.\r\n"
        "Please note that there are so many different\r\n"
        "types of modems out there, its almost impossible\r\n"
        "for us to test their compatibility with this software.\r\n"
        "All that we as is this. If you do have a problem with\r\n"
        "this software and your modem, please make sure that you\r\n"
        "have the VERY LATEST modem driver for your modem.";
    return kText;
}

bool firstRunWelcome() {
    if (!isOn(dialog::firstrun)) {
        return false;
    }
    write(key::firstrun, kFalse);
    vevuzer::say(kFirstRunSpokenWelcome, vevuzer::kSayUrgent);
    ui::MsgBox(firstRunWelcomeText(), ui::vbInformation);
    vevuzer::say(kFirstRunSpokenRestart, vevuzer::kSayUrgent);
    return true;
}

}  // namespace settings
