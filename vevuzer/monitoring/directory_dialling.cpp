#include "vevuzer/monitoring/directory_dialling.h"

#include <string>

#include "platform/ui/dialogs.h"
#include "vevuzer/monitoring/dial_out.h"
#include "vevuzer/monitoring/monitoring_text.h"
#include "vevuzer/records/telephone_directory.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

namespace comm = controls::comm;
namespace line = controls::line;

constexpr DWORD kSerialPollMs = 800;

// The book's red box as the dial-out writes into it.
class RedBox final : public DialPrompt {
  public:
    explicit RedBox(TelephoneDirectory& directory) : m_directory(directory) {}
    void setText1Text(std::string_view text) override {
        m_directory.setRedBox(m_directory.controls().Text1Visible, text);
    }
    void setText1Visible(bool visible) override {
        m_directory.setRedBox(visible, m_directory.controls().Text1);
    }

  private:
    TelephoneDirectory& m_directory;
};

}  // namespace

void attachDirectoryDialling(MainWindow& window, TelephoneDirectory& directory) {
    directory.setDialling(
        {[&window](TelephoneDirectory& book) { dialSelectedContact(window, book); },
         [&window](TelephoneDirectory& book) { hangUpFromRedBox(window, book); }});
}

void dialSelectedContact(MainWindow& window, TelephoneDirectory& directory) {
    const bool portOpen = window.comm().getBool(comm::PortOpen).value_or(false);
    if (settings::read(settings::serial::kind) == settings::kCallerIdPlug && portOpen) {
        say("You cant do this with a caller ID plug!", kSayUrgent);
        ui::MsgBox("Sorry, you can't dial out with a Rochelle caller ID plug",
                   ui::vbInformation | ui::vbOKOnly, "Error!");
        return;
    }
    const DirectoryControls& fields = directory.controls();
    const std::string number = fields.txt_phone;
    const std::string linea = fields.txt_line;
    log(" **************************** ");
    log("User has chosen to dial " + number + " using line " + linea);
    if (textLength(number) < 2) {
        say("Sorry, there is no telephone number for me to dial", kSayUrgent);
        ui::MsgBox("You didn`t select a contact from the list");
        log("Invalid telephone number");
        return;
    }
    directory.setCommand4Visible(false);
    directory.setRedBox(true, fields.Text1);
    say("I am now dialing " + fields.txt_name, kSayUrgent);
    directory.setRedBox(true, "Please wait !\r\nI am dialing the number now");
    RedBox box(directory);
    window.dialOut().setPrompt(&box);
    window.findconnected(monitoring::without(number, "-"), linea);
    window.dialOut().setPrompt(nullptr);
    log("Advise user to pick up handset and hang up modem");
}

void hangUpFromRedBox(MainWindow& window, TelephoneDirectory& directory) {
    say("Thank you!", kSayNormal);
    directory.setRedBox(false, directory.controls().Text1);
    const HostedControl& port = window.comm();
    if (port.getBool(comm::PortOpen).value_or(false)) {
        port.putText(comm::Output, "ATH\r");
        directory.setCommand4Visible(true);
        mod_clock::Pause(1);
        port.putLong(comm::InBufferCount, 0);
        window.commscan().setInterval(kSerialPollMs);
        return;
    }
    if (const int N = lineNamed(directory.controls().txt_line)) {
        window.lkLine(N).call(line::CallHangup);
    }
    directory.setCommand4Visible(true);
}

}  // namespace vevuzer
