#include "app/windows/SetupConfig.h"

#include "app/net/NetConfig.h"
#include "browser/EngineBinding.h"
#include "platform/kernel/Paths.h"

namespace quilbex::app {

std::string settings_file() { return config_file_path(kernel::program_folder_text()); }

void load_service_settings(const std::string& config_file) {
    install_net_config(read_net_config(config_file, kernel::program_folder_text()));
    // The login window's browser trusts the configured services as the HTTP client does.
    const NetConfig& config = net_config();
    browser::set_engine_trust(config.ca_file,
                              {config.hosts.forum, config.hosts.api, config.hosts.quote, config.hosts.account});
}

}  // namespace quilbex::app
