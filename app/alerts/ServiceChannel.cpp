#include "app/alerts/ServiceChannel.h"

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertTransfer.h"

namespace quilbex::app {

namespace {

size_t keep_answer(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    std::size_t room = kMaxAnswerBytes - std::min(kMaxAnswerBytes, body->size());
    body->append(data, std::min(room, size * count));
    return size * count;
}

}  // namespace

kernel::Result<HttpAnswer> exchange(const ServiceRequest& request) {
    const auto target = url_target(request.url);
    const bool https = target && target->scheme == "https";
    AlertTransfer transfer(request.url, https ? "https" : "http", https);
    if (!transfer)
        return kernel::Failure{transfer.failure()};
    const auto& curl = wininet::curl();
    CURL* easy = transfer.get();
    curl.easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl.easy_setopt(easy, CURLOPT_USERAGENT, "Quilbex");
    HttpAnswer answer;
    curl.easy_setopt(easy, CURLOPT_WRITEFUNCTION, keep_answer);
    curl.easy_setopt(easy, CURLOPT_WRITEDATA, &answer.body);
    wininet::CurlSlistPtr headers;
    for (const std::string& header : request.headers)
        if (!wininet::append_header(headers, header.c_str()))
            return kernel::Failure{"out of memory"};
    if (headers)
        curl.easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    if (request.get) {
        curl.easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        curl.easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl.easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
    }
    CURLcode code = curl.easy_perform(easy);
    if (code != CURLE_OK)
        return kernel::Failure{transfer_error(code)};
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &answer.status);
    return answer;
}

std::string ServiceChannel::masked(std::string text) const {
    for (const std::string& secret : m_secrets)
        for (std::size_t at; !secret.empty() && (at = text.find(secret)) != std::string::npos;)
            text.replace(at, secret.size(), "***");
    return text;
}

kernel::Result<std::string> ServiceChannel::send(const AlertMessage& message) {
    kernel::Result<ServiceRequest> request = m_build(message);
    if (!request)
        return kernel::Failure{request.reason()};
    kernel::Result<HttpAnswer> answer = exchange(*request);
    if (!answer)
        return kernel::Failure{answer.reason()};
    kernel::Result<std::string> judged = judge_answer(*answer, m_rule);
    if (!judged)
        return kernel::Failure{masked(judged.reason())};
    return masked(*judged);
}

kernel::Result<std::string> service_base(const std::string& value, const std::string& fallback) {
    std::string base = value.empty() ? fallback : value;
    if (base.find("://") == std::string::npos)
        base = "https://" + base;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    auto target = url_target(base);
    if (!target || (target->scheme != "https" && target->scheme != "http") ||
        base.find_first_of("?#{} \t") != std::string::npos) {
        return kernel::Failure{"服务器地址应为 https:// 开头的地址"};
    }
    if (target->scheme == "http" && !is_loopback_host(target->host)) {
        return kernel::Failure{"服务器地址只接受 https（http 只用于本机地址）"};
    }
    return base;
}

}  // namespace quilbex::app
