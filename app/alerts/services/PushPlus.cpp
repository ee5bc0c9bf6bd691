// PushPlus: POST <server>/send with the JSON {"token","title","content",
// "template":"txt"}; it answers {"code":200,...}, or another code and a msg.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://www.pushplus.plus";
constexpr std::size_t kMaxText = 20000;

constexpr ChannelKey kKeys[] = {
    {"pushplus", "PUSH_PLUS_TOKEN", true},
    {"pushplus_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("pushplus_server"), kServer);
    if (!base)
        return services::refused(base.reason());
    auto request = [url = *base + "/send",
                    token = values.get("pushplus")](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        using services::json_text;
        return ServiceRequest{url, kJsonHeaders,
                              "{\"token\":" + json_text(token) + ",\"title\":" + json_text(message.title) +
                                  ",\"content\":" + json_text(cut_utf8(message.text, kMaxText)) +
                                  ",\"template\":\"txt\"}"};
    };
    return services::service("pushplus", *base, request, {"code", "200", "msg"}, {values.get("pushplus")});
}

}  // namespace

extern const ChannelRow kPushPlusRow{"pushplus", kKeys, build};

}  // namespace quilbex::app
