// The address book window's logic on real files in a fresh program folder, in virtual time. Only
// the user's answers to dialogs are scripted; what the program says is read from its activity log.
#include "vevuzer/records/telephone_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/records/testing/killed_at_rename.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"

namespace {

namespace fs = std::filesystem;
using vevuzer::TelephoneDirectory;

constexpr std::string_view kAlreadyThere =
    "Sorry, the number you are adding is already in the database. Please remove it manually "
    "before adding it again!";

class AddressBook : public ::testing::Test {
  protected:
    fs::path book() const { return m_folder.home() / "directory.ini"; }
    void writeBook(std::string_view text) const { ASSERT_TRUE(core::rewriteFile(book(), text)); }
    std::string readBook() const { return core::readFile(book()).value_or("<missing>"); }
    std::string activityLog() const {
        return core::readFile(m_folder.home() / "log.txt").value_or("");
    }
    bool said(std::string_view text) const {
        return activityLog().find("Speech command, now saying " + std::string(text) + "\r\n") !=
               std::string::npos;
    }
    bool save(std::string_view number, std::string_view name) {
        m_directory.setTxtPhone(number);
        m_directory.setTxtName(name);
        m_directory.keyPressed();
        return m_directory.Command2_Click();
    }

    vevuzer::testing::FreshProgramFolder m_folder;
    core::VirtualTime m_time;
    ui::ScriptedDialogs m_dialogs;
    std::vector<std::string> m_info;
    TelephoneDirectory m_directory{[this](const std::string& text) { m_info.push_back(text); }};
};

TEST_F(AddressBook, LoadsTheListTheLineChoiceAndSaysItsName) {
    writeBook("[callers]\r\n01234=Ann Smith\r\n0777=\r\nno equals\r\n[callers]\r\n0161=A=B\r\n");
    settings::write(settings::key::dialline, "3");
    m_directory.Load();
    const std::vector<std::string> expected = {"01234 | Ann Smith |", "0777 |  |", "no equals |",
                                               "0161 | A | B |"};
    EXPECT_EQ(m_directory.controls().callers, expected);
    EXPECT_EQ(m_directory.controls().callersText, "01234 | Ann Smith |");
    EXPECT_EQ(m_directory.controls().txt_line, "3");
    EXPECT_TRUE(said("Telephone directory"));
}

TEST_F(AddressBook, AHeaderOnlyOrMissingBookListsNothing) {
    m_directory.Load();
    EXPECT_TRUE(m_directory.controls().callers.empty());
    EXPECT_EQ(m_directory.controls().txt_line, "1") << "the line's default";
    writeBook("[callers]\r\n");
    m_directory.loaddata();
    EXPECT_TRUE(m_directory.controls().callers.empty());
    EXPECT_EQ(m_directory.controls().callersText, "");
}

TEST_F(AddressBook, ASelectedEntryFillsTheFields) {
    struct Case {
        std::string_view entry;
        std::string_view number;
        std::string_view name;
    };
    static constexpr Case cases[] = {
        {"01234 | Ann Smith |", "01234", "Ann Smith"},
        {"no equals |", "no equals", ""},
        {"0161 | A | B |", "0161", "A"},
        {"0777 |  |", "0777", ""},
        {"x", "", ""},  // shorter than 2 characters: both fields emptied
        {"01234 | Zoë |", "01234", "Zoë"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.entry);
        m_directory.setTxtPhone("old");
        m_directory.setTxtName("old");
        m_directory.callers_Click(row.entry);
        EXPECT_EQ(m_directory.controls().txt_phone, row.number);
        EXPECT_EQ(m_directory.controls().txt_name, row.name);
    }
}

TEST_F(AddressBook, SaveCreatesTheBookCleansTheNumberAndAppends) {
    m_directory.Load();
    ASSERT_TRUE(save("01234 - 567", "Ann Smith"));
    EXPECT_EQ(readBook(), "[callers]\r\n01234567=Ann Smith\r\n");
    ASSERT_TRUE(save("0161 496 0000", ""));
    EXPECT_EQ(readBook(), "[callers]\r\n01234567=Ann Smith\r\n01614960000=\r\n");
    EXPECT_EQ(m_directory.controls().txt_phone, "");
    EXPECT_EQ(m_directory.controls().txt_name, "");
    EXPECT_FALSE(m_directory.controls().Command2Bold);
    const std::vector<std::string> listed = {"01234567 | Ann Smith |", "01614960000 |  |"};
    EXPECT_EQ(m_directory.controls().callers, listed);
    const std::string log = activityLog();
    EXPECT_NE(log.find("Adding new entry to telephone directory\r\nTel Dir file doesnt exist so "
                       "making it now\r\nAdding entry now\r\nReloading data file for telephone "
                       "directory\r\nSpeech command, now saying Save complete!\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(m_dialogs.shown().size(), 0u);
}

TEST_F(AddressBook, SaveRefusesShortNumbersAndNumbersAlreadyInTheBook) {
    writeBook("[callers]\r\n01234=Ann\r\n");
    m_directory.Load();
    for (std::string_view number : {"", "1", "- -"}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(save(number, "Nobody"));
    }
    EXPECT_TRUE(said("You didnt enter a valid phone number"));
    EXPECT_NE(activityLog().find("Invalid phone number, quitting"), std::string::npos);

    // Found anywhere in a line, letter case ignored: a part of a number, or a name.
    for (std::string_view number : {"1234", "01234", "ANN"}) {
        SCOPED_TRACE(number);
        m_dialogs.reset();
        EXPECT_FALSE(save(number, "Bob"));
        ASSERT_EQ(m_dialogs.shown().size(), 1u);
        EXPECT_EQ(m_dialogs.shown()[0].text, kAlreadyThere);
        EXPECT_EQ(m_dialogs.shown()[0].title, "Already there!");
        EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbInformation);
        EXPECT_TRUE(m_directory.controls().Command2Bold) << "the typing is still not saved";
        EXPECT_EQ(m_directory.controls().txt_name, "Bob");
    }
    EXPECT_EQ(readBook(), "[callers]\r\n01234=Ann\r\n");
}

TEST_F(AddressBook, SaveKeepsEachEntryOnItsOwnLine) {
    // Edited by hand: no line end after the last entry, LF line ends.
    writeBook("[callers]\n01234=Ann");
    m_directory.Load();
    ASSERT_TRUE(save("0777", "Two\r\nLines"));
    EXPECT_EQ(readBook(), "[callers]\n01234=Ann\r\n0777=Two  Lines\r\n");
    const std::vector<std::string> listed = {"01234 | Ann |", "0777 | Two  Lines |"};
    EXPECT_EQ(m_directory.controls().callers, listed);
}

TEST_F(AddressBook, ASaveThatCannotReadTheBookIsReportedAsAnError) {
    // A folder where the book should be: it cannot be read, whoever runs the program.
    fs::create_directories(book());
    m_directory.Load();
    EXPECT_FALSE(save("01234", "Ann"));
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "There has been an error: The error number is: 75, description is: Path/File "
              "access error");
    EXPECT_FALSE(m_directory.controls().Command2Bold);
    EXPECT_NE(activityLog().find("There has been an error:\r\nThe error number is 75, description "
                                 "is: Path/File access error\r\n"),
              std::string::npos);
}

TEST_F(AddressBook, DeleteRemovesTheExactEntryOnly) {
    writeBook("[callers]\r\n01234=Ann\r\n01234=Ann Smith\r\n0777=Bob\r\n01234=Ann\r\n");
    m_directory.Load();
    m_directory.callers_Click("01234 | Ann |");
    m_directory.Command1_Click();
    EXPECT_EQ(readBook(), "[callers]\r\n01234=Ann Smith\r\n0777=Bob\r\n");
    EXPECT_TRUE(said("Deleted!"));
    EXPECT_EQ(m_directory.controls().callers.size(), 2u);
    EXPECT_EQ(m_directory.controls().txt_phone, "");

    // An edited name matches no line: the book stays as it is, byte for byte.
    writeBook("[callers]\n0777=Bob\n");
    m_directory.callers_Click("0777 | Bob |");
    m_directory.setTxtName("Robert");
    m_directory.Command1_Click();
    EXPECT_EQ(readBook(), "[callers]\n0777=Bob\n");

    m_directory.setTxtPhone("7");
    m_directory.Command1_Click();
    EXPECT_TRUE(said("You didnt enter a valid phone number"));
}

TEST_F(AddressBook, DeleteWithoutABookChangesNothing) {
    m_directory.Load();
    m_directory.setTxtPhone("01234");
    m_directory.setTxtName("Ann");
    m_directory.Command1_Click();
    EXPECT_FALSE(fs::exists(book()));
    EXPECT_TRUE(said("Deleted!"));
}

TEST_F(AddressBook, ExportCopiesTheBookAndImportReplacesIt) {
    const std::string original = "[callers]\r\n01234=Ann\r\n";
    writeBook(original);
    m_directory.Load();
    const fs::path exported = m_folder.home() / "out" / "book.wca";
    fs::create_directories(exported.parent_path());
    m_dialogs.answerFileDialog(exported.string());
    m_directory.mnu_export_Click();
    EXPECT_EQ(core::readFile(exported), original);
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[0].kind, ui::DialogKind::SaveFile);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Where do you want to export the file to?");
    EXPECT_EQ(m_dialogs.shown()[0].fileOptions.filter, "Belltale address book *.wca|*.wca");
    EXPECT_EQ(fs::path(m_dialogs.shown()[0].fileOptions.fileName).filename(), "AddressBook.wca");
    EXPECT_EQ(m_dialogs.shown()[1].text,
              "Your address book has been exported to " + exported.string());
    EXPECT_EQ(m_dialogs.shown()[1].title, "Sucessfull");

