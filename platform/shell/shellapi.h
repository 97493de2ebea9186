// Opening files and web addresses the way the desktop would, and finding the program that opens a
// file. Programs are started detached, with their arguments passed as an argument list: no shell
// ever sees a file name, an address or a parameter.
//
// The desktop's associations come from xdg-open and xdg-mime (the freedesktop.org tools), falling
// back to reading the mimeapps.list files the same tools read. Window show states are accepted and
// ignored: the desktop decides how a started program's window appears.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/win_errors.h"
#include "platform/core/win_types.h"

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;

inline constexpr int MAX_PATH = 260;

// Results of 32 or less are failures; these are the ones this layer returns, with
// ERROR_BAD_FORMAT (a file that is not a program it can start).
inline constexpr std::intptr_t SE_ERR_OUT_OF_RESOURCES = 0;
inline constexpr std::intptr_t SE_ERR_FNF = 2;  // file not found (ERROR_FILE_NOT_FOUND)
inline constexpr std::intptr_t SE_ERR_PNF = 3;  // folder not found (ERROR_PATH_NOT_FOUND)
inline constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr std::intptr_t SE_ERR_OOM = 8;
inline constexpr std::intptr_t SE_ERR_NOASSOC = 31;  // nothing is associated with the file
// What a success returns (any value above 32 means success).
inline constexpr std::intptr_t SE_SUCCESS = 42;

// Carries out `operation` on `file`:
// - "open" (or null/empty): a web address ("scheme:...") or a document or folder opens in the
//   desktop's handler through xdg-open; a program (a binary or a "#!" script with execute
//   permission) starts with `parameters` split into arguments by the Windows command-line rules,
//   in `directory` when given.
// - "edit": the file opens in the text editor, as shell::openInTextEditor.
// - anything else: SE_ERR_NOASSOC.
// A relative file name is taken from `directory` (when given) or the current folder; a bare
// program name is also looked up on PATH. Returns > 32 once the program started; SE_ERR_FNF or
// SE_ERR_PNF for a missing file or folder; SE_ERR_NOASSOC when no handler exists.
HINSTANCE ShellExecuteA(HWND window, const char* operation, const char* file,
                        const char* parameters, const char* directory, int showCommand);

// Finds the program that opens `file` (which must exist) and writes its full path into `result`,
// which must have room for MAX_PATH characters. A program (a binary or a "#!" script with
// execute permission) is its own program. Otherwise
// the desktop's default application for the file's type is asked for; when there is none but
// xdg-open is installed, xdg-open is the program (it opens anything the desktop can open).
// Returns > 32 on success; SE_ERR_FNF / SE_ERR_PNF for a missing file or folder, SE_ERR_NOASSOC
// when nothing opens it, SE_ERR_OOM when the path does not fit. `result` is "" on failure.
HINSTANCE FindExecutableA(const char* file, const char* directory, char* result);

namespace shell {

inline bool succeeded(HINSTANCE result) {
    return reinterpret_cast<std::intptr_t>(result) > 32;
}
inline std::intptr_t codeOf(HINSTANCE result) {
    return reinterpret_cast<std::intptr_t>(result);
}

// Opens a text file in the user's text editor, detached (what "notepad <file>" does elsewhere).
// The editor is the desktop's handler for the file (xdg-open) when xdg-open is installed, else the
// program named by $VISUAL. $EDITOR is not used: it names a terminal editor, which a program
// without a terminal cannot show. A missing file in an existing folder still starts the editor on
// it (the desktop's text/plain application, else $VISUAL), which reports the missing file itself;
// a missing folder gives SE_ERR_PNF. Other codes as ShellExecuteA.
std::intptr_t openInTextEditor(const std::string& path);

}  // namespace shell
