// When the daily run warns of the login's end (the setting and "once a
// day"), and how long it waits for a press on its notification.

#include "app/daily/ExpiryWarning.h"
#include "app/daily/Relogin.h"
#include "app/member/History.h"
#include "app/member/RunTimeLimit.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quilbex::app {
namespace {

using namespace std::chrono_literals;

TEST(ExpiryWarning, only_a_warning_line_of_the_same_local_day_counts_as_warned) {
    const std::string file = (std::filesystem::temp_directory_path() / "expiry-warning-history.log").string();
    const std::time_t now = std::time(nullptr);
    auto write = [&](const std::string& text) { std::ofstream(file, std::ios::binary | std::ios::trunc) << text; };
    write(format_history_note(now - 86400, RunSource::command_line, kExpiryStep, "yesterday") +
          format_history_note(now, RunSource::command_line, "alert", "cookie-expiry mentioned by another step"));
    EXPECT_FALSE(warned_today(file, now));
    write(format_history_note(now, RunSource::command_line, kExpiryStep, "today"));
    EXPECT_TRUE(warned_today(file, now));
    std::filesystem::remove(file);
    EXPECT_FALSE(warned_today(file, now)) << "no history yet";
    // A FIFO in place of the history holds no warning and is never waited on.
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(warned_today(file, now));
    std::filesystem::remove(file);
}

TEST(Relogin, the_wait_for_the_press_ends_a_minute_before_the_runs_time_limit) {
    EXPECT_EQ(relogin_wait(0s), std::chrono::milliseconds(kReloginWait));
    EXPECT_EQ(relogin_wait(kRunTimeLimit - 1min - 4min), std::chrono::milliseconds(4min));
    EXPECT_EQ(relogin_wait(kRunTimeLimit), 0ms);
    EXPECT_EQ(relogin_wait(2 * kRunTimeLimit), 0ms);
}

}  // namespace
}  // namespace quilbex::app
