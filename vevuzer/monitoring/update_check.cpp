#include "vevuzer/monitoring/update_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/registry/registry.h"
#include "platform/shell/launch.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frm_update.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"

namespace vevuzer {
namespace {

constexpr std::string_view kServerKey = "Software\\Belltale\\Update";
constexpr std::string_view kServerValue = "Server";
constexpr std::string_view kMakersServer = "https://www.fenwright.example";
constexpr std::string_view kUpdateProgramFile = "davovoredirod.exe";
constexpr std::string_view kKeyword = "belltale";
constexpr std::string_view kOffered = "1";
// The list names a version or two: anything much longer is not the list.
constexpr std::size_t kVersionListLimit = 8 * 1024;
// An offered version is remembered under its own text, which must fit a value name to be
// remembered; the limit also keeps the question's text to a sensible length.
constexpr std::size_t kLongestVersion = 64;

constexpr std::string_view kSayAvailable = "There is an update available, do you want to fetch it?";
constexpr std::string_view kSayFetching =
    "This will take me about 5 minutes to get. Just carry on as normal. I will call you when the "
    "update has downloaded!";
constexpr std::string_view kSayDownloaded = "Your file has now downloaded";
constexpr std::string_view kSayFailed =
    "\\emp\\There was an error whilst downloading, \\emp\\please try to download the file "
    "manually!";
constexpr std::string_view kAskTitle = "NewVersion";
constexpr std::string_view kDownloadedBox =
    "The update has now downloaded. I will close this software and then start the update "
    "installing.";

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The numbers of a version text, or nothing when it is not numbers separated by points. Each
// number keeps its digits as text without leading zeros, so any length compares correctly.
std::optional<std::vector<std::string>> versionNumbers(std::string_view text) {
    std::vector<std::string> numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t point = text.find('.', start);
        const std::string_view part =
            text.substr(start, point == std::string_view::npos ? point : point - start);
        if (part.empty() || !std::all_of(part.begin(), part.end(),
                                         [](unsigned char c) { return std::isdigit(c); })) {
            return std::nullopt;
        }
        const std::size_t firstSignificant = std::min(part.find_first_not_of('0'), part.size());
        numbers.emplace_back(part.substr(firstSignificant));
        if (point == std::string_view::npos)
            return numbers;
        start = point + 1;
    }
}

// Compares two numbers written without leading zeros.
int compareNumbers(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// A stored "dd/mm/yyyy" as (year, month, day); nothing when it is not a date.
std::optional<std::tuple<int, int, int>> storedDate(const std::string& text) {
    int day = 0, month = 0, year = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%2d/%2d/%4d%c", &day, &month, &year, &end) != 3 || day < 1 ||
        day > 31 || month < 1 || month > 12 || year < 100) {
        return std::nullopt;
    }
    return std::tuple{year, month, day};
}

}  // namespace

std::string updateServer() {
    std::string server;
    if (const char* configured = std::getenv("BELLTALE_UPDATE_SERVER"); configured && *configured) {
        server = configured;
    } else if (core::existingProgramFolder()) {
        server = registry::readString(HKEY_LOCAL_MACHINE, kServerKey, kServerValue).value_or("");
    }
    if (server.empty())
        server = kMakersServer;
    while (!server.empty() && server.back() == '/')
        server.pop_back();
    return server;
}

std::string downloadPage() {
    return updateServer() + "/download.html";
}

std::filesystem::path updateProgramPath() {
    return core::programFolder() / kUpdateProgramFile;
}

std::optional<std::string> offeredVersion(std::string_view list) {
    const std::size_t keyword = lowerCase(list).find(kKeyword);
    if (keyword == std::string::npos)
        return std::nullopt;
    // A keyword with no ":" after it names no version (the list would otherwise be read past
    // its end); a version that ends the list keeps its last character.
    const std::size_t colon = list.find(':', keyword + kKeyword.size());
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = colon + 1;
    const std::size_t end = list.find(':', start);
    const std::string_view version =
        list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    // A version that could not be remembered as offered would be offered again every day.
    if (version.size() > kLongestVersion ||
        std::any_of(version.begin(), version.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7f; })) {
        return std::nullopt;
    }
    return std::string(version);
}

