#pragma once
// An alert as a mail through the member's mail server (libcurl's SMTP).
// smtps:// speaks TLS from the start; smtp:// must switch to TLS with
// STARTTLS before anything else is said, so a server (or someone in
// between) that does not offer it gets neither the password nor the
// message. The server's certificate is checked as every other is.

#include "app/alerts/AlertChannel.h"
#include "app/alerts/AlertConfig.h"

namespace quilbex::app {

class MailChannel final : public AlertChannel {
public:
    explicit MailChannel(MailSettings settings) : m_settings(std::move(settings)) {}
    std::string name() const override { return "mail"; }
    std::string host() const override { return m_settings.host; }
    kernel::Result<std::string> send(const AlertMessage& message) override;
    const MailSettings& settings() const { return m_settings; }

private:
    MailSettings m_settings;
};

}  // namespace quilbex::app
