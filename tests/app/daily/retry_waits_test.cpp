// The waits of --retry.

#include "app/daily/RetryWaits.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

using std::chrono::seconds;
using Waits = std::vector<seconds>;

TEST(RetryWaits, a_list_of_seconds_or_zero_for_none) {
    EXPECT_EQ(default_retry_waits(), (Waits{seconds(60), seconds(300), seconds(900)}));
    EXPECT_EQ(parse_retry_waits("0"), Waits{});
    EXPECT_EQ(parse_retry_waits("1,1"), (Waits{seconds(1), seconds(1)}));
    EXPECT_EQ(parse_retry_waits("86400"), Waits{seconds(86400)});
    EXPECT_EQ(parse_retry_waits("1,2,3,4,5,6,7,8,9,10")->size(), 10u);
    for (const char* bad : {"", ",", "1,", ",1", "1,,2", "0,5", "5,0", "-1", "1.5", " 1", "1 ", "86401", "9999999",
                            "abc", "1,2,3,4,5,6,7,8,9,10,11"})
        EXPECT_FALSE(parse_retry_waits(bad)) << '"' << bad << '"';
}

}  // namespace
}  // namespace quilbex::app
