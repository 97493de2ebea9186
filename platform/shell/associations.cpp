#include "platform/shell/associations.h"

#include <QMimeDatabase>
#include <QString>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/core/folders.h"
#include "platform/shell/command_line.h"
#include "platform/shell/launch.h"

namespace fs = std::filesystem;

namespace shell {
namespace {

constexpr int kQueryTimeoutMs = 5000;

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : fallback;
}

std::vector<fs::path> splitFolders(const std::string& list) {
    std::vector<fs::path> folders;
    std::string_view rest = list;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        if (colon != 0) {
            folders.emplace_back(std::string(rest.substr(0, colon)));
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

fs::path home() {
    return envOr("HOME", "/");
}

fs::path configHome() {
    return envOr("XDG_CONFIG_HOME", (home() / ".config").string());
}
fs::path dataHome() {
    return envOr("XDG_DATA_HOME", (home() / ".local/share").string());
}
std::vector<fs::path> configDirs() {
    return splitFolders(envOr("XDG_CONFIG_DIRS", "/etc/xdg"));
}
std::vector<fs::path> dataDirs() {
    return splitFolders(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
}

// Where mimeapps.list files live, most important first.
std::vector<fs::path> mimeappsLists() {
    std::vector<fs::path> lists{configHome() / "mimeapps.list"};
    for (const auto& dir : configDirs()) {
        lists.push_back(dir / "mimeapps.list");
    }
    lists.push_back(dataHome() / "applications" / "mimeapps.list");
    for (const auto& dir : dataDirs()) {
        lists.push_back(dir / "applications" / "mimeapps.list");
    }
    return lists;
}

// The value of `key` in `[section]` of a desktop-style key file.
std::optional<std::string> keyFileValue(std::string_view content, std::string_view section,
                                        std::string_view key) {
    bool inSection = false;
    while (!content.empty()) {
        const auto end = content.find('\n');
        const std::string line = trimmed(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.front() == '[') {
            inSection = line == "[" + std::string(section) + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (inSection && equals != std::string::npos && trimmed(line.substr(0, equals)) == key) {
            return trimmed(std::string_view(line).substr(equals + 1));
        }
    }
    return std::nullopt;
}

std::vector<std::string> splitIds(std::string_view list) {
    std::vector<std::string> ids;
    while (!list.empty()) {
        const auto semicolon = list.find(';');
        if (auto id = trimmed(list.substr(0, semicolon)); !id.empty()) {
            ids.push_back(std::move(id));
        }
        if (semicolon == std::string_view::npos) {
            break;
        }
        list.remove_prefix(semicolon + 1);
    }
    return ids;
}

// The program of an installed desktop entry, "" when the entry or its program is missing.
std::string programOfDesktopEntry(const std::string& id) {
    std::vector<fs::path> folders{dataHome() / "applications"};
    for (const auto& dir : dataDirs()) {
        folders.push_back(dir / "applications");
    }
    for (const auto& folder : folders) {
        const auto content = core::readFile(folder / id);
        if (!content) {
            continue;
        }
        const auto exec = keyFileValue(*content, "Desktop Entry", "Exec");
        return exec ? findProgram(execProgram(*exec)) : std::string();
    }
    return {};
}

std::string askXdgMime(const std::string& mimeType) {
    const std::string xdgMime = findProgram("xdg-mime");
    if (xdgMime.empty()) {
        return {};
    }
    const auto answer = runForOutput({xdgMime, "query", "default", mimeType}, kQueryTimeoutMs);
    return answer ? trimmed(*answer) : std::string();
}

std::string fromMimeappsLists(const std::string& mimeType) {
    for (const char* section : {"Default Applications", "Added Associations"}) {
        for (const auto& list : mimeappsLists()) {
            const auto content = core::readFile(list);
            const auto ids = content ? keyFileValue(*content, section, mimeType) : std::nullopt;
            for (const auto& id : ids ? splitIds(*ids) : std::vector<std::string>{}) {
                if (auto program = programOfDesktopEntry(id); !program.empty()) {
                    return program;
                }
            }
        }
    }
    return {};
}

}  // namespace

std::string mimeTypeOf(const fs::path& file) {
    return QMimeDatabase()
        .mimeTypeForFile(QString::fromStdString(file.string()))
        .name()
        .toStdString();
}

std::string defaultProgramFor(const std::string& mimeType) {
    if (const std::string id = askXdgMime(mimeType); !id.empty()) {
        if (auto program = programOfDesktopEntry(id); !program.empty()) {
            return program;
        }
    }
    return fromMimeappsLists(mimeType);
}

}  // namespace shell
