// The time of day and the texts of the daily timer's unit and crontab line.

#include "app/daily/DailyTimer.h"

#include <gmock/gmock.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;

TEST(DailyTime, accepts_only_times_of_day) {
    auto time = parse_daily_time("7:05");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->hour, 7);
    EXPECT_EQ(time->minute, 5);
    for (const char* bad : {"", "24:00", "12:60", "12", "12:5", "-1:30", "1:2:3", "ab:cd", "123:00"})
        EXPECT_FALSE(parse_daily_time(bad)) << bad;
}

TEST(DailyTime, a_program_path_with_spaces_quotes_and_percent_stays_one_argument) {
    std::string unit = daily_service_unit("/home/a b/%h\"q\"/quilbex");
    EXPECT_THAT(unit, HasSubstr("ExecStart=\"/home/a b/%%h\\\"q\\\"/quilbex\" --sign-in --quiet\n"));
    EXPECT_THAT(daily_crontab_line("/x/it's/quilbex", {6, 5}),
                HasSubstr("5 6 * * * sleep $(shuf -i 0-1800 -n 1); '/x/it'\\''s/quilbex' --sign-in --quiet"));
}

}  // namespace
}  // namespace quilbex::app
