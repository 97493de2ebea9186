// The incoming-call log window's logic on real files in a fresh program folder, in virtual time:
// the log's line shapes as its readers take them apart, and each of the window's operations. The
// user's answers are scripted; what the program says is read from its activity log, what it plays
// from a wave device that writes to a file, and what it prints from a PDF.
#include "vevuzer/records/incoming_calls_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/printer.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"
#include "vevuzer/records/telephone_directory.h"
#include "vevuzer/records/testing/killed_at_rename.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"

namespace {

namespace fs = std::filesystem;
using vevuzer::IncomingCallsLog;

// One line of each shape the program writes, and lines only a hand-edited log holds.
struct Shape {
    const char* what;
    std::string_view line;
    std::string_view first;
    std::string_view second;
    std::string_view recording;
    std::string_view spoken;  // what listening says; empty when it plays a recording
};
constexpr Shape kShapes[] = {
    {"caller", "01632960123, Ann Smith, 10/12/2026 17:01:02", "01632960123", " Ann Smith", "",
     "0   1   6   3   2   9   6   0   1   2   3   . ann smith"},
    {"number with a blank", "01234 567890, Bob, 10/12/2026 17:01:02", "01234 567890", " Bob", "",
     "0 1 2 3 4   5 6 7 8 9 0 . bob"},
    {"withheld", ", Withheld, 10/12/2026 17:01:02", "", " Withheld", "", ". withheld"},
    {"serial without number", "No Number, Unavailable, 10/12/2026 17:01:02", "No Number",
     " Unavailable", "", "n o   n u m b e r . unavailable"},
    {"serial without caller ID",
     "Unknow caller on comm 1, Caller ID not available, 10/12/2026; 17:01:02",
     "Unknow caller on comm 1", " Caller ID not available", "",
     "u n k n o w   c a l l e r   o n   c o m m   1 . caller id not available"},
    {"line without caller ID",
     "Unknow caller on line 2, Caller ID not recorded, 10/12/2026; 17:01:02",
     "Unknow caller on line 2", " Caller ID not recorded", "",
     "u n k n o w   c a l l e r   o n   l i n e   2 . caller id not recorded"},
    {"failed recording", "Failed Caller I D record, on line 1, , 10/12/2026 17:01:02",
     "Failed Caller I D record", " on line 1", "",
     "f a i l e d   c a l l e r   i   d   r e c o r d . on line 1"},
    {"recording", "3.wav, Caller ID recording on line 1, , 10/12/2026 17:01:02", "3.wav",
     " Caller ID recording on line 1", "3.wav", ""},
    {"recording in capitals", "12.WAV, Caller ID recording on line 4, , 10/12/2026 17:01:02",
     "12.WAV", " Caller ID recording on line 4", "12.WAV", ""},
    {"name with a comma", "0777, Smith, Ann, 10/12/2026 17:01:02", "0777", " Smith", "",
     "0   7   7   7   . smith"},
    {"no commas", "0777", "0777", "", "", "0   7   7   7   . "},
    {"empty", "", "", "", "", ". "},
    {"caller's name naming a file", "0777, ../ring.wav, 10/12/2026 17:01:02", "0777",
     " ../ring.wav", "../ring.wav", "0   7   7   7   . ../ring.wav"},
};

TEST(CallLogLine, EachShapeGivesItsFieldsRecordingAndSpokenText) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        const vevuzer::CallLogFields fields = vevuzer::callLogFields(shape.line);
        EXPECT_EQ(fields.first, shape.first);
        EXPECT_EQ(fields.second, shape.second);
        EXPECT_EQ(vevuzer::recordingOf(shape.line), shape.recording);
        if (!shape.spoken.empty()) {
            EXPECT_EQ(vevuzer::spokenEntry(shape.line), shape.spoken);
        }
    }
}

class CallLogWindow : public ::testing::Test {
  protected:
    void TearDown() override {
        sndPlaySoundA(nullptr, 0);
        m_time.runUntilIdle();
        winmm::configureStandardWaveDevices("null");
    }

