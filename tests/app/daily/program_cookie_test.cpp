// The saved login's expiry in the unattended run (the warning before it
// ends) and in the listings, and a login moved with --export-cookie and
// --import-cookie, as the program does them.

#include "DailyFixture.h"
#include "sim/PushService.h"

#include <ctime>
#include <gmock/gmock.h>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kPushKey = "SCT9f3kQ2secretkey";
constexpr std::int64_t kDay = 86400;

class CookieExpiry : public DailyRun {
protected:
    void SetUp() override {
        DailyRun::SetUp();
        std::string error;
        push = sim::PushService::start(QUILBEX_SIM_CERT_DIR, kPushKey, &error);
        ASSERT_TRUE(push) << error;
    }
    void configure(const std::string& daily = "") {
        write_config(sim->ca_file(), "[NOTIFY]\r\nwebhook=https://127.0.0.1:" + std::to_string(push->port()) + "/" +
                                         kPushKey + ".send?title={title}&desp={text}\r\n" + daily);
    }
    void save_login(std::int64_t expires) {
        write_file(folder.file("Cookie.ini"), "[COOKIE]\r\ncookie=" + std::string(kMemberCookie) +
                                                  "\r\nexpires=" + std::to_string(expires) + "\r\n");
    }

    std::unique_ptr<sim::PushService> push;
};

TEST_F(CookieExpiry, the_run_warns_once_a_day_before_the_login_ends_and_signs_in_all_the_same) {
    configure();
    save_login(std::time(nullptr) + 2 * kDay + 3600);
    RunResult first = sign_in();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_THAT(first.err, HasSubstr("quilbex: Cookie 将在 2 天后到期（Cookie 有效至 "));
    EXPECT_THAT(first.err, HasSubstr("quilbex --login"));
    EXPECT_THAT(read_file(folder.file("History.log")),
                HasSubstr("\tcommand-line\tcookie-expiry\tCookie 将在 2 天后到期；"));
    ASSERT_EQ(push->messages().size(), 1u);
    EXPECT_EQ(push->messages()[0].title, "Cookie 将在 2 天后到期");
    EXPECT_THAT(push->messages()[0].text, HasSubstr("Cookie 有效至 "));

    // The same day: the run signs in without a second warning.
    RunResult second = sign_in();
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_THAT(second.err, Not(HasSubstr("到期")));
    EXPECT_EQ(push->messages().size(), 1u);
}

TEST_F(CookieExpiry, warn_days_moves_the_first_warning_and_an_unknown_expiry_never_warns) {
    configure("[DAILY]\r\nwarn_days=1\r\n");
    save_login(std::time(nullptr) + 2 * kDay);
    RunResult run = sign_in();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, Not(HasSubstr("到期")));

    configure("[DAILY]\r\nwarn_days=7\r\n");
    EXPECT_THAT(sign_in().err, HasSubstr("Cookie 将在 1 天后到期"));

    configure();
    save_cookie(kMemberCookie);  // saved by an older version: no expiry
    EXPECT_THAT(sign_in().err, Not(HasSubstr("到期")));
    EXPECT_EQ(push->messages().size(), 1u);
}

TEST_F(DailyRun, a_login_moves_through_export_and_import_and_a_text_without_it_is_refused) {
    write_file(folder.file("Cookie.ini"),
               "[COOKIE]\r\ncookie=" + std::string(kMemberCookie) + "\r\nexpires=1796877072\r\n");
    RunResult exported = folder.run({"--export-cookie"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_THAT(exported.out, HasSubstr("Cookie: " + std::string(kMemberCookie) + "\nExpires: 1796877072 ("));

    // Through a pipe into another copy's named member, as over ssh.
    ProgramFolder server;
    write_file(server.file("exported.txt"), exported.out);
    server.launcher = {"/bin/sh", "-c", "exec \"$0\" \"$@\" < \"$QUILBEX_INPUT\""};
    RunResult imported =
        server.run({"--profile", "zhang", "--import-cookie", "-"}, {{"QUILBEX_INPUT", server.file("exported.txt")}});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const auto saved_file = server.file("profiles/zhang/Cookie.ini");
    EXPECT_EQ(read_file(saved_file), "[COOKIE]\r\ncookie=" + std::string(kMemberCookie) + "\r\nexpires=1796877072\r\n");
    EXPECT_EQ(std::filesystem::status(saved_file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    server.launcher.clear();
    EXPECT_THAT(server.run({"--profiles"}).out, HasSubstr("zhang                （还没有记录）；Cookie 有效至 20"));

    // A browser's header line, then one without the login: the saved one stays.
    write_file(server.file("header.txt"), "Cookie: BBS_UNAME=li; UM_distinctid=9\r\n");
    ASSERT_EQ(server.run({"--import-cookie", server.file("header.txt")}).status, 0);
    EXPECT_EQ(read_file(server.file("Cookie.ini")), "[COOKIE]\r\ncookie=BBS_UNAME=li; UM_distinctid=9\r\n");
    write_file(server.file("guest.txt"), "Cookie: UM_distinctid=9\r\n");
    RunResult refused = server.run({"--import-cookie", server.file("guest.txt")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("没有论坛的登录 Cookie BBS_UNAME"));
    EXPECT_EQ(read_file(server.file("Cookie.ini")), "[COOKIE]\r\ncookie=BBS_UNAME=li; UM_distinctid=9\r\n");
    EXPECT_EQ(server.run({"--export-cookie", "--profile", "nobody"}).status, 2);
}

}  // namespace
}  // namespace quilbex::daily_testing
