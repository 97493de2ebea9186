#include "platform/curl/curl_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace curlrt {
namespace {

constexpr const char* kDefaultLibrary = "libcurl.so.4";

struct Loaded {
    std::string name;  // the library these functions came from
    Functions functions{};
};

std::mutex gMutex;
Loaded* gLoaded = nullptr;  // never freed: the library stays loaded for the process's life

const char* wantedLibrary() {
    const char* named = std::getenv("BELLTALE_LIBCURL");
    return named && *named ? named : kDefaultLibrary;
}

template <typename Function>
bool resolve(void* handle, const char* symbol, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(dlsym(handle, symbol));
    if (!function && missing.empty())
        missing = symbol;
    return function != nullptr;
}

}  // namespace

const Functions* load(std::string* why) {
    const std::string wanted = wantedLibrary();
    std::lock_guard lock(gMutex);
    if (gLoaded && gLoaded->name == wanted)
        return &gLoaded->functions;

    const auto fail = [&](const std::string& reason) -> const Functions* {
        if (why)
            *why = "libcurl could not be loaded (" + reason + "): Internet transfers are off";
        return nullptr;
    };
    // RTLD_LOCAL: the layers reach libcurl only through these pointers, never by name.
    void* handle = dlopen(wanted.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        return fail(error ? error : wanted);
    }
    Functions functions{};
    std::string missing;
    using GlobalInit = CURLcode (*)(long);
    GlobalInit globalInit = nullptr;
    resolve(handle, "curl_global_init", globalInit, missing);
    resolve(handle, "curl_easy_init", functions.easy_init, missing);
    resolve(handle, "curl_easy_setopt", functions.easy_setopt, missing);
    resolve(handle, "curl_easy_perform", functions.easy_perform, missing);
    resolve(handle, "curl_easy_getinfo", functions.easy_getinfo, missing);
    resolve(handle, "curl_easy_cleanup", functions.easy_cleanup, missing);
    resolve(handle, "curl_easy_strerror", functions.easy_strerror, missing);
    resolve(handle, "curl_slist_append", functions.slist_append, missing);
    resolve(handle, "curl_slist_free_all", functions.slist_free_all, missing);
    if (!missing.empty()) {
        dlclose(handle);
        return fail(wanted + " has no " + missing);
    }
    if (const CURLcode code = globalInit(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
        dlclose(handle);
        return fail(wanted + " did not start: " + functions.easy_strerror(code));
    }
    // A library loaded before under another name stays loaded: a transfer may still be using it.
    gLoaded = new Loaded{wanted, functions};
    return &gLoaded->functions;
}

}  // namespace curlrt
