#include "app/daily/DailyCommands.h"

#include "app/daily/DailyTimer.h"
#include "app/daily/History.h"
#include "app/daily/HistoryTable.h"
#include "app/daily/SignInRun.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#ifndef QUILBEX_VERSION
#error "QUILBEX_VERSION comes from the project's version"
#endif

namespace quilbex::app {

namespace {

int history_command(int days) {
    std::ifstream in(history_file_path(kernel::executable_directory()), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::fputs(history_table(text.str(), days, std::time(nullptr)).c_str(), stdout);
    return 0;
}

}  // namespace

int usage_error(const std::string& what) {
    std::fprintf(stderr, "quilbex: %s\n用 quilbex --help 查看用法。\n", what.c_str());
    return static_cast<int>(RunStatus::failed);
}

int run_daily_command(const CommandLine& line, const std::function<void()>& prepare_runtime) {
    switch (line.mode) {
    case Mode::help: std::fputs(command_line_help(), stdout); return 0;
    case Mode::version: std::puts("quilbex " QUILBEX_VERSION); return 0;
    case Mode::sign_in:
        prepare_runtime();
        return static_cast<int>(run_sign_in(line.sign_in, kernel::executable_directory()));
    case Mode::history: return history_command(line.history_days);
    case Mode::install_daily: return install_daily(kernel::executable_path(), line.daily_time);
    case Mode::uninstall_daily: return uninstall_daily();
    case Mode::profiles:
    case Mode::where:
    case Mode::window: break;
    }
    return usage_error("这个命令还不能用");
}

}  // namespace quilbex::app
