#include "platform/shell/shellapi.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/core/text.h"
#include "platform/shell/associations.h"
#include "platform/shell/command_line.h"
#include "platform/shell/launch.h"

namespace fs = std::filesystem;

namespace shell {
namespace {

HINSTANCE result(std::intptr_t code) {
    return reinterpret_cast<HINSTANCE>(code);
}

std::string_view textOf(const char* text) {
    return text != nullptr ? text : "";
}

// "http://...", "mailto:...": a scheme of two or more characters, so "C:" is never taken for one.
bool isAddress(std::string_view file) {
    const auto colon = file.find(':');
    if (colon == std::string_view::npos || colon < 2 ||
        !std::isalpha(static_cast<unsigned char>(file[0]))) {
        return false;
    }
    for (const char c : file.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

// A program is an executable file the system can run: a binary or a script with "#!". The
// permission alone does not decide, since some file systems mark every file executable and a help
// page there must still open in the browser.
bool isProgram(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), X_OK) != 0) {
        return false;
    }
    char magic[4] = {};
    std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
    return std::string_view(magic, 4) ==
               "\x7f"
               "ELF" ||
           std::string_view(magic, 2) == "#!";
}

struct Resolved {
    fs::path path;
    std::intptr_t failure = 0;  // SE_ERR_FNF or SE_ERR_PNF when the file is missing
};

// A relative name is taken from `directory` or the current folder; a bare name that is not found
// there is looked up on PATH, as a program name would be.
Resolved resolve(std::string_view file, std::string_view directory) {
    if (file.empty()) {
        return {{}, SE_ERR_FNF};
    }
    fs::path path(file);
    if (path.is_relative() && !directory.empty()) {
        path = fs::path(directory) / path;
    }
    std::error_code error;
    if (fs::exists(path, error)) {
        return {fs::absolute(path, error)};
    }
    if (file.find('/') == std::string_view::npos) {
        if (const std::string program = findProgram(file); !program.empty()) {
            return {program};
        }
    }
    const fs::path parent = fs::absolute(path, error).parent_path();
    return {path, fs::is_directory(parent, error) ? SE_ERR_FNF : SE_ERR_PNF};
}

std::intptr_t codeForStartFailure(int error) {
    switch (error) {
        case 0:
            return SE_SUCCESS;
        case ENOENT:
        case ENOTDIR:
            return SE_ERR_FNF;
        case ENOEXEC:
            return ERROR_BAD_FORMAT;
        case ENOMEM:
        case EAGAIN:
            return SE_ERR_OOM;
        default:
            return SE_ERR_ACCESSDENIED;
    }
}

std::intptr_t start(const std::vector<std::string>& argv, std::string_view directory = {}) {
    return codeForStartFailure(startDetached(argv, std::string(directory)));
}

// Opens something in the desktop's handler for it.
std::intptr_t openWithDesktop(const std::string& target) {
    const std::string xdgOpen = findProgram("xdg-open");
    if (xdgOpen.empty()) {
        return SE_ERR_NOASSOC;
    }
    return start({xdgOpen, target});
}

std::intptr_t open(std::string_view file, std::string_view parameters, std::string_view directory) {
    if (isAddress(file)) {
        return openWithDesktop(std::string(file));
    }
    const Resolved resolved = resolve(file, directory);
    if (resolved.failure != 0) {
        return resolved.failure;
    }
    if (!isProgram(resolved.path)) {
        return openWithDesktop(resolved.path.string());
    }
    std::vector<std::string> argv{resolved.path.string()};
    for (auto& arg : splitCommandLine(parameters)) {
        argv.push_back(std::move(arg));
    }
    return start(argv, directory);
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> result;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(" \t", pos)) != std::string_view::npos) {
        const auto end = text.find_first_of(" \t", pos);
        result.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return result;
}

std::intptr_t edit(const fs::path& path) {
    if (const std::string xdgOpen = findProgram("xdg-open"); !xdgOpen.empty()) {
        return start({xdgOpen, path.string()});
    }
    // $VISUAL may carry options ("gedit -s"); it is split at blanks, never given to a shell.
    const char* visual = std::getenv("VISUAL");
    std::vector<std::string> argv = words(visual != nullptr ? visual : "");
    if (argv.empty() || (argv[0] = findProgram(argv[0])).empty()) {
        return SE_ERR_NOASSOC;
    }
    argv.push_back(path.string());
    return start(argv);
}

}  // namespace

// A file that does not exist yet, in a folder that does: xdg-open refuses a missing file, so the
// desktop's text editor is started on it directly, as "notepad <file>" is, and says itself that
// the file is missing (or offers to create it).
std::intptr_t editMissing(const fs::path& path) {
    std::vector<std::string> argv;
    if (const std::string program = defaultProgramFor("text/plain"); !program.empty()) {
        argv.push_back(program);
    } else {
        const char* visual = std::getenv("VISUAL");
        argv = words(visual != nullptr ? visual : "");
        if (argv.empty() || (argv[0] = findProgram(argv[0])).empty()) {
            return SE_ERR_NOASSOC;
        }
    }
    std::error_code error;
    argv.push_back(fs::absolute(path, error).string());
    return start(argv);
}

std::intptr_t openInTextEditor(const std::string& path) {
    const Resolved resolved = resolve(path, {});
    if (resolved.failure == SE_ERR_FNF) {
        return editMissing(resolved.path);
    }
    return resolved.failure != 0 ? resolved.failure : edit(resolved.path);
}

}  // namespace shell

HINSTANCE ShellExecuteA(HWND /*window*/, const char* operation, const char* file,
                        const char* parameters, const char* directory, int /*showCommand*/) {
    const std::string_view verb = shell::textOf(operation);
    if (verb.empty() || core::equalsNoCase(verb, "open")) {
        return shell::result(
            shell::open(shell::textOf(file), shell::textOf(parameters), shell::textOf(directory)));
    }
    if (core::equalsNoCase(verb, "edit")) {
        const auto resolved = shell::resolve(shell::textOf(file), shell::textOf(directory));
        return shell::result(resolved.failure != 0 ? resolved.failure : shell::edit(resolved.path));
    }
    return shell::result(SE_ERR_NOASSOC);
}

HINSTANCE FindExecutableA(const char* file, const char* directory, char* result) {
    if (result == nullptr) {
        return shell::result(SE_ERR_OUT_OF_RESOURCES);
    }
    result[0] = '\0';
    const auto resolved = shell::resolve(shell::textOf(file), shell::textOf(directory));
    if (resolved.failure != 0) {
        return shell::result(resolved.failure);
    }
    std::string program;
    if (shell::isProgram(resolved.path)) {
        program = resolved.path.string();
    } else {
        program = shell::defaultProgramFor(shell::mimeTypeOf(resolved.path));
    }
    if (program.empty()) {
        program = shell::findProgram("xdg-open");  // it opens whatever the desktop can open
    }
    if (program.empty()) {
        return shell::result(SE_ERR_NOASSOC);
    }
    if (program.size() >= static_cast<std::size_t>(MAX_PATH)) {
        return shell::result(SE_ERR_OOM);
    }
    std::memcpy(result, program.c_str(), program.size() + 1);
    return shell::result(SE_SUCCESS);
}