bool isLaterVersion(std::string_view offered, std::string_view running) {
    // Number by number: 1.10.0 is later than 1.9.0, which joining the digits would not say.
    const auto later = versionNumbers(offered);
    const auto current = versionNumbers(running);
    if (!later || !current)
        return false;
    const std::size_t count = std::max(later->size(), current->size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string a = i < later->size() ? (*later)[i] : "";
        const std::string b = i < current->size() ? (*current)[i] : "";
        if (const int order = compareNumbers(a, b); order != 0)
            return order > 0;
    }
    return false;
}

UpdateCheck::UpdateCheck(MainWindow& window) : m_window(window) {
    // The main window's Inet_StateChanged: the last state the transfer reported.
    m_inet.setOnStateChanged([this](short State) { m_window.state().inetstate = State; });
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::run() {
    MainWindowState& state = m_window.state();
    // Once checked, the connection (system files read every second) is no longer looked at.
    if (state.updatechecked || !mod_clock::IsInternetConnected())
        return;
    if (checkedToday()) {
        state.updatechecked = true;
        return;
    }
    state.updatechecked = true;

    m_inet.setMaxDocumentSize(kVersionListLimit);
    const std::string list = m_inet.OpenURL(updateServer() + std::string(kVersionListPath));
    if (m_inet.StillExecuting())
        return;
    const std::optional<std::string> version = offeredVersion(list);
    if (!version || *version == versionText() || !isLaterVersion(*version, versionText()) ||
        settings::readVersion(*version) == kOffered) {
        return;
    }
    offer(*version);
}

// The day's check is done when the stored date is today or later (or unreadable); either way
// today's date is stored. A first run finds no date and so counts as checked today.
bool UpdateCheck::checkedToday() {
    const std::string stored = settings::read(settings::update::lastupdatecheck);
    settings::write(settings::key::lastupdatecheck, settings::todayText());
    const auto date = storedDate(stored);
    if (!date)
        return true;
    const core::DateParts today = core::datePartsOf(core::now());
    return *date >= std::tuple{today.year, today.month, today.day};
}

void UpdateCheck::offer(const std::string& version) {
    say(kSayAvailable, kSayUrgent);
    const int answer =
        ui::MsgBox("There is a new version of this software available.\r\nYou have version " +
                       versionText() + ", and the new version number\r\nis " + version +
                       ". Do you want me to download it now for you?",
                   ui::vbYesNo, kAskTitle);
    // A No is remembered like a Yes: each version is offered once.
    settings::writeVersion(version, kOffered);
    if (answer == ui::vbYes)
        download();
}

void UpdateCheck::download() {
    m_notice = std::make_unique<frm_update>();
    m_notice->Show();
    say(kSayFetching, kSayUrgent);
    MainWindowState& state = m_window.state();
    state.downloading = true;
    std::error_code ignored;
    std::filesystem::remove(updateProgramPath(), ignored);

    // The version list's transfer left its own final state behind: only this transfer's may count.
    state.inetstate = inet::icNone;
    m_inet.setMaxDocumentSize(inet::kLargestDocument);
    const std::vector<std::uint8_t> bytes =
        m_inet.OpenURL(updateServer() + std::string(kUpdateProgramPath), inet::icByteArray);
    const bool completed =
        state.inetstate == inet::icResponseCompleted || state.inetstate == inet::icResponseReceived;
    // An empty file is no program: it is never saved or run.
    if (completed && !bytes.empty()) {
        downloaded(std::string(bytes.begin(), bytes.end()));
    } else {
        downloadFailed();
    }
}

void UpdateCheck::downloaded(const std::string& bytes) {
    unloadNotice();
    say(kSayDownloaded, kSayUrgent);
    const std::filesystem::path program = updateProgramPath();
    // Saved whole or not at all, and runnable: a part of a program is never started.
    if (!core::rewriteFile(program, bytes) || ::chmod(program.c_str(), 0755) != 0) {
        std::error_code ignored;
        std::filesystem::remove(program, ignored);
        downloadFailed();
        return;
    }
    m_window.state().downloading = false;
    ui::MsgBox(kDownloadedBox, ui::vbOKOnly);
    shell::startDetached({program.string()}, core::programFolder().string());
    m_window.unloadWindow();
}

void UpdateCheck::downloadFailed() {
    say(kSayFailed, kSayUrgent);
    unloadNotice();
    ui::MsgBox("Sorry, there was a problem whilst downloading. Please visit " + downloadPage() +
                   " to download the update manually",
               ui::vbCritical | ui::vbOKOnly);
    m_window.state().downloading = false;
}

void UpdateCheck::unloadNotice() {
    m_notice.reset();
}

}  // namespace vevuzer
