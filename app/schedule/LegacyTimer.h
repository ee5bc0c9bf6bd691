#pragma once
// The one timer that earlier versions installed for whichever program folder
// ran "--install-daily" last: quilbex-daily.timer and .service. It belongs
// to the program folder's own member whose path its ExecStart= names. That
// member's install and uninstall remove it; "--status" shows it until then.

#include "app/schedule/DailyMember.h"

#include <optional>
#include <string>

namespace quilbex::app {

inline constexpr const char* kLegacyServiceName = "quilbex-daily.service";
inline constexpr const char* kLegacyTimerName = "quilbex-daily.timer";

// The program path that a legacy service unit runs, or nothing when the unit
// is not one that an earlier version wrote.
std::optional<std::string> legacy_program_path(const std::string& service_text);

// True when the legacy units in `unit_dir` run `member`.
bool legacy_timer_belongs_to(const std::string& unit_dir, const DailyMember& member);

}  // namespace quilbex::app
