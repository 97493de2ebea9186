// Starting programs: the one place where this layer creates processes, and its test seam.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The full path of `name`: itself when it contains a "/", else the first executable file of that
// name in the folders of $PATH. Empty when there is none.
std::string findProgram(std::string_view name);

// Starts argv[0] (a full path) with the arguments argv[1..], detached in its own session, in
// `directory` when it is not empty, with standard input and output on /dev/null. Never waits for
// it. Returns 0 or the errno of the failure (ENOENT, EACCES, ENOEXEC ...).
int startDetached(const std::vector<std::string>& argv, const std::string& directory = {});

// Runs argv[0] (a full path) and returns what it printed, or nothing when it failed, exited with
// a non-zero status or took longer than `timeoutMs` (then it is killed). For short queries such
// as xdg-mime's.
std::optional<std::string> runForOutput(const std::vector<std::string>& argv, int timeoutMs);

// Test seam: while `stubProgram` is not empty, startDetached runs it instead of argv[0], with the
// original argv (program first) as its arguments. The program is still looked for first, so the
// failures of a missing program are unchanged. Returns the previous setting.
std::string redirectStartsTo(std::string stubProgram);

}  // namespace shell
