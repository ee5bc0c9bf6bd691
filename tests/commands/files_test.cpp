#include "CommandTestSupport.h"
#include "commands/files/FileCommands.h"
#include "runtime/RuntimeApp.h"
#include "support/Gbk.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::commands {
namespace {

namespace fs = std::filesystem;
using testing::byte_set;
using testing::str;

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "commands-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

TEST_F(FileCommands, write_file_writes_sets_back_to_back_and_replaces_the_old_contents) {
    std::string file = path("out.bin");
    std::ofstream(file) << "old contents that are longer";
    ByteSet a = byte_set("ab"), b = byte_set(std::string("\0c", 2));
    EXPECT_TRUE(write_file(file.c_str(), {a.get(), nullptr, b.get()}));
    EXPECT_EQ(read(file), std::string("ab\0c", 4));
    EXPECT_TRUE(write_file(file.c_str(), {}));
    EXPECT_EQ(read(file), "") << "no sets: an empty file";
}

TEST_F(FileCommands, write_file_with_an_empty_name_or_missing_folder_fails_without_touching_the_disk) {
    ByteSet a = byte_set("ab");
    EXPECT_FALSE(write_file("", {a.get()}));
    EXPECT_FALSE(write_file(nullptr, {a.get()}));
    EXPECT_FALSE(write_file(path("no/such/file").c_str(), {a.get()}));
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(FileCommands, write_file_that_fails_midway_keeps_the_old_file_whole) {
    // A file size limit makes the write fail after its first bytes, as a full
    // disk would. The old file must stay complete rather than be cut short.
    std::string file = path("SkinH_QV.dll");
    std::ofstream(file) << "complete old library";
    ByteSet big = byte_set(std::string(256 * 1024, 'n'));
    struct rlimit old_limit;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_limit;
    limit.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool written = write_file(file.c_str(), {big.get()});
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(written);
    EXPECT_EQ(read(file), "complete old library");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1) << "temporary file removed";
}

TEST_F(FileCommands, write_file_leaves_no_temporary_files) {
    std::string file = path("a.txt");
    ByteSet a = byte_set("x");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(write_file(file.c_str(), {a.get()}));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(FileCommands, write_file_through_a_symbolic_link_replaces_the_target_and_keeps_the_link) {
    std::string target = path("real.ini"), link = path("link.ini");
    std::ofstream(target) << "old";
    fs::create_symlink(target, link);
    ByteSet a = byte_set("new");
    EXPECT_TRUE(write_file(link.c_str(), {a.get()}));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(target), "new");
}

TEST_F(FileCommands, write_file_accepts_windows_separators) {
    std::string file = m_dir.string() + "\\b.txt";
    ByteSet a = byte_set("y");
    EXPECT_TRUE(write_file(file.c_str(), {a.get()}));
    EXPECT_EQ(read(path("b.txt")), "y");
}

TEST_F(FileCommands, file_exists_finds_files_folders_and_wild_cards) {
    std::ofstream(path("Cookie.ini")) << "x";
    EXPECT_TRUE(file_exists(path("Cookie.ini").c_str()));
    EXPECT_TRUE(file_exists(path("*.ini").c_str()));
    EXPECT_TRUE(file_exists(m_dir.c_str()));
    EXPECT_FALSE(file_exists(path("missing.ini").c_str()));
    EXPECT_FALSE(file_exists(""));
}

TEST_F(FileCommands, settings_round_trip_and_deletions) {
    std::string file = m_dir.string() + "\\Cookie.ini";
    std::string cookie = testing::gbk("BBS_UNAME=签到; UM_distinctid=1");
    EXPECT_TRUE(write_config(file.c_str(), "COOKIE", "cookie", cookie.c_str()));
    EXPECT_EQ(str(read_config(file.c_str(), "COOKIE", "cookie")), cookie);
    EXPECT_EQ(str(read_config(file.c_str(), "  COOKIE", " cookie")), cookie) << "leading blanks are skipped";
    EXPECT_EQ(str(read_config(file.c_str(), "COOKIE", "other", "dflt")), "dflt");
    EXPECT_EQ(read_config(file.c_str(), "COOKIE", "other"), nullptr);
    EXPECT_EQ(read_config(file.c_str(), "COOKIE", ""), nullptr);
    EXPECT_EQ(read_config("  ", "COOKIE", "cookie"), nullptr);

    EXPECT_TRUE(write_config(file.c_str(), "COOKIE", "cookie", nullptr));
    EXPECT_EQ(read_config(file.c_str(), "COOKIE", "cookie"), nullptr);
    EXPECT_TRUE(write_config(file.c_str(), "COOKIE", "a", "1"));
    EXPECT_TRUE(write_config(file.c_str(), "COOKIE", nullptr, nullptr));
    EXPECT_EQ(read(path("Cookie.ini")), "");
}

TEST_F(FileCommands, read_config_cuts_long_values_to_the_buffer) {
    std::string file = path("big.ini");
    std::ofstream(file) << "[s]\r\nk=" << std::string(20000, 'v') << "\r\n";
    EXPECT_EQ(str(read_config(file.c_str(), "s", "k")).size(), 10239u);
}

TEST_F(FileCommands, write_config_refuses_values_that_would_add_lines) {
    std::string file = path("Cookie.ini");
    EXPECT_FALSE(write_config(file.c_str(), "COOKIE", "cookie", "a\r\n[COOKIE]\r\ncookie=b"));
    EXPECT_FALSE(fs::exists(file));
}

TEST(run_directory, is_the_recorded_program_folder) {
    rt::runtime_app().programDir = "/opt/quilbex";
    EXPECT_EQ(str(run_directory()), "/opt/quilbex");
    rt::runtime_app().programDir.clear();
    EXPECT_EQ(run_directory(), nullptr);
}

}  // namespace
}  // namespace quilbex::commands
