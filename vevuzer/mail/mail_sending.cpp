#include "vevuzer/mail/mail_sending.h"

#include <array>

#include "platform/core/folders.h"
#include "platform/mail/see.h"
#include "platform/net/ras.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer::mailing {
namespace {

bool g_busy = false;
constexpr std::size_t kFieldSize = 256;
constexpr std::size_t kMinServerLength = 4;

}  // namespace

Exclusive::Exclusive() : m_acquired(!g_busy) {
    g_busy = true;
}

Exclusive::~Exclusive() {
    release();
}

void Exclusive::release() {
    if (m_acquired)
        g_busy = false;
    m_acquired = false;
}

void logRefusal(std::string_view what) {
    vevuzer::log("Another mail is being sent or fetched, " + std::string(what));
}

std::string errorMessage(std::int32_t code) {
    const auto file = core::findFileNoCase(core::programFolder() / "errors.txt");
    if (!file)
        return {};
    const std::optional<std::string> text = core::readFile(*file);
    if (!text)
        return {};
    const std::string wanted = std::to_string(code);
    std::string found;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line.resize(std::min(line.size(), kFieldSize));
        if (line.find(wanted) != std::string::npos)
            found = line;
        start = end + 1;
    }
    return found;
}

bool askForServer(const std::function<void()>& stored) {
    while (settings::read(settings::mail::smtp).size() < kMinServerLength) {
        say("Your SMTP address is not set, please enter it now!", kSayNormal);
        const std::optional<std::string> answer =
            ui::InputBox("What is your SMTP server address?", "Send mail error!");
        if (!answer)
            return false;
        settings::write(settings::key::smtp, *answer);
        if (stored)
            stored();
    }
    return true;
}

std::int32_t driveSend() {
    for (;;) {
        const std::int32_t result = seeDriver(0);
        if (result <= 0)
            return result;
        seeStatistics(0, 15);
    }
}

std::string headerText(std::string_view priority, std::string_view sender) {
    return "X-Priority: " + std::string(priority) + "\r\nX-Sender: Belltale, " +
           std::string(sender);
}

bool IsDialUpConnected() {
    std::array<RASCONNA, 256> connections{};
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD size = sizeof connections;
    DWORD count = 0;
    if (RasEnumConnectionsA(connections.data(), &size, &count) != 0) {
        ui::MsgBox("ERROR");
        return false;
    }
    if (count == 0)
        return false;
    RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    if (RasGetConnectStatusA(connections[0].hrasconn, &status) != 0)
        return false;
    return status.rasconnstate == RASCS_Connected;
}

}  // namespace vevuzer::mailing
