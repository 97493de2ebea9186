// Runs a piece of work in a child process and kills the child (SIGKILL) the moment it is about to
// rename or link a file into place: the instant between a rewrite's temporary copy and its
// rename, where a crash or a power cut would strike the worst.
#pragma once

#include <csignal>
#include <functional>
#include <optional>

#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vevuzer::testing {

enum class KillResult { KilledAtRename, RanToTheEnd, CannotTrace };

inline KillResult killAtRename(const std::function<void()>& work) {
#if defined(__x86_64__)
    const pid_t child = ::fork();
    if (child == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
            ::_exit(3);
        }
        ::raise(SIGSTOP);
        work();
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
        return KillResult::CannotTrace;
    }
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    ::ptrace(PTRACE_SYSCALL, child, nullptr, nullptr);
    while (::waitpid(child, &status, 0) == child) {
        if (WIFEXITED(status)) {
            return WEXITSTATUS(status) == 3 ? KillResult::CannotTrace : KillResult::RanToTheEnd;
        }
        if (WIFSIGNALED(status)) {
            return KillResult::RanToTheEnd;
        }
        int deliver = 0;
        if (WSTOPSIG(status) == (SIGTRAP | 0x80)) {
            user_regs_struct registers{};
            ::ptrace(PTRACE_GETREGS, child, nullptr, &registers);
            const auto call = static_cast<long>(registers.orig_rax);
            if (call == SYS_rename || call == SYS_renameat || call == SYS_renameat2 ||
                call == SYS_link || call == SYS_linkat) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return KillResult::KilledAtRename;
            }
        } else {
            deliver = WSTOPSIG(status);
        }
        ::ptrace(PTRACE_SYSCALL, child, nullptr, deliver);
    }
    return KillResult::CannotTrace;
#else
    (void)work;
    return KillResult::CannotTrace;
#endif
}

}  // namespace vevuzer::testing
