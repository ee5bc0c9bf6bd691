#include "app/daily/DailyCommands.h"

#include "app/daily/DailyStatus.h"
#include "app/daily/DailyTimer.h"
#include "app/daily/History.h"
#include "app/daily/HistoryTable.h"
#include "app/daily/SignInRun.h"
#include "app/daily/alerts/Alerts.h"
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

#ifndef QUILBEX_VERSION
#error "QUILBEX_VERSION comes from the project's version"
#endif

namespace quilbex::app {

namespace {

int history_command(int days) { return print_history_table(history_file_path(kernel::executable_directory()), days); }

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
    case Mode::install_daily: return install_daily(current_member(line), line.daily_time);
    case Mode::uninstall_daily: return uninstall_daily(current_member(line));
    case Mode::status: return status_command();
    case Mode::notify_test: prepare_runtime(); return notify_test(kernel::executable_directory());
    case Mode::profiles:
    case Mode::where:
    case Mode::window: break;
    }
    return usage_error("这个命令还不能用");
}

}  // namespace quilbex::app
