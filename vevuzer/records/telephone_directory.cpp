#include "vevuzer/records/telephone_directory.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/monitoring/monitoring_text.h"
#include "vevuzer/records/INIFuncs.h"
#include "vevuzer/records/records_files.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "[callers]";
constexpr std::string_view kTemporaryCopy = "temp.ini";
constexpr std::string_view kBookFilter = "Belltale address book *.wca|*.wca";
constexpr std::string_view kExportName = "AddressBook.wca";
constexpr std::string_view kInvalidNumber = "You didnt enter a valid phone number";
constexpr std::string_view kAlreadyThere =
    "Sorry, the number you are adding is already in the database. Please remove it manually "
    "before adding it again!";
constexpr std::string_view kHelpText =
    "This is a list of people that you have entered in to the telephone directory (if any). You "
    "may call any of them back using Belltale. Just click on the entry in the list and then click "
    "on 'Dial the selected contact' button. Belltale will then dial out and you will see a RED "
    "window appear telling you to pick up your handset and click on the red window. You can alse "
    "edit, delete and save a contact using the telephone directory.";

// Run-time error numbers and texts for what can fail on a file.
struct RunTimeError {
    int number;
    std::string_view description;
};
constexpr RunTimeError kFileNotFound{53, "File not found"};
constexpr RunTimeError kDeviceIoError{57, "Device I/O error"};
constexpr RunTimeError kDiskFull{61, "Disk full"};
constexpr RunTimeError kPermissionDenied{70, "Permission denied"};
constexpr RunTimeError kPathFileAccessError{75, "Path/File access error"};

RunTimeError errorOf(int error) {
    switch (error) {
        case ENOENT:
            return kFileNotFound;
        case ENOSPC:
        case EDQUOT:
            return kDiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return kPermissionDenied;
        case EIO:
            return kDeviceIoError;
        default:
            return kPathFileAccessError;
    }
}

// The book as Windows would find it: "directory.ini" whatever the case of its name.
std::optional<fs::path> existingBook() {
    return core::findFileNoCase(core::programFolder() / INIFuncs::kDirectoryFileName);
}

fs::path bookPath() {
    return existingBook().value_or(core::programFolder() / INIFuncs::kDirectoryFileName);
}

bool containsNoCase(std::string_view line, std::string_view lowerKey) {
    return core::toLowerAscii(line).find(lowerKey) != std::string::npos;
}

std::string lineEnds(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

// The text before the last character (a whole UTF-8 sequence).
std::string_view withoutLastCharacter(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0) {
        --end;
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            break;
        }
    }
    return text.substr(0, end);
}

}  // namespace

std::optional<bool> directoryHoldsNumber(std::string_view number) {
    const std::optional<fs::path> book = existingBook();
    if (!book) {
        return false;
    }
    const std::optional<std::string> text = core::readTextFile(*book);
    if (!text) {
        return std::nullopt;
    }
    // An empty number would be found in every line.
    if (number.empty()) {
        return false;
    }
    const std::string key = core::toLowerAscii(number);
    for (const std::string& line : linesOf(*text)) {
        if (containsNoCase(line, key)) {
            return true;
        }
    }
    return false;
}

TelephoneDirectory::TelephoneDirectory(ShowInfo showInfo) : m_showInfo(std::move(showInfo)) {}

void TelephoneDirectory::changed() {
    if (m_window) {
        m_window->controlsChanged();
    }
}

void TelephoneDirectory::Load() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_loading = true;
    m_controls = DirectoryControls();
    loaddata();
    m_controls.txt_line = settings::read(settings::directory::dialline);
    m_loading = false;
    changed();
    say("Telephone directory", kSayNormal);
}

std::string TelephoneDirectory::listEntry(std::string_view line) {
    std::string entry;
    entry.reserve(line.size() + 8);
    for (char c : line) {
        if (c == '=') {
            entry += " | ";
        } else {
            entry += c;
        }
    }
    entry += " |";
    return entry;
}

void TelephoneDirectory::loaddata() {
    m_controls.callers.clear();
    m_controls.callersText.clear();
    if (const std::optional<fs::path> book = existingBook()) {
        if (const std::optional<std::string> text = core::readTextFile(*book)) {
            for (const std::string& line : linesOf(*text)) {
                if (line.find(kHeader) == std::string::npos) {
                    m_controls.callers.push_back(listEntry(line));
                }
            }
        }
        if (!m_controls.callers.empty()) {
            m_controls.callersText = m_controls.callers.front();
        }
    }
    changed();
}

