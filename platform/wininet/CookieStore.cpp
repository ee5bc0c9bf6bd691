#include "platform/wininet/CookieStore.h"

#include "platform/wininet/Curl.h"

#include <array>
#include <mutex>

namespace quilbex::wininet {

namespace {

// One mutex per kind of shared data, as libcurl asks for.
std::array<std::mutex, CURL_LOCK_DATA_LAST>& share_mutexes() {
    static std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
    return mutexes;
}

void lock_share(CURL*, curl_lock_data data, curl_lock_access, void*) { share_mutexes()[data].lock(); }
void unlock_share(CURL*, curl_lock_data data, void*) { share_mutexes()[data].unlock(); }

CURLSH* cookie_share() {
    // Created on first use and kept until the process ends: requests may still
    // be running on worker threads while static destructors run.
    static CURLSH* share = [] {
        if (!ensure_curl_initialised())
            return static_cast<CURLSH*>(nullptr);
        CURLSH* s = curl().share_init();
        curl().share_setopt(s, CURLSHOPT_LOCKFUNC, lock_share);
        curl().share_setopt(s, CURLSHOPT_UNLOCKFUNC, unlock_share);
        curl().share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        return s;
    }();
    return share;
}

// A temporary handle on the store for list and clear operations.
CurlEasyPtr store_handle() {
    if (!ensure_curl_initialised())
        return nullptr;
    CurlEasyPtr easy(curl().easy_init());
    if (easy)
        attach_cookie_store(easy.get());
    return easy;
}

}  // namespace

void attach_cookie_store(CURL* easy) {
    curl().easy_setopt(easy, CURLOPT_SHARE, cookie_share());
    // An empty file name switches the cookie engine on without reading a file.
    curl().easy_setopt(easy, CURLOPT_COOKIEFILE, "");
}

std::string cookie_store_dump() {
    CurlEasyPtr easy = store_handle();
    if (!easy)
        return {};
    curl_slist* raw = nullptr;
    if (curl().easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &raw) != CURLE_OK)
        return {};
    CurlSlistPtr list(raw);
    std::string out;
    for (curl_slist* item = list.get(); item; item = item->next) {
        out += item->data;
        out += '\n';
    }
    return out;
}

void clear_cookie_store() {
    CurlEasyPtr easy = store_handle();
    if (easy)
        curl().easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
}

}  // namespace quilbex::wininet
