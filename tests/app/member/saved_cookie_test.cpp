// The login saved in Cookie.ini with its expiry, and when that expiry is due
// for a warning.

#include "app/member/SavedCookie.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quilbex::app {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kDay = 86400;

struct TempFolder {
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "saved-cookie-XXXXXX").string();
        path = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

void write_file(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
std::string read_file(const std::string& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

TEST(SavedCookie, the_expiry_goes_beside_the_cookie_and_an_unknown_one_removes_a_stale_key) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string file = folder.path + "/Cookie.ini";
    write_file(file, "; mine\r\n[COOKIE]\r\ncookie=old\r\n[OTHER]\r\nx=1\r\n");
    fs::permissions(file, fs::perms::all);

    ASSERT_TRUE(save_cookie(file, {"BBS_UNAME=a; b=2", 1796877072}));
    SavedCookie saved = read_saved_cookie(file);
    EXPECT_EQ(saved.cookie, "BBS_UNAME=a; b=2");
    EXPECT_EQ(saved.expires, 1796877072);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(read_file(file),
              "; mine\r\n[COOKIE]\r\ncookie=BBS_UNAME=a; b=2\r\nexpires=1796877072\r\n[OTHER]\r\nx=1\r\n");

    ASSERT_TRUE(save_cookie(file, {"BBS_UNAME=c", std::nullopt}));
    EXPECT_FALSE(read_saved_cookie(file).expires) << "the old expiry belongs to the old login";
    ASSERT_TRUE(save_cookie_expiry(file, 0));
    EXPECT_EQ(read_saved_cookie(file).expires, kSessionCookie);
    EXPECT_EQ(read_saved_cookie(file).cookie, "BBS_UNAME=c");

    write_file(file, "[COOKIE]\r\ncookie=x\r\nexpires=tomorrow\r\n");
    EXPECT_FALSE(read_saved_cookie(file).expires);
    EXPECT_EQ(describe_cookie_expiry(std::nullopt), "Cookie 有效期未知");
    EXPECT_EQ(describe_cookie_expiry(kSessionCookie), "Cookie 有效期未知");
    EXPECT_EQ(describe_cookie_expiry(1796877072).rfind("Cookie 有效至 20", 0), 0u);
}

TEST(SavedCookie, a_warning_is_due_from_the_given_number_of_days_before_the_expiry) {
    const std::time_t now = 1796000000;
    EXPECT_FALSE(days_until_expiry(std::nullopt, now, 3));
    EXPECT_FALSE(days_until_expiry(kSessionCookie, now, 3));
    EXPECT_FALSE(days_until_expiry(now + 3 * kDay + 1, now, 3));
    EXPECT_EQ(days_until_expiry(now + 3 * kDay, now, 3), 3);
    EXPECT_EQ(days_until_expiry(now + 2 * kDay + kDay / 2, now, 3), 2);
    EXPECT_EQ(days_until_expiry(now + 60, now, 3), 0);
    EXPECT_EQ(days_until_expiry(now - 1, now, 3), -1) << "a login that has ended is still warned of";
    // 0 days: only a login that has ended.
    EXPECT_FALSE(days_until_expiry(now + 60, now, 0));
    EXPECT_EQ(days_until_expiry(now - kDay - 1, now, 0), -2);
}

}  // namespace
}  // namespace quilbex::app
