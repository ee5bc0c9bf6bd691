#pragma once
// The keys of the settings file that configure the network side, one row
// each: where it stands, how its value is taken and what it takes. Reading a
// settings file, checking its values and naming a refused one all go by this
// table; a key is added by adding a row.

#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"

#include <span>
#include <string>

namespace quilbex::app {

struct ConfigKey {
    const char* section;
    const char* key;
    // Takes a value that is set (UTF-8, never empty) into `config`; false
    // when the key does not take it. `settings_folder` is the folder of the
    // settings file (native), for paths written relative to it.
    bool (*take)(const std::string& value, const std::string& settings_folder, NetConfig& config);
    const char* takes;  // what the key takes, for the message that refuses a value (UTF-8)
};

std::span<const ConfigKey> config_keys();

// The configuration in `settings` by the rows of `keys`, with the defaults
// of the keys that are not set. `program_folder` (native) holds the demo
// authority; `named` says that the member named the file, so that it must
// be readable.
NetConfig net_config_from(const SettingsDocument& settings, const std::string& program_folder, bool named = false,
                          std::span<const ConfigKey> keys = config_keys());

}  // namespace quilbex::app