    fs::path home() const { return m_folder.home(); }
    fs::path inclog() const { return home() / "inclog.txt"; }
    void writeLog(std::string_view text) const { ASSERT_TRUE(core::rewriteFile(inclog(), text)); }
    std::string readLog() const { return core::readFile(inclog()).value_or("<missing>"); }
    void writeFile(std::string_view name, std::string_view text = "RIFF") const {
        ASSERT_TRUE(core::rewriteFile(home() / name, text));
    }
    std::string activityLog() const { return core::readFile(home() / "log.txt").value_or(""); }
    bool said(std::string_view text) const {
        return activityLog().find("Speech command, now saying " + std::string(text) + "\r\n") !=
               std::string::npos;
    }
    void select(std::string_view line) {
        const auto& calls = m_log.controls().com_calls;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == line) {
                m_log.setListIndex(static_cast<int>(i));
                return;
            }
        }
        ADD_FAILURE() << "not listed: " << line;
    }

    vevuzer::testing::FreshProgramFolder m_folder;
    core::VirtualTime m_time;
    ui::ScriptedDialogs m_dialogs;
    vevuzer::TelephoneDirectory m_directory;
    int m_directoryShown = 0;
    int m_statusBoxShown = 0;
    IncomingCallsLog m_log{[this]() -> vevuzer::TelephoneDirectory& {
                               ++m_directoryShown;
                               m_directory.Load();
                               return m_directory;
                           },
                           [this] { ++m_statusBoxShown; }};
};

TEST_F(CallLogWindow, ListsEveryLineAndSelectsTheNewest) {
    writeLog("0777, Ann, 1\r\n0888, Bob, 2\nab\r\n0999, Cy, 3\r\n");
    m_log.Load();
    const std::vector<std::string> expected = {"0777, Ann, 1", "0888, Bob, 2", "ab", "0999, Cy, 3"};
    EXPECT_EQ(m_log.controls().com_calls, expected);
    EXPECT_EQ(m_log.controls().ListIndex, 3);
    EXPECT_EQ(m_log.selectedText(), "0999, Cy, 3");
}

TEST_F(CallLogWindow, ReadsLogsFromWindowsInEitherEncoding) {
    writeLog("0777, Zo\xEB, 10/12/2026 17:01:02\r\n");
    m_log.Load();
    EXPECT_EQ(m_log.controls().com_calls.at(0), "0777, Zoë, 10/12/2026 17:01:02");
    m_log.Unload();
    writeLog(
        "\xEF\xBB\xBF"
        "0777, Zoë, 10/12/2026 17:01:02\n");
    m_log.Load();
    EXPECT_EQ(m_log.controls().com_calls.at(0), "0777, Zoë, 10/12/2026 17:01:02");
}

TEST_F(CallLogWindow, AMissingLogListsNothing) {
    m_log.Load();
    EXPECT_TRUE(m_log.controls().com_calls.empty());
    EXPECT_EQ(m_log.controls().ListIndex, -1);
}

