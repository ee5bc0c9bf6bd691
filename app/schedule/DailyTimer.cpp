#include "app/schedule/DailyTimer.h"

#include "app/schedule/Crontab.h"
#include "app/schedule/LegacyTimer.h"
#include "app/schedule/UserManager.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace quilbex::app {

namespace {

namespace fs = std::filesystem;

struct UnitFiles {
    explicit UnitFiles(const std::string& base)
        : dir(user_unit_dir()), timer_name(base + ".timer"), service(dir / (base + ".service")),
          timer(dir / timer_name), wants_link(dir / "timers.target.wants" / timer_name) {}
    fs::path dir;
    std::string timer_name;
    fs::path service, timer, wants_link;
};

std::string login_name() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_name : std::to_string(::getuid());
}

bool write_units(const UnitFiles& units, const DailyMember& member, DailyTime time) {
    std::error_code error;
    fs::create_directories(units.dir, error);
    std::string service = daily_service_unit(member), timer = daily_timer_unit(time);
    return kernel::replace_file_contents(units.service.string(), {service}) &&
           kernel::replace_file_contents(units.timer.string(), {timer});
}

// Removes `dir` and then its parents up to (not including) `stop` while they
// are empty.
void remove_empty_folders(fs::path dir, const fs::path& stop) {
    std::error_code error;
    while (dir != stop && dir.has_relative_path() && fs::is_empty(dir, error) && !error && fs::remove(dir, error))
        dir = dir.parent_path();
}

// What an install may change in the unit folder, as it was before: a failed
// install puts it back, so that it leaves no file, link or folder behind and
// an earlier install of the same member stays as it was.
class UnitSnapshot {
public:
    explicit UnitSnapshot(const UnitFiles& units) : m_units(units) {
        std::error_code error;
        for (const fs::path* file : {&units.service, &units.timer}) {
            std::string text;
            const bool existed = static_cast<bool>(kernel::read_file_contents(file->string(), text));
            m_files.push_back({*file, existed, text});
        }
        m_link = fs::read_symlink(units.wants_link, error);
        // The first folder on the way to the unit folder that does not exist yet.
        for (fs::path dir = units.wants_link.parent_path(); dir.has_relative_path(); dir = dir.parent_path()) {
            if (fs::exists(dir, error))
                break;
            m_first_new = dir;
        }
    }
    void restore() const {
        std::error_code error;
        for (const auto& [path, existed, text] : m_files) {
            if (existed)
                kernel::replace_file_contents(path.string(), {text});
            else
                fs::remove(path, error);
        }
        fs::remove(m_units.wants_link, error);
        if (!m_link.empty())
            fs::create_symlink(m_link, m_units.wants_link, error);
        if (!m_first_new.empty()) {
            remove_empty_folders(m_units.wants_link.parent_path(), m_first_new.parent_path());
            remove_empty_folders(m_units.dir, m_first_new.parent_path());
        }
    }

private:
    struct File {
        fs::path path;
        bool existed;
        std::string text;
    };
    const UnitFiles& m_units;
    std::vector<File> m_files;
    fs::path m_link;
    fs::path m_first_new;
};

// Removes a timer and its service, disabled first where a manager answers;
// true when there was anything to remove.
bool remove_units(const fs::path& dir, const std::string& base, bool manager) {
    if (manager)
        (void)user_systemctl({"disable", "--now", "--", base + ".timer"});
    std::error_code error;
    bool removed = fs::remove(dir / "timers.target.wants" / (base + ".timer"), error);
    removed = fs::remove(dir / (base + ".timer"), error) || removed;
    return fs::remove(dir / (base + ".service"), error) || removed;
}

bool remove_legacy_units(const DailyMember& member, bool manager) {
    std::string dir = user_unit_dir();
    if (!legacy_timer_belongs_to(dir, member))
        return false;
    std::string base = kLegacyTimerName;
    base.resize(base.size() - std::string(".timer").size());
    if (!remove_units(dir, base, manager))
        return false;
    std::printf("已删除旧版本为这个程序安装的 %s。\n", kLegacyTimerName);
    return true;
}

int enable_with_manager(const UnitFiles& units, DailyTime time) {
    kernel::Result<void> asked = user_systemctl({"daemon-reload"});
    if (asked)
        asked = user_systemctl({"enable", "--now", "--", units.timer_name});
    std::string error = asked.reason();
    std::string load = user_unit_property(units.timer_name, "LoadState");
    std::string state = user_unit_property(units.timer_name, "UnitFileState");
    if (asked && load == "loaded" && state == "enabled") {
        std::printf("已启用：每天 %s 前后自动签到（随机推迟至多 30 分钟）。\n", clock_text(time).c_str());
        return 0;
    }
    if (error.empty())
        error = "定时器状态为 " + (load.empty() ? "?" : load) + "/" + (state.empty() ? "?" : state);
    std::fprintf(stderr, "quilbex: systemd 用户服务管理器没有启用 %s：%s\n", units.timer_name.c_str(), error.c_str());
    return 1;
}

