#pragma once
// Who a daily run signs in: the program at a path, with the member of its own
// folder or a named profile, and the settings file it was told to use. Each
// member gets units and a crontab line of its own, named after it, so that
// installing for one member never replaces another's.

#include <string>
#include <utility>
#include <vector>

namespace quilbex::app {

struct DailyMember {
    std::string program_path;  // absolute
    std::string profile;  // empty: the program folder's own member
    std::string config_path;  // absolute QUILBEX_CONFIG at install time, or empty
    // $XDG_CONFIG_HOME and $XDG_STATE_HOME at install time when set (absolute),
    // so that the scheduled runs find the member's files where the member does.
    std::string config_home;
    std::string state_home;
};

// "quilbex-daily-<hash>" for the program folder's member and
// "quilbex-daily-<profile>-<hash>" for a profile, where <hash> is eight hex
// digits of a stable hash of the program path. The base of both unit names
// and the mark of the crontab line.
std::string member_unit_base(const DailyMember& member);

// A profile name: letters, digits, '-' and '_', at most 64 of them, not
// beginning with '-' (which would read as an option). It names a folder under
// profiles/, so a name read from anywhere (the command line, a unit file) is
// checked before it is used.
bool valid_profile_name(const std::string& name);

// The variables a scheduled run sets for the member: QUILBEX_CONFIG,
// XDG_CONFIG_HOME and XDG_STATE_HOME, each when it was set at install time.
std::vector<std::pair<std::string, std::string>> member_environment(const DailyMember& member);

// The member as a person reads it: the program path, and the profile if any.
std::string member_label(const std::string& program_path, const std::string& profile);

}  // namespace quilbex::app