    // Imported byte for byte, whatever the file holds.
    const fs::path imported = m_folder.home() / "other.wca";
    const std::string other = "0777=Bob\nno header\n";
    ASSERT_TRUE(core::rewriteFile(imported, other));
    m_dialogs.reset();
    m_dialogs.answerFileDialog(imported.string());
    m_directory.mnu_import_Click();
    EXPECT_EQ(readBook(), other);
    const std::vector<std::string> listed = {"0777 | Bob |", "no header |"};
    EXPECT_EQ(m_directory.controls().callers, listed);
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[0].kind, ui::DialogKind::OpenFile);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Where do you want to import the file from?");
    EXPECT_EQ(m_dialogs.shown()[1].text, "Your address book has been imported");
    EXPECT_EQ(m_dialogs.shown()[1].title, "Imported!");

    // The book imported onto itself stays whole.
    m_dialogs.reset();
    m_dialogs.answerFileDialog(book().string());
    m_directory.mnu_import_Click();
    EXPECT_EQ(readBook(), other);
}

TEST_F(AddressBook, ImportRefusesAMissingFileAndCancelDoesNothing) {
    writeBook("[callers]\r\n01234=Ann\r\n");
    m_directory.Load();
    for (const fs::path& chosen : {m_folder.home() / "missing.wca", m_folder.home() / "ab"}) {
        SCOPED_TRACE(chosen);
        core::rewriteFile(m_folder.home() / "ab", "0777=Bob\r\n");
        m_dialogs.reset();
        m_dialogs.answerFileDialog(chosen.string());
        m_directory.mnu_import_Click();
        ASSERT_EQ(m_dialogs.shown().size(), 2u);
        EXPECT_EQ(m_dialogs.shown()[1].text, "Error, your import file doesn`t exists");
        EXPECT_EQ(m_dialogs.shown()[1].title, "Error!");
        EXPECT_EQ(m_dialogs.shown()[1].flags, ui::vbCritical);
    }
    m_dialogs.reset();
    m_dialogs.cancelFileDialog();
    m_directory.mnu_import_Click();
    m_dialogs.cancelFileDialog();
    m_directory.mnu_export_Click();
    EXPECT_EQ(m_dialogs.shown().size(), 2u) << "only the two dialogs";
    EXPECT_EQ(readBook(), "[callers]\r\n01234=Ann\r\n");
}

