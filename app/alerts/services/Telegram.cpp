// A Telegram bot: POST <api>/bot<token>/sendMessage with {"chat_id","text"};
// it answers {"ok":true,...}, or {"ok":false,"description":..} with an HTTP
// error status. Members who cannot reach api.telegram.org name a reverse
// proxy of it as the API base. A text is at most 4096 characters; it is cut
// at 4096 bytes, which is never more.

#include "app/alerts/services/ServiceKit.h"

namespace quilbex::app {

namespace {

constexpr const char* kServer = "https://api.telegram.org";
constexpr std::size_t kMaxText = 4096;

constexpr ChannelKey kKeys[] = {
    {"telegram_token", "TG_BOT_TOKEN", true},
    {"telegram_chat", "TG_USER_ID", true},
    {"telegram_api", "TG_API_HOST"},
};

// A numeric chat id goes as a number, a channel's @name as a string.
std::string chat_value(const std::string& chat) {
    std::size_t digits = chat.rfind('-', 0) == 0 ? 1 : 0;
    bool numeric = chat.size() > digits && chat.find_first_not_of("0123456789", digits) == std::string::npos;
    return numeric ? chat : services::json_text(chat);
}

ChannelBuild build(const ChannelValues& values) {
    auto base = service_base(values.get("telegram_api"), kServer);
    if (!base)
        return services::refused(base.reason());
    const std::string token = values.get("telegram_token");
    const std::string chat = values.get("telegram_chat");
    if (!services::plain_token(token))
        return services::refused("telegram_token 未设置或含有地址里不能有的字符");
    if (chat.empty())
        return services::refused("telegram_chat 未设置");
    auto request = [url = *base + "/bot" + token + "/sendMessage",
                    chat = chat_value(chat)](const AlertMessage& message) -> kernel::Result<ServiceRequest> {
        return ServiceRequest{url, kJsonHeaders,
                              "{\"chat_id\":" + chat +
                                  ",\"text\":" + services::json_text(services::one_text(message, kMaxText)) + "}"};
    };
    return services::service("telegram", *base, request, {"ok", "true", "description"}, {token});
}

}  // namespace

extern const ChannelRow kTelegramRow{"telegram", kKeys, build};

}  // namespace quilbex::app
