#include "app/daily/CommandLine.h"

#include "app/daily/DailyStatus.h"
#include "app/daily/DailyTimer.h"
#include "app/daily/History.h"
#include "app/daily/HistoryTable.h"
#include "app/daily/SignInRun.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
    "  --status                 列出本用户安装的所有每日定时签到\n"
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

// The member this run stands for, with the settings file it was told to use
// as an absolute path (a timer does not start in today's folder).
DailyMember current_member() {
    DailyMember member{kernel::executable_path(), "", ""};
    const char* config = std::getenv("QUILBEX_CONFIG");
    if (config && *config) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(config, error);
        member.config_path = error ? config : absolute.lexically_normal().string();
    }
    return member;
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
    return install_daily(current_member(), time);
}

// The last line of a history file, read from its end only, as a person
// reads it. Only a regular file is read, and never by following a link.
std::string last_history_line(const std::string& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "";
    struct stat info {};
    std::string tail(4096, '\0');
    ssize_t got = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        off_t from = info.st_size > 4096 ? info.st_size - 4096 : 0;
        got = ::pread(fd, tail.data(), tail.size(), from);
    }
    ::close(fd);
    tail.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    while (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    std::string line = tail.substr(tail.rfind('\n') == std::string::npos ? 0 : tail.rfind('\n') + 1);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return line;
}

int status_command() {
    // FIXME: a profile's history lives where the member-folder functions of
    // the kernel layer say; until they exist only the program folder's own
    // member's history is read.
    return print_daily_status([](const std::string& program, const std::string& profile) {
        if (!profile.empty())
            return std::string();
        return last_history_line(history_file_path(std::filesystem::path(program).parent_path().string()));
    });
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
        return uninstall_daily(current_member());
    if (command == "--status" && args.size() == 1)
        return status_command();
    return usage_error("不认识的命令: " + command);
}

}  // namespace quilbex::app
