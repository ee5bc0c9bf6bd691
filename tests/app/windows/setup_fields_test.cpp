// The set-up window's fields: the hosts the connection check tries, and the
// write that keeps the rest of the file.

#include "app/windows/SetupFields.h"
#include "platform/kernel/CodePage.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quilbex::app {
namespace {

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class SettingsWrite : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/quilbex-setup-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        folder = name;
        file = folder + "/Config.ini";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void write(const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

    std::string folder, file;
};

TEST(HostsToCheck, the_api_defaults_to_the_forum_each_host_is_tried_once_and_a_bad_field_is_listed) {
    std::vector<HostToCheck> only_forum = hosts_to_check({.forum = "https://bbs.example.com/x"});
    ASSERT_EQ(only_forum.size(), 1u);
    EXPECT_EQ(only_forum[0].keys, "forum, api");
    EXPECT_EQ(only_forum[0].host, "bbs.example.com");

    std::vector<HostToCheck> all = hosts_to_check(
        {.forum = "bbs.example.com", .api = "api.example.com", .quote = "bbs.example.com", .account = "not a host"});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].keys, "forum, quote");
    EXPECT_EQ(all[1].host, "api.example.com");
    EXPECT_EQ(all[2].keys, "account");
    EXPECT_EQ(all[2].host, "") << "told to the member, never tried";
}

TEST_F(SettingsWrite, values_go_into_the_template_and_every_other_line_stays) {
    const std::string template_text = "; 说明\n[HOSTS]\n; 论坛\nforum =\n; 接口\napi =\n\n[DAILY]\nmessage =\n"
                                      "[NOTIFY]\nwebhook = https://hook.example/x\n";
    SetupValues values{.forum = "https://bbs.example.com/forum.php", .message = "每天签到"};
    ASSERT_TRUE(write_setup_values(file, values, template_text));
    const std::string written = read(file);
    EXPECT_NE(written.find("; 说明\n[HOSTS]\n; 论坛\nforum=bbs.example.com"), std::string::npos) << written;
    EXPECT_NE(written.find("; 接口\napi =\n"), std::string::npos) << "an empty field leaves the template's key alone";
    EXPECT_NE(written.find("message=每天签到"), std::string::npos) << "UTF-8, as the template is";
    EXPECT_NE(written.find("[NOTIFY]\nwebhook = https://hook.example/x\n"), std::string::npos);
    EXPECT_EQ(written.find("quote"), std::string::npos) << "a key the file lacks is not added empty";
    EXPECT_EQ(read_setup_values(file).message, "每天签到");

    // Saved again with the message cleared and the other file left alone.
    values.message.clear();
    values.account = "passport.example.com";
    ASSERT_TRUE(write_setup_values(file, values, "ignored: the file exists"));
    SetupValues read_back = read_setup_values(file);
    EXPECT_EQ(read_back.message, "");
    EXPECT_EQ(read_back.account, "passport.example.com");
    EXPECT_EQ(read_back.forum, "bbs.example.com");
    EXPECT_EQ(read(file).find("ignored"), std::string::npos);
}

TEST_F(SettingsWrite, a_gbk_file_gets_gbk_values_and_an_unwritable_one_reports_failure) {
    write(kernel::utf8_to_gbk("; 旧的说明\r\n[DAILY]\r\nmessage=旧\r\n"));
    ASSERT_TRUE(write_setup_values(file, {.forum = "bbs.example.com", .message = "新的文本"}, ""));
    EXPECT_NE(read(file).find(kernel::utf8_to_gbk("; 旧的说明\r\n[DAILY]\r\nmessage=新的文本\r\n")), std::string::npos);
    EXPECT_EQ(read_setup_values(file).message, "新的文本");

    EXPECT_FALSE(write_setup_values(folder + "/missing/Config.ini", {.forum = "bbs.example.com"}, "[HOSTS]\n"));
}

TEST_F(SettingsWrite, saving_needs_a_forum_valid_hosts_and_an_authority_that_exists) {
    EXPECT_NE(setup_values_problem({}, file), "");
    EXPECT_NE(setup_values_problem({.forum = "bbs.example.com", .api = "ftp://x"}, file).find("手机接口"),
              std::string::npos);
    EXPECT_NE(setup_values_problem({.forum = "bbs.example.com", .ca_file = "ca.pem"}, file).find(folder + "/ca.pem"),
              std::string::npos);
    std::ofstream(folder + "/ca.pem") << "-----BEGIN CERTIFICATE-----\n";
    EXPECT_EQ(setup_values_problem({.forum = "bbs.example.com", .ca_file = "ca.pem"}, file), "");
    EXPECT_EQ(authority_path(file, "/etc/ssl/ca.pem"), "/etc/ssl/ca.pem");
}

}  // namespace
}  // namespace quilbex::app
