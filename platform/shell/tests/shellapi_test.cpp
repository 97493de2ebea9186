#include "platform/shell/shellapi.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "platform/shell/testing/recorded_starts.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

std::string nameOf(std::intptr_t code) {
    static const std::map<std::intptr_t, std::string> names = {
        {SE_ERR_OUT_OF_RESOURCES, "out of resources"},
        {SE_ERR_FNF, "SE_ERR_FNF"},
        {SE_ERR_PNF, "SE_ERR_PNF"},
        {SE_ERR_ACCESSDENIED, "SE_ERR_ACCESSDENIED"},
        {SE_ERR_OOM, "SE_ERR_OOM"},
        {ERROR_BAD_FORMAT, "ERROR_BAD_FORMAT"},
        {SE_ERR_NOASSOC, "SE_ERR_NOASSOC"},
    };
    if (code > 32) {
        return "success";
    }
    const auto found = names.find(code);
    return found != names.end() ? found->second : std::to_string(code);
}
std::string nameOf(HINSTANCE result) {
    return nameOf(shell::codeOf(result));
}

void writeFile(const fs::path& path, const std::string& content, bool executable = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << content;
    if (executable) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    }
}

// A desktop of its own: PATH holds only the fixture's bin folder, and the XDG folders are the
// fixture's, empty until a test fills them. Every program start is recorded instead of run.
class ShellTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "belltale-shell-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            m_saved[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        }
        ::setenv("PATH", bin().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (m_root / "etc-xdg").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
        // The system's data folder stays last: the MIME database lives there. Its applications
        // cannot interfere, as their programs are not on this PATH.
        ::setenv("XDG_DATA_DIRS", (m_root / "usr-share").string().append(":/usr/share").c_str(), 1);
        ::unsetenv("VISUAL");
        fs::create_directories(bin());
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        fs::remove_all(m_root);
    }

    fs::path bin() const { return m_root / "bin"; }
    fs::path root() const { return m_root; }
    fs::path program(const char* name) {
        writeFile(bin() / name, "#!/bin/sh\nexit 0\n", true);
        return bin() / name;
    }
    void installApplication(const char* id, const std::string& exec) {
        writeFile(m_root / "usr-share/applications" / id,
                  "[Desktop Entry]\nType=Application\nName=App\nExec=" + exec + "\n");
    }
    void setDefault(const std::string& mimeType, const char* ids) {
        writeFile(m_root / "config/mimeapps.list",
                  "[Added Associations]\ntext/plain=other.desktop;\n\n"
                  "[Default Applications]\n" +
                      mimeType + "=" + ids + "\n");
    }
    std::string findExecutable(const fs::path& file, std::intptr_t expected) {
        char found[MAX_PATH];
        std::memset(found, 'x', sizeof found);
        EXPECT_EQ(nameOf(FindExecutableA(file.c_str(), "", found)), nameOf(expected));
        return found;
    }

    shell::RecordedStarts m_starts;

  private:
    static constexpr const char* kVariables[] = {
        "PATH", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "VISUAL"};
    fs::path m_root;
    std::map<std::string, std::optional<std::string>> m_saved;
};

// An address reaches the handler as one argument, exactly as given: nothing in it is interpreted.
TEST_F(ShellTest, OpensAnAddressThroughTheDesktop) {
    const fs::path xdgOpen = program("xdg-open");
    const std::string address = "http://example.com/a b?q=1;rm -rf ~&x=`id`$(id)|\"'";
    EXPECT_EQ(nameOf(ShellExecuteA(nullptr, "open", address.c_str(), "", "", SW_SHOWNORMAL)),
              "success");
    const auto starts = m_starts.waitFor(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].argv, (Args{xdgOpen.string(), address}));
}

// The web link's way: the browser program found for a page, the address as its parameters.
TEST_F(ShellTest, StartsAProgramWithItsParametersSplit) {
    const fs::path browser = program("browser");
    const fs::path folder = root() / "work";
    fs::create_directories(folder);
    EXPECT_EQ(nameOf(ShellExecuteA(nullptr, "open", browser.c_str(), R"("http://x/a b" say\"hi;id)",
                                   folder.c_str(), SW_SHOWNORMAL)),
              "success");
    m_starts.waitFor(1);  // detached starts record in any order: one at a time
    EXPECT_EQ(nameOf(ShellExecuteA(nullptr, nullptr, "browser", "--new", nullptr, SW_SHOW)),
              "success")
        << "a bare program name is found on PATH";
    const auto starts = m_starts.waitFor(2);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].argv, (Args{browser.string(), "http://x/a b", "say\"hi;id"}));
    EXPECT_EQ(starts[0].directory, folder.string());
    EXPECT_EQ(starts[1].argv, (Args{browser.string(), "--new"}));
}

// The page is marked executable, as every file on some file systems is: it still opens as a page.
TEST_F(ShellTest, OpensADocumentByItsFullPath) {
    const fs::path xdgOpen = program("xdg-open");
    writeFile(root() / "docs/help file.html", "<html></html>", true);
    EXPECT_EQ(nameOf(ShellExecuteA(nullptr, "open", "help file.html", "ignored for documents",
                                   (root() / "docs").c_str(), 1)),
              "success");
    const auto starts = m_starts.waitFor(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].argv, (Args{xdgOpen.string(), (root() / "docs/help file.html").string()}));
}

