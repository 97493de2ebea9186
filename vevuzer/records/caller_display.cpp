#include "vevuzer/records/caller_display.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/shell/shellapi.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/records/INIFuncs.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/control_ids.h"

namespace vevuzer {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string without(std::string_view text, char unwanted) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (c != unwanted) {
            kept += c;
        }
    }
    return kept;
}

// Characters as the user counts them, not bytes: a UTF-8 sequence counts once.
std::size_t textLength(std::string_view text) {
    std::size_t length = 0;
    for (unsigned char c : text) {
        length += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return length;
}

// Leading and trailing blanks removed (tabs and other white space stay, as VB's Trim keeps them).
std::string trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool isKeyCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '+' ||
           c == '-' || c == '_';
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > begin && text[end - 1] == '\r') {
            --end;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = next;
    }
    return lines;
}

std::optional<std::string> readText(const com::Dispatch& line, DISPID member) {
    const com::Outcome outcome = line.get(member);
    return outcome.succeeded() ? outcome.value.toString() : std::nullopt;
}

}  // namespace

CallerDisplay::CallerDisplay(LineControls lines, OpenAddressBook addressBook)
    : m_lines(std::move(lines)), m_addressBook(std::move(addressBook)) {
    m_Timer1.setOnTimer([this] { Unload(); });
    m_Timer1.setEnabled(false);
}

CallerDisplay::~CallerDisplay() = default;

void CallerDisplay::Load() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_controls = CallerDisplayControls{};
    m_controls.heightTwips = kPopupImageHeightTwips;
    m_notesopen = false;
    m_Timer1.setEnabled(true);
    m_Timer1.setInterval(kCloseAfterFillMs);
    changed();
}

void CallerDisplay::display(std::string_view Text, int aline) {
    Load();
    readCallerFromLine(aline);
    const std::string found = lookUpPopupNumber();
    offerAddWhen(!m_controls.txt_display.empty(), found);
    setTxtDisplay(Text);
    restartAutoClose(kCloseAfterFillMs);
    hideNotesButtonWithoutNumber();
    changed();
}

void CallerDisplay::displayother(std::string_view baname, std::string_view bnumber,
                                 std::string_view announce) {
    Load();
    m_popupname = baname;
    m_popupnumber = bnumber;
    offerAddWhen(!m_controls.txt_display.empty(), announce);
    restartAutoClose(kCloseAfterFillMs);
    hideNotesButtonWithoutNumber();
    changed();
}

// The line is named by its number and compared as its digit text, "1" to "4"; any other line
// keeps the caller of the call before.
void CallerDisplay::readCallerFromLine(int aline) {
    if (aline < 1 || aline > 4 || !m_lines) {
        return;
    }
    const com::Dispatch line = m_lines(aline);
    if (auto number = readText(line, controls::line::CallCallerIDNumber)) {
        m_popupnumber = std::move(*number);
    }
    if (auto name = readText(line, controls::line::CallCallerIDName)) {
        m_popupname = std::move(*name);
    }
}

// A name of two characters or fewer is taken as not found, and the number is tried again
// without its blanks and dashes.
std::string CallerDisplay::lookUpPopupNumber() const {
    const std::string cleaned = without(without(m_popupnumber, ' '), '-');
    const std::vector<std::string> found =
        INIFuncs::ReadIniValues(INIFuncs::directoryIniPath(), {m_popupnumber, cleaned});
    return textLength(found[0]) <= 2 ? found[1] : found[0];
}

// ADD is offered for a caller the address book does not know, once the pop-up already showed
// something, unless the caller is only a ring notice or withheld. It is never taken back here.
void CallerDisplay::offerAddWhen(bool previousLabelShown, std::string_view found) {
    const std::string name = core::toLowerAscii(m_popupname);
    if (previousLabelShown && name != "incoming call" && name != "withheld" &&
        textLength(found) < 2) {
        m_controls.Picture1Visible = true;
    }
}

void CallerDisplay::restartAutoClose(DWORD milliseconds) {
    m_Timer1.setEnabled(false);
    m_Timer1.setInterval(milliseconds);
    m_Timer1.setEnabled(true);
}

void CallerDisplay::hideNotesButtonWithoutNumber() {
    if (m_controls.txt_display.empty()) {
        m_controls.Picture2Visible = false;
    }
}

void CallerDisplay::setTxtDisplay(std::string_view text) {
    Load();
    if (m_controls.txt_display == text) {
        return;
    }
    m_controls.txt_display = text;
    changed();
    notesProcedure();
}