int enable_at_next_login(const UnitFiles& units, DailyTime time) {
    std::error_code error;
    fs::create_directories(units.wants_link.parent_path(), error);
    fs::remove(units.wants_link, error);
    fs::create_symlink(units.timer, units.wants_link, error);
    if (error) {
        std::fprintf(stderr, "quilbex: 无法建立 %s：%s\n", units.wants_link.c_str(), error.message().c_str());
        return 1;
    }
    std::printf("已启用：每天 %s 前后自动签到。现在联系不到 systemd 用户服务管理器，"
                "定时器会在你下次登录时开始运行。\n",
                clock_text(time).c_str());
    std::printf("要在没有登录时也运行，请执行：loginctl enable-linger %s\n", login_name().c_str());
    return 0;
}

int schedule_with_cron(const DailyMember& member, DailyTime time) {
    std::string line = crontab_line(member, time);
    kernel::Result<CrontabEdit> edited = edit_crontab(member_unit_base(member), line);
    if (!edited) {
        std::fprintf(stderr, "quilbex: 无法修改 crontab，没有安排每日自动签到：%s\n", edited.reason().c_str());
        return 1;
    }
    if (*edited == CrontabEdit::no_command) {
        std::fprintf(stderr, "quilbex: 这台机器既没有 systemd 也没有 crontab 命令，没有安排每日自动签到。"
                             "可以安装 cron 后再运行 --install-daily。\n");
        return 1;
    }
    std::printf("这台机器没有 systemd，已在 crontab 中加入：\n%s\n", line.c_str());
    return 0;
}

// Takes the member's own crontab line out, where there is a crontab.
bool remove_crontab_line(const DailyMember& member) {
    kernel::Result<CrontabEdit> edited = edit_crontab(member_unit_base(member), "");
    if (!edited) {
        std::fprintf(stderr, "quilbex: 无法修改 crontab：%s\n", edited.reason().c_str());
        return false;
    }
    if (*edited == CrontabEdit::changed)
        std::printf("已从 crontab 中删除这个成员的行。\n");
    return *edited == CrontabEdit::changed;
}

}  // namespace

std::string user_unit_dir() {
    const std::string program = kernel::executable_directory();
    return kernel::xdg_config_home(kernel::current_folder_environment(program)) + "/systemd/user";
}

int install_daily(const DailyMember& member, DailyTime time, bool force) {
    for (const auto& [what, path, use] : {std::tuple{"程序的路径", &member.program_path, PathUse::program},
                                          std::tuple{"QUILBEX_CONFIG 的路径", &member.config_path, PathUse::setting},
                                          std::tuple{"XDG_CONFIG_HOME 的路径", &member.config_home, PathUse::setting},
                                          std::tuple{"XDG_STATE_HOME 的路径", &member.state_home, PathUse::setting}}) {
        if (auto accepted = check_systemd_path(*path, use); !accepted) {
            std::fprintf(stderr, "quilbex: 不能安装每日自动签到：%s%s。请把它放到名字只含普通字符的文件夹里。\n", what,
                         accepted.reason().c_str());
            return 1;
        }
    }
    std::string base = member_unit_base(member);
    if (base.size() + std::string(".service").size() > 255) {
        std::fprintf(stderr, "quilbex: 不能安装每日自动签到：配置名太长。\n");
        return 1;
    }
    const bool manager = user_manager_reachable();
    const bool cron = !manager && !system_runs_systemd();
    // A crontab line without a cron daemon never runs: say so before anything is written.
    if (cron && !cron_daemon_runs()) {
        std::fprintf(stderr,
                     "quilbex: 这台机器没有 systemd，也没有运行 cron 服务（cron 或 crond），"
                     "crontab 中的行不会运行。%s\n",
                     force ? "按 --force 照样加入。"
                           : "请先启动 cron 服务；要照样加入，请加上 --force。没有安排每日自动签到。");
        if (!force)
            return 1;
    }
    UnitFiles units(base);
    const UnitSnapshot before(units);
    if (!write_units(units, member, time)) {
        std::fprintf(stderr, "quilbex: 无法写入 %s 中的定时单元，没有安排每日自动签到。\n", units.dir.c_str());
        before.restore();
        return 1;
    }
    int status = 0;
    if (manager)
        status = enable_with_manager(units, time);
    else if (!cron)
        status = enable_at_next_login(units, time);
    else
        status = schedule_with_cron(member, time);
    if (status != 0) {
        before.restore();
        if (manager)
            (void)user_systemctl({"daemon-reload"});
        return status;
    }
    std::printf("定时单元：%s 和 %s。\n", units.timer.c_str(), units.service.c_str());
    remove_legacy_units(member, manager);
    // systemd runs it now: a line left from a time with cron would run it twice.
    if (!cron)
        remove_crontab_line(member);
    return 0;
}

int uninstall_daily(const DailyMember& member) {
    bool manager = user_manager_reachable();
    bool removed = remove_legacy_units(member, manager);
    removed = remove_units(user_unit_dir(), member_unit_base(member), manager) || removed;
    if (manager)
        (void)user_systemctl({"daemon-reload"});
    // The folders an install made, when nothing else is left in them.
    const fs::path dir = user_unit_dir();
    remove_empty_folders(dir / "timers.target.wants", dir.parent_path().parent_path());
    remove_empty_folders(dir, dir.parent_path().parent_path());
    if (removed)
        std::printf("已删除这个成员的每日自动签到定时器。\n");
    if (!remove_crontab_line(member) && !removed)
        std::printf("这个成员没有安装每日自动签到。\n");
    return 0;
}

}  // namespace quilbex::app
