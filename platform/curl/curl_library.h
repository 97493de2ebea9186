// libcurl, loaded on first use rather than linked: its chain of libraries (TLS, Kerberos, LDAP,
// SSH, HTTP/2 ...) costs every start of the program, while only mail and the update check need
// it. A layer that transfers asks for the functions here when a transfer begins; when libcurl
// cannot be loaded, that transfer fails with the reason and the program runs on without it.
//
// The library loaded is "libcurl.so.4", or the file named by BELLTALE_LIBCURL when it is set.
// Thread-safe.
#pragma once

#include <curl/curl.h>

#include <string>

namespace curlrt {

// The libcurl functions the layers use, resolved from the loaded library.
struct Functions {
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_perform)(CURL*);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    void (*easy_cleanup)(CURL*);
    const char* (*easy_strerror)(CURLcode);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
};

// The functions, loading and initialising libcurl the first time; null when it cannot be loaded,
// and then `why` (when given) says so in words fit for the user, naming the library and the
// loader's reason. A failure is not remembered: a later call tries again.
const Functions* load(std::string* why = nullptr);

}  // namespace curlrt
