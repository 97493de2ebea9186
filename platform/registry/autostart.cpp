#include "platform/registry/autostart.h"

#include <pwd.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/registry/hive_format.h"
#include "platform/registry/hive_store.h"

namespace registry::detail {
namespace {

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        return user->pw_dir;
    }
    return "/";
}

// The vevuzer program beside the running one: programs and tools are installed (and built) into
// one folder, and a running vevuzer finds itself this way. Failing that, the one on the PATH.
std::filesystem::path vevuzerProgram() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = self.parent_path() / "vevuzer";
        if (std::filesystem::exists(beside, error)) {
            return beside;
        }
    }
    return "vevuzer";
}

// One argument of an Exec line: quoted when it holds a character the desktop entry format reserves,
// with the characters that stay special inside quotes escaped; "%" is doubled in any case, as a
// single one would start a field code.
std::string execArgument(std::string_view argument) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    const bool quote = argument.find_first_of(kReserved) != std::string_view::npos;
    for (char c : argument) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out += '\\';
        }
        out += c;
    }
    return quote ? "\"" + out + "\"" : out;
}

// The escapes of a desktop entry's string values; they apply to the whole Exec line too, on top of
// its own quoting, so a backslash inside a quoted argument ends up written four times.
std::string entryString(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string entryText(std::string_view valueName) {
    // The Run value holds a Windows-style command, the program folder followed by the Windows
    // program's file name, and that names nothing that can run here. What the value means is
    // "start this program when the user logs on", so the entry starts vevuzer itself, on the same
    // program folder (and so the same registry and settings) as the process that wrote the value.
    const std::string exec = execArgument("env") + " " +
                             execArgument("BELLTALE_HOME=" + core::programFolder().string()) + " " +
                             execArgument(vevuzerProgram().string());
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           entryString(valueName) +
           "\n"
           "Comment=Starts " +
           entryString(valueName) +
           " when you log in\n"
           "Exec=" +
           entryString(exec) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace

const std::vector<std::string>& runKeyPath() {
    static const std::vector<std::string> path = {"SOFTWARE", "Microsoft", "Windows",
                                                  "CurrentVersion", "Run"};
    return path;
}

bool containsRunKey(const std::vector<std::string>& path) {
    const auto& run = runKeyPath();
    return path.size() <= run.size() && std::equal(path.begin(), path.end(), run.begin(),
                                                   [](const std::string& a, const std::string& b) {
                                                       return core::equalsNoCase(a, b);
                                                   });
}

bool isRunKeyPath(const std::vector<std::string>& path) {
    return path.size() == runKeyPath().size() && containsRunKey(path);
}

std::filesystem::path autostartFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative path here.
    if (configHome && std::filesystem::path(configHome).is_absolute()) {
        return std::filesystem::path(configHome) / "autostart";
    }
    return homeFolder() / ".config" / "autostart";
}

std::filesystem::path autostartEntry(std::string_view valueName) {
    std::string safe;
    for (char c : valueName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        safe += plain ? c : '_';
    }
    return autostartFolder() / ("belltale-" + safe + ".desktop");
}

void runValueSet(std::string_view valueName, DWORD type, std::string_view data) {
    const std::string_view command = data.substr(0, data.find('\0'));
    if (valueName.empty() || !isStringType(type) || command.empty()) {
        runValueRemoved(valueName);
        return;
    }
    const std::filesystem::path entry = autostartEntry(valueName);
    std::error_code ignored;
    std::filesystem::create_directories(entry.parent_path(), ignored);
    std::string error;
    if (!core::rewriteFile(entry, entryText(valueName), &error)) {
        reportProblem("the autostart entry " + entry.string() + " cannot be written (" + error +
                      ")");
    }
}

void runValueRemoved(std::string_view valueName) {
    if (valueName.empty()) {
        return;  // a key's default value is no program to start
    }
    const std::filesystem::path entry = autostartEntry(valueName);
    std::error_code error;
    std::filesystem::remove(entry, error);
    if (error) {
        reportProblem("the autostart entry " + entry.string() + " cannot be removed (" +
                      error.message() + ")");
    }
}

}  // namespace registry::detail
