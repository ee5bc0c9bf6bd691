#pragma once
// The member's systemd user service manager, reached through
// "systemctl --user". Where none answers (no login session, a login over
// SSH, a machine without systemd), every call here fails and the callers
// fall back to enabling by hand or to cron.

#include "platform/kernel/Result.h"

#include <string>
#include <vector>

namespace quilbex::app {

// True when a user manager answers now.
bool user_manager_reachable();

// Runs "systemctl --user ARGS..."; a failure's reason is what systemctl said.
kernel::Result<void> user_systemctl(const std::vector<std::string>& args);

// A unit's properties as "systemctl --user show" gives them ("" when unknown).
std::string user_unit_property(const std::string& unit, const std::string& property);

// True when systemd runs this machine (it has a boot-time runtime folder),
// whether or not a user manager answers now.
bool system_runs_systemd();

}  // namespace quilbex::app