void CallerDisplay::setTxtName(std::string_view text) {
    Load();
    m_controls.txt_name = text;
    changed();
}

void CallerDisplay::setTxtNotepad(std::string_view text) {
    Load();
    if (m_controls.txt_notepad == text) {
        return;
    }
    m_controls.txt_notepad = text;
    restartAutoClose(kCloseAfterNotesMs);
    changed();
}

void CallerDisplay::Picture1_Click() {
    Load();
    log("User has clicked on the ADD button in the main number and name display");
    const std::optional<WindowError> error =
        m_addressBook ? m_addressBook(trimBlanks(m_popupname), trimBlanks(m_popupnumber))
                      : std::nullopt;
    if (error) {
        const std::string number = std::to_string(error->number);
        log("There has been an error:");
        log("The error number is " + number + ", description is: " + error->description);
        ui::MsgBox("There has been an error: The error number is: " + number +
                   ", description is: " + error->description);
        return;
    }
    Unload();
}

void CallerDisplay::Picture2_Click() {
    Load();
    notesProcedure();
}

void CallerDisplay::Picture3_Click() {
    Load();
    // The key is taken before asking: the pop-up may close while the question waits, and the
    // notes then deleted must still be this caller's.
    const std::string key = notesKeyOf(m_controls.txt_display);
    const int answer = ui::MsgBox(
        "Are you sure you want to delete the log file associated with this caller? You won't be "
        "able to get it back!",
        ui::vbYesNo + ui::vbQuestion, "Are you sure?");
    if (answer != ui::vbYes) {
        return;
    }
    std::error_code ignored;
    std::filesystem::remove(notesFile(key), ignored);
    m_notesopen = false;
    Unload();
}

void CallerDisplay::Picture4_Click() {
    Unload();
}

void CallerDisplay::Unload() {
    if (!m_loaded) {
        return;
    }
    if (m_notesopen) {
        writeNotes(notesKeyOf(m_controls.txt_display));
    }
    m_Timer1.setEnabled(false);
    m_Timer1.setInterval(0);
    m_notesopen = false;
    m_noteskey.clear();
    m_loaded = false;
    if (m_window) {
        m_window->unloaded();
    }
}

// Saves and closes the notes that are open, then opens the notes of the number now shown; a
// caller without notes gets a new notes text with today's stamp.
void CallerDisplay::notesProcedure() {
    if (m_notesopen) {
        saveAndCloseNotes();
    }
    m_noteskey = notesKeyOf(m_controls.txt_display);
    openNotes(m_noteskey);
}

void CallerDisplay::saveAndCloseNotes() {
    const std::string key = notesKeyOf(m_noteskey);
    writeNotes(key);
    shell::openInTextEditor(notesFile(key).string());
    setTxtNotepad("");
    m_notesopen = false;
    m_controls.Picture3Visible = false;
    m_controls.heightTwips = kPopupImageHeightTwips;
    changed();
}

void CallerDisplay::openNotes(const std::string& key) {
    const std::string now = generalDateText(core::now());
    if (const auto saved = core::readFile(notesFile(key))) {
        m_notesopen = true;
        std::string notes;
        for (const std::string& line : linesOf(*saved)) {
            notes += line;
            notes += kCrLf;
        }
        notes += std::string(kCrLf) + "---" + now + "---" + std::string(kCrLf);
        setTxtNotepad(notes);
    } else {
        setTxtNotepad("--Notepad started " + now + "--" + std::string(kCrLf));
    }
    m_controls.heightTwips = kPopupNotesOpenHeightTwips;
    m_controls.Picture3Visible = true;
    m_notesopen = true;
    changed();
    if (m_window) {
        m_window->notesOpened();
    }
}

// Every save replaces the whole file through a temporary copy, so notes are never half written.
void CallerDisplay::writeNotes(const std::string& key) const {
    const std::filesystem::path file = notesFile(key);
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    core::rewriteFile(file, m_controls.txt_notepad + std::string(kCrLf));
}

std::string CallerDisplay::notesKeyOf(std::string_view label) {
    std::string key;
    for (char c : without(without(label, '-'), ' ')) {
        if (isKeyCharacter(c)) {
            key += c;
        }
    }
    return key;
}

std::filesystem::path CallerDisplay::notesFile(std::string_view key) {
    return core::programFolder() / "notes" / (std::string(key) + ".txt");
}

void CallerDisplay::changed() {
    if (m_window) {
        m_window->controlsChanged();
    }
}

}  // namespace vevuzer
