// The browser engine's working folders: those of ended programs go at the
// next start, those of running programs and anything else stay.

#include "platform/kernel/WorkingFolderName.h"
#include "platform/kernel/WorkingFolders.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quilbex::kernel {
namespace {

namespace fs = std::filesystem;

TEST(WorkingFolders, only_the_folders_of_ended_programs_are_removed) {
    std::string pattern = (fs::temp_directory_path() / "cache-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path cache = pattern;

    // A program that was killed: its pid is gone.
    pid_t child = ::fork();
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    auto child_start = process_start_time(child);
    ASSERT_TRUE(child_start);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    auto own_start = process_start_time(::getpid());
    ASSERT_TRUE(own_start);
    const fs::path killed = cache / working_folder_name(child, *child_start);
    const fs::path live = cache / working_folder_name(::getpid(), *own_start);
    const fs::path reused = cache / working_folder_name(::getpid(), *own_start + 1);  // the pid, given again
    for (const fs::path& folder : {killed, live, reused, cache / "other", cache / "wke-12x-1"}) {
        fs::create_directories(folder / "WebKit");
        std::ofstream(folder / "WebKit" / "cookies.dat") << "x";
    }
    fs::create_directory_symlink(live, cache / working_folder_name(child, 1));

    EXPECT_EQ(remove_abandoned_working_folders(cache.string()), 2);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(live / "WebKit" / "cookies.dat"));
    EXPECT_TRUE(fs::exists(cache / "other"));
    EXPECT_TRUE(fs::exists(cache / "wke-12x-1"));
    EXPECT_TRUE(fs::is_symlink(cache / working_folder_name(child, 1)));
    fs::remove_all(cache);
}

}  // namespace
}  // namespace quilbex::kernel