TelephoneDirectory::Fields TelephoneDirectory::fieldsOfEntry(std::string_view entry) {
    Fields fields;
    if (textLength(entry) < 2) {
        return fields;
    }
    // Neither field reaches the entry's last character: the " |" every entry ends with.
    const std::string_view scanned = withoutLastCharacter(entry);
    const std::size_t bar = scanned.find('|');
    fields.number = trimBlanks(scanned.substr(0, bar));
    if (bar != std::string_view::npos) {
        const std::string_view rest = scanned.substr(bar + 1);
        fields.name = trimBlanks(rest.substr(0, rest.find('|')));
    }
    return fields;
}

void TelephoneDirectory::callers_Click(std::string_view entry) {
    const Fields fields = fieldsOfEntry(entry);
    m_controls.callersText = std::string(entry);
    m_controls.txt_phone = fields.number;
    m_controls.txt_name = fields.name;
    changed();
}

void TelephoneDirectory::setTxtPhone(std::string_view text) {
    m_controls.txt_phone = std::string(text);
    changed();
}

void TelephoneDirectory::setTxtName(std::string_view text) {
    m_controls.txt_name = std::string(text);
    changed();
}

void TelephoneDirectory::keyPressed() {
    if (!m_controls.Command2Bold) {
        m_controls.Command2Bold = true;
        changed();
    }
}

// A line the user chooses is remembered for the next time and said; other text stays in the field
// and dials nowhere.
void TelephoneDirectory::setTxtLine(std::string_view text) {
    m_controls.txt_line = std::string(text);
    changed();
    if (m_loading || text.size() != 1 || text[0] < '1' || text[0] > '4') {
        return;
    }
    settings::write(settings::key::dialline, text);
    say("Line " + std::string(text) + " selected.", kSayNormal);
}

void TelephoneDirectory::setCommand4Visible(bool shown) {
    m_controls.Command4Visible = shown;
    changed();
}

void TelephoneDirectory::setRedBox(bool shown, std::string_view text) {
    m_controls.Text1Visible = shown;
    m_controls.Text1 = std::string(text);
    changed();
}

// The error report of the run-time: logged, and shown in a message box.
void reportRunTimeError(const RunTimeError& error) {
    const std::string detail =
        std::to_string(error.number) + ", description is: " + std::string(error.description);
    log("There has been an error:");
    log("The error number is " + detail);
    ui::MsgBox("There has been an error: The error number is: " + detail);
}

void TelephoneDirectory::saveFailed(int error) {
    reportRunTimeError(errorOf(error));
    m_controls.Command2Bold = false;
    changed();
}

bool TelephoneDirectory::Command2_Click() {
    log("Adding new entry to telephone directory");
    if (textLength(m_controls.txt_phone) < 2) {
        log("Invalid phone number, quitting");
        say(kInvalidNumber, kSayUrgent);
        return false;
    }
    m_controls.txt_phone = records::oneLine(monitoring::without(m_controls.txt_phone, "- "));
    changed();
    // A number of "-" and blanks alone is no number: stored as an empty key, it would be
    // refused by every later duplicate test and never found again.
    if (m_controls.txt_phone.empty()) {
        log("Invalid phone number, quitting");
        say(kInvalidNumber, kSayUrgent);
        return false;
    }
    if (!existingBook()) {
        log("Tel Dir file doesnt exist so making it now");
        if (!core::appendLine(bookPath(), kHeader)) {
            saveFailed(errno);
            return false;
        }
        mod_clock::Pause(1);
    }
    if (!existingBook()) {
        log("File still doesn`t exist so skipping the checking routine");
    } else {
        const std::optional<bool> duplicate = directoryHoldsNumber(m_controls.txt_phone);
        if (!duplicate) {
            saveFailed(errno);
            return false;
        }
        if (*duplicate) {
            ui::MsgBox(kAlreadyThere, ui::vbInformation, "Already there!");
            return false;
        }
    }
    log("Adding entry now");
    if (!core::appendLine(bookPath(),
                          m_controls.txt_phone + "=" + records::oneLine(m_controls.txt_name))) {
        saveFailed(errno);
        return false;
    }
    m_controls.txt_phone.clear();
    m_controls.txt_name.clear();
    log("Reloading data file for telephone directory");
    loaddata();
    m_controls.Command2Bold = false;
    changed();
    say("Save complete!", kSayNormal);
    return true;
}

