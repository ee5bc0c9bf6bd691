#pragma once
// The member's line in their crontab, where no systemd runs. The program
// edits the table itself through "crontab -l" and "crontab -": it keeps every
// other line as it was and marks its own with a trailing comment naming the
// member ("# quilbex-daily-..."), so that installing again replaces only
// that line and uninstalling removes only it.

#include "app/schedule/DailyMember.h"
#include "app/schedule/SystemdUnits.h"
#include "platform/kernel/Result.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

// The line for sh as cron runs it: the words in single quotes and every "%"
// escaped (cron turns a bare "%" into a line break). cron has no random
// delay of its own; a sleep spreads the start over 30 minutes as the timer
// does. A missed day is not caught up. The program runs only while it is
// there and executable, so a removed program leaves no daily failure.
std::string crontab_line(const DailyMember& member, DailyTime time);

// The table with the member's line replaced by `line` (appended when it had
// none), or removed when `line` is empty.
std::string crontab_with_line(const std::string& table, const std::string& unit_base, const std::string& line);

// The members' lines in a table: their unit base names and times.
struct CrontabEntry {
    std::string unit_base;
    std::optional<DailyTime> time;
};
std::vector<CrontabEntry> crontab_entries(const std::string& table);

// Reads the member's table ("crontab -l"; no table yet counts as empty). A
// failure says what crontab said, or that there is no crontab command.
kernel::Result<std::string> read_crontab();

// What an edit of the member's table came to. A machine without a crontab
// command is an answer, not a failure: there is no line to take out, and
// only an install has to say that it put none in.
enum class CrontabEdit { unchanged, changed, no_command };

// Puts the member's line in (or takes it out, `line` empty) and writes the
// table back only when it changed. A table that cannot be read is never
// written; one left with nothing but blank lines is removed ("crontab -r").
// A failure says what crontab said.
kernel::Result<CrontabEdit> edit_crontab(const std::string& unit_base, const std::string& line);

// True when a cron daemon runs on this machine (a process named "cron" or
// "crond"): without one a crontab line never runs.
bool cron_daemon_runs();

}  // namespace quilbex::app
