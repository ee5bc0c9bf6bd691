// The Feishu / Lark group bot: POST <server>/open-apis/bot/v2/hook/<id> with
// {"msg_type":"text","content":{"text":..}}; it answers {"code":0,...}, or
// another code and a msg. A bot with a signing secret also takes
// "timestamp" (seconds, as a string) and "sign", the base64 of
// HMAC-SHA256(key = timestamp "\n" secret, message = nothing). Lark's
// members set feishu_server = https://open.larksuite.com.

#include "app/alerts/Hmac.h"
#include "app/alerts/services/ServiceKit.h"

#include <ctime>

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://open.feishu.cn";
// A request body is at most 20 KB.
constexpr std::size_t kMaxText = 18000;

constexpr ChannelKey kKeys[] = {
    {"feishu", "FSKEY", true},
    {"feishu_secret", "FSSECRET"},
    {"feishu_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("feishu_server"), kServer);
    if (!base)
        return services::refused(base.reason());
    const std::string hook = values.get("feishu");
    if (!services::plain_token(hook))
        return services::refused("feishu 应为机器人地址最后的那段 ID");
    auto request = [url = *base + "/open-apis/bot/v2/hook/" + hook, secret = values.get("feishu_secret")](
                       const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        std::string signature;
        if (!secret.empty()) {
            std::string timestamp = std::to_string(static_cast<long long>(std::time(nullptr)));
            auto digest = hmac_sha256(timestamp + "\n" + secret, "");
            if (!digest)
                return kernel::Failure{"无法计算签名（libcurl 所用的 OpenSSL 缺少 HMAC）"};
            signature = "\"timestamp\":\"" + timestamp + "\",\"sign\":" + services::json_text(base64(*digest)) + ",";
        }
        return ServiceRequest{url, kJsonHeaders,
                              "{" + signature + "\"msg_type\":\"text\",\"content\":{\"text\":" +
                                  services::json_text(services::one_text(message, kMaxText)) + "}}"};
    };
    return services::service("feishu", *base, request, {"code", "0", "msg"}, {hook, values.get("feishu_secret")});
}

}  // namespace

extern const ChannelRow kFeishuRow{"feishu", kKeys, build};

}  // namespace quilbex::app
