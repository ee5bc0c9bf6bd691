#include "commands/numbers/NumberCommands.h"
#include "commands/numbers/OleDate.h"
#include "support/Gbk.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quilbex::commands {
namespace {

std::string parts_of(double value) {
    DateParts p = split_ole_date(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
    return buffer;
}

TEST(OleDate, known_days_of_the_calendar) {
    EXPECT_EQ(parts_of(0), "1899-12-30 00:00:00");
    EXPECT_EQ(parts_of(1), "1899-12-31 00:00:00");
    EXPECT_EQ(parts_of(2), "1900-01-01 00:00:00");
    EXPECT_EQ(parts_of(60), "1900-02-28 00:00:00");
    EXPECT_EQ(parts_of(61), "1900-03-01 00:00:00") << "1900 is no leap year";
    EXPECT_EQ(parts_of(36526), "2000-01-01 00:00:00");
    EXPECT_EQ(parts_of(36585), "2000-02-29 00:00:00");
    EXPECT_EQ(parts_of(44186.25), "2020-12-21 06:00:00");
}

TEST(OleDate, negative_dates_count_days_back_and_time_forward) {
    EXPECT_EQ(parts_of(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(parts_of(-0.5), "1899-12-30 12:00:00");
    EXPECT_EQ(parts_of(-1), "1899-12-29 00:00:00");
    EXPECT_EQ(parts_of(-36522), "1800-01-01 00:00:00");
}

TEST(OleDate, rounds_to_the_nearest_second) {
    double second = 1.0 / 86400;
    EXPECT_EQ(parts_of(44186 + 29100 * second - 0.4 * second), "2020-12-21 08:05:00");
    EXPECT_EQ(parts_of(44186 + 29100 * second + 0.6 * second), "2020-12-21 08:05:01");
    EXPECT_EQ(parts_of(44186.99999999), "2020-12-22 00:00:00");
    // Just before midnight on a date before 1900: the carry goes forward a day.
    EXPECT_EQ(parts_of(-1.99999999), "1899-12-30 00:00:00");
    EXPECT_EQ(parts_of(-0.99999999), "1899-12-31 00:00:00");
}

TEST(OleDate, clamps_to_years_100_to_9999_and_survives_nan) {
    EXPECT_EQ(parts_of(-657434), "0100-01-01 00:00:00");
    EXPECT_EQ(parts_of(-1e12), "0100-01-01 00:00:00");
    EXPECT_EQ(parts_of(2958465), "9999-12-31 00:00:00");
    EXPECT_EQ(parts_of(1e300), "9999-12-31 00:00:00");
    EXPECT_EQ(parts_of(std::numeric_limits<double>::infinity()), "9999-12-31 00:00:00");
    EXPECT_EQ(parts_of(std::nan("")), "1899-12-30 00:00:00");
}

TEST(OleDate, making_and_splitting_round_trip) {
    for (double day : {-657433.0, -36522.0, -1.0, 0.0, 1.0, 44186.0, 2958464.0})
        for (int seconds : {0, 1, 3599, 43200, 86399}) {
            DateParts parts = split_ole_date(day);
            parts.hour = seconds / 3600;
            parts.minute = seconds / 60 % 60;
            parts.second = seconds % 60;
            DateParts back = split_ole_date(make_ole_date(parts));
            EXPECT_EQ(back.year, parts.year);
            EXPECT_EQ(back.month, parts.month);
            EXPECT_EQ(back.day, parts.day);
            EXPECT_EQ(back.hour * 3600 + back.minute * 60 + back.second, seconds) << day;
        }
}

TEST(OleDate, text_form_of_the_extremes) {
    EXPECT_EQ(testing::utf8(date_time_to_text(-1e9)), "100年1月1日");
    EXPECT_EQ(testing::utf8(date_time_to_text(1e9)), "9999年12月31日");
}

}  // namespace
}  // namespace quilbex::commands
