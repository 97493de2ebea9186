// Starts the real program offscreen with its own program folder and asks it to quit, as a session
// or a user at the terminal would.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr char kReadyLine[] = "vevuzer: the main window is open";
// A guard against a program that never answers, not a measure of speed.
constexpr int kHangGuardMs = 60000;

fs::path makeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "belltale-e2e-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The test's environment with some variables replaced.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        if (!overrides.contains(variable.substr(0, variable.find('='))))
            result.push_back(variable);
    }
    for (const auto& [name, value] : overrides)
        result.push_back(name + "=" + value);
    return result;
}

class RunningProgram {
  public:
    RunningProgram(const std::vector<std::string>& environment, const fs::path& stderrFile) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> env;
        for (const std::string& variable : environment)
            env.push_back(const_cast<char*>(variable.c_str()));
        env.push_back(nullptr);
        char* argv[] = {const_cast<char*>(VEVUZER_PROGRAM), nullptr};
        if (posix_spawn(&m_pid, VEVUZER_PROGRAM, &actions, nullptr, argv, env.data()) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_stdout = out[0];
    }

    ~RunningProgram() {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_stdout >= 0)
            close(m_stdout);
    }

    bool started() const { return m_pid > 0; }

    // Reads the program's output until a line starts with `prefix`; false at its end.
    bool waitForLine(const std::string& prefix) {
        for (;;) {
            const auto newline = m_output.find('\n', m_scanned);
            if (newline != std::string::npos) {
                if (m_output.compare(m_scanned, prefix.size(), prefix) == 0)
                    return true;
                m_scanned = newline + 1;
                continue;
            }
            pollfd ready{m_stdout, POLLIN, 0};
            if (poll(&ready, 1, kHangGuardMs) <= 0)
                return false;
            char buffer[512];
            const ssize_t n = read(m_stdout, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            m_output.append(buffer, static_cast<std::size_t>(n));
        }
    }

    bool stillRunning() { return waitpid(m_pid, nullptr, WNOHANG) == 0; }

    // Sends `signal` and waits for the program to end; returns its wait status.
    int stopWith(int signal) {
        kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_reaped = true;
        return status;
    }

    const std::string& output() const { return m_output; }

  private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_reaped = false;
    std::string m_output;
    std::size_t m_scanned = 0;
};

class VevuzerStart : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = makeTempFolder();
        ASSERT_FALSE(m_root.empty());
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        writeFile(assets() / "errors.txt", "-1 Could not connect\r\n");
        writeFile(assets() / "skins" / "GreenFlag.gif", "GIF89a");
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path home() const { return m_root / "home"; }  // not there yet: the program makes it
    fs::path assets() const { return m_root / "assets"; }
    fs::path runtime() const { return m_root / "runtime"; }

    std::vector<std::string> environment() const {
        return environmentWith({{"QT_QPA_PLATFORM", "offscreen"},
                                {"BELLTALE_HOME", home().string()},
                                {"BELLTALE_ASSETS", assets().string()},
                                {"XDG_RUNTIME_DIR", runtime().string()}});
    }

    fs::path m_root;
};

TEST_F(VevuzerStart, ShowsItsWindowAndQuitsCleanlyWhenAsked) {
    struct Case {
        int signal;
        const char* name;
    };
    static constexpr Case cases[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT (Ctrl+C)"}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const fs::path errors = m_root / (std::string("stderr-") + std::to_string(row.signal));
        RunningProgram program(environment(), errors);
        ASSERT_TRUE(program.started());

        ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(errors);
        EXPECT_TRUE(program.stillRunning());
        const int status = program.stopWith(row.signal);

        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string stderrText = readFile(errors);
        EXPECT_EQ(stderrText.find("vevuzer:"), std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("QFATAL"), std::string::npos) << stderrText;
    }
}

TEST_F(VevuzerStart, FillsTheProgramFolderAndKeepsWhatIsThere) {
    RunningProgram first(environment(), m_root / "stderr-first");
    ASSERT_TRUE(first.waitForLine(kReadyLine));
    EXPECT_EQ(WEXITSTATUS(first.stopWith(SIGTERM)), 0);
    EXPECT_EQ(readFile(home() / "errors.txt"), "-1 Could not connect\r\n");
    EXPECT_EQ(readFile(home() / "skins" / "GreenFlag.gif"), "GIF89a");

    // The user's own copy survives the next start.
    writeFile(home() / "errors.txt", "-1 My own text\r\n");
    RunningProgram second(environment(), m_root / "stderr-second");
    ASSERT_TRUE(second.waitForLine(kReadyLine));
    EXPECT_EQ(WEXITSTATUS(second.stopWith(SIGTERM)), 0);
    EXPECT_EQ(readFile(home() / "errors.txt"), "-1 My own text\r\n");
}

}  // namespace
