// Gotify: POST <server>/message with the application's token in the
// X-Gotify-Key header and {"title","message","priority":5}; it answers 200,
// or 4xx with {"error","errorCode","errorDescription"}.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr ChannelKey kKeys[] = {
    {"gotify", "GOTIFY_URL", true},
    {"gotify_token", "GOTIFY_TOKEN", true},
};

ChannelBuild build(const ChannelValues& values) {
    if (values.get("gotify").empty())
        return services::refused("gotify（服务器地址）未设置");
    auto base = service_base(values.get("gotify"), "");
    if (!base)
        return services::refused(base.reason());
    const std::string token = values.get("gotify_token");
    if (!services::plain_token(token))
        return services::refused("gotify_token 未设置或含有不能有的字符");
    auto request = [url = *base + "/message", token](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        using services::json_text;
        return ServiceRequest{url,
                              {kJsonHeaders[0], "X-Gotify-Key: " + token},
                              "{\"title\":" + json_text(message.title) + ",\"message\":" + json_text(message.text) +
                                  ",\"priority\":5}"};
    };
    return services::service("gotify", *base, request, {"", "", "errorDescription"}, {token});
}

}  // namespace

extern const ChannelRow kGotifyRow{"gotify", kKeys, build};

}  // namespace quilbex::app
