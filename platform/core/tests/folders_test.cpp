#include "platform/core/folders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// However the assets folder is named, each file lands at the same place under the program folder.
TEST_F(Folders, FillPlacesAssetsAlikeHoweverTheirFolderIsNamed) {
    write(m_root / "shipped" / "skins" / "blue.gif", "GIF89a");
    fs::create_directory_symlink(m_root / "shipped", m_root / "link");
    for (const std::string& assets :
         {(m_root / "shipped").string() + "/", (m_root / "." / "shipped").string(),
          (m_root / "link").string()}) {
        SCOPED_TRACE(assets);
        fs::remove_all(m_root / "home");
        setenv("BELLTALE_ASSETS", assets.c_str(), 1);
        std::string error;
        ASSERT_TRUE(core::fillProgramFolder(&error)) << error;
        EXPECT_EQ(core::readFile(m_root / "home" / "skins" / "blue.gif"), "GIF89a");
    }
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

// Runs `change` in a child process and returns once it has signalled `ready` or ended; the child
// is waited for when the returned guard goes. Only plain system calls run in the child.
class AnotherProcess {
  public:
    using Change = std::function<void(int ready)>;

    explicit AnotherProcess(const Change& change) {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipe[0]);
            change(pipe[1]);
            ::_exit(0);
        }
        ::close(pipe[1]);
        char byte;
        while (::read(pipe[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(pipe[0]);
    }
    ~AnotherProcess() { finish(); }
    AnotherProcess(const AnotherProcess&) = delete;
    AnotherProcess& operator=(const AnotherProcess&) = delete;

    bool finish() {
        int status = 0;
        const bool ended = m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

  private:
    pid_t m_pid = -1;
};

void touch(const fs::path& path, const char* content = "") {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, content, std::strlen(content));
        ::close(fd);
    }
}

// The folder's listing is kept between look-ups: whatever another process changes in the folder
// shows in the next one, whether the folder changed just before (its times may not yet tell a
// later change apart) or long before the first look-up.
TEST_F(Folders, CaseBlindSearchSeesWhatAnotherProcessChanged) {
    struct Case {
        const char* name;
        const char* before;  // in the folder at the first look-up, if anything
        std::function<void(const fs::path& folder)> change;
        const char* after;  // what the second look-up finds, if anything
    };
    const auto move = [](const fs::path& from, const fs::path& to) {
        ::rename(from.c_str(), to.c_str());
    };
    const Case cases[] = {
        {"created", nullptr, [](const fs::path& f) { touch(f / "Blocked.INI"); }, "Blocked.INI"},
        {"removed", "Blocked.INI", [](const fs::path& f) { ::unlink((f / "Blocked.INI").c_str()); },
         nullptr},
        {"renamed to another case", "Blocked.INI",
         [&](const fs::path& f) { move(f / "Blocked.INI", f / "BLOCKED.ini"); }, "BLOCKED.ini"},
        {"renamed away", "Blocked.INI",
         [&](const fs::path& f) { move(f / "Blocked.INI", f / "old.ini"); }, nullptr},
        {"folder replaced", "Blocked.INI",
         [&](const fs::path& f) {
             move(f, f.string() + "-old");
             ::mkdir(f.c_str(), 0700);
             touch(f / "BLOCKED.INI");
         },
         "BLOCKED.INI"},
    };
    for (const bool changedLongBefore : {false, true}) {
        const fs::path base = m_root / (changedLongBefore ? "old" : "new");
        for (const Case& c : cases) {
            fs::create_directories(base / c.name);
            if (c.before)
                touch(base / c.name / c.before);
        }
        // Beyond any file system's timestamp step, so the listings read first are trusted.
        if (changedLongBefore)
            ::sleep(3);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (changedLongBefore ? ", long before" : ", just now"));
            const fs::path folder = base / c.name;
            EXPECT_EQ(core::findFileNoCase(folder / "blocked.ini"),
                      c.before ? std::optional(folder / c.before) : std::nullopt);
            AnotherProcess other([&](int) { c.change(folder); });
            ASSERT_TRUE(other.finish());
            EXPECT_EQ(core::findFileNoCase(folder / "blocked.ini"),
                      c.after ? std::optional(folder / c.after) : std::nullopt);
        }
    }
}

