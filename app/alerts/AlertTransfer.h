#pragma once
// What the alert channels share of libcurl: a transfer handle set up with the
// program's network settings (TLS trust and proxy) and bounded in time, and
// the text of an error. An alert
// must never hold up the run that sends it for long. Included only from the
// channels' .cpp files.

#include "platform/wininet/Curl.h"
#include "platform/wininet/TrustStore.h"

#include <string>

namespace quilbex::app {

// Said when libcurl is missing or lacks a function.
inline constexpr const char* kNoCurl = "无法载入 libcurl（libcurl.so.4 缺失或缺少所需函数）";
// Said when the environment's proxy settings would carry a plain-http address.
inline constexpr const char* kClearTextThroughProxy =
    "这个 http 地址会经代理明文转发（环境变量 http_proxy 或 all_proxy）；"
    "请把该主机加入 no_proxy，或改用 https 地址";

// A transfer handle for `url`, or none (false) when libcurl cannot be loaded,
// the handle cannot be made, or a proxy would carry a plain-http `url`
// (failure() says which). `protocols` is libcurl's list of the
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
    // Why there is no handle, in words that may be printed.
    const char* failure() const { return m_failure; }

private:
    wininet::CurlEasyPtr m_easy;
    wininet::SharedTrustStore m_store;
    const char* m_failure = kNoCurl;
};

// libcurl's words for a failed transfer; they never carry the address.
std::string transfer_error(CURLcode code);

}  // namespace quilbex::app
