#pragma once
// The daily timer: a systemd user service that runs "--sign-in --quiet" in
// the program folder, and a timer that starts it every day at a set time
// with a random delay of up to 30 minutes, catching up after a day the
// machine was off. Where no user service manager is reachable, the matching
// crontab line is printed instead.

#include <optional>
#include <string>

namespace quilbex::app {

struct DailyTime {
    int hour = 8;
    int minute = 30;
};

// "HH:MM" (H:MM accepted), or nothing for anything else.
std::optional<DailyTime> parse_daily_time(const std::string& text);

// The unit files' contents for the program at `program_path` (native path).
std::string daily_service_unit(const std::string& program_path);
std::string daily_timer_unit(DailyTime time);
std::string daily_crontab_line(const std::string& program_path, DailyTime time);

// The folder of the member's own units: $XDG_CONFIG_HOME/systemd/user, else
// ~/.config/systemd/user.
std::string user_unit_dir();

inline constexpr const char* kDailyServiceName = "quilbex-daily.service";
inline constexpr const char* kDailyTimerName = "quilbex-daily.timer";

// Write (or remove) the units and enable (or disable) the timer; messages
// go to standard output and standard error. Return the exit status.
int install_daily(const std::string& program_path, DailyTime time);
int uninstall_daily();

}  // namespace quilbex::app
