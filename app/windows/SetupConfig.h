#pragma once
// The settings file made the process's network configuration: the hosts and
// the trust of the HTTP client, and the same trust for the login window's
// browser. At start, and again once the set-up window has saved the file.

#include <string>

namespace quilbex::app {

// The settings file of this program and member (GBK name).
std::string settings_file();

// Reads `config_file` and installs it; the browser's trust applies to views
// created afterwards.
void load_service_settings(const std::string& config_file);

}  // namespace quilbex::app
