#pragma once
// The last line of a member's history file: what their latest run, click or
// quote ended with. Reads only the end of the file, whatever its size.

#include <optional>
#include <string>

namespace quilbex::app {

struct HistoryEntry {
    std::string when;  // "2026-12-07 08:31:02", local time
    std::string source;  // "window" or "command-line"
    std::string step;  // "sign-in", "draw N", "quote"
    std::string status;  // as stored (UTF-8, or not, from an older release)
};

// The last whole history line of the history file at `file` (a native path):
// lines that are not history lines or that a full disk cut short are passed
// over. Nothing when the file is missing, empty, not a regular file or holds
// no history line near its end.
std::optional<HistoryEntry> last_history_entry(const std::string& file);

// A recorded step as the Chinese listings name it: "签到", "第 2 次抽奖",
// "每日一句"; a step this version does not know stays as recorded.
std::string step_label(const std::string& step);

// "2026-12-07 08:31:02 签到 签到成功", for listings: the stored text cleaned
// as it was when written (control characters and bytes that are not UTF-8
// shown as U+FFFD), since an older release stored it unchecked.
std::string describe(const HistoryEntry& entry);

}  // namespace quilbex::app
