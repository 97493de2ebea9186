#include "platform/shell/command_line.h"

namespace shell {

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            inArgument = true;
            if (i < line.size() && line[i] == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) {
                args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
        ++i;
    }
    if (inArgument) {
        args.push_back(std::move(current));
    }
    return args;
}

// Exec values are first unescaped as desktop-entry strings ("\s" is a blank), then split: a quoted
// argument may escape '"', '`', '$' and '\' with a backslash.
std::string execProgram(std::string_view value) {
    std::string program;
    bool quoted = false;
    bool started = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size() && value[i + 1] == 's') {
            c = ' ';
            ++i;
        } else if (c == '\\' && i + 1 < value.size()) {
            c = value[++i];
            program += c;
            started = true;
            continue;
        } else if (c == '"') {
            quoted = !quoted;
            started = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted) {
            if (started) {
                break;
            }
            continue;
        }
        program += c;
        started = true;
    }
    return program;
}

}  // namespace shell
