#pragma once
// The program's command line, parsed with getopt_long into one record. With
// no mode the program opens its windows; a mode runs without a display and
// ends with its exit status.
//
// Adding an option: a field below (or a mode), its row in the option table
// of CommandLine.cpp (which holds its help line too), and its use in
// DailyCommands.cpp.

#include "app/daily/SignInRun.h"
#include "app/schedule/DailyMember.h"
#include "app/schedule/DailyTimer.h"
#include "platform/kernel/Result.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

enum class Mode {
    window,
    help,
    version,
    sign_in,
    history,
    install_daily,
    uninstall_daily,
    status,
    profiles,
    where,
    notify_test,
    setup,
    login,
    export_cookie,
    import_cookie
};

struct CommandLine {
    Mode mode = Mode::window;
    std::string profile;  // --profile NAME; empty: the default member
    SignInOptions sign_in;  // --message, --quiet, --wait, --retry
    int history_days = 7;  // --history [DAYS]
    DailyTime daily_time;  // --install-daily [HH:MM]
    bool force = false;  // --force: install for cron even when no cron daemon runs
    std::string cookie_source = "-";  // --import-cookie [FILE|-]
};

// `args` without the program name. A failure's reason says what is wrong
// with them.
kernel::Result<CommandLine> parse_command_line(const std::vector<std::string>& args);

// The help text (UTF-8), made from the option table and the run outcomes.
const std::string& command_line_help();

}  // namespace quilbex::app
