#include "platform/kernel/ProfileFile.h"
#include "platform/kernel/Thread.h"
#include "support/Gbk.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quilbex::kernel {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_file = (m_dir / "Cookie.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void write(const std::string& contents) { std::ofstream(m_file, std::ios::binary) << contents; }
    std::string contents() const {
        std::ifstream in(m_file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string get(const char* section, const char* key, const char* def = "", win::DWORD size = 256,
                    win::DWORD* result = nullptr) {
        std::string buffer(size, '\x7F');
        win::DWORD n = GetPrivateProfileStringA(section, key, def, buffer.data(), size, m_file.c_str());
        if (result)
            *result = n;
        return buffer.substr(0, n);
    }

    fs::path m_dir;
    std::string m_file;
};

TEST_F(ProfileFile, reads_values_ignoring_case_spaces_and_quotes) {
    write("; settings\r\n[Cookie]\r\n  Cookie =  BBS_UNAME=a; b=c  \r\nq1=\"quoted\"\r\nq2='x'\r\nq3=\"half\r\n"
          "bare\r\n[other]\r\ncookie=wrong\r\n");
    EXPECT_EQ(get("COOKIE", "cookie"), "BBS_UNAME=a; b=c");
    EXPECT_EQ(get("  cookie ", " COOKIE"), "BBS_UNAME=a; b=c");
    EXPECT_EQ(get("cookie", "q1"), "quoted");
    EXPECT_EQ(get("cookie", "q2"), "x");
    EXPECT_EQ(get("cookie", "q3"), "\"half");
    EXPECT_EQ(get("cookie", "bare", "dflt"), "dflt");
}

TEST_F(ProfileFile, missing_file_section_or_key_gives_the_default_without_trailing_spaces) {
    EXPECT_EQ(get("COOKIE", "cookie", "none  "), "none");
    EXPECT_EQ(get("COOKIE", "cookie", nullptr), "");
    write("[COOKIE]\nother=1\n");
    EXPECT_EQ(get("MISSING", "cookie", "d"), "d");
    EXPECT_EQ(get("COOKIE", "cookie", "d"), "d");
}

TEST_F(ProfileFile, too_small_buffer_cuts_values_to_size_minus_one_and_lists_to_size_minus_two) {
    write("[s]\nkey=abcdef\n[t]\n[u]\n");
    win::DWORD n = 0;
    std::string buffer(4, '\x7F');
    n = GetPrivateProfileStringA("s", "key", "", buffer.data(), 4, m_file.c_str());
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(buffer, std::string("abc\0", 4));

    std::string list(5, '\x7F');
    n = GetPrivateProfileStringA(nullptr, nullptr, "", list.data(), 5, m_file.c_str());
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(list, std::string("s\0t\0\0", 5));

    std::string whole(16, '\x7F');
    n = GetPrivateProfileStringA(nullptr, nullptr, "", whole.data(), 16, m_file.c_str());
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(whole.substr(0, 7), std::string("s\0t\0u\0\0", 7));
}

TEST_F(ProfileFile, null_key_lists_the_keys_of_the_section) {
    write("[a]\nx=1\n; note\ny\n[b]\nz=2\n");
    std::string list(32, '\x7F');
    win::DWORD n = GetPrivateProfileStringA("A", nullptr, "", list.data(), 32, m_file.c_str());
    EXPECT_EQ(std::string(list.data(), n + 1), std::string("x\0y\0\0", 5));
}

TEST_F(ProfileFile, gbk_section_names_with_a_bracket_byte_are_read_whole) {
    // 0x5D (']') can be the second byte of a GBK character.
    std::string name = std::string("\x81\x5D") + "x";
    write("[" + name + "]\r\nk=" + gbk("值") + "\r\n");
    EXPECT_EQ(get(name.c_str(), "k"), gbk("值"));
}

TEST_F(ProfileFile, write_creates_the_file_with_crlf_lines) {
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "a=1; b=2", m_file.c_str()));
    EXPECT_EQ(contents(), "[COOKIE]\r\ncookie=a=1; b=2\r\n");
    EXPECT_EQ(get("COOKIE", "cookie"), "a=1; b=2");
}

