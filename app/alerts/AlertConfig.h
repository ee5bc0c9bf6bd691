#pragma once
// The alert channels of Config.ini's [NOTIFY] section (the file that
// QUILBEX_CONFIG names, else Config.ini in the program's folder):
//
//   key            value
//   webhook        an https address (http only for a loopback host) with the
//                  placeholders {title} and {text}, which are replaced by the
//                  alert's texts percent-encoded as UTF-8
//   webhook_body   when set, the webhook is a POST of this template; without
//                  it, a GET
//   webhook_type   json: the body's values are JSON-escaped and it goes as
//                  application/json; form (the default): they are
//                  percent-encoded and it goes as
//                  application/x-www-form-urlencoded
//   smtp           smtps://host:port (TLS from the start) or smtp://host:port
//                  (must switch to TLS with STARTTLS, or nothing is sent)
//   smtp_user      login name at the mail server, if it asks for one
//   smtp_password  its password
//   mail_from      the sender's address
//   mail_to        one or more addresses, separated by commas
//
// The file is read in UTF-8 or GBK as its writer meant it (SettingsFile.h).
// A channel whose settings are wrong is not built; it is listed among the
// problems, named with what is wrong and never with a secret (the webhook
// address and the password stay out of every message).

#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

struct WebhookSettings {
    std::string url;  // the template; a secret (push services put the member's key in it)
    std::string body;  // empty: GET
    bool json = false;
    std::string host;  // host[:port], for messages
};

struct MailSettings {
    std::string server;  // smtps://host:port or smtp://host:port
    std::string host;  // host[:port], for messages
    std::string user;
    std::string password;  // a secret
    std::string from;
    std::vector<std::string> to;
};

// A channel that is configured but cannot be used.
struct ChannelProblem {
    std::string channel;  // "webhook" or "mail"
    std::string host;  // what can be named of where it would go; may be empty
    std::string error;
};

struct AlertConfig {
    std::optional<WebhookSettings> webhook;
    std::optional<MailSettings> mail;
    std::vector<ChannelProblem> problems;

    bool any() const { return webhook || mail || !problems.empty(); }
};

// Reads [NOTIFY] of the settings file (GBK path, as config_file_path gives
// it); a missing file or section configures no channel.
AlertConfig read_alert_config(const std::string& config_file);

// The parts of an address's authority that decide where it goes; nothing
// when it has no "scheme://" or an empty or malformed host.
struct UrlTarget {
    std::string scheme;  // lower case
    std::string host;  // lower case, IPv6 addresses in brackets
    std::string port;  // empty when not given
    std::string host_and_port() const { return port.empty() ? host : host + ":" + port; }
};
std::optional<UrlTarget> url_target(const std::string& url);

// 127.0.0.0/8, ::1 and localhost.
bool is_loopback_host(const std::string& host);

}  // namespace quilbex::app
