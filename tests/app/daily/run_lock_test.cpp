// The run lock between a window's series and unattended runs.

#include "app/daily/RunLock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quilbex::app {
namespace {

using namespace std::chrono_literals;

TEST(RunLock, a_second_holder_in_the_same_process_waits_until_the_first_lets_go) {
    auto folder = std::filesystem::temp_directory_path() / ("quilbex-lock-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        auto first = RunLock::acquire(folder.string(), 0ms);
        ASSERT_TRUE(first);
        EXPECT_FALSE(RunLock::acquire(folder.string(), 300ms));
    }
    EXPECT_TRUE(RunLock::acquire(folder.string(), 0ms));
    std::filesystem::remove_all(folder);
}

TEST(RunLock, a_folder_without_room_for_the_lock_file_does_not_stop_a_run) {
    EXPECT_TRUE(RunLock::acquire("/nonexistent/folder", 0ms));
}

}  // namespace
}  // namespace quilbex::app
