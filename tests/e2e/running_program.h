// Starting the real vevuzer as a separate process for the end-to-end tests: its environment, its
// output, and stopping it with a signal as a session or a user at the terminal would.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace e2e {

inline constexpr char kReadyLine[] = "vevuzer: the main window is open";
// A guard against a program that never answers, not a measure of speed.
inline constexpr int kHangGuardMs = 60000;

// Polls until `done` or the hang guard runs out: how long the program takes is not measured here.
inline bool eventually(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
    while (std::chrono::steady_clock::now() < giveUp) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

inline fs::path makeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "belltale-e2e-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

inline void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// What the two installers leave in a program folder: a start there goes straight to the main window
// instead of installing first.
inline void markSpeechComponentsInstalled(const fs::path& home) {
    writeFile(home / "windows" / "speech" / "speech.hlp", "");
    writeFile(home / "windows" / "lhsp" / "tv" / "Tv_enua.dll", "");
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The test's environment with some variables replaced.
inline std::vector<std::string> environmentWith(
    const std::map<std::string, std::string>& overrides) {
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
    // Starts `program` with `arguments`, its output read through a pipe and its errors written to
    // `stderrFile`.
    RunningProgram(const fs::path& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const fs::path& stderrFile) {
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
        const std::string path = program.string();
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), env.data()) != 0) {
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

    // Sends `signal` and waits up to the hang guard for the program to end: its wait status, or
    // nothing when it did not end (it is killed then).
    std::optional<int> stopWithin(int signal) {
        kill(m_pid, signal);
        for (int waited = 0; waited < kHangGuardMs; waited += 20) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return status;
            }
            usleep(20000);
        }
        return std::nullopt;
    }

    // Reads the output to its end and waits for the program to end; returns its wait status.
    int finish() {
        char buffer[512];
        for (;;) {
            pollfd ready{m_stdout, POLLIN, 0};
            if (poll(&ready, 1, kHangGuardMs) <= 0)
                break;
            const ssize_t n = read(m_stdout, buffer, sizeof buffer);
            if (n <= 0)
                break;
            m_output.append(buffer, static_cast<std::size_t>(n));
        }
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

}  // namespace e2e
