#pragma once
// The alert channels of Config.ini's [NOTIFY] section (the file that
// QUILBEX_CONFIG names, else Config.ini in the program's folder), read
// through the channel table (ChannelTable.h; README lists every key), and
// when alerts go out:
//
//   when = failure   only after a run whose outcome tells the member (default)
//   when = always    after every unattended run
//
// The file is read in UTF-8 or GBK as its writer meant it (SettingsFile.h).
// A channel whose settings are wrong is not built; it is listed among the
// problems, named with what is wrong and never with a secret (addresses that
// carry keys, tokens and passwords stay out of every message).

#include "app/alerts/AlertChannel.h"
#include "app/alerts/ChannelTable.h"

#include <functional>
#include <memory>
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
    std::string from_name;  // shown before the sender's address; may be empty
    std::vector<std::string> to;
};

// A channel that is configured but cannot be used.
struct ChannelProblem {
    std::string channel;  // the row's name
    std::string host;  // what can be named of where it would go; may be empty
    std::string error;
};

enum class AlertWhen { failure, always };

struct AlertConfig {
    std::vector<std::shared_ptr<AlertChannel>> channels;
    std::vector<ChannelProblem> problems;
    AlertWhen when = AlertWhen::failure;
    bool from_environment = false;  // the channels came from the panels' variables

    bool any() const { return !channels.empty() || !problems.empty(); }
};

// Reads [NOTIFY] of the settings file (GBK path, as config_file_path gives
// it), or the process environment when the file configures no channel; a
// missing file or section configures none.
AlertConfig read_alert_config(const std::string& config_file);
// The same from a settings file already read.
class SettingsDocument;
AlertConfig read_alert_config(const SettingsDocument& settings);

// The same from any table and any source of values: `notify` reads a key of
// [NOTIFY], `environment` a variable (both give "" when unset).
using ValueLookup = std::function<std::string(const char* name)>;
AlertConfig alert_config_from(std::span<const ChannelRow* const> table, const ValueLookup& notify,
                              const ValueLookup& environment);

// Reading the webhook's and the mail's keys, for their rows.
ChannelBuild read_webhook(const ChannelValues& values);
ChannelBuild read_mail(const ChannelValues& values);

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
