#include "app/daily/DailyTimer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace quilbex::app {

namespace {

namespace fs = std::filesystem;

// One argument of ExecStart=: quoted, with the characters that systemd
// would otherwise read as escapes, specifiers or variables doubled.
std::string exec_argument(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '%' || c == '$')
            out += c;
        out += c;
    }
    return out + "\"";
}

// One word for sh in the crontab line, in single quotes.
std::string shell_word(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string two_digits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Runs systemctl --user with the arguments, without a shell; its exit status
// or -1 when it cannot be started.
int systemctl_user(std::vector<std::string> args) {
    args.insert(args.begin(), {"systemctl", "--user", "--quiet"});
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Its complaints about a missing bus are ours to turn into the crontab hint.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int started = posix_spawnp(&pid, "systemctl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool write_text(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace

std::optional<DailyTime> parse_daily_time(const std::string& text) {
    auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && (text[i] < '0' || text[i] > '9'))
            return std::nullopt;
    }
    DailyTime time{std::atoi(text.substr(0, colon).c_str()), std::atoi(text.substr(colon + 1).c_str())};
    if (time.hour > 23 || time.minute > 59)
        return std::nullopt;
    return time;
}

std::string daily_service_unit(const std::string& program_path) {
    std::string unit = "[Unit]\nDescription=Quilbex daily sign-in\n";
    unit += "Wants=network-online.target\nAfter=network-online.target\n\n";
    unit += "[Service]\nType=oneshot\n";
    unit += "ExecStart=" + exec_argument(program_path) + " --sign-in --quiet\n";
    return unit;
}

std::string daily_timer_unit(DailyTime time) {
    std::string clock = two_digits(time.hour) + ":" + two_digits(time.minute);
    std::string unit = "[Unit]\nDescription=Quilbex daily sign-in at " + clock + "\n\n";
    unit += "[Timer]\nOnCalendar=*-*-* " + clock + ":00\n";
    unit += "RandomizedDelaySec=30min\nPersistent=true\n\n";
    unit += "[Install]\nWantedBy=timers.target\n";
    return unit;
}

std::string daily_crontab_line(const std::string& program_path, DailyTime time) {
    // cron has no random delay of its own; the sleep spreads the start over
    // 30 minutes as the timer does. A missed day is not caught up.
    return std::to_string(time.minute) + " " + std::to_string(time.hour) + " * * * sleep $(shuf -i 0-1800 -n 1); " +
           shell_word(program_path) + " --sign-in --quiet";
}

std::string user_unit_dir() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/systemd/user";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/systemd/user";
}

int install_daily(const std::string& program_path, DailyTime time) {
    fs::path dir = user_unit_dir();
    std::error_code error;
    fs::create_directories(dir, error);
    if (!write_text(dir / kDailyServiceName, daily_service_unit(program_path)) ||
        !write_text(dir / kDailyTimerName, daily_timer_unit(time))) {
        std::fprintf(stderr, "quilbex: 无法写入 %s 中的定时单元。\n", dir.c_str());
        return 1;
    }
    std::printf("已写入 %s/%s 和 %s。\n", dir.c_str(), kDailyServiceName, kDailyTimerName);
    if (systemctl_user({"daemon-reload"}) == 0 && systemctl_user({"enable", "--now", kDailyTimerName}) == 0) {
        std::printf("已启用：每天 %s:%s 前后自动签到（随机推迟至多 30 分钟）。\n", two_digits(time.hour).c_str(),
                    two_digits(time.minute).c_str());
        return 0;
    }
    std::printf("没有可用的 systemd 用户服务管理器。可以用 crontab -e 加入这一行：\n%s\n",
                daily_crontab_line(program_path, time).c_str());
    return 0;
}

int uninstall_daily() {
    fs::path dir = user_unit_dir();
    systemctl_user({"disable", "--now", kDailyTimerName});
    std::error_code error;
    bool removed = fs::remove(dir / kDailyTimerName, error);
    removed = fs::remove(dir / kDailyServiceName, error) || removed;
    systemctl_user({"daemon-reload"});
    std::printf(removed ? "已删除每日自动签到的定时单元。\n" : "没有安装每日自动签到。\n");
    std::printf("如曾加入 crontab 行，请用 crontab -e 删除。\n");
    return 0;
}

}  // namespace quilbex::app
