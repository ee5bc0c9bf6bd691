// History lines and the table made from them.

#include "app/daily/History.h"
#include "app/daily/HistoryTable.h"

#include <gmock/gmock.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;

std::time_t local_time(int year, int month, int day, int hour) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(History, a_line_keeps_the_status_on_one_line_whatever_the_reply_holds) {
    std::string line =
        format_history_line(local_time(2026, 3, 1, 9), RunSource::window, FlowStep::draw, 3, "a\tb\r\nc");
    EXPECT_EQ(line, "2026-03-01 09:00:00\twindow\tdraw 3\ta b  c\n");
}

TEST(History, the_table_has_a_row_per_day_with_the_last_sign_in_and_the_draws_in_order) {
    std::string log = "2026-02-26 08:00:00\tcommand-line\tsign-in\ttoo old\n"
                      "2026-02-27 08:00:00\tcommand-line\tsign-in\t未登录\n"
                      "2026-02-27 09:00:00\twindow\tsign-in\t签到成功\n"
                      "2026-02-27 09:00:01\twindow\tdraw 1\t金币 x1\n"
                      "garbage line\n"
                      "2026-02-27 09:00:06\twindow\tdraw 2\t用完\n"
                      "2026-03-01 08:00:00\tcommand-line\tquote\tq\n"
                      "2026-03-01 08:00:01\tcommand-line\tsign-in\t今日已经签到";  // no final line end
    std::string table = history_table(log, 3, local_time(2026, 3, 1, 23));
    EXPECT_EQ(table, "日期        | 签到 | 抽奖\n"
                     "2026-02-27  | 签到成功 | 金币 x1；用完\n"
                     "2026-02-28  | - | -\n"
                     "2026-03-01  | 今日已经签到 | -\n");
}

TEST(History, an_empty_or_missing_history_still_lists_the_days) {
    std::string table = history_table("", 1, local_time(2026, 3, 1, 0));
    EXPECT_THAT(table, HasSubstr("2026-03-01  | - | -\n"));
}

}  // namespace
}  // namespace quilbex::app
