#include "platform/core/loaded_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace core {

void* LibrarySymbols::find(const char* symbol) {
    void* found = dlsym(m_handle, symbol);
    if (!found && m_missing.empty())
        m_missing = symbol;
    return found;
}

std::string besideLibraryOf(const void* address, const char* file) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return file;
    return (std::filesystem::path(info.dli_fname).parent_path() / file).string();
}

namespace detail {

void* openLibrary(const std::string& file, std::string& reason) {
    // RTLD_LOCAL: the layers reach the library only through the resolved pointers, never by name.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        reason = error ? error : file;
    }
    return handle;
}

void closeLibrary(void* handle) {
    dlclose(handle);
}

std::string wantedLibrary(const char* variable, const char* usualFile) {
    const char* named = std::getenv(variable);
    return named && *named ? named : usualFile;
}

}  // namespace detail
}  // namespace core
