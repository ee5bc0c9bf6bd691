// The run lock between a window's series and unattended runs.

#include "app/member/RunLock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {
namespace {

using namespace std::chrono_literals;

kernel::MemberFolders member_in(const std::filesystem::path& folder) {
    kernel::MemberFolders member;
    member.state_folder = folder.string();
    return member;
}

TEST(RunLock, a_second_holder_in_the_same_process_waits_until_the_first_lets_go) {
    auto folder = std::filesystem::temp_directory_path() / ("quilbex-lock-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        auto first = RunLock::acquire(member_in(folder), 0ms);
        ASSERT_TRUE(first);
        EXPECT_FALSE(RunLock::acquire(member_in(folder), 300ms));
    }
    EXPECT_TRUE(RunLock::acquire(member_in(folder), 0ms));
    std::filesystem::remove_all(folder);
}

TEST(RunLock, a_folder_where_nothing_can_be_locked_does_not_stop_a_run) {
    EXPECT_TRUE(RunLock::acquire(member_in("/nonexistent/folder"), 0ms));
}

TEST(RunLock, when_the_lock_file_is_a_link_or_a_fifo_runs_take_turns_on_the_folder) {
    auto folder = std::filesystem::temp_directory_path() / ("quilbex-lock-link-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto target = folder / "target";
    std::filesystem::create_symlink(target, folder / "Daily.lock");
    {
        auto first = RunLock::acquire(member_in(folder), 0ms);
        ASSERT_TRUE(first);
        EXPECT_FALSE(RunLock::acquire(member_in(folder), 300ms));
    }
    EXPECT_FALSE(std::filesystem::exists(target));  // the link was not followed
    std::filesystem::remove(folder / "Daily.lock");
    ASSERT_EQ(::mkfifo((folder / "Daily.lock").c_str(), 0600), 0);
    {
        auto first = RunLock::acquire(member_in(folder), 0ms);
        ASSERT_TRUE(first);
        EXPECT_FALSE(RunLock::acquire(member_in(folder), 0ms));
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quilbex::app
