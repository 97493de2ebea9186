#include "platform/curl/curl_library.h"

#include "platform/core/loaded_library.h"

namespace curlrt {
namespace {

std::string bind(core::LibrarySymbols& symbols, Functions& functions) {
    using GlobalInit = CURLcode (*)(long);
    GlobalInit globalInit = nullptr;
    symbols.resolve("curl_global_init", globalInit);
    symbols.resolve("curl_easy_init", functions.easy_init);
    symbols.resolve("curl_easy_setopt", functions.easy_setopt);
    symbols.resolve("curl_easy_perform", functions.easy_perform);
    symbols.resolve("curl_easy_getinfo", functions.easy_getinfo);
    symbols.resolve("curl_easy_cleanup", functions.easy_cleanup);
    symbols.resolve("curl_easy_strerror", functions.easy_strerror);
    symbols.resolve("curl_slist_append", functions.slist_append);
    symbols.resolve("curl_slist_free_all", functions.slist_free_all);
    if (!symbols.complete())
        return {};
    if (const CURLcode code = globalInit(CURL_GLOBAL_DEFAULT); code != CURLE_OK)
        return std::string("did not start: ") + functions.easy_strerror(code);
    return {};
}

core::LoadedLibrary<Functions> gLibrary("libcurl", "Internet transfers are off", "BELLTALE_LIBCURL",
                                        "libcurl.so.4", bind);

}  // namespace

const Functions* load(std::string* why) {
    return gLibrary.load(why);
}

}  // namespace curlrt
