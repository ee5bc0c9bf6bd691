#include "app/alerts/services/ServiceKit.h"

#include <algorithm>
#include <cctype>

namespace quilbex::app::services {

std::string one_text(const AlertMessage& message, std::size_t max_bytes) {
    std::string text = message.title + "\n" + message.text;
    return max_bytes ? cut_utf8(text, max_bytes) : text;
}

bool plain_token(const std::string& token) {
    return !token.empty() && std::all_of(token.begin(), token.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':' || c == '@';
    });
}

ChannelBuild refused(std::string error, std::string host) { return {nullptr, std::move(host), std::move(error)}; }

ChannelBuild service(const char* name, const std::string& base, ServiceChannel::Build build, AnswerRule rule,
                     std::vector<std::string> secrets) {
    auto target = url_target(base);
    std::string host = target ? target->host_and_port() : "";
    return {std::make_shared<ServiceChannel>(name, host, std::move(build), rule, std::move(secrets)), host, ""};
}

}  // namespace quilbex::app::services
