// The help and web buttons of the monitor windows.
#include "lkLK36/engines/lkLKShare.h"
#include "platform/registry/registry.h"
#include "platform/shell/shellapi.h"
#include "platform/ui/dialogs.h"

namespace {

// The maker's pages; the updates page jumps to this library's entry.
constexpr const char* updatesPage = "https://www.orvane.example/quillon/updates.html#lkLK36";
constexpr const char* homePage = "https://www.orvane.example/";
constexpr const char* supportPage = "https://www.orvane.example/support/";

std::string& helpFile() {
    static std::string path;
    return path;
}

bool openWithShell(const std::string& target) {
    return shell::succeeded(
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace

const std::string& rememberedHelpFile() {
    return helpFile();
}

void ShowHelp(std::string_view topic) {
    helpFile().clear();
    const std::string directory =
        registry::readString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvane\\Quillon\\3.6", "Directory")
            .value_or("") +
        "/Help";
    if (topic == "INIT") {
        return;
    }
    helpFile() = directory + "/lkLK36.chm";
    if (!openWithShell(helpFile())) {
        ui::MsgBox("Unable to locate help: \r\n" + helpFile(), ui::vbOKOnly, "Orvane Vantage!");
    }
}

void OpenUpdatesPage() {
    if (!openWithShell(updatesPage)) {
        ShowHelp("HowToUseHelp");
    }
}

void OpenHomePage() {
    if (!openWithShell(homePage)) {
        ShowHelp("");
    }
}

void OpenSupportPage() {
    if (!openWithShell(supportPage)) {
        ShowHelp("");
    }
}
