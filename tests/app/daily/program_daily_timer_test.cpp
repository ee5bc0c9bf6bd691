// The daily timer units as "--install-daily" writes them, checked by
// systemd's own verifier, and the crontab line for machines without a user
// service manager.

#include "DailyFixture.h"

#include <gmock/gmock.h>
#include <sys/wait.h>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;

class DailyTimerInstall : public ::testing::Test {
protected:
    // No user service manager is reachable: the test must never enable a
    // timer for whoever runs it.
    std::map<std::string, std::string> env() const {
        return {{"XDG_CONFIG_HOME", (folder.path() / "config").string()},
                {"XDG_RUNTIME_DIR", folder.path().string()},
                {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}};
    }
    std::filesystem::path unit_dir() const { return folder.path() / "config/systemd/user"; }
    ProgramFolder folder;
};

TEST_F(DailyTimerInstall, installs_units_that_systemd_accepts_prints_the_crontab_line_and_uninstalls) {
    RunResult install = folder.run({"--install-daily", "07:15"}, env());
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_THAT(install.out, HasSubstr("15 7 * * * "));
    std::string timer = read_file(unit_dir() / "quilbex-daily.timer");
    EXPECT_THAT(timer, HasSubstr("OnCalendar=*-*-* 07:15:00\n"));
    EXPECT_THAT(timer, HasSubstr("RandomizedDelaySec=30min\n"));
    EXPECT_THAT(timer, HasSubstr("Persistent=true\n"));
    EXPECT_THAT(read_file(unit_dir() / "quilbex-daily.service"),
                HasSubstr("ExecStart=\"" + folder.file("quilbex").string() + "\" --sign-in --quiet\n"));

    std::string command = "systemd-analyze verify '" + (unit_dir() / "quilbex-daily.timer").string() + "' '" +
                          (unit_dir() / "quilbex-daily.service").string() + "' > '" +
                          folder.file("verify.txt").string() + "' 2>&1";
    int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << read_file(folder.file("verify.txt"));
    EXPECT_EQ(read_file(folder.file("verify.txt")), "");

    RunResult again = folder.run({"--install-daily"}, env());
    EXPECT_THAT(read_file(unit_dir() / "quilbex-daily.timer"), HasSubstr("OnCalendar=*-*-* 08:30:00\n"));
    EXPECT_THAT(again.out, HasSubstr("30 8 * * * "));

    ASSERT_EQ(folder.run({"--uninstall-daily"}, env()).status, 0);
    EXPECT_FALSE(std::filesystem::exists(unit_dir() / "quilbex-daily.timer"));
    EXPECT_FALSE(std::filesystem::exists(unit_dir() / "quilbex-daily.service"));
}

}  // namespace
}  // namespace quilbex::daily_testing
