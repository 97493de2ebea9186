#include "platform/core/folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>

namespace fs = std::filesystem;

namespace {

class Folders : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/belltale-core-XXXXXX";
        m_root = mkdtemp(pattern);
        setenv("BELLTALE_HOME", (m_root / "home").c_str(), 1);
        setenv("BELLTALE_ASSETS", (m_root / "assets").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("BELLTALE_HOME");
        unsetenv("BELLTALE_ASSETS");
        fs::remove_all(m_root);
    }
    void write(const fs::path& path, const std::string& content) {
        fs::create_directories(path.parent_path());
        ASSERT_TRUE(core::rewriteFile(path, content));
    }
    fs::path m_root;
};

TEST_F(Folders, ProgramAndWindowsFolderFollowTheEnvironment) {
    EXPECT_EQ(core::programFolder(), m_root / "home");
    EXPECT_EQ(core::windowsFolder(), m_root / "home" / "windows");
    EXPECT_TRUE(fs::is_directory(m_root / "home" / "windows"));
}

TEST_F(Folders, FillCopiesOnlyWhatIsMissing) {
    write(m_root / "assets" / "ring.wav", "RIFF");
    write(m_root / "assets" / "skins" / "blue.gif", "GIF89a");
    write(core::programFolder() / "ring.wav", "the user's own ring");

    std::string error;
    ASSERT_TRUE(core::fillProgramFolder(&error)) << error;
    EXPECT_EQ(core::readFile(m_root / "home" / "ring.wav"), "the user's own ring");
    EXPECT_EQ(core::readFile(m_root / "home" / "skins" / "blue.gif"), "GIF89a");
}

TEST_F(Folders, FillReportsMissingAssets) {
    std::string error;
    EXPECT_FALSE(core::fillProgramFolder(&error));
    EXPECT_NE(error.find("assets"), std::string::npos);
}

TEST_F(Folders, FindsFilesWithoutRegardToCase) {
    write(m_root / "Skins" / "Blue.GIF", "x");
    EXPECT_EQ(core::findFileNoCase(m_root / "skins" / "blue.gif"), m_root / "Skins" / "Blue.GIF");
    EXPECT_EQ(core::findFileNoCase(m_root / "Skins" / "Blue.GIF"), m_root / "Skins" / "Blue.GIF");
    EXPECT_FALSE(core::findFileNoCase(m_root / "skins" / "red.gif"));
}