TEST_F(AddressBook, ExportWithoutABookReportsIt) {
    m_directory.Load();
    const fs::path exported = m_folder.home() / "book.wca";
    m_dialogs.answerFileDialog(exported.string());
    m_directory.mnu_export_Click();
    EXPECT_FALSE(fs::exists(exported));
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[1].text,
              "There has been an error: The error number is: 53, description is: File not found");
}

TEST_F(AddressBook, ReadsBooksFromWindowsInEitherEncoding) {
    // "Zoë" in Windows-1252, then in UTF-8 with a byte-order mark.
    writeBook("[callers]\r\n01234=Zo\xEB\r\n");
    m_directory.Load();
    EXPECT_EQ(m_directory.controls().callers.at(0), "01234 | Zoë |");
    writeBook("\xEF\xBB\xBF[callers]\n01234=Zoë\n");
    m_directory.loaddata();
    ASSERT_EQ(m_directory.controls().callers.size(), 1u);
    EXPECT_EQ(m_directory.controls().callers.at(0), "01234 | Zoë |");

    // A deleted entry rewrites the rest as UTF-8.
    writeBook("[callers]\r\n01234=Zo\xEB\r\n0777=Bob\r\n");
    m_directory.callers_Click("0777 | Bob |");
    m_directory.Command1_Click();
    EXPECT_EQ(readBook(), "[callers]\r\n01234=Zoë\r\n");
}