TEST_F(CallLogWindow, ListeningReadsACallerOutAndPlaysARecording) {
    writeLog(
        "01234 567890, Ann Smith, 10/12/2026 17:01:02\r\n3.wav, Caller ID recording on line "
        "1, , 10/12/2026 17:01:02\r\n");
    m_log.Load();
    select("01234 567890, Ann Smith, 10/12/2026 17:01:02");
    m_log.com_calls_DblClick();
    EXPECT_TRUE(said("0 1 2 3 4   5 6 7 8 9 0 . ann smith"));

    // A half-second recording, played to a device that writes what it plays to a file.
    const fs::path played = home() / "played.raw";
    winmm::configureStandardWaveDevices("file-out=" + played.string());
    std::string wave = "RIFF";
    const auto le = [&wave](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wave += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    le(36 + 8000, 4);
    wave += "WAVEfmt ";
    le(16, 4), le(1, 2), le(1, 2), le(8000, 4), le(16000, 4), le(2, 2), le(16, 2);
    wave += "data";
    le(8000, 4);
    wave += std::string(8000, '\x11');
    writeFile("3.wav", wave);
    const std::string before = activityLog();
    select("3.wav, Caller ID recording on line 1, , 10/12/2026 17:01:02");
    m_log.com_calls_DblClick();
    m_time.advance(std::chrono::seconds(1));
    EXPECT_GE(fs::file_size(played), 8000u);
    EXPECT_EQ(activityLog(), before) << "nothing is spoken for a recording";
}

TEST_F(CallLogWindow, ClearingDeletesTheLogAndItsRecordingsOnly) {
    writeLog(
        "1.wav, Caller ID recording on line 1, , d t\r\n"
        "0777, Ann, d t\r\n"
        "2.WAV, Caller ID recording on line 2, , d t\r\n"
        "0888, ring.wav, d t\r\n"
        "0999, ../x/5.wav, d t\r\n");
    for (const char* name : {"1.wav", "2.WAV", "ring.wav", "5.wav"}) {
        writeFile(name);
    }
    m_log.Load();
    m_dialogs.answerMsgBox(ui::vbNo);
    m_log.Command2_Click();
    EXPECT_TRUE(fs::exists(inclog()));

    m_dialogs.reset();
    m_dialogs.answerMsgBox(ui::vbYes);
    m_log.Command2_Click();
    EXPECT_FALSE(fs::exists(inclog()));
    EXPECT_FALSE(fs::exists(home() / "1.wav"));
    EXPECT_FALSE(fs::exists(home() / "2.WAV"));
    EXPECT_TRUE(fs::exists(home() / "ring.wav")) << "a caller's name never deletes a file";
    EXPECT_TRUE(fs::exists(home() / "5.wav")) << "nor a path from a caller's name";
    EXPECT_EQ(m_statusBoxShown, 1);
    EXPECT_FALSE(m_log.loaded());
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Are you sure you want to do this? You will not be able to get this information "
              "back again if you choose yes!");
    EXPECT_EQ(m_dialogs.shown()[0].title, "Warning!");
    EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbYesNo);
    EXPECT_EQ(m_dialogs.shown()[1].text, "Your data has been deleted!");
    EXPECT_EQ(m_dialogs.shown()[1].flags, ui::vbInformation);

    m_log.Load();
    m_dialogs.reset();
    m_dialogs.answerMsgBox(ui::vbYes);
    m_log.Command2_Click();
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[1].text, "You don`t have any call data!");
    EXPECT_EQ(m_dialogs.shown()[1].flags, ui::vbCritical);
}

