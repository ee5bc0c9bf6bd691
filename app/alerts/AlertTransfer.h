#pragma once
// What the alert channels share of libcurl: a transfer handle set up with the
// program's TLS trust and bounded in time, and the text of an error. An alert
// must never hold up the run that sends it for long. Included only from the
// channels' .cpp files.

#include "platform/wininet/Curl.h"
#include "platform/wininet/TrustStore.h"

#include <string>

namespace quilbex::app {

// A transfer handle for `url`, or none (false) when libcurl cannot be loaded
// or the handle cannot be made. `protocols` is libcurl's list of the
// protocols allowed ("https", "smtp"); `meets_certificate` whether the
// transfer may set up TLS. The handle points at the trust store it holds, so
// it stays where it was made.
class AlertTransfer {
public:
    AlertTransfer(const std::string& url, const char* protocols, bool meets_certificate);
    AlertTransfer(const AlertTransfer&) = delete;
    AlertTransfer& operator=(const AlertTransfer&) = delete;

    explicit operator bool() const { return m_easy != nullptr; }
    CURL* get() const { return m_easy.get(); }

private:
    wininet::CurlEasyPtr m_easy;
    wininet::SharedTrustStore m_store;
};

// libcurl's words for a failed transfer; they never carry the address.
std::string transfer_error(CURLcode code);

// Said when libcurl is missing or lacks a function.
inline constexpr const char* kNoCurl = "无法载入 libcurl（libcurl.so.4 缺失或缺少所需函数）";

}  // namespace quilbex::app
