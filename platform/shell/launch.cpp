#include "platform/shell/launch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

extern char** environ;

namespace shell {
namespace {

std::mutex g_redirectMutex;
std::string g_redirect;

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::vector<char*> pointersTo(std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Spawn attributes shared by every start: default signal handling and an empty signal mask, so a
// child does not inherit what the UI thread's framework set up.
class SpawnAttributes {
  public:
    explicit SpawnAttributes(bool newSession) {
        posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&defaults, signal);
        }
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (newSession) {
            flags |= POSIX_SPAWN_SETSID;
        }
        posix_spawnattr_setflags(&m_attributes, flags);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &m_attributes; }

  private:
    posix_spawnattr_t m_attributes;
};

class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

  private:
    posix_spawn_file_actions_t m_actions;
};

// A detached program is still our child until it ends; a small thread collects its exit status
// so it never lingers as a zombie.
void reapLater(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

}  // namespace

std::string findProgram(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string_view::npos) {
        return std::string(name);
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty()) {
            folder = ".";
        }
        const std::string candidate = folder + "/" + std::string(name);
        if (isExecutableFile(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        folders.remove_prefix(colon + 1);
    }
}

std::string redirectStartsTo(std::string stubProgram) {
    std::lock_guard lock(g_redirectMutex);
    std::swap(g_redirect, stubProgram);
    return stubProgram;
}

int startDetached(const std::vector<std::string>& argv, const std::string& directory) {
    if (argv.empty()) {
        return EINVAL;
    }
    std::vector<std::string> args = argv;
    {
        std::lock_guard lock(g_redirectMutex);
        if (!g_redirect.empty()) {
            if (::access(argv[0].c_str(), F_OK) != 0) {
                return errno;  // the program itself must exist, as without the stub
            }
            args.insert(args.begin(), g_redirect);
        }
    }
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!directory.empty()) {
        posix_spawn_file_actions_addchdir_np(actions.get(), directory.c_str());
    }
    SpawnAttributes attributes(true);
    auto pointers = pointersTo(args);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0].c_str(), actions.get(), attributes.get(),
                                  pointers.data(), environ);
    if (error != 0) {
        return error;
    }
    reapLater(pid);
    return 0;
}

std::optional<std::string> runForOutput(const std::vector<std::string>& argv, int timeoutMs) {
    if (argv.empty()) {
        return std::nullopt;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), pipeEnds[1], STDOUT_FILENO);
    SpawnAttributes attributes(false);
    std::vector<std::string> args = argv;
    auto pointers = pointersTo(args);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0].c_str(), actions.get(), attributes.get(),
                                  pointers.data(), environ);
    ::close(pipeEnds[1]);
    if (error != 0) {
        ::close(pipeEnds[0]);
        return std::nullopt;
    }
    std::string output;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{pipeEnds[0], POLLIN, 0};
        const int ready =
            left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    if (timedOut) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return output;
}

}  // namespace shell
