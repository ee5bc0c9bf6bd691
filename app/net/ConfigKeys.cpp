#include "app/net/ConfigKeys.h"

#include "app/net/HostValue.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace quilbex::app {

namespace {

constexpr const char* kHostTakes =
    "这不是主机名、IPv4 地址或方括号里的 IPv6 地址（可以带 1 到 65535 的端口，或写成 https:// 开头的网址）。";

bool file_exists(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A host as the member wrote it; kept as written when refused, so that the
// file counts as naming it.
template <std::string ServiceHosts::*host>
bool take_host(const std::string& value, const std::string&, NetConfig& config) {
    std::optional<std::string> taken = service_host(value);
    config.hosts.*host = taken ? *taken : value;
    return taken.has_value();
}

bool take_ca_file(const std::string& value, const std::string& settings_folder, NetConfig& config) {
    std::string native = value;
    for (char& c : native)
        c = c == '\\' ? '/' : c;
    config.ca_file = native.front() == '/' ? native : settings_folder + "/" + native;
    return file_exists(config.ca_file);
}

bool take_insecure(const std::string& value, const std::string&, NetConfig& config) {
    config.insecure = value == "1";
    return value == "0" || value == "1";
}

bool take_daily_message(const std::string& value, const std::string&, NetConfig& config) {
    config.daily_message = value;
    return true;
}

bool take_warn_days(const std::string& value, const std::string&, NetConfig& config) {
    if (value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int days = std::stoi(value);
    if (days > 365)
        return false;
    config.warn_days = days;
    return true;
}

constexpr ConfigKey kConfigKeys[] = {
    {"HOSTS", "forum", take_host<&ServiceHosts::forum>, kHostTakes},
    {"HOSTS", "api", take_host<&ServiceHosts::api>, kHostTakes},
    {"HOSTS", "quote", take_host<&ServiceHosts::quote>, kHostTakes},
    {"HOSTS", "account", take_host<&ServiceHosts::account>, kHostTakes},
    {"TLS", "ca_file", take_ca_file, "找不到这个证书文件。"},
    {"TLS", "insecure", take_insecure, "只能是 0 或 1。"},
    {"DAILY", "message", take_daily_message, ""},
    {"DAILY", "warn_days", take_warn_days, "应为 0 到 365 的整数（天数）。"},
};

std::string folder_of(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Defaults that depend on what the file names.
void complete_hosts(NetConfig& config) {
    ServiceHosts& hosts = config.hosts;
    config.hosts_named = !hosts.forum.empty() || !hosts.api.empty() || !hosts.quote.empty() || !hosts.account.empty();
    if (!config.hosts_named) {
        hosts = ServiceHosts{};
        return;
    }
    if (hosts.forum.empty())
        config.missing_hosts.emplace_back("forum");
    else if (hosts.api.empty())
        hosts.api = hosts.forum;
}

}  // namespace

std::span<const ConfigKey> config_keys() { return kConfigKeys; }

NetConfig net_config_from(const SettingsDocument& settings, const std::string& program_folder, bool named,
                          std::span<const ConfigKey> keys) {
    NetConfig config;
    config.hosts = ServiceHosts{"", "", "", ""};
    config.settings_file = settings.path();
    if (settings.error() != 0 && (named || settings.error() != ENOENT))
        config.unreadable = std::strerror(settings.error());
    for (const ConfigKey& row : keys) {
        std::string value = settings.value(row.section, row.key);
        if (!value.empty() && !row.take(value, folder_of(settings.path()), config))
            config.invalid_values.push_back({row.section, row.key, value, row.takes});
    }
    complete_hosts(config);
    if (config.ca_file.empty() && only_default_hosts(config.hosts)) {
        // The demo authority can sign for anyone who holds a copy of the
        // program folder: it is trusted for the local services only.
        std::string demo = program_folder + "/sim-certs/ca.pem";
        if (file_exists(demo))
            config.ca_file = demo;
    }
    return config;
}

}  // namespace quilbex::app