TEST_F(CallLogWindow, RemovingACallerDropsEveryLineHoldingItsKey) {
    struct Case {
        const char* what;
        std::string_view log;
        std::string_view selected;
        std::string_view left;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"a longer number",
         "01234, A, 1\r\n0123, B, 2\r\n01234, C, 3\r\n",
         "01234, A, 1",
         "0123, B, 2\r\n",
         {"0123, B, 2"}},
        {"a part of other numbers",
         "01234, A, 1\r\n0123, B, 2\r\n01234, C, 3\r\n",
         "0123, B, 2",
         "",
         {}},
        {"letter case ignored",
         "Unknow caller on line 1, x, 1\r\n0777, UNKNOW CALLER ON LINE 1, 2\r\n"
         "0888, y, 3\r\n",
         "Unknow caller on line 1, x, 1",
         "0888, y, 3\r\n",
         {"0888, y, 3"}},
        {"a short line hides the rest",
         "0777, A, 1\r\n0888, B, 2\r\nab\r\n0999, C, 3\r\n",
         "0777, A, 1",
         "0888, B, 2\r\nab\r\n0999, C, 3\r\n",
         {"0888, B, 2"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        writeLog(row.log);
        m_log.Unload();
        m_log.Load();
        select(row.selected);
        m_log.Command3_Click();
        EXPECT_EQ(readLog(), row.left);
        EXPECT_EQ(m_log.controls().com_calls, row.listed);
        EXPECT_EQ(m_log.controls().ListIndex, static_cast<int>(row.listed.size()) - 1);
    }
    EXPECT_TRUE(said("Caller deleted"));
}

TEST_F(CallLogWindow, RemovingARecordingDeletesItsFile) {
    writeLog(
        "3.wav, Caller ID recording on line 1, , d t\r\n13.wav, Caller ID recording on line 2, "
        ", d t\r\n0777, Ann, d t\r\n");
    writeFile("3.wav");
    writeFile("13.wav");
    m_log.Load();
    select("3.wav, Caller ID recording on line 1, , d t");
    m_log.Command3_Click();
    EXPECT_EQ(readLog(), "0777, Ann, d t\r\n");
    EXPECT_FALSE(fs::exists(home() / "3.wav"));
    EXPECT_TRUE(fs::exists(home() / "13.wav")) << "its line went with the key; the file stays";
}

TEST_F(CallLogWindow, RemovingAWithheldCallerOrNothingRemovesNothing) {
    const std::string log = ", Withheld, d t\r\n0777, Ann, d t\r\n   , x, d t\r\n";
    writeLog(log);
    m_log.Load();
    for (const char* line : {", Withheld, d t", "   , x, d t"}) {
        SCOPED_TRACE(line);
        select(line);
        m_log.Command3_Click();
        EXPECT_EQ(readLog(), log);
    }
    m_log.setListIndex(-1);
    m_log.Command3_Click();
    EXPECT_TRUE(said("Sorry, you didnt select a call"));
    EXPECT_EQ(readLog(), log);
}

TEST_F(CallLogWindow, AKillBeforeTheRenameLeavesTheOldLogWhole) {
    std::string log;
    for (int i = 0; i < 1000; ++i) {
        log += "0163296" + std::to_string(1000 + i) + ", Caller " + std::to_string(i) + ", d t\r\n";
    }
    writeLog(log);
    m_log.Load();
    select("01632961000, Caller 0, d t");
    const auto result = vevuzer::testing::killAtRename([this] { m_log.Command3_Click(); });
    if (result == vevuzer::testing::KillResult::CannotTrace) {
        GTEST_SKIP() << "this system does not let a test trace its child";
    }
    EXPECT_EQ(result, vevuzer::testing::KillResult::KilledAtRename);
    EXPECT_EQ(readLog(), log);
}

TEST_F(CallLogWindow, AddingACallerFillsAndSavesTheAddressBook) {
    writeLog(
        "01234 567890,  Ann Smith , d t\r\n3.wav, Caller ID recording on line 1, , d t\r\n"
        ", Withheld, d t\r\n0777, , d t\r\n");
    ASSERT_TRUE(core::rewriteFile(home() / "directory.ini", "[callers]\r\n0999=Cy\r\n"));
    m_log.Load();
    select("01234 567890,  Ann Smith , d t");
    m_log.Command4_Click();
    EXPECT_EQ(core::readFile(home() / "directory.ini"),
              "[callers]\r\n0999=Cy\r\n01234567890=Ann Smith\r\n");
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Your new contact has been successfully added to the telephone directory.");
    EXPECT_EQ(m_dialogs.shown()[0].title, "Complete");

    // Already there: said so, and the address book shown.
    m_dialogs.reset();
    const int shown = m_directoryShown;
    m_log.Command4_Click();
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Already there!");
    EXPECT_EQ(m_directoryShown, shown + 1);

    m_dialogs.reset();
    select("3.wav, Caller ID recording on line 1, , d t");
    m_log.Command4_Click();
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Sorry, this is a recording. Only caller ID data can be sent over to the telephone "
              "directory");
    EXPECT_EQ(m_dialogs.shown()[0].title, "Sorry!");
}

