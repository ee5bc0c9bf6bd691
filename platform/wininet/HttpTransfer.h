#pragma once
// One HTTP exchange with libcurl: one request, one final response, no
// redirect followed (the request handle decides about redirects). The body is
// received whole into memory, up to kBodyLimit bytes: a longer body is cut
// there and reads as a connection broken off after those bytes (the body's
// error is ERROR_INTERNET_CONNECTION_ABORTED), so that no server can make the
// program hold or scan more than that. Internal to this layer.

#include "platform/kernel/WinTypes.h"
#include "platform/wininet/NetworkSettings.h"
#include "platform/wininet/RequestFailure.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace quilbex::wininet {

// The forum's pages are some hundred kilobytes and its API's replies short;
// the limit leaves room for large downloads (50 MB bodies are read whole)
// while no server can make a process hold an unbounded body.
inline constexpr std::size_t kBodyLimit = 64 * 1024 * 1024;

struct TransferSpec {
    std::string url;
    std::string verb;
    std::vector<std::string> header_lines;  // the block to send, in order
    const std::string* body = nullptr;  // null: no body
    std::string agent;  // sent as User-Agent when the block has none
    bool use_cookie_store = true;
    win::DWORD connect_timeout_ms = 0;  // 0: no limit
    win::DWORD receive_timeout_ms = 0;  // 0: no limit; time without any byte moving
    NetworkSettings network;  // trust and proxy
    const std::atomic<bool>* cancelled = nullptr;  // set when the handle is closed meanwhile
};

struct TransferResult {
    // ERROR_SUCCESS, or why no response was received.
    win::DWORD error = 0;
    RequestFailure failure;  // why, when error is set
    long status = 0;
    std::vector<std::string> header_lines;  // status line first, without line ends
    std::string body;
    // Set when the response head arrived but its body did not complete.
    win::DWORD body_error = 0;
    std::string redirect_url;  // the absolute Location of a 3xx response, if any
};

TransferResult perform_transfer(const TransferSpec& order);

}  // namespace quilbex::wininet
