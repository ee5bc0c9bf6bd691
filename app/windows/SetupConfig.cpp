#include "app/windows/SetupConfig.h"

#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "browser/EngineBinding.h"
#include "platform/kernel/Paths.h"

namespace quilbex::app {

std::string settings_file() { return config_file_path(kernel::program_folder_text()); }

void apply_service_settings() {
    install_net_config(read_member_net_config());
    // The login window's browser trusts the configured services as the HTTP client does.
    browser::set_engine_trusted_hosts(configured_hosts(net_config().hosts));
}

void reload_service_settings() {
    reload_member_settings();
    apply_service_settings();
}

}  // namespace quilbex::app
