// The WeCom (WeChat Work) group bot: POST <server>/cgi-bin/webhook/send?key=<key>
// with {"msgtype":"text","text":{"content":..}}; it answers
// {"errcode":0,"errmsg":"ok"}, or another errcode. The content is at most
// 2048 bytes.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://qyapi.weixin.qq.com";
constexpr std::size_t kMaxText = 2048;

constexpr ChannelKey kKeys[] = {
    {"wecom", "QYWX_KEY", true},
    {"wecom_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("wecom_server"), kServer);
    if (!base)
        return services::refused(base.reason());
    auto request = [url = *base + "/cgi-bin/webhook/send?key=" + percent_encode(values.get("wecom"))](
                       const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        return ServiceRequest{url, kJsonHeaders,
                              "{\"msgtype\":\"text\",\"text\":{\"content\":" +
                                  services::json_text(services::one_text(message, kMaxText)) + "}}"};
    };
    return services::service("wecom", *base, request, {"errcode", "0", "errmsg"}, {values.get("wecom")});
}

}  // namespace

extern const ChannelRow kWeComRow{"wecom", kKeys, build};

}  // namespace quilbex::app
