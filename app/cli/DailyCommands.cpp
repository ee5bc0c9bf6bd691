#include "app/cli/DailyCommands.h"

#include "app/alerts/Alerts.h"
#include "app/cli/CookieCommands.h"
#include "app/cli/MemberCommands.h"
#include "app/daily/SignInRun.h"
#include "app/member/History.h"
#include "app/member/HistoryTable.h"
#include "app/member/LastResult.h"
#include "app/member/SavedCookie.h"
#include "app/schedule/DailyStatus.h"
#include "app/schedule/DailyTimer.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#ifndef QUILBEX_VERSION
#error "QUILBEX_VERSION comes from the project's version"
#endif

namespace quilbex::app {

namespace {

int history_command(int days) { return print_history_table(kernel::member_folders().history_file(), days); }

// The member this run stands for, with the settings file it was told to use
// as an absolute path (a timer does not start in today's folder).
DailyMember current_member(const CommandLine& line) {
    DailyMember member{kernel::executable_path(), line.profile, ""};
    const char* config = std::getenv("QUILBEX_CONFIG");
    if (config && *config) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(config, error);
        member.config_path = error ? config : absolute.lexically_normal().string();
    }
    return member;
}

// --status: each timer's member's last result, from the history file where
// that member's files live.
int status_command() {
    return print_daily_status([](const std::string& program, const std::string& profile) {
        const std::string folder = std::filesystem::path(program).parent_path().string();
        const kernel::MemberFolders folders =
            kernel::decide_member_folders(folder, profile, kernel::current_folder_environment(folder));
        auto last = last_history_entry(folders.history_file());
        // The cookie's expiry goes on a line of its own below the last result.
        const SavedCookie saved = read_saved_cookie(kernel::utf8_to_gbk(folders.cookie_file()));
        return (last ? describe(*last) : std::string("（没有记录）")) + "\n  " + describe_cookie_expiry(saved.expires);
    });
}

}  // namespace

int usage_error(const std::string& what) {
    std::fprintf(stderr, "quilbex: %s\n用 quilbex --help 查看用法。\n", what.c_str());
    return static_cast<int>(RunStatus::failed);
}

int run_daily_command(const CommandLine& line, const std::function<void()>& prepare_runtime) {
    switch (line.mode) {
    case Mode::help: std::fputs(command_line_help().c_str(), stdout); return 0;
    case Mode::version: std::puts("quilbex " QUILBEX_VERSION); return 0;
    case Mode::sign_in: prepare_runtime(); return static_cast<int>(run_sign_in(line.sign_in));
    case Mode::history: return history_command(line.history_days);
    case Mode::install_daily: return install_daily(current_member(line), line.daily_time);
    case Mode::uninstall_daily: return uninstall_daily(current_member(line));
    case Mode::status: return status_command();
    case Mode::notify_test: prepare_runtime(); return notify_test();
    case Mode::profiles: return list_profiles();
    case Mode::where: return print_where();
    case Mode::export_cookie: return export_cookie();
    case Mode::import_cookie: return import_cookie(line.cookie_source);
    case Mode::login: break;  // a window mode: the program start handles it
    case Mode::window: break;
    }
    return usage_error("没有命令");
}

}  // namespace quilbex::app
