// The cookie file and the program folder when they are not what the program
// expects: a Cookie.ini that is not an INI file, one that is huge, one that
// cannot be read, a folder that cannot be written, and a save cut short by
// the death of the process.

#include "RawServer.h"
#include "commands/Facade.h"
#include "platform/kernel/ProfileFile.h"
#include "runtime/Memory.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::reliability {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string text(const commands::Text& t) { return t ? std::string(t.get()) : std::string(); }

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

class FileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("quilbex-file-faults-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_descriptors = open_descriptor_count();
    }
    void TearDown() override {
        EXPECT_EQ(open_descriptor_count(), m_descriptors) << "descriptors left open";
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string path(const std::string& name) const { return (m_folder / name).string(); }
    std::string read(const std::string& file, const char* section, const char* key) {
        return text(commands::read_config(file.c_str(), section, key, "none"));
    }

    fs::path m_folder;
    int m_descriptors = 0;
};

TEST_F(FileFaults, a_cookie_file_of_binary_bytes_reads_the_default_and_a_write_keeps_its_bytes) {
    std::string file = path("Cookie.ini");
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    garbage += "\r\n";  // the added section starts on a line of its own
    put(file, garbage);

    EXPECT_EQ(read(file, "Cookie", "cookie"), "none");
    ASSERT_TRUE(commands::write_config(file.c_str(), "Cookie", "cookie", "sid=1"));
    EXPECT_EQ(read(file, "Cookie", "cookie"), "sid=1");
    std::string after = contents(file);
    EXPECT_EQ(after.compare(0, garbage.size(), garbage), 0) << "the bytes before the new section changed";
}

TEST_F(FileFaults, a_huge_cookie_file_is_read_and_rewritten_whole_in_bounded_time) {
    std::string file = path("Cookie.ini");
    std::string big = "[filler]\r\n";
    for (int i = 0; big.size() < (24u << 20); ++i)
        big += "key" + std::to_string(i) + "=" + std::string(100, 'v') + "\r\n";
    big += "[Cookie]\r\ncookie=sid=last\r\n";
    put(file, big);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(file, "Cookie", "cookie"), "sid=last");
    ASSERT_TRUE(commands::write_config(file.c_str(), "Cookie", "cookie", "sid=new"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_EQ(read(file, "Cookie", "cookie"), "sid=new");
    EXPECT_EQ(fs::file_size(file), big.size() - 4 + 3);  // "last" became "new", nothing else moved
}

TEST_F(FileFaults, a_cookie_file_that_cannot_be_read_gives_the_default) {
    std::string file = path("Cookie.ini");
    fs::create_directory(file);  // a folder where the file should be: no user can read it as a file
    EXPECT_EQ(read(file, "Cookie", "cookie"), "none");
    EXPECT_FALSE(commands::write_config(file.c_str(), "Cookie", "cookie", "sid=1"));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(FileFaults, saving_into_a_folder_that_cannot_be_written_fails_and_creates_nothing) {
    // A regular file stands where the folder should be; unlike permissions,
    // this holds for the super-user too.
    put(path("not-a-folder"), "x");
    std::string inside = path("not-a-folder") + "/Cookie.ini";
    EXPECT_FALSE(commands::write_config(inside.c_str(), "Cookie", "cookie", "sid=1"));
    commands::ByteSet raw(rt::make_byte_set("z", 1));
    EXPECT_FALSE(commands::write_file(inside.c_str(), {raw.get()}));
    EXPECT_EQ(contents(path("not-a-folder")), "x");

    if (::geteuid() != 0) {
        fs::path locked = m_folder / "locked";
        fs::create_directory(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        std::string file = (locked / "Cookie.ini").string();
        EXPECT_FALSE(commands::write_config(file.c_str(), "Cookie", "cookie", "sid=1"));
        EXPECT_FALSE(commands::write_file(file.c_str(), {raw.get()}));
        EXPECT_TRUE(fs::is_empty(locked));
        fs::permissions(locked, fs::perms::owner_all);
    }
}

TEST_F(FileFaults, a_save_cut_short_by_the_death_of_the_process_leaves_a_whole_file) {
    std::string file = path("Cookie.ini");
    const std::string a(8000, 'a');
    const std::string b(8000, 'b');
    ASSERT_TRUE(commands::write_config(file.c_str(), "Other", "name", "kept"));
    ASSERT_TRUE(commands::write_config(file.c_str(), "Cookie", "cookie", a.c_str()));

    for (int round = 0; round < 5; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves for ever, alternating two values, until it is killed.
            for (unsigned i = 0;; ++i)
                kernel::WritePrivateProfileStringA("Cookie", "cookie", (i % 2 ? a : b).c_str(), file.c_str());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 37 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::string value = read(file, "Cookie", "cookie");
        EXPECT_TRUE(value == a || value == b) << "round " << round << ": a value of " << value.size() << " bytes";
        EXPECT_EQ(read(file, "Other", "name"), "kept") << "round " << round;
    }
    // The next save clears what the killed ones left behind.
    ASSERT_TRUE(commands::write_config(file.c_str(), "Cookie", "cookie", "sid=1"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

// Runs `save` in a child process that cannot write into the folder (for the
// super-user, one that has given up its rights) and gives its exit status.
int run_without_folder_rights(const fs::path& folder, const std::function<bool()>& save) {
    if (::geteuid() != 0)
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(save() ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ::chmod(folder.c_str(), 0755);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FileFaults, a_writable_file_in_a_folder_that_takes_no_new_file_is_saved_in_place) {
    std::string file = path("Cookie.ini");
    put(file, "[Cookie]\r\ncookie=old\r\n[Other]\r\nname=kept\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(m_folder.c_str(), 0755), 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    EXPECT_EQ(run_without_folder_rights(
                  m_folder, [&] { return commands::write_config(file.c_str(), "Cookie", "cookie", "sid=1"); }),
              0);
    EXPECT_EQ(read(file, "Cookie", "cookie"), "sid=1");
    EXPECT_EQ(read(file, "Other", "name"), "kept");

    commands::ByteSet raw(rt::make_byte_set("raw", 3));
    EXPECT_EQ(run_without_folder_rights(m_folder, [&] { return commands::write_file(file.c_str(), {raw.get()}); }), 0);
    EXPECT_EQ(contents(file), "raw");
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quilbex::reliability
