#include "app/daily/CommandLine.h"

#include "app/daily/DailyTimer.h"
#include "app/daily/History.h"
#include "app/daily/HistoryTable.h"
#include "app/daily/SignInRun.h"
#include "app/daily/alerts/Alerts.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace quilbex::app {

namespace {

constexpr const char* kHelp =
    "用法: quilbex [命令]\n"
    "  (无参数)                 打开窗口\n"
    "  --sign-in [选项]         不开窗口签到并抽奖，逐行显示结果\n"
    "      --message TEXT       签到文本（否则用 Config.ini [DAILY] message，再否则取每日一句）\n"
    "      --quiet              只显示错误\n"
    "      --wait SECONDS       另一次签到进行中时最多等待的秒数（默认 120）\n"
    "  --history [DAYS]         显示最近 DAYS 天（默认 7）的签到和抽奖记录\n"
    "  --install-daily [HH:MM]  安装每日定时签到（默认 08:30，随机推迟至多 30 分钟）\n"
    "  --uninstall-daily        删除每日定时签到\n"
    "  --notify-test            经 Config.ini [NOTIFY] 的每个提醒渠道发一条测试提醒\n"
    "  --help                   显示本说明\n"
    "退出状态 (--sign-in):\n"
    "  0  已签到或今日已经签到\n"
    "  1  用法错误、另一次签到仍在进行或其他错误\n"
    "  2  未登录：请打开程序重新登录\n"
    "  3  网络无应答或证书被拒绝\n"
    "  4  论坛拒绝签到（签到失败）\n";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "quilbex: %s\n用 quilbex --help 查看用法。\n", what.c_str());
    return static_cast<int>(RunStatus::failed);
}

// A whole positive number up to `limit`, or 0.
int positive_number(const std::string& text, int limit) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int value = std::atoi(text.c_str());
    return value <= limit ? value : 0;
}

int sign_in_command(const std::vector<std::string>& args, const std::function<void()>& prepare_runtime) {
    SignInOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--quiet") {
            options.verbosity = Verbosity::quiet;
        } else if (args[i] == "--message" && i + 1 < args.size()) {
            options.message = args[++i];
        } else if (args[i] == "--wait" && i + 1 < args.size()) {
            int seconds = positive_number(args[++i], 86400);
            if (seconds == 0)
                return usage_error("--wait 需要一个正整数秒数");
            options.wait = std::chrono::seconds(seconds);
        } else {
            return usage_error("--sign-in 不认识的参数: " + args[i]);
        }
    }
    prepare_runtime();
    return static_cast<int>(run_sign_in(options, kernel::executable_directory()));
}

int history_command(const std::vector<std::string>& args) {
    int days = 7;
    if (args.size() > 2)
        return usage_error("--history 最多一个参数");
    if (args.size() == 2 && (days = positive_number(args[1], 3660)) == 0)
        return usage_error("--history 的天数应为正整数");
    std::ifstream in(history_file_path(kernel::executable_directory()), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::fputs(history_table(text.str(), days, std::time(nullptr)).c_str(), stdout);
    return 0;
}

int install_command(const std::vector<std::string>& args) {
    DailyTime time;
    if (args.size() > 2)
        return usage_error("--install-daily 最多一个参数");
    if (args.size() == 2) {
        auto parsed = parse_daily_time(args[1]);
        if (!parsed)
            return usage_error("时间应写成 HH:MM，例如 08:30");
        time = *parsed;
    }
    return install_daily(kernel::executable_path(), time);
}

}  // namespace

int run_daily_command(const std::vector<std::string>& args, const std::function<void()>& prepare_runtime) {
    const std::string command = args.empty() ? "" : args[0];
    if (command == "--help" && args.size() == 1) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == "--sign-in")
        return sign_in_command(args, prepare_runtime);
    if (command == "--history")
        return history_command(args);
    if (command == "--install-daily")
        return install_command(args);
    if (command == "--uninstall-daily" && args.size() == 1)
        return uninstall_daily();
    if (command == "--notify-test" && args.size() == 1) {
        prepare_runtime();
        return notify_test(kernel::executable_directory());
    }
    return usage_error("不认识的命令: " + command);
}

}  // namespace quilbex::app
