#include "vevuzer/records/incoming_calls_log.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/printer.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/records/records_files.h"
#include "vevuzer/records/telephone_directory.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/sound.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecording = ".wav";
constexpr int kPrintLeftTwips = 200;
constexpr double kPrintFontSize = 12;
// A listed line shorter than this ends the list after a removal.
constexpr std::size_t kShortestListedLine = 4;

bool holdsNoCase(std::string_view text, std::string_view lowerKey) {
    return core::toLowerAscii(text).find(lowerKey) != std::string::npos;
}

// The characters of `text`, each a whole UTF-8 sequence.
std::vector<std::string_view> charactersOf(std::string_view text) {
    std::vector<std::string_view> characters;
    std::size_t begin = 0;
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            characters.push_back(text.substr(begin, i - begin));
            begin = i;
        }
    }
    return characters;
}

std::optional<std::string> readLog() {
    const fs::path path = callLogPath();
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return std::nullopt;
    }
    return core::readTextFile(path);
}

// Deletes a call-back recording named by a log line. Only a numbered ".wav" in the program folder
// is ever deleted: the name comes from a line that a caller's number or name can shape.
void deleteRecording(std::string_view name) {
    if (!records::isNumberedRecording(name)) {
        return;
    }
    if (const auto file = records::programFolderFile(name)) {
        std::error_code ignored;
        fs::remove(*file, ignored);
    }
}

}  // namespace

CallLogFields callLogFields(std::string_view line) {
    CallLogFields fields;
    const std::size_t comma = line.find(',');
    fields.first = std::string(line.substr(0, comma));
    if (comma != std::string_view::npos) {
        const std::string_view rest = line.substr(comma + 1);
        fields.second = std::string(rest.substr(0, rest.find(',')));
    }
    return fields;
}

std::string recordingOf(std::string_view line) {
    const std::size_t at = core::toLowerAscii(line).find(kRecording);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t before = line.find_last_of(" ,", at);
    const std::size_t begin = before == std::string_view::npos ? 0 : before + 1;
    const std::size_t after = line.find_first_of(" ,", at);
    const std::size_t end = after == std::string_view::npos ? line.size() : after;
    return std::string(line.substr(begin, end - begin));
}

std::string spokenEntry(std::string_view entry) {
    const CallLogFields fields = callLogFields(entry);
    const std::string number = trimBlanks(fields.first);
    const std::string name = trimBlanks(fields.second);
    // A number is read digit by digit; anything else in it and the field is spelt as it stands.
    std::string digits;
    for (std::string_view c : charactersOf(number)) {
        digits.append(c).append(" ");
        if (c.size() != 1 || std::string_view("-0123456789").find(c[0]) == std::string_view::npos) {
            digits = number;
            break;
        }
    }
    std::string spaced;
    for (std::string_view c : charactersOf(digits)) {
        spaced.append(c).append(" ");
    }
    return core::toLowerAscii(spaced + ". " + name);
}

IncomingCallsLog::IncomingCallsLog(ShowDirectory showDirectory, ShowStatusBox showStatusBox)
    : m_showDirectory(std::move(showDirectory)), m_showStatusBox(std::move(showStatusBox)) {}

void IncomingCallsLog::changed() {
    if (m_window) {
        m_window->controlsChanged();
    }
}

void IncomingCallsLog::listLog(bool stopAtShortLine) {
    m_controls.com_calls.clear();
    m_controls.ListIndex = -1;
    if (std::optional<std::string> text = readLog()) {
        for (std::string& line : linesOf(*text)) {
            if (stopAtShortLine && textLength(line) < kShortestListedLine) {
                break;
            }
            m_controls.com_calls.push_back(std::move(line));
        }
        m_controls.ListIndex = static_cast<int>(m_controls.com_calls.size()) - 1;
    }
    changed();
}

void IncomingCallsLog::Load() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    listLog(false);
}

void IncomingCallsLog::setListIndex(int index) {
    m_controls.ListIndex =
        index >= 0 && index < static_cast<int>(m_controls.com_calls.size()) ? index : -1;
}

std::string IncomingCallsLog::selectedText() const {
    if (m_controls.ListIndex < 0) {
        return {};
    }
    return m_controls.com_calls.at(static_cast<std::size_t>(m_controls.ListIndex));
}

void IncomingCallsLog::com_calls_DblClick() {
    const std::string entry = selectedText();
    const std::string first = trimBlanks(callLogFields(entry).first);
    if (holdsNoCase(first, kRecording)) {
        if (const auto file = records::programFolderFile(first)) {
            playfile(file->string());
        }
        return;
    }
    say(spokenEntry(entry), kSayUrgent);
}

void IncomingCallsLog::Command1_Click() {
    Unload();
}

