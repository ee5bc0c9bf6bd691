#pragma once
// The process-wide cookie store shared by every request that does not opt out
// with INTERNET_FLAG_NO_COOKIES: a libcurl share handle holding the cookie
// jar, guarded by its lock callbacks so that requests on several threads may
// use it at once. It lives in memory only, for the life of the process.

#include <curl/curl.h>
#include <string>

namespace quilbex::wininet {

// Lets `easy` send cookies from the store and put received ones into it.
void attach_cookie_store(CURL* easy);

// The stored cookies in Netscape file lines, for tests and diagnostics.
std::string cookie_store_dump();

// Forgets every stored cookie.
void clear_cookie_store();

}  // namespace quilbex::wininet
