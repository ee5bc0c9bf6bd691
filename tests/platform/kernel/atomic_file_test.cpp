// Saving settings on a full disk: the member's only copy is never lost.

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/ProfileFile.h"
#include "support/SmallFileSystem.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quilbex::kernel {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Saves the cookie as a member who can write the file but not its folder
// (the folder takes no new file), in a child process; true when it worked.
bool save_without_folder_rights(const std::string& file, const std::string& cookie) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(WritePrivateProfileStringA("COOKIE", "cookie", cookie.c_str(), file.c_str()) ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(AtomicFile, a_save_in_place_on_a_full_disk_keeps_the_old_file_and_says_it_failed) {
    testing::SmallFileSystem disk(8 * 4096);
    if (!disk.problem().empty())
        GTEST_SKIP() << disk.problem();
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a second user to take the folder's rights away";
    const std::string file = disk.path() + "/Cookie.ini";
    const std::string old = "[COOKIE]\r\ncookie=BBS_UNAME=zhang; sid=0123456\r\n";
    std::ofstream(file, std::ios::binary) << old;
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    disk.fill();

    // The new cookie needs more room than the disk has left.
    const std::string longer(3 * 4096, 'c');
    EXPECT_FALSE(save_without_folder_rights(file, longer));
    EXPECT_EQ(contents(file), old);

    fs::remove(disk.path() + "/filler");
    EXPECT_TRUE(save_without_folder_rights(file, longer));
    EXPECT_EQ(contents(file), "[COOKIE]\r\ncookie=" + longer + "\r\n");
    // A shorter value afterwards leaves nothing of the longer one behind.
    EXPECT_TRUE(save_without_folder_rights(file, "sid=1"));
    EXPECT_EQ(contents(file), "[COOKIE]\r\ncookie=sid=1\r\n");
    EXPECT_EQ(fs::directory_iterator(disk.path())->path().filename(), "Cookie.ini");
}

TEST(AtomicFile, a_full_disk_fails_a_replacement_and_leaves_neither_damage_nor_a_temporary_file) {
    testing::SmallFileSystem disk(8 * 4096);
    if (!disk.problem().empty())
        GTEST_SKIP() << disk.problem();
    const std::string file = disk.path() + "/Config.ini";
    std::ofstream(file, std::ios::binary) << "old";
    disk.fill();
    FileResult result = replace_file_contents(file, {std::string(2 * 4096, 'n')});
    EXPECT_EQ(result.error, 112u);  // ERROR_DISK_FULL
    EXPECT_EQ(contents(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), fs::directory_iterator()), 2);  // and the filler
}

}  // namespace
}  // namespace quilbex::kernel
