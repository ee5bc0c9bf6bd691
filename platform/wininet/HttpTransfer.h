#pragma once
// One HTTP exchange with libcurl: one request, one final response, no
// redirect followed (the request handle decides about redirects). The body is
// received whole into memory. Internal to this layer.

#include "platform/kernel/WinTypes.h"
#include "platform/wininet/NetworkSettings.h"
#include "platform/wininet/RequestFailure.h"

#include <atomic>
#include <string>
#include <vector>

namespace quilbex::wininet {

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
