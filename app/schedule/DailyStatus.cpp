#include "app/schedule/DailyStatus.h"

#include "app/schedule/Crontab.h"
#include "app/schedule/DailyMember.h"
#include "app/schedule/DailyTimer.h"
#include "app/schedule/LegacyTimer.h"
#include "app/schedule/UserManager.h"
#include "platform/kernel/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

namespace quilbex::app {

namespace {

namespace fs = std::filesystem;

std::string read_text(const fs::path& file) {
    std::string text;
    kernel::read_file_contents(file.string(), text);
    return text;
}

std::string time_text(const std::optional<DailyTime>& time) {
    return time ? "每天 " + clock_text(*time) + "（随机推迟至多 30 分钟）" : "（时间无法读出）";
}

// The timers in the unit folder, by base name; the legacy timer included.
std::vector<std::string> installed_timers(const fs::path& dir) {
    std::vector<std::string> bases;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        const std::string suffix = ".timer";
        bool ours = name == kLegacyTimerName || name.rfind("quilbex-daily-", 0) == 0;
        if (ours && name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            bases.push_back(name.substr(0, name.size() - suffix.size()));
    }
    std::sort(bases.begin(), bases.end());
    return bases;
}

std::string systemd_state(const fs::path& dir, const std::string& timer, bool manager) {
    if (manager) {
        std::string state = user_unit_property(timer, "UnitFileState");
        std::string active = user_unit_property(timer, "ActiveState");
        std::string text = "systemd 定时器 " + timer + "，" + (state == "enabled" ? "已启用" : "未启用");
        std::string next = user_unit_property(timer, "NextElapseUSecRealtime");
        if (active == "active" && !next.empty() && next != "n/a")
            text += "\n  下次运行：" + next;
        return text;
    }
    std::error_code error;
    if (fs::is_symlink(dir / "timers.target.wants" / timer, error))
        return "systemd 定时器 " + timer + "，已启用（现在联系不到用户服务管理器，下次运行时间未知）";
    return "systemd 定时器 " + timer + "，未启用";
}

}  // namespace

int print_daily_status(const LastResultOf& last_result) {
    fs::path dir = user_unit_dir();
    bool manager = user_manager_reachable();
    kernel::Result<std::string> table = read_crontab();
    const bool has_crontab = static_cast<bool>(table);
    std::map<std::string, CrontabEntry> cron;
    for (auto& entry : crontab_entries(has_crontab ? *table : ""))
        cron[entry.unit_base] = entry;

    int shown = 0;
    for (const std::string& base : installed_timers(dir)) {
        std::string service = read_text(dir / (base + ".service"));
        std::string program = unit_value(service, kProgramKey);
        std::string profile = unit_value(service, kProfileKey);
        bool legacy = base + ".timer" == kLegacyTimerName;
        if (legacy)
            program = legacy_program_path(service).value_or("");
        // The profile names a folder: a unit file changed by hand must not
        // make this read another folder's history.
        if (!profile.empty() && !valid_profile_name(profile)) {
            std::printf("%s（配置名无效，不读它的记录）\n", program.empty() ? "（成员无法读出）" : program.c_str());
            program.clear();
        } else {
            std::printf("%s%s\n", program.empty() ? "（成员无法读出）" : member_label(program, profile).c_str(),
                        legacy ? "（旧版本安装的定时器，重新运行 --install-daily 即换成新的）" : "");
        }
        std::printf("  时间：%s\n", time_text(timer_unit_time(read_text(dir / (base + ".timer")))).c_str());
        std::printf("  安排：%s\n", systemd_state(dir, base + ".timer", manager).c_str());
        if (cron.erase(base))
            std::printf("  安排：crontab（下次运行时间由 cron 决定）\n");
        std::string last = program.empty() ? "" : last_result(program, profile);
        std::printf("  上次结果：%s\n", last.empty() ? "（没有记录）" : last.c_str());
        ++shown;
    }
    // Lines whose unit files are gone (removed by hand): the member is known only by its mark.
    for (const auto& [base, entry] : cron) {
        std::printf("%s（只在 crontab 中）\n  时间：%s\n  安排：crontab\n", base.c_str(),
                    time_text(entry.time).c_str());
        ++shown;
    }
    if (shown == 0)
        std::printf("没有安装每日自动签到。\n");
    if (!manager && shown > 0)
        std::printf("（现在联系不到 systemd 用户服务管理器%s）\n", has_crontab ? "" : "，也没有 crontab 命令");
    return 0;
}

}  // namespace quilbex::app