void IncomingCallsLog::Command2_Click() {
    if (ui::MsgBox("Are you sure you want to do this? You will not be able to get this "
                   "information back again if you choose yes!",
                   ui::vbYesNo, "Warning!") != ui::vbYes) {
        return;
    }
    const std::optional<std::string> text = readLog();
    if (!text) {
        ui::MsgBox("You don`t have any call data!", ui::vbCritical);
        return;
    }
    m_controls.com_calls.clear();
    m_controls.ListIndex = -1;
    changed();
    for (const std::string& line : linesOf(*text)) {
        deleteRecording(recordingOf(line));
    }
    std::error_code ignored;
    fs::remove(callLogPath(), ignored);
    m_showStatusBox();
    ui::MsgBox("Your data has been deleted!", ui::vbInformation);
    Unload();
}

void IncomingCallsLog::Command3_Click() {
    const std::string selected = selectedText();
    if (textLength(selected) < kShortestListedLine) {
        say("Sorry, you didnt select a call", kSayNormal);
        return;
    }
    const std::string key = callLogFields(selected).first;
    // The line of a withheld call has no number: an empty key is held by every line and would
    // remove the whole log.
    if (trimBlanks(key).empty()) {
        return;
    }
    const std::optional<std::string> text = readLog();
    if (!text) {
        return;
    }
    const std::string lowerKey = core::toLowerAscii(key);
    const bool recording = lowerKey.find(kRecording) != std::string::npos;
    std::string kept;
    kept.reserve(text->size());
    for (const std::string& line : linesOf(*text)) {
        if (holdsNoCase(line, lowerKey)) {
            if (recording) {
                deleteRecording(key);
            }
        } else {
            kept.append(line).append("\r\n");
        }
    }
    // The log is replaced whole or not at all: a failed rewrite keeps every call.
    const bool replaced = core::rewriteFile(callLogPath(), kept);
    listLog(true);
    if (replaced) {
        say("Caller deleted", kSayNormal);
    }
}

void IncomingCallsLog::Command4_Click() {
    const std::string selected = selectedText();
    if (selected.empty()) {
        return;
    }
    const CallLogFields fields = callLogFields(selected);
    std::string number;
    for (char c : fields.first) {
        if (c != ' ') {
            number += c;
        }
    }
    std::string name = trimBlanks(fields.second);
    if (holdsNoCase(number, kRecording)) {
        ui::MsgBox(
            "Sorry, this is a recording. Only caller ID data can be sent over to the telephone "
            "directory",
            ui::vbInformation, "Sorry!");
        return;
    }
    if (directoryHoldsNumber(number).value_or(false)) {
        ui::MsgBox(
            "Sorry, the number you are adding is already in the database. Please remove it "
            "manually before adding it again!",
            ui::vbInformation, "Already there!");
        m_showDirectory();
        return;
    }
    // Cancel in either box ends the add.
    while (textLength(name) < 2 || textLength(number) < 2) {
        if (textLength(name) < 2) {
            const std::optional<std::string> answer =
                ui::InputBox("Please enter a name that you wish to associate with " + number + ".",
                             "Name needed");
            if (!answer) {
                return;
            }
            name = *answer;
        }
        if (textLength(number) < 2) {
            const std::optional<std::string> answer = ui::InputBox(
                "Please enter a telephone number to associate with " + name + ".", "Number needed");
            if (!answer) {
                return;
            }
            number = *answer;
        }
    }
    TelephoneDirectory& directory = m_showDirectory();
    directory.setTxtPhone(number);
    directory.setTxtName(name);
    // The address book's Save refuses, or fails, with its own words; only a stored entry is
    // reported as added.
    if (!directory.Command2_Click()) {
        return;
    }
    ui::MsgBox("Your new contact has been successfully added to the telephone directory.",
               ui::vbInformation, "Complete");
}

void IncomingCallsLog::Command5_Click() {
    if (m_controls.com_calls.empty()) {
        ui::MsgBox("Error, the incoming calls log is empty, can't print an empty list!",
                   ui::vbInformation, "Error!");
        return;
    }
    ui::Printer& printer = ui::printer();
    printer.EndDoc();
    printer.setFontSize(kPrintFontSize);
    printer.setCurrentX(kPrintLeftTwips);
    printer.Print("Belltale incoming calls log, printed on " + generalDateText());
    printer.setCurrentX(kPrintLeftTwips);
    printer.Print(" ");
    for (const std::string& item : m_controls.com_calls) {
        printer.setCurrentX(kPrintLeftTwips);
        printer.Print(item);
    }
    printer.EndDoc();
}

void IncomingCallsLog::Unload() {
    if (!m_loaded) {
        return;
    }
    m_loaded = false;
    if (m_window) {
        m_window->unloaded();
    }
}

}  // namespace vevuzer
