// The readers of the text files a user may bring or edit: the address book's look-up, the blocked
// and e-mail lists, the lines of the call log, and the decoding of Windows text. The first line of
// the input is the number looked up, the rest the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/core/text.h"
#include "vevuzer/monitoring/number_list.h"
#include "vevuzer/records/INIFuncs.h"
#include "vevuzer/shell/text_helpers.h"

namespace {

// A plain buffer, so the folder's name is still there when the exit handler removes it.
char g_folder[4096];

const std::filesystem::path& folder() {
    static const std::filesystem::path made = [] {
        const std::string pattern =
            (std::filesystem::temp_directory_path() / "belltale-fuzz-XXXXXX").string();
        std::snprintf(g_folder, sizeof g_folder, "%s", pattern.c_str());
        ::mkdtemp(g_folder);
        ::setenv("BELLTALE_HOME", g_folder, 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(g_folder, ignored);
        });
        return std::filesystem::path(g_folder);
    }();
    return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view key = input.substr(0, newline);
    const std::string_view file =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const std::filesystem::path book = folder() / "directory.ini";
    std::ofstream(book, std::ios::binary | std::ios::trunc) << file;
    std::ofstream(folder() / "blocked.txt", std::ios::binary | std::ios::trunc) << file;

    const std::string name = INIFuncs::ReadIniValue(book.string(), "callers", key, "");
    if (name.size() > file.size() * 3)  // Windows text grows at most threefold as UTF-8
        __builtin_trap();
    (void)vevuzer::numberListed("blocked.txt", key);
    const std::string utf8 = core::windowsTextToUtf8(file);
    if (!core::isValidUtf8(utf8))
        __builtin_trap();
    for (const std::string& line : vevuzer::linesOf(utf8))
        (void)vevuzer::textLength(line);
    return 0;
}
