// Bark: POST <server>/push with the JSON {"device_key","title","body"}; it
// answers {"code":200,...}, or another code and a message. The member gives
// the device key alone, or the address the Bark app shows
// (https://api.day.app/<key>, or a server of their own).

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://api.day.app";
// A push notification's payload is at most 4 KB, the JSON around it included.
constexpr std::size_t kMaxText = 3000;

constexpr ChannelKey kKeys[] = {
    {"bark", "BARK_PUSH", true},
    {"bark_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    std::string key = values.get("bark");
    std::string server = values.get("bark_server");
    if (key.find("://") != std::string::npos) {
        while (!key.empty() && key.back() == '/')
            key.pop_back();
        auto slash = key.rfind('/');
        server = key.substr(0, slash);
        key = key.substr(slash + 1);
    }
    auto base = service_base(server, kServer);
    if (!base)
        return services::refused(base.reason());
    if (!services::plain_token(key))
        return services::refused("bark 应为设备密钥或 Bark 给出的地址");
    auto request = [url = *base + "/push", key](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        using services::json_text;
        return ServiceRequest{url, kJsonHeaders,
                              "{\"device_key\":" + json_text(key) + ",\"title\":" + json_text(message.title) +
                                  ",\"body\":" + json_text(cut_utf8(message.text, kMaxText)) + "}"};
    };
    return services::service("bark", *base, request, {"code", "200", "message"}, {key});
}

}  // namespace

extern const ChannelRow kBarkRow{"bark", kKeys, build};

}  // namespace quilbex::app
