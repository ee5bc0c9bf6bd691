// ntfy: the JSON form of publishing, POST <server>/ with
// {"topic","title","message"}, which carries any text without header
// encodings; an access token goes as "Authorization: Bearer <token>". It
// answers 200 with the message as JSON, or 4xx/5xx with {"error":..}. The
// member gives the topic's address (https://ntfy.sh/mytopic), or the topic
// and, for a server of their own, the server.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://ntfy.sh";
// Longer messages become attachments.
constexpr std::size_t kMaxText = 4096;

constexpr ChannelKey kKeys[] = {
    {"ntfy", nullptr, true},
    {"ntfy_topic", "NTFY_TOPIC", true},
    {"ntfy_server", "NTFY_URL"},
    {"ntfy_token", "NTFY_TOKEN"},
};

ChannelBuild build(const ChannelValues& values) {
    std::string server = values.get("ntfy_server");
    std::string topic = values.get("ntfy_topic");
    if (std::string address = values.get("ntfy"); !address.empty()) {
        while (!address.empty() && address.back() == '/')
            address.pop_back();
        auto slash = address.rfind('/');
        if (address.find("://") == std::string::npos || slash < address.find("://") + 3)
            return services::refused("ntfy 应为主题的地址，如 https://ntfy.sh/主题");
        server = address.substr(0, slash);
        topic = address.substr(slash + 1);
    }
    auto base = service_base(server, kServer);
    if (!base)
        return services::refused(base.reason());
    if (topic.empty() || topic.size() > 64 ||
        topic.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") !=
            std::string::npos)
        return services::refused("ntfy 的主题只能含字母、数字、- 和 _（至多 64 个）");
    std::vector<std::string> headers = kJsonHeaders;
    if (std::string token = values.get("ntfy_token"); !token.empty())
        headers.push_back("Authorization: Bearer " + token);
    auto request = [url = *base + "/", topic, headers](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        using services::json_text;
        return ServiceRequest{url, headers,
                              "{\"topic\":" + json_text(topic) + ",\"title\":" + json_text(message.title) +
                                  ",\"message\":" + json_text(cut_utf8(message.text, kMaxText)) + "}"};
    };
    return services::service("ntfy", *base, request, {"", "", "error"}, {topic, values.get("ntfy_token")});
}

}  // namespace

extern const ChannelRow kNtfyRow{"ntfy", kKeys, build};

}  // namespace quilbex::app
