#pragma once
// libcurl inside this layer: owning pointers for its handles and the mapping
// of its error codes to WinInet's. Included only from .cpp files.

#include "platform/kernel/WinTypes.h"

#include <curl/curl.h>

#include <memory>

namespace quilbex::wininet {

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlSharePtr = std::unique_ptr<CURLSH, CurlShareDeleter>;

// Runs curl_global_init once per process, before the first handle is made.
void ensure_curl_initialised();

// The WinInet error code for a failed transfer.
win::DWORD map_curl_error(CURLcode code);

// Appends one line to a header list; false when libcurl is out of memory.
bool append_header(CurlSlistPtr& list, const char* line);

}  // namespace quilbex::wininet
