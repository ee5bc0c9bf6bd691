#pragma once
// The configuration an installed copy starts with. The built-in hosts point
// at the local demo services, which an installed copy does not have, so in
// the installed layout a settings file that names no forum is not used
// (needs_setup, NetConfig.h): at the first start the member gets a commented
// template as their Config.ini, and the program says which file to fill in
// and ends.

#include "app/net/NetConfig.h"

#include <string>
#include <string_view>

namespace quilbex::app {

// The commented template (UTF-8): packaging/Config.ini.example, built in.
std::string_view config_template();

// What keeps the configuration from being used, as the message to show
// before ending (GBK), or "" when it can be used: an unreadable file, a value
// its key does not take, a file that names hosts but no forum, or, in the
// installed layout, one that names none. On the first start of an installed
// copy the template is written as the member's Config.ini (the default
// member's; never over an existing file, nor where QUILBEX_CONFIG points).
// `config_file` is the file read (native path).
std::string configuration_problem(const NetConfig& config, const std::string& config_file);

}  // namespace quilbex::app
