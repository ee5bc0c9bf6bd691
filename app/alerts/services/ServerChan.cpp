// ServerChan (Turbo): POST <server>/<SendKey>.send with the form body
// title=..&desp=..; it answers {"code":0,...}, or another code and a message.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://sctapi.ftqq.com";
// The text (desp) may hold up to 32 KB.
constexpr std::size_t kMaxText = 32000;

constexpr ChannelKey kKeys[] = {
    {"serverchan", "PUSH_KEY", true},
    {"serverchan_server", nullptr},
};

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("serverchan_server"), kServer);
    if (!base)
        return services::refused(base.reason());
    const std::string key = values.get("serverchan");
    if (!services::plain_token(key))
        return services::refused("serverchan 的 SendKey 含有地址里不能有的字符");
    auto request = [url = *base + "/" + key + ".send"](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        return ServiceRequest{url,
                              {"Content-Type: application/x-www-form-urlencoded"},
                              "title=" + percent_encode(message.title) +
                                  "&desp=" + percent_encode(cut_utf8(message.text, kMaxText))};
    };
    return services::service("serverchan", *base, request, {"code", "0", "message"}, {key});
}

}  // namespace

extern const ChannelRow kServerChanRow{"serverchan", kKeys, build};

}  // namespace quilbex::app
