// The program's folders and the file helpers every subsystem uses.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// The program folder: $BELLTALE_HOME, else $XDG_DATA_HOME/belltale, else ~/.local/share/belltale.
// Created when missing, for its user only (0700). Read anew on every call, so a test may point it
// elsewhere.
std::filesystem::path programFolder();
// The same folder, without creating it: nothing when it does not exist yet.
std::optional<std::filesystem::path> existingProgramFolder();
// Whether the program folder exists, or can be made, and a file can be written in it; when not,
// false with the reason.
bool programFolderWritable(std::string* error = nullptr);
// The stand-in for the Windows folder: "windows" inside the program folder; created when missing.
std::filesystem::path windowsFolder();
// This user's runtime folder for sockets: $XDG_RUNTIME_DIR/belltale, owner-only; created. Without
// XDG_RUNTIME_DIR, belltale-<uid> in the temporary folder when it is a real folder of this user
// with mode 0700 (made so when missing); otherwise a private folder made beside it, said on stderr.
std::filesystem::path runtimeFolder();
// The shipped assets: $BELLTALE_ASSETS, else the source tree's vevuzer/assets.
std::filesystem::path assetsFolder();

// Copies every shipped asset missing from the program folder; existing files are left alone.
// Returns false (with the reason) when a copy fails.
bool fillProgramFolder(std::string* error = nullptr);

// Finds `path` matching each component without regard to ASCII case, as Windows would, and returns
// the name as stored on disk. An exact match wins over a case-insensitive one.
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& path);

// Replaces a file's content safely: writes a temporary copy beside it, flushes it, then renames it
// over the original. On any failure the original is untouched and false is returned with a reason.
// The new file has the mode of the file it replaces, or `newFileMode` when there was none.
bool rewriteFile(const std::filesystem::path& path, std::string_view content,
                 std::string* error = nullptr, unsigned newFileMode = 0644);
// Removes the temporary copies ".<name>.tmp-<pid>-<n>" that a rewrite by a process no longer alive
// left in `folder`. rewriteFile sweeps a folder the first time it writes there; a program calls
// this at start for folders it may not write to.
void removeStaleTemporaries(const std::filesystem::path& folder);
// Appends `line` and CR LF to a text file (created when missing) with one write on an append-only
// descriptor, so lines of several processes never mix. When the file's last line has no line end
// (edited by hand), one is written first so the new line does not join it. False when it fails.
bool appendLine(const std::filesystem::path& path, std::string_view line);
std::optional<std::string> readFile(const std::filesystem::path& path);
// A text file the user may have brought from Windows, as UTF-8 (see windowsTextToUtf8).
std::optional<std::string> readTextFile(const std::filesystem::path& path);

}  // namespace core
