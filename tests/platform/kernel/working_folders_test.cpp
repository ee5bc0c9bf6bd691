// The browser engine's working folders: those of this machine's ended
// programs go at the next start; those of running programs, of other
// machines and anything else stay.

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

class WorkingFolders : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cache-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        cache = pattern;
        // A program that was killed: its pid is gone.
        killed = ::fork();
        if (killed == 0) {
            ::pause();
            ::_exit(0);
        }
        auto start = process_start_time(killed);
        ASSERT_TRUE(start);
        killed_start = *start;
        ::kill(killed, SIGKILL);
        ::waitpid(killed, nullptr, 0);
    }
    void TearDown() override { fs::remove_all(cache); }

    // A folder with the browser's cookies in it, last changed `age` ago.
    fs::path make(const std::string& name, std::chrono::hours age = std::chrono::hours(0)) {
        fs::path folder = cache / name;
        fs::create_directories(folder / "WebKit");
        std::ofstream(folder / "WebKit" / "cookies.dat") << "x";
        for (const fs::path& path : {folder / "WebKit" / "cookies.dat", folder / "WebKit", folder})
            fs::last_write_time(path, fs::file_time_type::clock::now() - age);
        return folder;
    }

    fs::path cache;
    pid_t killed = 0;
    unsigned long long killed_start = 0;
};

TEST_F(WorkingFolders, only_this_machines_folders_of_ended_programs_are_removed) {
    auto own_start = process_start_time(::getpid());
    ASSERT_TRUE(own_start);
    const fs::path gone = make(working_folder_name(killed, killed_start));
    const fs::path live = make(working_folder_name(::getpid(), *own_start));
    const fs::path reused = make(working_folder_name(::getpid(), *own_start + 1));  // the pid, given again
    const fs::path elsewhere = make(working_folder_name(killed, killed_start, "other.machine"));
    // Without a host: kept while anything in it changed lately, whoever's it is.
    const fs::path old_recent = make("wke-" + std::to_string(killed) + "-" + std::to_string(killed_start));
    const fs::path old_quiet = make("wke-" + std::to_string(killed) + "-1", kOldFolderAge + std::chrono::hours(1));
    for (const char* other : {"other", "wke-12x-1", "wke--12-1"})
        make(other);
    fs::create_directory_symlink(live, cache / working_folder_name(killed, 1));

    EXPECT_EQ(remove_abandoned_working_folders(cache.string()), 3);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_FALSE(fs::exists(old_quiet));
    EXPECT_TRUE(fs::exists(live / "WebKit" / "cookies.dat"));
    EXPECT_TRUE(fs::exists(elsewhere / "WebKit" / "cookies.dat"));
    EXPECT_TRUE(fs::exists(old_recent / "WebKit" / "cookies.dat"));
    for (const char* other : {"other", "wke-12x-1", "wke--12-1"})
        EXPECT_TRUE(fs::exists(cache / other)) << other;
    EXPECT_TRUE(fs::is_symlink(cache / working_folder_name(killed, 1)));
}

TEST_F(WorkingFolders, the_folders_of_engines_named_no_folder_are_swept_in_the_temporary_folder) {
    ::setenv("TMPDIR", cache.c_str(), 1);
    const fs::path gone = temporary_working_folder(killed, killed_start);
    ::unsetenv("TMPDIR");
    ASSERT_EQ(gone.parent_path(), cache);
    make(gone.filename().string());
    make(working_folder_name(killed, killed_start));  // a cache folder's name: not the temporary one
    EXPECT_EQ(remove_abandoned_temporary_working_folders(cache.string()), 1);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(cache / working_folder_name(killed, killed_start)));
}

}  // namespace
}  // namespace quilbex::kernel
