#include "app/alerts/AlertConfig.h"

#include "app/net/SettingsFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quilbex::app {

namespace {

constexpr const char* kSection = "NOTIFY";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string notify_value(const std::string& file, const char* key) { return read_setting_utf8(file, kSection, key); }

// A port number, 1 to 65535.
bool valid_port(const std::string& text) {
    return !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos &&
           std::stoi(text) > 0 && std::stoi(text) <= 65535;
}

bool host_name_characters(const std::string& host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == '_';
    });
}

// local@domain without spaces, quotes, brackets or other characters that
// would need quoting in a header or an SMTP command.
bool valid_address(const std::string& address) {
    auto at = address.find('@');
    if (at == 0 || at == std::string::npos || at + 1 == address.size() ||
        address.find('@', at + 1) != std::string::npos)
        return false;
    return std::all_of(address.begin(), address.end(),
                       [](unsigned char c) { return c > 0x20 && c < 0x7F && !std::strchr("<>()[]\\,;:\"", c); });
}

std::string trimmed(const std::string& text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void read_webhook(const std::string& file, AlertConfig& config) {
    std::string url = notify_value(file, "webhook");
    if (url.empty())
        return;
    std::string body = notify_value(file, "webhook_body");
    std::string type = lower(notify_value(file, "webhook_type"));
    auto target = url_target(url);
    std::string host = target ? target->host_and_port() : "";
    auto refuse = [&](const char* error) { config.problems.push_back({"webhook", host, error}); };
    if (!target || (target->scheme != "https" && target->scheme != "http"))
        return refuse("webhook 应为 https:// 开头的地址");
    if (target->scheme == "http" && !is_loopback_host(target->host))
        return refuse("webhook 只接受 https 地址（http 只用于本机地址）");
    if (!type.empty() && type != "json" && type != "form")
        return refuse("webhook_type 应为 json 或 form");
    config.webhook = WebhookSettings{url, body, type == "json", host};
}

void read_mail(const std::string& file, AlertConfig& config) {
    std::string server = notify_value(file, "smtp");
    if (server.empty())
        return;
    MailSettings mail;
    mail.server = server;
    mail.user = notify_value(file, "smtp_user");
    mail.password = notify_value(file, "smtp_password");
    mail.from = trimmed(notify_value(file, "mail_from"));
    std::string to = notify_value(file, "mail_to");
    auto target = url_target(server);
    mail.host = target ? target->host_and_port() : "";
    auto refuse = [&](const std::string& error) { config.problems.push_back({"mail", mail.host, error}); };
    if (!target || (target->scheme != "smtps" && target->scheme != "smtp"))
        return refuse("smtp 应写成 smtps://主机:端口 或 smtp://主机:端口");
    if (!valid_address(mail.from))
        return refuse("mail_from 不是有效的邮件地址");
    for (std::size_t start = 0; start <= to.size();) {
        std::size_t comma = std::min(to.find(',', start), to.size());
        std::string address = trimmed(to.substr(start, comma - start));
        if (!valid_address(address))
            return refuse("mail_to 里有无效的邮件地址：" + (address.empty() ? std::string("（空）") : address));
        mail.to.push_back(address);
        start = comma + 1;
    }
    config.mail = std::move(mail);
}

}  // namespace

std::optional<UrlTarget> url_target(const std::string& url) {
    auto separator = url.find("://");
    if (separator == std::string::npos || separator == 0)
        return std::nullopt;
    UrlTarget target;
    target.scheme = lower(url.substr(0, separator));
    std::size_t start = separator + 3;
    std::string authority = url.substr(start, url.find_first_of("/?#", start) - start);
    if (auto at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    std::string host = authority;
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        host = authority.substr(0, close + 1);
        std::string rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !valid_port(rest.substr(1)))
                return std::nullopt;
            target.port = rest.substr(1);
        }
        std::string inside = host.substr(1, host.size() - 2);
        if (inside.empty() || inside.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
            return std::nullopt;
    } else {
        if (auto colon = authority.find(':'); colon != std::string::npos) {
            host = authority.substr(0, colon);
            target.port = authority.substr(colon + 1);
            if (!valid_port(target.port))
                return std::nullopt;
        }
        if (!host_name_characters(host))
            return std::nullopt;
    }
    target.host = lower(host);
    return target;
}

bool is_loopback_host(const std::string& host) {
    if (host == "localhost" || host == "[::1]")
        return true;
    if (host.rfind("127.", 0) != 0)
        return false;
    int dots = 0;
    for (char c : host)
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return dots == 3;
}

AlertConfig read_alert_config(const std::string& config_file) {
    AlertConfig config;
    read_webhook(config_file, config);
    read_mail(config_file, config);
    return config;
}

}  // namespace quilbex::app
