#include "app/schedule/SystemdUnits.h"

#include "app/member/RunTimeLimit.h"
#include "platform/kernel/TextLines.h"
#include "platform/kernel/Utf8.h"

#include <cstdlib>

namespace quilbex::app {

namespace {

std::string two_digits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// A value that systemd reads as it stands but for its specifiers: "%" doubled.
std::string specifier_escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += c;
        out += c;
    }
    return out;
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

std::string clock_text(DailyTime time) { return two_digits(time.hour) + ":" + two_digits(time.minute); }

kernel::Result<void> check_systemd_path(std::string_view text, PathUse use) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = kernel::utf8_sequence_length(text, i);
        if (length == 0)
            return kernel::Failure{"含有不是 UTF-8 的字节，systemd 不接受这样的路径"};
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || kernel::is_c1_control(text, i))
            return kernel::Failure{"含有控制字符（例如换行或制表符），systemd 和 cron 都不能照原样运行"};
        if (use == PathUse::program && (c == '\'' || c == '"' || c == '\\'))
            return kernel::Failure{"含有引号或反斜杠（' \" \\），systemd 不运行路径中有这些字符的程序"};
        i += length;
    }
    return {};
}

std::string unit_word(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        else if (c == '%')
            out += c;
        out += c;
    }
    return out + "\"";
}

std::string daily_service_unit(const DailyMember& member) {
    std::string unit = "[Unit]\nDescription=Quilbex daily sign-in\n";
    // Read back by "--status" only; systemd ignores keys that begin with "X-".
    unit += std::string(kProgramKey) + "=" + member.program_path + "\n";
    if (!member.profile.empty())
        unit += std::string(kProfileKey) + "=" + member.profile + "\n";
    // A user manager has no network-online.target to wait for: a run that
    // finds no network tries again by itself.
    // A program removed without its timer (a package removed, a folder
    // deleted) makes the run a skip, not a daily failure.
    unit += "ConditionFileIsExecutable=" + specifier_escaped(member.program_path) + "\n";
    unit += "\n[Service]\nType=oneshot\n";
    for (const auto& [name, value] : member_environment(member))
        unit += "Environment=" + unit_word(name + "=" + value) + "\n";
    unit += "ExecStart=" + unit_word(member.program_path);
    if (!member.profile.empty())
        unit += " --profile " + unit_word(member.profile);
    unit += " --sign-in --quiet\n";
    // Room for the run's own retries (waits of 1, 5 and 15 minutes) and four
    // tries of about two minutes each; a run that hangs beyond that is ended.
    unit += "TimeoutStartSec=" + std::to_string(kRunTimeLimit.count()) + "min\n";
    return unit;
}

std::string daily_timer_unit(DailyTime time) {
    std::string clock = clock_text(time);
    std::string unit = "[Unit]\nDescription=Quilbex daily sign-in at " + clock + "\n\n";
    unit += "[Timer]\nOnCalendar=*-*-* " + clock + ":00\n";
    unit += "RandomizedDelaySec=30min\nPersistent=true\n\n";
    unit += "[Install]\nWantedBy=timers.target\n";
    return unit;
}

std::string unit_value(const std::string& unit_text, const std::string& key) {
    for (std::string_view line : kernel::text_lines(unit_text)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
    }
    return "";
}

std::optional<DailyTime> timer_unit_time(const std::string& unit_text) {
    std::string calendar = unit_value(unit_text, "OnCalendar");
    const std::string prefix = "*-*-* ";
    if (calendar.size() != prefix.size() + 8 || calendar.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return parse_daily_time(calendar.substr(prefix.size(), 5));
}

}  // namespace quilbex::app
