#pragma once
// The table that "quilbex --history [DAYS]" prints: one row per day of the
// last DAYS days (today included, oldest first) with the day's last sign-in
// status and its draws' statuses in order, "-" where nothing was recorded.
// Lines that are not history lines are skipped.

#include <ctime>
#include <string>

namespace quilbex::app {

// `history` is the file's content; `today` fixes the last day shown.
std::string history_table(const std::string& history, int days, std::time_t today);

}  // namespace quilbex::app