TEST_F(ShellTest, ReportsFailuresWithTheirCodes) {
    writeFile(root() / "page.html", "<html></html>");
    struct Case {
        const char* name;
        const char* verb;
        std::string file;
        std::intptr_t expected;
    };
    const Case cases[] = {
        {"missing file", "open", (root() / "nothing.html").string(), SE_ERR_FNF},
        {"missing folder", "open", (root() / "no/such/page.html").string(), SE_ERR_PNF},
        {"no file at all", "open", "", SE_ERR_FNF},
        {"missing program", "open", "no-such-program", SE_ERR_FNF},
        {"unknown verb", "print", (root() / "page.html").string(), SE_ERR_NOASSOC},
        {"no desktop handler installed", "open", (root() / "page.html").string(), SE_ERR_NOASSOC},
        {"address without a handler", "open", "https://example.com/", SE_ERR_NOASSOC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nameOf(ShellExecuteA(nullptr, c.verb, c.file.c_str(), nullptr, nullptr, 1)),
                  nameOf(c.expected));
    }
    EXPECT_EQ(m_starts.recorded().size(), 0u);
}

TEST_F(ShellTest, FindsTheProgramThatOpensAFile) {
    const fs::path page = root() / "temphtm.HTM";
    writeFile(page, "\"<HTML> <\\HTML>\"\r\n");

    EXPECT_EQ(findExecutable(page, SE_ERR_NOASSOC), "") << "nothing installed";

    const fs::path xdgOpen = program("xdg-open");
    EXPECT_EQ(findExecutable(page, SE_SUCCESS), xdgOpen.string()) << "xdg-open opens anything";

    const fs::path browser = program("browser");
    installApplication("browser.desktop", "browser --new-window %u");
    setDefault("text/html", "missing.desktop;browser.desktop;");
    EXPECT_EQ(findExecutable(page, SE_SUCCESS), browser.string())
        << "the first installed default application";

    // When xdg-mime is installed it is the desktop's authority.
    const fs::path other = program("other");
    installApplication("other.desktop", "\"" + other.string() + "\" %U");
    writeFile(bin() / "xdg-mime",
              "#!/bin/sh\n[ \"$1 $2 $3\" = \"query default text/html\" ] && "
              "echo other.desktop\n",
              true);
    EXPECT_EQ(findExecutable(page, SE_SUCCESS), other.string());

    EXPECT_EQ(findExecutable(browser, SE_SUCCESS), browser.string()) << "a program opens itself";
    EXPECT_EQ(findExecutable(root() / "missing.htm", SE_ERR_FNF), "");
    EXPECT_EQ(nameOf(FindExecutableA(page.c_str(), "", nullptr)), "out of resources");
    EXPECT_EQ(m_starts.recorded().size(), 0u) << "finding starts nothing";
}

TEST_F(ShellTest, OpensTextFilesInTheEditor) {
    const fs::path log = root() / "log.txt";
    writeFile(log, "line\r\n");
    EXPECT_EQ(nameOf(shell::openInTextEditor(log.string())), "SE_ERR_NOASSOC")
        << "no xdg-open and no $VISUAL";

    const fs::path editor = program("editor");
    ::setenv("VISUAL", "editor --new-window", 1);
    EXPECT_EQ(nameOf(shell::openInTextEditor(log.string())), "success");
    m_starts.waitFor(1);  // detached starts record in any order: one at a time

    const fs::path xdgOpen = program("xdg-open");
    EXPECT_EQ(nameOf(ShellExecuteA(nullptr, "edit", "log.txt", nullptr, root().c_str(), 3)),
              "success");
    const auto starts = m_starts.waitFor(2);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].argv, (Args{editor.string(), "--new-window", log.string()}));
    EXPECT_EQ(starts[1].argv, (Args{xdgOpen.string(), log.string()}))
        << "the desktop's handler wins over $VISUAL";
}

// xdg-open refuses a file that does not exist; the editor itself is started on it and says so.
TEST_F(ShellTest, StartsTheEditorOnAMissingFile) {
    program("xdg-open");
    const fs::path gone = root() / "gone.txt";
    EXPECT_EQ(nameOf(shell::openInTextEditor(gone.string())), "SE_ERR_NOASSOC")
        << "no text editor known";

    const fs::path editor = program("editor");
    ::setenv("VISUAL", "editor --new-window", 1);
    EXPECT_EQ(nameOf(shell::openInTextEditor(gone.string())), "success");
    m_starts.waitFor(1);

    const fs::path textEditor = program("texteditor");
    installApplication("texteditor.desktop", "texteditor %F");
    setDefault("text/plain", "texteditor.desktop");
    EXPECT_EQ(nameOf(shell::openInTextEditor(gone.string())), "success");
    EXPECT_EQ(nameOf(shell::openInTextEditor((root() / "no-folder/log.txt").string())),
              "SE_ERR_PNF");

    const auto starts = m_starts.waitFor(2);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].argv, (Args{editor.string(), "--new-window", gone.string()}));
    EXPECT_EQ(starts[1].argv, (Args{textEditor.string(), gone.string()}))
        << "the desktop's text editor wins over $VISUAL";
    EXPECT_FALSE(fs::exists(gone)) << "the editor decides whether to create it";
}

}  // namespace
