#pragma once
// The last line of a member's history file: what their latest run, click or
// quote ended with. Reads only the end of the file, whatever its size.

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

struct HistoryEntry {
    std::string when;  // "2026-12-07 08:31:02", local time
    std::string source;  // "window" or "command-line"
    std::string step;  // "sign-in", "draw N", "quote"
    std::string status;  // UTF-8
};

// One history line (without its "\n"); nothing when it has not the four fields.
std::optional<HistoryEntry> parse_history_line(std::string_view line);

// The last complete line of the history file at `file` (a native path);
// nothing when the file is missing, empty, not a regular file or its last
// line is not a history line.
std::optional<HistoryEntry> last_history_entry(const std::string& file);

// A recorded step as the Chinese listings name it: "签到", "第 2 次抽奖",
// "每日一句"; a step this version does not know stays as recorded.
std::string step_label(const std::string& step);

// "2026-12-07 08:31:02 签到 签到成功", for listings.
std::string describe(const HistoryEntry& entry);

}  // namespace quilbex::app