TEST_F(CallLogWindow, AddingAskesForAMissingNameOrNumberUntilGivenOrCancelled) {
    writeLog(", Withheld, d t\r\n0777, , d t\r\n");
    ASSERT_TRUE(core::rewriteFile(home() / "directory.ini", "[callers]\r\n0999=Cy\r\n"));
    m_log.Load();
    select("0777, , d t");
    m_dialogs.answerInputBox("A");
    m_dialogs.answerInputBox("Al");
    m_log.Command4_Click();
    ASSERT_GE(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Name needed");
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Please enter a name that you wish to associate with 0777.");
    EXPECT_EQ(m_dialogs.shown()[1].title, "Name needed");
    EXPECT_EQ(core::readFile(home() / "directory.ini"), "[callers]\r\n0999=Cy\r\n0777=Al\r\n");

    // A withheld caller has no number to test; the user is asked for one.
    m_dialogs.reset();
    select(", Withheld, d t");
    m_dialogs.answerInputBox("0123");
    m_log.Command4_Click();
    ASSERT_GE(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Number needed");
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Please enter a telephone number to associate with Withheld.");
    EXPECT_EQ(core::readFile(home() / "directory.ini"),
              "[callers]\r\n0999=Cy\r\n0777=Al\r\n0123=Withheld\r\n");

    // Cancel ends the add.
    m_dialogs.reset();
    m_dialogs.cancelInputBox();
    m_log.Command4_Click();
    EXPECT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(core::readFile(home() / "directory.ini"),
              "[callers]\r\n0999=Cy\r\n0777=Al\r\n0123=Withheld\r\n");
}

TEST_F(CallLogWindow, AnAddTheAddressBookRefusesIsNotReportedAsDone) {
    writeLog(", Withheld, d t\r\n");
    ASSERT_TRUE(core::rewriteFile(home() / "directory.ini", "[callers]\r\n0999=Cy\r\n"));
    m_log.Load();
    m_dialogs.answerInputBox("0999");  // a number the book already holds
    m_log.Command4_Click();
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[1].title, "Already there!");
    EXPECT_EQ(core::readFile(home() / "directory.ini"), "[callers]\r\n0999=Cy\r\n");
}

std::string pdfText(const fs::path& pdf) {
    const std::string command = "pdftotext -layout '" + pdf.string() + "' -";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    std::string text;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

TEST_F(CallLogWindow, PrintsEveryCallUnderAHeading) {
    if (!fs::exists("/usr/bin/pdftotext")) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const fs::path pdf = home() / "printed.pdf";
    ui::setPrinterOutputFile(pdf.string());
    std::string log;
    for (int i = 0; i < 120; ++i) {
        log += "0163296" + std::to_string(1000 + i) + ", Caller " + std::to_string(i) +
               ", 10/12/2026 17:01:02\r\n";
    }
    writeLog(log + "3.wav, Caller ID recording on line 1, , 10/12/2026 17:02:00\r\n");
    m_log.Load();
    m_log.Command5_Click();
    ui::setPrinterOutputFile({});
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find("Belltale incoming calls log, printed on "), std::string::npos) << text;
    for (const char* line : {"01632961000, Caller 0, 10/12/2026 17:01:02",
                             "01632961119, Caller 119, 10/12/2026 17:01:02",
                             "3.wav, Caller ID recording on line 1, , 10/12/2026 17:02:00"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_NE(text.find('\f'), std::string::npos) << "120 calls fill more than one page";
}

TEST_F(CallLogWindow, PrintingAnEmptyListSaysSoAndPrintsNothing) {
    const fs::path pdf = home() / "printed.pdf";
    ui::setPrinterOutputFile(pdf.string());
    m_log.Load();
    m_log.Command5_Click();
    ui::setPrinterOutputFile({});
    EXPECT_FALSE(fs::exists(pdf));
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Error, the incoming calls log is empty, can't print an empty list!");
    EXPECT_EQ(m_dialogs.shown()[0].title, "Error!");
}

}  // namespace
