#include "app/windows/SetupConfig.h"

#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "browser/EngineBinding.h"
#include "platform/kernel/Paths.h"

#include <algorithm>

namespace quilbex::app {

namespace {

// A file that names the forum needs no other host: the mobile API lives on
// the forum's own site, and without a quote service or an account site the
// program does without them. Only a file that names some hosts but not the
// forum still lacks one.
void take_forum_defaults(NetConfig& config, const std::string& config_file) {
    if (read_setting_utf8(config_file, "HOSTS", "forum").empty())
        return;
    auto missing = [&](const char* key) {
        return std::find(config.missing_hosts.begin(), config.missing_hosts.end(), key) != config.missing_hosts.end();
    };
    if (missing("api"))
        config.hosts.api = config.hosts.forum;
    if (missing("quote"))
        config.hosts.quote.clear();
    if (missing("account"))
        config.hosts.account.clear();
    config.missing_hosts.clear();
}

}  // namespace

std::string settings_file() { return config_file_path(kernel::program_folder_text()); }

void load_service_settings(const std::string& config_file) {
    NetConfig config = read_net_config(config_file, kernel::program_folder_text());
    take_forum_defaults(config, config_file);
    install_net_config(config);
    // The login window's browser trusts the configured services as the HTTP client does.
    std::vector<std::string> hosts;
    for (const std::string* host : {&config.hosts.forum, &config.hosts.api, &config.hosts.quote, &config.hosts.account})
        if (!host->empty())
            hosts.push_back(*host);
    browser::set_engine_trust(config.ca_file, hosts);
}

}  // namespace quilbex::app
