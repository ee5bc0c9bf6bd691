#pragma once
// "--status": every daily run installed for this user, whichever program
// folder or profile installed it: the timers in the member's unit folder
// (those of earlier versions too) and the lines the program put into the
// crontab. For each: the member, the time, how it is scheduled, the next run
// when a user manager answers, and the last result in the member's history.

#include <functional>
#include <string>

namespace quilbex::app {

// The last line of a member's history as a person reads it, or "" when
// there is none.
using LastResultOf = std::function<std::string(const std::string& program_path, const std::string& profile)>;

int print_daily_status(const LastResultOf& last_result);

}  // namespace quilbex::app
