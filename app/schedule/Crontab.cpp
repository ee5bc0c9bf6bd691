#include "app/schedule/Crontab.h"

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/ChildProcess.h"
#include "platform/kernel/TextLines.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace quilbex::app {

namespace {

// One word for sh in single quotes. A "%" leaves the quotes and stands
// escaped for cron, which drops the backslash; sh then reads the bare "%"
// as itself. Inside the quotes a backslash is plain text, and it can never
// stand right before an escaped "%".
std::string cron_word(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else if (c == '%')
            out += "'\\%'";
        else
            out += c;
    }
    return out + "'";
}

std::string mark_of(const std::string& unit_base) { return " # " + unit_base; }

bool has_mark(std::string_view line, std::string_view mark) {
    return line.size() >= mark.size() && line.compare(line.size() - mark.size(), mark.size(), mark) == 0;
}

}  // namespace

std::string crontab_line(const DailyMember& member, DailyTime time) {
    std::string line =
        std::to_string(time.minute) + " " + std::to_string(time.hour) + " * * * sleep $(shuf -i 0-1800 -n 1); ";
    // A program removed without its line (a package removed, a folder
    // deleted) makes the day's run a skip, not a failure every day.
    line += "[ -x " + cron_word(member.program_path) + " ] && ";
    for (const auto& [name, value] : member_environment(member))
        line += name + "=" + cron_word(value) + " ";
    line += cron_word(member.program_path);
    if (!member.profile.empty())
        line += " --profile " + cron_word(member.profile);
    return line + " --sign-in --quiet" + mark_of(member_unit_base(member));
}

std::string crontab_with_line(const std::string& table, const std::string& unit_base, const std::string& line) {
    std::string out;
    for (std::string_view current : kernel::text_lines(table)) {
        if (!has_mark(current, mark_of(unit_base)))
            out.append(current).append("\n");
    }
    if (!line.empty())
        out += line + "\n";
    return out;
}

std::vector<CrontabEntry> crontab_entries(const std::string& table) {
    std::vector<CrontabEntry> entries;
    const std::string_view mark = " # quilbex-daily-";
    for (std::string_view line : kernel::text_lines(table)) {
        auto at = line.rfind(mark);
        if (at == std::string_view::npos || line.find_first_of(" \t'", at + 3) != std::string_view::npos)
            continue;
        CrontabEntry entry{std::string(line.substr(at + 3)), std::nullopt};
        // The line's first two fields: the minute and the hour.
        std::string_view fields = line;
        auto next_field = [&fields] {
            const auto begin = std::min(fields.find_first_not_of(" \t"), fields.size());
            const auto end = std::min(fields.find_first_of(" \t", begin), fields.size());
            std::string_view field = fields.substr(begin, end - begin);
            fields.remove_prefix(end);
            return std::string(field);
        };
        const std::string minute = next_field();
        const std::string hour = next_field();
        entry.time = parse_daily_time(hour + ":" + (minute.size() == 1 ? "0" : "") + minute);
        entries.push_back(entry);
    }
    return entries;
}

namespace {

// The table that "crontab -l" listed; a member without one yet has an empty
// table.
kernel::Result<std::string> listed_table(const ChildResult& listed) {
    if (listed.status != 0 && listed.err.find("no crontab for") == std::string::npos)
        return kernel::Failure{listed.err};
    return listed.status == 0 ? listed.out : std::string();
}

}  // namespace

kernel::Result<std::string> read_crontab() {
    ChildResult listed = run_child({"crontab", "-l"});
    if (!listed.started)
        return kernel::Failure{"没有 crontab 命令"};
    return listed_table(listed);
}

kernel::Result<CrontabEdit> edit_crontab(const std::string& unit_base, const std::string& line) {
    ChildResult listed = run_child({"crontab", "-l"});
    if (!listed.started)
        return CrontabEdit::no_command;
    kernel::Result<std::string> table = listed_table(listed);
    if (!table)
        return kernel::Failure{table.reason()};
    std::string edited = crontab_with_line(*table, unit_base, line);
    if (edited == *table)
        return CrontabEdit::unchanged;
    const bool blank = edited.find_first_not_of(" \t\n") == std::string::npos;
    ChildResult written = blank ? run_child({"crontab", "-r"}) : run_child({"crontab", "-"}, edited);
    if (!written.ok())
        return kernel::Failure{written.err};
    return CrontabEdit::changed;
}

bool cron_daemon_runs() {
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string pid = it->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string comm;
        if (!kernel::read_file_contents((it->path() / "comm").string(), comm))
            continue;
        const std::string_view name = std::string_view(comm).substr(0, comm.find('\n'));
        if (name == "cron" || name == "crond")
            return true;
    }
    return false;
}

}  // namespace quilbex::app
