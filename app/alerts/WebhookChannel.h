#pragma once
// An alert as one HTTP request to a push service: a GET of the configured
// address, or a POST of the body template to it, with {title} and {text}
// filled in. Success is a 2xx answer; a redirect is not followed (the
// address is the member's secret and goes nowhere else).

#include "app/alerts/AlertChannel.h"
#include "app/alerts/AlertConfig.h"

namespace quilbex::app {

enum class TemplateEncoding { percent, json };

// `pattern` with every {title} and {text} replaced by the message's texts in
// the given encoding; anything else is kept as written.
std::string fill_template(const std::string& pattern, const AlertMessage& message, TemplateEncoding encoding);

class WebhookChannel final : public AlertChannel {
public:
    explicit WebhookChannel(WebhookSettings settings) : m_settings(std::move(settings)) {}
    std::string name() const override { return "webhook"; }
    std::string host() const override { return m_settings.host; }
    kernel::Result<std::string> send(const AlertMessage& message) override;

private:
    WebhookSettings m_settings;
};

}  // namespace quilbex::app