TEST_F(ProfileFile, write_replaces_a_value_and_keeps_every_other_line_as_it_was) {
    write("; keep me\n[COOKIE]\n  Cookie = old \n\textra = 1\n\n[next]\nk=v");
    ASSERT_TRUE(WritePrivateProfileStringA("cookie", "COOKIE", "new", m_file.c_str()));
    EXPECT_EQ(contents(), "; keep me\n[COOKIE]\nCookie=new\n\textra = 1\n\n[next]\nk=v");
}

TEST_F(ProfileFile, new_key_goes_to_the_end_of_its_section_and_new_section_to_the_end) {
    write("[a]\r\nx=1\r\n\r\n[b]\r\ny=2");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "z", "3", m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("c", "w", "4", m_file.c_str()));
    EXPECT_EQ(contents(), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nw=4\r\n");
}

TEST_F(ProfileFile, null_value_deletes_the_key_and_null_key_deletes_the_section) {
    write("[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n[A]\r\nq=4\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, m_file.c_str()));
    EXPECT_EQ(contents(), "[a]\r\ny=2\r\n[b]\r\nz=3\r\n[A]\r\nq=4\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, m_file.c_str()));
    EXPECT_EQ(contents(), "[b]\r\nz=3\r\n");
    // Deleting what is not there succeeds and creates nothing.
    fs::path other = m_dir / "none.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, other.c_str()));
    EXPECT_FALSE(fs::exists(other));
}

TEST_F(ProfileFile, gbk_bytes_are_written_and_read_as_they_are) {
    std::string value = gbk("我的签到") + "\x80\xFF";
    std::string key = gbk("键");
    ASSERT_TRUE(WritePrivateProfileStringA(gbk("节").c_str(), key.c_str(), value.c_str(), m_file.c_str()));
    EXPECT_EQ(get(gbk("节").c_str(), key.c_str()), value);
}

TEST_F(ProfileFile, backslash_paths_reach_the_same_file) {
    std::string windows_path = m_dir.string() + "\\Cookie.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", windows_path.c_str()));
    EXPECT_EQ(get("s", "k"), "v");
}

TEST_F(ProfileFile, missing_folder_or_unwritable_file_gives_false) {
    std::string missing = (m_dir / "no" / "such.ini").string();
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", missing.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", m_dir.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    write("[s]\r\nk=old\r\n");
    ::chmod(m_file.c_str(), 0444);
    if (::access(m_file.c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "new", m_file.c_str()));
    EXPECT_EQ(contents(), "[s]\r\nk=old\r\n");
}

TEST_F(ProfileFile, values_that_would_inject_lines_are_refused) {
    write("[COOKIE]\r\ncookie=a\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("COOKIE", "cookie", "x\r\n[COOKIE]\r\ncookie=evil", m_file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("COOKIE", "a=b", "x", m_file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("CO]OKIE", "k", "x", m_file.c_str()));
    EXPECT_EQ(contents(), "[COOKIE]\r\ncookie=a\r\n");
}

TEST_F(ProfileFile, write_leaves_no_temporary_files_and_keeps_permissions) {
    write("[s]\r\nk=1\r\n");
    ::chmod(m_file.c_str(), 0640);
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "2", m_file.c_str()));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Cookie.ini"});
    struct stat st;
    ASSERT_EQ(::stat(m_file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ProfileFile, concurrent_writers_lose_no_keys) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            for (int i = 0; i < 20; ++i) {
                std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                EXPECT_TRUE(WritePrivateProfileStringA("s", key.c_str(), "v", m_file.c_str()));
            }
        });
    for (auto& w : writers)
        w.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 20; ++i) {
            std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
            EXPECT_EQ(get("s", key.c_str()), "v") << key;
        }
}

}  // namespace
}  // namespace quilbex::kernel
