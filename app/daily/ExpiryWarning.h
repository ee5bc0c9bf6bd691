#pragma once
// The daily run's warning that the member's login is about to end: from
// [DAILY] warn_days days (NetConfig::warn_days, default 3) before the saved cookie's expiry, once a
// day, a line on standard error, a note in History.log and an alert through
// the desktop and the [NOTIFY] channels. The run signs in all the same.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace quilbex::app {

// The history step of the warning; a line of it today means "already warned".
inline constexpr const char* kExpiryStep = "cookie-expiry";

// Whether the history file holds a warning written on the local day of `now`.
bool warned_today(const std::string& history_file, std::time_t now);

// The command that logs this process's member in again ("quilbex --login --profile NAME").
std::string relogin_command();

// Warns when due (within `warn_days` of the expiry) and not yet done today.
// Returns whether it warned.
bool warn_of_cookie_expiry(std::optional<std::int64_t> expires, std::time_t now, int warn_days);

}  // namespace quilbex::app
