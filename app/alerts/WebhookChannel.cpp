#include "app/alerts/WebhookChannel.h"

#include "app/alerts/AlertEncoding.h"
#include "app/alerts/ServiceChannel.h"

namespace quilbex::app {

std::string fill_template(const std::string& pattern, const AlertMessage& message, TemplateEncoding encoding) {
    auto encode = [&](const std::string& value) {
        return encoding == TemplateEncoding::json ? json_escape(value) : percent_encode(value);
    };
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 7, "{title}") == 0) {
            out += encode(message.title);
            i += 7;
        } else if (pattern.compare(i, 6, "{text}") == 0) {
            out += encode(message.text);
            i += 6;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

kernel::Result<std::string> WebhookChannel::send(const AlertMessage& message) {
    ServiceRequest request;
    request.url = fill_template(m_settings.url, message, TemplateEncoding::percent);
    request.get = m_settings.body.empty();
    if (!request.get) {
        request.body = fill_template(m_settings.body, message,
                                     m_settings.json ? TemplateEncoding::json : TemplateEncoding::percent);
        request.headers = {m_settings.json ? "Content-Type: application/json; charset=utf-8"
                                           : "Content-Type: application/x-www-form-urlencoded"};
    }
    kernel::Result<HttpAnswer> answer = exchange(request);
    if (!answer)
        return kernel::Failure{answer.reason()};
    return judge_answer(*answer, {"", "", nullptr});
}

namespace {

constexpr ChannelKey kKeys[] = {
    {"webhook", nullptr, true},
    {"webhook_body", nullptr},
    {"webhook_type", nullptr},
};

}  // namespace

extern const ChannelRow kWebhookRow{"webhook", kKeys, read_webhook};

}  // namespace quilbex::app
