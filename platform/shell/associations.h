// Internal: the desktop's default application for a kind of file.
#pragma once

#include <filesystem>
#include <string>

namespace shell {

// The MIME type of an existing file, by its name and content ("application/octet-stream" when
// nothing better is known).
std::string mimeTypeOf(const std::filesystem::path& file);

// The full path of the program of the desktop's default application for `mimeType`, or "" when
// there is none. Asks `xdg-mime query default` when xdg-mime is installed; otherwise reads the
// mimeapps.list files ([Default Applications], then [Added Associations]) in freedesktop.org's
// lookup order. The application's desktop entry is found under the XDG data folders and
// its program is the first word of its Exec line, looked up on PATH.
std::string defaultProgramFor(const std::string& mimeType);

}  // namespace shell
