// The program's folders and the file helpers every subsystem uses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// The program folder: $BELLTALE_HOME, else $XDG_DATA_HOME/belltale, else ~/.local/share/belltale.
// Created when missing, for its user only (0700). Read anew on every call, so a test may point it
// elsewhere; within one event (see fileLook) the environment and the folder are looked at once.
std::filesystem::path programFolder();
// programFolder() / name, made once an event (see fileLook) for each name: an event names the
// same few files many times. The path stays valid until the next call on this thread.
const std::filesystem::path& programFile(std::string_view name);
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
// the name as stored on disk. An exact match wins over a case-insensitive one. A folder's listing
// is read again only when the folder changed (or changed too recently for its times to tell).
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
// appendLine to the file findFileNoCase finds for `path`, else to `path` itself.
bool appendLineNoCase(const std::filesystem::path& path, std::string_view line);

// While one lives on this thread, appendLine keeps each file it appended to open, so the lines of
// one event cost a write each and not a look-up, an open and a close; the outermost one closes
// them when it ends. Every line still looks under the lock whether the file was replaced (by a
// rewrite) or removed meanwhile, and then goes to the file now under its name; a file renamed
// away gets the rest of the scope's lines, and the next scope follows the name again.
class AppendScope {
  public:
    AppendScope();
    ~AppendScope();
    AppendScope(const AppendScope&) = delete;
    AppendScope& operator=(const AppendScope&) = delete;
};

// While an AppendScope lives on this thread, a number that stays the same until the next event or
// until this process rewrites a file (rewriteFile); 0 outside one. A cache that looked at its
// file's state under this number may trust that look for the rest of the event: a change by
// another process is seen at the next event. The program folder is looked at once an event so.
std::uint64_t fileLook();

// For measurements: false reads every folder listing afresh, opens and closes a file for every
// line and makes fileLook 0, as without the listings kept, AppendScope and fileLook. True at start.
void keepFileState(bool keep);
std::optional<std::string> readFile(const std::filesystem::path& path);
// A text file the user may have brought from Windows, as UTF-8 (see windowsTextToUtf8).
std::optional<std::string> readTextFile(const std::filesystem::path& path);

}  // namespace core
