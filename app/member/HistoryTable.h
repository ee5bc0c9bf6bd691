#pragma once
// The table that "quilbex --history [DAYS]" prints: one row per day of the
// last DAYS days (today included, oldest first) with the day's last sign-in
// status and its draws' statuses in order, "-" where nothing was recorded.
// Lines that are not history lines (or were cut short) are skipped, and the
// stored texts are cleaned as they were when written.
//
// Memory stays bounded whatever the files hold: lines longer than
// kLongestHistoryLine are skipped, and a day shows at most
// kDrawsShownPerDay draws (then "…").

#include "platform/kernel/Result.h"

#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex::app {

inline constexpr std::size_t kLongestHistoryLine = 4096;
inline constexpr std::size_t kDrawsShownPerDay = 30;

class HistoryTable {
public:
    // `today` fixes the last day shown.
    HistoryTable(int days, std::time_t today);
    // One line of a history file, without its line end.
    void add_line(std::string_view line);
    std::string text() const;

private:
    struct DayRow {
        std::string sign_in;
        std::vector<std::string> draws;
        bool more_draws = false;
    };
    std::vector<std::string> m_dates;
    std::map<std::string, DayRow, std::less<>> m_rows;
};

// `history` is a file's content.
std::string history_table(const std::string& history, int days, std::time_t today);

// Calls `each` with the lines of `file` as they stand when it is opened (a
// file that grows meanwhile is read up to its size then), reading a block at
// a time and skipping lines longer than kLongestHistoryLine. A missing file
// has no lines. A failure, with the reason, when the file is not a regular
// file (a FIFO is never waited on) or cannot be read.
kernel::Result<void> for_each_history_line(const std::string& file, const std::function<void(std::string_view)>& each);

// Adds the lines of `file` to the table, as for_each_history_line reads them.
kernel::Result<void> add_history_file(HistoryTable& table, const std::string& file);

// Prints the table of the history file `file` (after its older lines in
// "<file>.1") on standard output and returns the exit status: 1, after a
// message on standard error, when a file cannot be read.
int print_history_table(const std::string& file, int days);

}  // namespace quilbex::app
