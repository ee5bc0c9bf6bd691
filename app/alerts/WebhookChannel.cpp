#include "app/alerts/WebhookChannel.h"

#include "app/alerts/AlertEncoding.h"
#include "app/alerts/AlertTransfer.h"

namespace quilbex::app {

namespace {

size_t discard_body(char*, size_t size, size_t count, void*) { return size * count; }

}  // namespace

std::string fill_template(const std::string& pattern, const AlertMessage& message, TemplateEncoding encoding) {
    auto encode = [&](const std::string& value) {
        return encoding == TemplateEncoding::json ? json_escape(value) : percent_encode(value);
    };
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 7, "{title}") == 0) {
            out += encode(message.title);
            i += 7;
        } else if (pattern.compare(i, 6, "{text}") == 0) {
            out += encode(message.text);
            i += 6;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

ChannelResult WebhookChannel::send(const AlertMessage& message) {
    const std::string url = fill_template(m_settings.url, message, TemplateEncoding::percent);
    const auto target = url_target(url);
    const bool https = target && target->scheme == "https";
    AlertTransfer transfer(url, https ? "https" : "http", https);
    if (!transfer)
        return {false, transfer.failure()};
    const auto& curl = wininet::curl();
    CURL* easy = transfer.get();
    curl.easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl.easy_setopt(easy, CURLOPT_USERAGENT, "Quilbex");
    curl.easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard_body);

    std::string body;
    wininet::CurlSlistPtr headers;
    if (!m_settings.body.empty()) {
        body = fill_template(m_settings.body, message,
                             m_settings.json ? TemplateEncoding::json : TemplateEncoding::percent);
        if (!wininet::append_header(headers, m_settings.json ? "Content-Type: application/json; charset=utf-8"
                                                             : "Content-Type: application/x-www-form-urlencoded"))
            return {false, "out of memory"};
        curl.easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        curl.easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl.easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    } else {
        curl.easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }

    CURLcode code = curl.easy_perform(easy);
    if (code != CURLE_OK)
        return {false, transfer_error(code)};
    long status = 0;
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return {status >= 200 && status < 300, "HTTP " + std::to_string(status)};
}

}  // namespace quilbex::app
