#include "app/alerts/AlertConfig.h"

#include "app/alerts/MailChannel.h"
#include "app/alerts/WebhookChannel.h"
#include "app/net/SettingsFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace quilbex::app {

namespace {

constexpr const char* kSection = "NOTIFY";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

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

// A text for a header: no line break can end it early.
std::string one_line(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

std::string trimmed(const std::string& text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

ChannelBuild read_webhook(const ChannelValues& values) {
    std::string url = values.get("webhook");
    std::string type = lower(values.get("webhook_type"));
    auto target = url_target(url);
    ChannelBuild build;
    build.host = target ? target->host_and_port() : "";
    if (!target || (target->scheme != "https" && target->scheme != "http"))
        build.error = "webhook 应为 https:// 开头的地址";
    else if (target->scheme == "http" && !is_loopback_host(target->host))
        build.error = "webhook 只接受 https 地址（http 只用于本机地址）";
    else if (!type.empty() && type != "json" && type != "form")
        build.error = "webhook_type 应为 json 或 form";
    else
        build.channel = std::make_shared<WebhookChannel>(
            WebhookSettings{url, values.get("webhook_body"), type == "json", build.host});
    return build;
}

// Panels name the server as "host:port" and say apart whether it speaks TLS
// from the start (SMTP_SSL); the login defaults to the sender's address and
// the recipient to the sender, as they do.
ChannelBuild read_mail(const ChannelValues& values) {
    MailSettings mail;
    mail.server = values.get("smtp");
    if (!mail.server.empty() && mail.server.find("://") == std::string::npos) {
        std::string ssl = lower(values.get("smtp_ssl"));
        mail.server = (ssl == "true" || ssl == "1" || ssl == "yes" ? "smtps://" : "smtp://") + mail.server;
    }
    mail.password = values.get("smtp_password");
    mail.from = trimmed(values.get("mail_from"));
    mail.from_name = one_line(trimmed(values.get("mail_name")));
    mail.user = values.get("smtp_user");
    if (mail.user.empty() && !mail.password.empty())
        mail.user = mail.from;
    std::string to = values.get("mail_to");
    if (trimmed(to).empty())
        to = mail.from;
    auto target = url_target(mail.server);
    mail.host = target ? target->host_and_port() : "";
    ChannelBuild build;
    build.host = mail.host;
    if (!target || (target->scheme != "smtps" && target->scheme != "smtp")) {
        build.error = "smtp 应写成 smtps://主机:端口 或 smtp://主机:端口";
        return build;
    }
    if (!valid_address(mail.from)) {
        build.error = "mail_from 不是有效的邮件地址";
        return build;
    }
    for (std::size_t start = 0; start <= to.size();) {
        std::size_t comma = std::min(to.find(',', start), to.size());
        std::string address = trimmed(to.substr(start, comma - start));
        if (!valid_address(address)) {
            build.error = "mail_to 里有无效的邮件地址：" + (address.empty() ? std::string("（空）") : address);
            return build;
        }
        mail.to.push_back(address);
        start = comma + 1;
    }
    build.channel = std::make_shared<MailChannel>(std::move(mail));
    return build;
}

AlertConfig alert_config_from(std::span<const ChannelRow* const> table, const ValueLookup& notify,
                              const ValueLookup& environment) {
    auto names_a_channel = [&](const ValueLookup& lookup, bool from_environment) {
        for (const ChannelRow* row : table)
            for (const ChannelKey& key : row->keys) {
                const char* name = from_environment ? key.env : key.key;
                if (key.names_channel && name && !lookup(name).empty())
                    return true;
            }
        return false;
    };
    AlertConfig config;
    std::string when = lower(trimmed(notify("when")));
    if (when == "always")
        config.when = AlertWhen::always;
    else if (!when.empty() && when != "failure")
        config.problems.push_back({"when", "", "when 应为 failure 或 always"});

    config.from_environment = !names_a_channel(notify, false) && names_a_channel(environment, true);
    if (!config.from_environment && !names_a_channel(notify, false))
        return config;
    for (const ChannelRow* row : table) {
        ChannelValues values;
        bool named = false;
        for (const ChannelKey& key : row->keys) {
            const char* name = config.from_environment ? key.env : key.key;
            if (!name)
                continue;
            std::string value = config.from_environment ? environment(name) : notify(name);
            named = named || (key.names_channel && !value.empty());
            values.set(key.key, std::move(value));
        }
        if (!named)
            continue;
        ChannelBuild build = row->build(values);
        if (build.channel)
            config.channels.push_back(std::move(build.channel));
        else
            config.problems.push_back({row->name, build.host, build.error});
    }
    return config;
}

namespace {

std::string environment_value(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

AlertConfig read_alert_config(const std::string& config_file) {
    return alert_config_from(
        channel_table(), [&](const char* key) { return read_setting_utf8(config_file, kSection, key); },
        environment_value);
}

AlertConfig read_alert_config(const SettingsDocument& settings) {
    return alert_config_from(
        channel_table(), [&](const char* key) { return settings.value(kSection, key); }, environment_value);
}

}  // namespace quilbex::app
