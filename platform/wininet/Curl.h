#pragma once
// libcurl inside this layer: owning pointers for its handles and the mapping
// of its error codes to WinInet's. Included only from .cpp files.

#include "platform/kernel/WinTypes.h"

#include <curl/curl.h>
#include <memory>

namespace quilbex::wininet {

// libcurl's functions as this layer calls them. The library is loaded when
// the first transfer or cookie operation needs it, as the browser engine is:
// a run that never goes on the network does not pay, at start-up or in
// memory, for libcurl and the protocol and TLS libraries it brings.
struct CurlApi {
    CURLcode (*global_init)(long flags);
    CURL* (*easy_init)();
    void (*easy_cleanup)(CURL* easy);
    CURLcode (*easy_setopt)(CURL* easy, CURLoption option, ...);
    CURLcode (*easy_perform)(CURL* easy);
    CURLcode (*easy_getinfo)(CURL* easy, CURLINFO info, ...);
    const char* (*easy_strerror)(CURLcode code);
    curl_slist* (*slist_append)(curl_slist* list, const char* line);
    void (*slist_free_all)(curl_slist* list);
    CURLSH* (*share_init)();
    CURLSHcode (*share_setopt)(CURLSH* share, CURLSHoption option, ...);
    CURLSHcode (*share_cleanup)(CURLSH* share);
    // The library's handle: its TLS library's functions are looked up
    // through it (OpenSsl.h), so that they are the ones it was linked with.
    void* library;
};

// Loads libcurl and runs its global initialisation once per process; false
// when the library or one of its functions cannot be found (every later call
// answers the same).
bool ensure_curl_initialised();

// The loaded library's functions; only after ensure_curl_initialised() has
// returned true (a handle that exists implies it).
const CurlApi& curl();

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl().easy_cleanup(easy); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl().slist_free_all(list); }
};
struct CurlShareDeleter {
    void operator()(CURLSH* share) const { curl().share_cleanup(share); }
};

using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlSharePtr = std::unique_ptr<CURLSH, CurlShareDeleter>;

// The WinInet error code for a failed transfer.
win::DWORD map_curl_error(CURLcode code);

// Appends one line to a header list; false when libcurl is out of memory.
bool append_header(CurlSlistPtr& list, const char* line);

}  // namespace quilbex::wininet
