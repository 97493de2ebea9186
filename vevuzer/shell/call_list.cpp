// The call list over the status box, and opening a web address in the desktop's browser.
#include "vevuzer/shell/call_list.h"

#include <array>

#include "platform/core/folders.h"
#include "platform/shell/shellapi.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

constexpr std::string_view kCallLogName = "inclog.txt";
constexpr double kListSeconds = 15;
// The file whose associated program is taken for the browser.
constexpr std::string_view kProbePage = "temphtm.HTM";

// The text up to the next comma (or the end) from `position`, which moves past that comma.
std::string_view nextField(std::string_view line, std::size_t& position) {
    if (position > line.size()) {
        return {};
    }
    const std::size_t comma = line.find(',', position);
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    const std::string_view field = line.substr(position, end - position);
    position = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
    return field;
}

}  // namespace

std::string CallListLine(int k, std::string_view logLine) {
    std::size_t position = 0;
    const std::string number = trimBlanks(nextField(logLine, position));
    std::string name = trimBlanks(nextField(logLine, position));
    const std::string when = trimBlanks(nextField(logLine, position));
    if (textLength(name) < 2) {
        name = kNameUnavailable;
    }
    return std::to_string(k) + ": " + number + ", " + name + ", " + when;
}

void MainWindow::loaddisplay() {
    if (m_form.displayVisible()) {
        m_form.setDisplayVisible(false);
        m_form.setTxtDisplayVisible(true);
        m_state.statuscountdown = 0;
        return;
    }
    m_form.displayClear();
    int k = 0;
    if (const auto file = core::findFileNoCase(core::programFolder() / kCallLogName)) {
        const std::optional<std::string> text = core::readTextFile(*file);
        if (!text) {
            return;
        }
        for (const std::string& line : linesOf(*text)) {
            m_form.displayAddItem(CallListLine(++k, line));
        }
        if (k > 0) {
            m_form.setDisplayListIndex(k - 1);
        }
    }
    if (k == 0) {
        say("You have no call information to display", kSayNormal);
        return;
    }
    m_form.setDisplayVisible(true);
    m_form.setTxtDisplayVisible(false);
    m_state.statuscountdown = kListSeconds;
}

void MainWindow::linkup(std::string_view webaddress) {
    const std::filesystem::path probe = core::programFolder() / kProbePage;
    core::rewriteFile(probe, "\"<HTML> <\\HTML>\"\r\n");
    std::array<char, MAX_PATH + 1> browser{};
    const HINSTANCE found = FindExecutableA(probe.c_str(), "", browser.data());
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    if (!shell::succeeded(found)) {
        ui::MsgBox("Could not find associated browser!", ui::vbExclamation, "BROWSER NOT FOUND");
        return;
    }
    const std::string program = trimBlanks(browser.data());
    const std::string address(webaddress);
    const HINSTANCE opened =
        ShellExecuteA(nullptr, "open", program.c_str(), address.c_str(), "", SW_SHOWNORMAL);
    if (!shell::succeeded(opened)) {
        ui::MsgBox("Web Page not Opened", ui::vbExclamation, "URL FAILED");
    }
}

}  // namespace vevuzer
