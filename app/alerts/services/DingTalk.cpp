// The DingTalk group bot: POST <server>/robot/send?access_token=<token> with
// {"msgtype":"text","text":{"content":..}}; it answers {"errcode":0,...}, or
// another errcode and an errmsg. A bot with a signing secret also takes
// &timestamp=<ms>&sign=<s>, where s is the percent-encoded base64 of
// HMAC-SHA256(key = secret, message = timestamp "\n" secret); it refuses a
// timestamp more than an hour away from its clock.

#include "app/alerts/Hmac.h"
#include "app/alerts/services/ServiceKit.h"

#include <chrono>

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://oapi.dingtalk.com";
constexpr std::size_t kMaxText = 20000;

constexpr ChannelKey kKeys[] = {
    {"dingtalk", "DD_BOT_TOKEN", true},
    {"dingtalk_secret", "DD_BOT_SECRET"},
    {"dingtalk_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("dingtalk_server"), kServer);
    if (!base)
        return services::refused(base.reason());
    const std::string secret = values.get("dingtalk_secret");
    auto request = [url = *base + "/robot/send?access_token=" + percent_encode(values.get("dingtalk")),
                    secret](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        std::string address = url;
        if (!secret.empty()) {
            auto now = std::chrono::system_clock::now().time_since_epoch();
            std::string timestamp = std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
            auto digest = hmac_sha256(secret, timestamp + "\n" + secret);
            if (!digest)
                return kernel::Failure{"无法计算签名（libcurl 所用的 OpenSSL 缺少 HMAC）"};
            address += "&timestamp=" + timestamp + "&sign=" + percent_encode(base64(*digest));
        }
        return ServiceRequest{address, kJsonHeaders,
                              "{\"msgtype\":\"text\",\"text\":{\"content\":" +
                                  services::json_text(services::one_text(message, kMaxText)) + "}}"};
    };
    return services::service("dingtalk", *base, request, {"errcode", "0", "errmsg"}, {values.get("dingtalk"), secret});
}

}  // namespace

extern const ChannelRow kDingTalkRow{"dingtalk", kKeys, build};

}  // namespace quilbex::app