TEST_F(AddressBook, HelpShowsItsTextAndExitCloses) {
    m_directory.Load();
    m_directory.mnu_help_Click();
    ASSERT_EQ(m_info.size(), 1u);
    EXPECT_EQ(m_info[0].rfind("This is a list of people that you have entered in to the "
                              "telephone directory (if any).",
                              0),
              0u);
    EXPECT_NE(m_info[0].find("You can alse edit, delete and save a contact"), std::string::npos);

    m_directory.setRedBox(true, "Please wait !");
    m_directory.mnu_exit_Click();
    EXPECT_TRUE(m_directory.loaded()) << "no closing while the red box is up";
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "You must click on the RED box to hang up the modem before you can close this "
              "window");
    m_directory.setRedBox(false);
    m_directory.mnu_exit_Click();
    EXPECT_FALSE(m_directory.loaded());
}

// A crash between writing the new book and putting it in place leaves the old book whole.
TEST_F(AddressBook, AKillBeforeTheRenameLeavesTheOldBookWhole) {
    std::string original = "[callers]\r\n";
    for (int i = 0; i < 2000; ++i) {
        original += "0163296" + std::to_string(1000 + i) + "=Caller " + std::to_string(i) + "\r\n";
    }
    writeBook(original);
    const fs::path imported = m_folder.home() / "import.wca";
    ASSERT_TRUE(core::rewriteFile(imported, "[callers]\r\n0777=Bob\r\n"));
    struct Case {
        const char* what;
        std::function<void(TelephoneDirectory&)> work;
    };
    const Case cases[] = {
        {"delete",
         [](TelephoneDirectory& directory) {
             directory.callers_Click("01632961000 | Caller 0 |");
             directory.Command1_Click();
         }},
        {"import",
         [&](TelephoneDirectory& directory) {
             m_dialogs.answerFileDialog(imported.string());
             directory.mnu_import_Click();
         }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        const vevuzer::testing::KillResult result =
            vevuzer::testing::killAtRename([&] { row.work(m_directory); });
        if (result == vevuzer::testing::KillResult::CannotTrace) {
            GTEST_SKIP() << "this system does not let a test trace its child";
        }
        EXPECT_EQ(result, vevuzer::testing::KillResult::KilledAtRename);
        EXPECT_EQ(readBook(), original);
    }
}

}  // namespace
