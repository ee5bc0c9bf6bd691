#pragma once
// The unit files of a member's daily run: a service that runs the program
// with "--sign-in --quiet" (and the member's profile and settings file), and
// a timer that starts it every day at a set time with a random delay of up
// to 30 minutes, catching up after a day the machine was off.
//
// Text is quoted as systemd reads unit files: words in double quotes with
// C-style escapes and "%" doubled (specifiers). "$" stays single: systemd
// expands no variables in the program's path or in Environment=. Texts that
// no quoting carries are refused before anything is written.

#include "app/schedule/DailyMember.h"
#include "platform/kernel/Result.h"

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

struct DailyTime {
    int hour = 8;
    int minute = 30;
};

// "HH:MM" (H:MM accepted), or nothing for anything else.
std::optional<DailyTime> parse_daily_time(const std::string& text);
// "08:30".
std::string clock_text(DailyTime time);

// Whether systemd can take a path as written, and why not. No
// path may hold control characters or bytes that are not UTF-8; the path of
// the program that ExecStart= runs may in addition hold no quote and no
// backslash (systemd runs no program whose path has them, however quoted).
enum class PathUse { program, setting };
kernel::Result<void> check_systemd_path(std::string_view text, PathUse use);

// One word of a unit's command line or Environment= for `text` (which
// check_systemd_path accepts).
std::string unit_word(std::string_view text);

std::string daily_service_unit(const DailyMember& member);
std::string daily_timer_unit(DailyTime time);

// The values a service unit records about its member, for "--status".
std::string unit_value(const std::string& unit_text, const std::string& key);
inline constexpr const char* kProgramKey = "X-Quilbex-Program";
inline constexpr const char* kProfileKey = "X-Quilbex-Profile";
// The time of day of a timer unit's OnCalendar=, or nothing.
std::optional<DailyTime> timer_unit_time(const std::string& unit_text);

}  // namespace quilbex::app
