#include "app/cli/DailyCommands.h"

#include "app/alerts/Alerts.h"
#include "app/cli/CookieCommands.h"
#include "app/cli/MemberCommands.h"
#include "app/daily/SignInRun.h"
#include "app/member/History.h"
#include "app/member/HistoryTable.h"
#include "app/member/LastResult.h"
#include "app/member/SavedCookie.h"
#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "app/schedule/DailyStatus.h"
#include "app/schedule/DailyTimer.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifndef QUILBEX_VERSION
#error "QUILBEX_VERSION comes from the project's version"
#endif

namespace quilbex::app {

namespace {

int history_command(int days) { return print_history_table(kernel::member_folders().history_file(), days); }

DailyMember current_member(const CommandLine& line) { return this_program_member(line.profile); }

// Why a daily run cannot sign this member in, or "" when it can start: a
// member who never saved a cookie, or a configuration without a forum to
// sign in to (an installed copy has no local demo services to fall back on).
std::string daily_run_blocker() {
    const std::string folder = kernel::program_folder_text();
    if (read_setting_utf8(folder + "\\" + kernel::kCookieFileName, "COOKIE", "cookie").empty())
        return "这个成员还没有保存 Cookie（" + kernel::member_folders().cookie_file() +
               "）。请先打开程序登录并保存 Cookie。";
    const NetConfig config = read_member_net_config();
    if (std::string problem = config_problem_message(config, member_settings_path()); !problem.empty())
        return kernel::gbk_to_utf8(problem);
    if (needs_setup(config))
        return "配置文件 " + member_settings_path() + " 没有填写论坛的地址（[HOSTS] forum）。";
    return "";
}

// --install-daily. The scheduled runs read the settings file the member
// names now: one this run cannot read would fail every day, as would a run
// without a cookie or a forum.
int install_daily_command(const CommandLine& line) {
    if (settings_file_named()) {
        std::shared_ptr<const SettingsDocument> settings = member_settings();
        if (settings->error() != 0) {
            std::fprintf(stderr, "quilbex: 不能安装每日自动签到：QUILBEX_CONFIG 指向的 %s 无法读取：%s。\n",
                         settings->path().c_str(), std::strerror(settings->error()));
            return 1;
        }
    }
    if (std::string blocker = daily_run_blocker(); !blocker.empty()) {
        std::fprintf(stderr, "quilbex: 没有安装每日自动签到：%s\n", blocker.c_str());
        return 1;
    }
    return install_daily(current_member(line), line.daily_time, line.force);
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
    case Mode::install_daily: return install_daily_command(line);
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
