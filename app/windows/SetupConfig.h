#pragma once
// The settings file made the process's network configuration: the hosts and
// the trust of the HTTP client, and the same trust for the login window's
// browser. At start, and again once the set-up window has saved the file.

#include <string>

namespace quilbex::app {

// The member's settings file as a program file name (GBK), as the profile
// functions take it.
std::string settings_file();

// Installs the member's settings as read; the browser's trust applies to
// views created afterwards.
void apply_service_settings();

// Reads the member's settings file again (after the set-up window wrote it)
// and installs it.
void reload_service_settings();

}  // namespace quilbex::app
