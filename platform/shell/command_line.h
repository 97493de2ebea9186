// Internal: the two command-line notations this layer reads. Neither is ever handed to a shell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Splits a Windows command line (the parameters of ShellExecuteA) into arguments: blanks and tabs
// separate; double quotes group; 2n backslashes before a quote give n backslashes and the quote
// groups, 2n+1 give n backslashes and a literal quote; other backslashes are literal.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The program of a desktop entry's Exec value: its first argument, quotes and escapes removed.
std::string execProgram(std::string_view execValue);

}  // namespace shell