void TelephoneDirectory::Command1_Click() {
    std::error_code ignored;
    if (const auto leftover = records::programFolderFile(kTemporaryCopy)) {
        fs::remove(*leftover, ignored);
    }
    if (textLength(m_controls.txt_phone) < 2) {
        say(kInvalidNumber, kSayUrgent);
        return;
    }
    const std::string removed = m_controls.txt_phone + "=" + m_controls.txt_name;
    // A missing book holds nothing to delete. The book is replaced only when a line goes, and
    // then whole or not at all: a failed rewrite keeps every entry.
    if (const std::optional<fs::path> book = existingBook()) {
        if (const std::optional<std::string> text = core::readTextFile(*book)) {
            std::vector<std::string> kept;
            bool found = false;
            for (std::string& line : linesOf(*text)) {
                if (line == removed) {
                    found = true;
                } else {
                    kept.push_back(std::move(line));
                }
            }
            if (found && !core::rewriteFile(*book, lineEnds(kept))) {
                reportRunTimeError(kPathFileAccessError);
                loaddata();
                return;
            }
        }
    }
    m_controls.callers.clear();
    m_controls.txt_phone.clear();
    m_controls.txt_name.clear();
    loaddata();
    say("Deleted!", kSayNormal);
}

void TelephoneDirectory::Command4_Click() {
    if (m_dialling.Command4_Click) {
        m_dialling.Command4_Click(*this);
    }
}

void TelephoneDirectory::Text1_Click() {
    if (m_dialling.Text1_Click) {
        m_dialling.Text1_Click(*this);
    }
}

void TelephoneDirectory::mnu_export_Click() {
    ui::FileDialogOptions options;
    const char* home = std::getenv("HOME");
    options.fileName = ((home ? fs::path(home) : core::programFolder()) / kExportName).string();
    options.filter = kBookFilter;
    options.title = "Where do you want to export the file to?";
    const std::optional<std::string> chosen = ui::ShowSave(options);
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::optional<fs::path> book = existingBook();
    const std::optional<std::string> bytes = book ? core::readFile(*book) : std::nullopt;
    if (!bytes) {
        reportRunTimeError(kFileNotFound);
        return;
    }
    std::error_code ec;
    if (!fs::equivalent(*book, *chosen, ec) && !core::rewriteFile(*chosen, *bytes)) {
        reportRunTimeError(kPathFileAccessError);
        return;
    }
    ui::MsgBox("Your address book has been exported to " + *chosen, ui::vbInformation,
               "Sucessfull");
}

void TelephoneDirectory::mnu_import_Click() {
    ui::FileDialogOptions options;
    options.filter = kBookFilter;
    options.title = "Where do you want to import the file from?";
    const std::optional<std::string> chosen = ui::ShowOpen(options);
    if (!chosen || chosen->empty()) {
        return;
    }
    // The file counts as there when the bare name found for it is longer than 2 characters.
    const fs::path path(*chosen);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || textLength(path.filename().string()) <= 2) {
        ui::MsgBox("Error, your import file doesn`t exists", ui::vbCritical, "Error!");
        return;
    }
    // The book is replaced byte for byte through a temporary copy; the book itself chosen as the
    // file to import changes nothing.
    const fs::path book = bookPath();
    if (!fs::equivalent(path, book, ec)) {
        const std::optional<std::string> bytes = core::readFile(path);
        if (!bytes) {
            reportRunTimeError(errorOf(errno));
            return;
        }
        if (!core::rewriteFile(book, *bytes)) {
            reportRunTimeError(kPathFileAccessError);
            return;
        }
    }
    loaddata();
    ui::MsgBox("Your address book has been imported", ui::vbInformation, "Imported!");
}

void TelephoneDirectory::mnu_help_Click() {
    if (m_showInfo) {
        m_showInfo(std::string(kHelpText));
    }
}

void TelephoneDirectory::mnu_exit_Click() {
    if (QueryUnload()) {
        Unload();
    }
}

bool TelephoneDirectory::QueryUnload() {
    if (m_controls.Text1Visible) {
        ui::MsgBox(
            "You must click on the RED box to hang up the modem before you can close this window");
        return false;
    }
    return true;
}

void TelephoneDirectory::Unload() {
    if (!m_loaded) {
        return;
    }
    m_loaded = false;
    if (m_window) {
        m_window->unloaded();
    }
}

}  // namespace vevuzer
