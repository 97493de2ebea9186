// The address book look-up over real files in a fresh program folder.
#include "vevuzer/records/INIFuncs.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/folders.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"

namespace {

using INIFuncs::ReadIniValue;

class ReadIniValueTest : public ::testing::Test {
  protected:
    std::filesystem::path book() const { return m_folder.home() / "directory.ini"; }
    void writeBook(std::string_view text) const { ASSERT_TRUE(core::rewriteFile(book(), text)); }
    std::string lookUp(std::string_view key) const {
        return ReadIniValue(book().string(), "callers", key, "");
    }

    vevuzer::testing::FreshProgramFolder m_folder;
};

TEST_F(ReadIniValueTest, FirstLineHoldingTheKeyAnywhereGivesTheTextAfterItsEquals) {
    struct Case {
        std::string_view file;
        std::string_view key;
        std::string_view name;
    };
    static constexpr Case cases[] = {
        {"[callers]\r\n01632960123=Ann Smith\r\n", "01632960123", "Ann Smith"},
        // A short key finds a longer number, and the first such line wins over a later exact one.
        {"[callers]\r\n01234=Ann\r\n1234=Bob\r\n", "1234", "Ann"},
        {"[callers]\r\n0123=ann\r\n", "ANN", "0123=ann"},  // case ignored; no "=" after the key
        {"[callers]\r\n0123=A=B\r\n", "0123", "A=B"},
        {"[callers]\r\n0123=\r\n", "0123", ""},         // found, with an empty name
        {"[callers]\r\n0123=Dr=Who\r\n", "dr", "Who"},  // a key inside a name finds that line
        {"[callers]\r\n", "0123", ""},
        {"[callers]\r\n0123=Ann\r\n", "0124", ""},
        {"[callers]\n01234=Ann\n", "01234", "Ann"},  // LF line ends
        {"[callers]\r\n01234=Ann", "01234", "Ann"},  // no line end after the last line
        {"\r\n[callers]\r\n[callers]\r\nnonsense\r\n0123=Ann\r\n", "0123", "Ann"},
        {"[callers]\r\nnonsense here\r\n", "sense", "nonsense here"},
        {"[callers]\r\n012\r\n34=Bob\r\n", "2\r\n3", ""},  // never across a line break
        {"[callers]\r\n0123=Ann\r\n", "Ann\r", ""},        // nor into the line's end
        {"[callers]\r\n0123=Ann Smith\r\n", "ann smith", "0123=Ann Smith"},
        {"[callers]\r\n07700 900-123=Zoë\r\n", "07700 900-123", "Zoë"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key \"" << c.key << "\" in \"" << c.file << "\"");
        writeBook(c.file);
        EXPECT_EQ(lookUp(c.key), c.name);
    }
}

// A number that is empty once its dashes and blanks are gone is nobody's: without this, a caller
// who sent no number would be greeted with the name of the first entry holding a blank.
// An address book kept on Windows holds its names in Windows-1252; one saved as UTF-8 may start
// with a byte-order mark.
TEST_F(ReadIniValueTest, ReadsWindowsTextAsWellAsUtf8) {
    struct Case {
        std::string_view file;
        std::string_view name;
    };
    static constexpr Case cases[] = {
        {"[callers]\r\n0123=Zo\xEB M\xFCller \x80\r\n", "Zo\u00EB M\u00FCller \u20AC"},
        {"[callers]\r\n0123=Zo\xC3\xAB\r\n", "Zo\u00EB"},
        {"\xEF\xBB\xBF"
         "0123=Ann\r\n",
         "Ann"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeBook(c.file);
        EXPECT_EQ(lookUp("0123"), c.name);
    }
}

TEST_F(ReadIniValueTest, AnEmptyNumberMatchesNoLine) {
    writeBook("[callers]\r\n0 - 1=Dash Blank\r\n01632960123=Ann Smith\r\n");
    for (std::string_view key : {"", " ", "-", " - ", "--  "}) {
        SCOPED_TRACE(testing::Message() << "key \"" << key << "\"");
        EXPECT_EQ(lookUp(key), "");
    }
}

TEST_F(ReadIniValueTest, AMissingOrUnreadableFileGivesNothing) {
    EXPECT_EQ(lookUp("0123"), "") << "no file";
    std::filesystem::create_directory(book());
    EXPECT_EQ(lookUp("0123"), "") << "a folder of that name";
}

TEST_F(ReadIniValueTest, FindsTheFileWhateverTheCaseOfItsName) {
    ASSERT_TRUE(core::rewriteFile(m_folder.home() / "Directory.INI", "[callers]\r\n0123=Ann\r\n"));
    EXPECT_EQ(lookUp("0123"), "Ann");
    EXPECT_EQ(INIFuncs::directoryIniPath(), book().string());
}

// The forms of one number are looked up together, each with the rule of a single look-up.
TEST_F(ReadIniValueTest, LooksUpSeveralFormsOfANumberAtOnce) {
    writeBook("[callers]\r\n016 329=Blank\r\n01632960123=Ann\r\n0161-496=Dash\r\nx=Zoë\r\n");
    struct Case {
        std::vector<std::string_view> keys;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {{"016-329-60123", "01632960123", "01632960123"}, {"", "Ann", "Ann"}},
        {{"016 329", "016329", "016329"}, {"Blank", "Ann", "Ann"}},
        {{"0161-496", "0161496", "0161496"}, {"Dash", "", ""}},
        {{"ANN", "0163"}, {"01632960123=Ann", "Ann"}},
        {{"-", "", "X"}, {"", "", "Zoë"}},
        {{"Zoë", "0163"}, {"x=Zoë", "Ann"}},  // forms with nothing in common
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << "first key \"" << row.keys.front() << "\"");
        std::vector<std::string> names;
        if (row.keys.size() == 2) {
            names = INIFuncs::ReadIniValues(book().string(), {row.keys[0], row.keys[1]});
        } else {
            names =
                INIFuncs::ReadIniValues(book().string(), {row.keys[0], row.keys[1], row.keys[2]});
        }
        EXPECT_EQ(names, row.names);
        for (std::size_t i = 0; i < row.keys.size(); ++i) {
            EXPECT_EQ(lookUp(row.keys[i]), row.names[i]) << row.keys[i];
        }
    }
}

// The book's text is kept between look-ups only while the file is unchanged: a save, a delete or
// an import is seen by the very next call, even within the same tick of the file times.
TEST_F(ReadIniValueTest, SeesEveryChangeOfTheBookAtOnce) {
    writeBook("[callers]\r\n0123=Ann\r\n");
    EXPECT_EQ(lookUp("0123"), "Ann");
    writeBook("[callers]\r\n0123=Bob\r\n");
    EXPECT_EQ(lookUp("0123"), "Bob");
    std::FILE* file = std::fopen(book().c_str(), "ab");
    ASSERT_NE(file, nullptr);
    std::fputs("0777=Cy\r\n", file);
    std::fclose(file);
    EXPECT_EQ(lookUp("0777"), "Cy");
    std::filesystem::remove(book());
    EXPECT_EQ(lookUp("0123"), "");
}

// Within one event the book is looked at once; what another process did to it between two events
// is seen at the second, and a save by this process at once.
TEST_F(ReadIniValueTest, OneLookAnEventStillSeesAnotherProcessesChangeAtTheNext) {
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path& book)> change;  // by the other process
        const char* after;  // the name the second event finds for 0123
    };
    const Case cases[] = {
        {"rewritten",
         [](const std::filesystem::path& book) {
             (void)core::rewriteFile(book, "[callers]\r\n0123=Bob\r\n");
         },
         "Bob"},
        {"edited in place",
         [](const std::filesystem::path& book) {
             std::FILE* file = std::fopen(book.c_str(), "r+b");
             std::fputs("[callers]\r\n0123=Cyd\r\n", file);
             std::fclose(file);
         },
         "Cyd"},
        {"removed", [](const std::filesystem::path& book) { std::filesystem::remove(book); }, ""},
        {"renamed to another case",
         [](const std::filesystem::path& book) {
             std::filesystem::rename(book, book.parent_path() / "DIRECTORY.INI");
         },
         "Ann"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_folder.home() / "DIRECTORY.INI");
        writeBook("[callers]\r\n0123=Ann\r\n");
        {
            const core::AppendScope event;
            EXPECT_EQ(lookUp("0123"), "Ann");
        }
        const pid_t child = ::fork();
        if (child == 0) {
            c.change(book());
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        {
            const core::AppendScope event;
            EXPECT_EQ(lookUp("0123"), c.after);
            writeBook("[callers]\r\n0123=Dee\r\n");
            EXPECT_EQ(lookUp("0123"), "Dee");
        }
    }
}

}  // namespace