// Within one event the program folder is looked at once; a folder another process removed, or the
// environment named anew, within an event is made and used at the next.
TEST_F(Folders, ProgramFolderIsLookedAtOnceAnEvent) {
    struct Case {
        const char* name;
        bool byAnotherProcess;
        std::function<void()> change;  // between the first and the second look of the event
        fs::path expected;             // what the next event's look gives
    };
    const Case cases[] = {
        {"another process removes it", true, [&] { fs::remove_all(m_root / "home"); },
         m_root / "home"},
        {"the environment names another", false,
         [&] { setenv("BELLTALE_HOME", (m_root / "other").c_str(), 1); }, m_root / "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("BELLTALE_HOME", (m_root / "home").c_str(), 1);
        {
            const core::AppendScope event;
            EXPECT_EQ(core::programFolder(), m_root / "home");
            if (c.byAnotherProcess) {
                AnotherProcess other([&](int) { c.change(); });
                ASSERT_TRUE(other.finish());
            } else {
                c.change();
            }
            EXPECT_EQ(core::programFolder(), m_root / "home");
        }
        const core::AppendScope next;
        EXPECT_EQ(core::programFolder(), c.expected);
        EXPECT_TRUE(fs::is_directory(c.expected));
    }
}

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Within a scope the descriptor stays open between lines; each line still goes whole to the file
// under the name, whatever another process did to it between the lines.
TEST_F(Folders, AppendScopeFollowsTheFileUnderItsName) {
    struct Case {
        const char* name;
        AnotherProcess::Change change;  // between the first and the second line
        std::string named;              // log.txt afterwards
        std::string otherCase;          // LOG.TXT afterwards
        std::string renamed;            // old.txt afterwards
    };
    const auto path = [this](const char* name) { return m_root / name; };
    const Case cases[] = {
        {"nothing", [](int) {}, "one\r\ntwo\r\n", "", ""},
        {"appended a whole line",
         [&](int) {
             core::keepFileState(false);  // not through the parent's descriptor
             core::appendLine(path("log.txt"), "x");
         },
         "one\r\nx\r\ntwo\r\n", "", ""},
        {"appended without a line end",
         [&](int) {
             const int fd = ::open(path("log.txt").c_str(), O_WRONLY | O_APPEND);
             [[maybe_unused]] const ssize_t n = ::write(fd, "typed", 5);
             ::close(fd);
         },
         "one\r\ntyped\r\ntwo\r\n", "", ""},
        {"replaced by a rewrite", [&](int) { core::rewriteFile(path("log.txt"), "new\r\n"); },
         "new\r\ntwo\r\n", "", ""},
        {"replaced while the line waits for the lock",
         [&](int ready) {
             const int fd = ::open(path("log.txt").c_str(), O_RDWR);
             ::flock(fd, LOCK_EX);
             [[maybe_unused]] const ssize_t n = ::write(ready, "!", 1);
             ::usleep(100 * 1000);
             touch(path(".log.txt.new"), "new\r\n");
             ::rename(path(".log.txt.new").c_str(), path("log.txt").c_str());
         },
         "new\r\ntwo\r\n", "", ""},
        {"removed", [&](int) { ::unlink(path("log.txt").c_str()); }, "two\r\n", "", ""},
        {"removed, one of another case made",
         [&](int) {
             ::unlink(path("log.txt").c_str());
             touch(path("LOG.TXT"), "made\r\n");
         },
         "", "made\r\ntwo\r\n", ""},
        {"renamed away: the scope's lines follow it",
         [&](int) { ::rename(path("log.txt").c_str(), path("old.txt").c_str()); }, "", "",
         "one\r\ntwo\r\n"},
    };
    const std::size_t openBefore = openDescriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"log.txt", "LOG.TXT", "old.txt"})
            fs::remove(path(name));
        {
            const core::AppendScope scope;
            ASSERT_TRUE(core::appendLineNoCase(path("log.txt"), "one"));
            AnotherProcess other(c.change);
            EXPECT_TRUE(core::appendLineNoCase(path("log.txt"), "two"));
            ASSERT_TRUE(other.finish());
        }
        EXPECT_EQ(openDescriptors(), openBefore) << "the scope left a descriptor open";
        EXPECT_EQ(core::readFile(path("log.txt")).value_or(""), c.named);
        EXPECT_EQ(core::readFile(path("LOG.TXT")).value_or(""), c.otherCase);
        EXPECT_EQ(core::readFile(path("old.txt")).value_or(""), c.renamed);
        // After the scope the name is followed again.
        ASSERT_TRUE(core::appendLine(path("log.txt"), "three"));
        EXPECT_TRUE(core::readFile(path("log.txt")).value_or("").ends_with("three\r\n"));
    }
}

// Lines of two processes appending at once, each keeping its descriptor open, never mix.
TEST_F(Folders, KeptOpenAppendsOfTwoProcessesStayWhole) {
    const fs::path file = m_root / "inclog.txt";
    const std::string mine(300, 'p'), theirs(300, 'c');
    constexpr int kLines = 300;
    AnotherProcess other([&](int ready) {
        [[maybe_unused]] const ssize_t n = ::write(ready, "!", 1);
        const core::AppendScope scope;
        for (int i = 0; i < kLines; ++i)
            core::appendLine(file, theirs);
    });
    {
        const core::AppendScope scope;
        for (int i = 0; i < kLines; ++i)
            ASSERT_TRUE(core::appendLine(file, mine));
    }
    ASSERT_TRUE(other.finish());
    const std::string content = core::readFile(file).value_or("");
    int ownLines = 0, otherLines = 0;
    for (std::size_t begin = 0; begin < content.size();) {
        const std::size_t end = content.find("\r\n", begin);
        ASSERT_NE(end, std::string::npos) << "a line without its end at " << begin;
        const std::string line = content.substr(begin, end - begin);
        ASSERT_TRUE(line == mine || line == theirs) << "a torn line at " << begin;
        (line == mine ? ownLines : otherLines)++;
        begin = end + 2;
    }
    EXPECT_EQ(ownLines, kLines);
    EXPECT_EQ(otherLines, kLines);
}

}  // namespace