TEST_F(Folders, RewriteReplacesContentAndLeavesNoTemporaryFile) {
    const fs::path file = m_root / "inclog.txt";
    write(file, "first\r\n");
    write(file, "second\r\n");
    EXPECT_EQ(core::readFile(file), "second\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);
}

TEST_F(Folders, FailedRewriteKeepsTheOriginal) {
    // A non-empty folder cannot be replaced by a file: the rename fails after the copy was made.
    const fs::path target = m_root / "directory.ini";
    write(target / "keep.txt", "kept");
    std::string error;
    EXPECT_FALSE(core::rewriteFile(target, "new", &error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    EXPECT_EQ(core::readFile(target / "keep.txt"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);

    EXPECT_FALSE(core::rewriteFile(m_root / "missing" / "x.txt", "new", &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

// A process killed between writing its copy and renaming it leaves ".<name>.tmp-<pid>-<n>"; the
// next rewrite in that folder removes such leftovers of dead processes and nothing else.
TEST_F(Folders, RewriteRemovesTemporariesOfDeadProcesses) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());
    const std::set<std::string> kept = {".HKCU.txt.tmp-" + alive + "-0", ".hidden", ".x.tmp-",
                                        ".tmp-" + dead + "-1", "notes.tmp-" + dead + "-1"};
    const auto leave = [&](const std::string& name) { std::ofstream(m_root / name) << "x"; };
    for (const std::string& name : kept)
        leave(name);
    leave(".HKCU.txt.tmp-" + dead + "-3");
    leave(".555.txt.tmp-" + dead + "-12");

    write(m_root / "HKCU.txt", "new");
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_root))
        left.insert(entry.path().filename().string());
    std::set<std::string> expected = kept;
    expected.insert("HKCU.txt");
    EXPECT_EQ(left, expected);
}

TEST_F(Folders, AppendedLinesKeepTheFilesOwnEncoding) {
    struct Case {
        const char* name;
        std::string before;
        std::string line;  // UTF-8, as the program holds text
        std::string after;
    };
    const Case cases[] = {
        {"Windows-1252 file, line that fits", "Ren\xE9\x65\r\n", "Fa\xC3\x9F \xE2\x82\xAC",
         "Ren\xE9\x65\r\nFa\xDF \x80\r\n"},
        {"Windows-1252 file, line that does not fit: all UTF-8", "Ren\xE9\x65\r\n",
         "\xD0\x96\xD0\xB0", "Ren\xC3\xA9\x65\r\n\xD0\x96\xD0\xB0\r\n"},
        {"Windows-1252 file without a last line end", "Ren\xE9\x65", "Fa\xC3\x9F",
         "Ren\xE9\x65\r\nFa\xDF\r\n"},
        {"UTF-8 file", "Ren\xC3\xA9\x65\r\n", "Fa\xC3\x9F", "Ren\xC3\xA9\x65\r\nFa\xC3\x9F\r\n"},
        {"new file", "", "Fa\xC3\x9F", "Fa\xC3\x9F\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = m_root / "directory.ini";
        fs::remove(file);
        if (!c.before.empty())
            write(file, c.before);
        ASSERT_TRUE(core::appendLine(file, c.line));
        EXPECT_EQ(core::readFile(file), c.after);
        EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1)
            << "a temporary copy was left";
    }
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST_F(Folders, ProgramFolderIsMadeForItsUserOnly) {
    EXPECT_EQ(modeOf(core::programFolder()), 0700u);
}

TEST_F(Folders, RewrittenFileKeepsTheModeOfTheFileItReplaces) {
    const mode_t umaskBefore = ::umask(022);
    const fs::path file = m_root / "inclog.txt";
    for (const mode_t mode : {0600u, 0640u, 0664u}) {
        SCOPED_TRACE(mode);
        write(file, "before\r\n");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        write(file, "after\r\n");
        EXPECT_EQ(modeOf(file), mode);
    }
    fs::remove(file);
    ASSERT_TRUE(core::rewriteFile(file, "new\r\n", nullptr, 0600));
    EXPECT_EQ(modeOf(file), 0600u);
    ::umask(umaskBefore);
}

TEST_F(Folders, RuntimeFolderWithoutXdgIsUsedOnlyWhenPrivateToThisUser) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& named)> prepare;
        bool used;
    };
    const Case cases[] = {
        {"missing: made", [](const fs::path&) {}, true},
        {"this user's, 0700", [](const fs::path& named) { ::mkdir(named.c_str(), 0700); }, true},
        {"open to others",
         [](const fs::path& named) {
             ::mkdir(named.c_str(), 0700);
             ::chmod(named.c_str(), 0777);
         },
         false},
        {"a link to a private folder",
         [](const fs::path& named) {
             const fs::path target = named.parent_path() / "elsewhere";
             ::mkdir(target.c_str(), 0700);
             fs::create_directory_symlink(target, named);
         },
         false},
    };
    const char* runtimeBefore = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtimeBefore ? runtimeBefore : "";
    unsetenv("XDG_RUNTIME_DIR");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path temporary = m_root / ("tmp" + std::to_string(n++));
        fs::create_directories(temporary);
        setenv("TMPDIR", temporary.c_str(), 1);
        const fs::path named = temporary / ("belltale-" + std::to_string(::getuid()));
        c.prepare(named);
        const fs::path used = core::runtimeFolder();
        EXPECT_EQ(used == named, c.used) << used;
        EXPECT_EQ(modeOf(used), 0700u);
        EXPECT_TRUE(fs::is_directory(used) && !fs::is_symlink(used));
        EXPECT_EQ(core::runtimeFolder(), used) << "the same folder for the whole run";
    }
    unsetenv("TMPDIR");
    if (runtimeBefore)
        setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

}  // namespace
