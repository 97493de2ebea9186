#include "platform/core/folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
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

}  // namespace
