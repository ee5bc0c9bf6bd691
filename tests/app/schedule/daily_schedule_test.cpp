// What a member's schedule is written as: the time of day, the paths that
// systemd cannot take, the crontab line as sh receives it from cron, the
// editing of a crontab that holds other lines, and the timer of earlier
// versions. The unit files themselves are checked by systemd in the
// program tests.

#include "app/schedule/Crontab.h"
#include "app/schedule/LegacyTimer.h"
#include "app/schedule/SystemdUnits.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quilbex::app {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(DailySchedule, accepts_only_times_of_day) {
    auto time = parse_daily_time("7:05");
    ASSERT_TRUE(time);
    EXPECT_EQ(clock_text(*time), "07:05");
    for (const char* bad : {"", "24:00", "12:60", "12", "12:5", "-1:30", "1:2:3", "ab:cd", "123:00"})
        EXPECT_FALSE(parse_daily_time(bad)) << bad;
}

TEST(DailySchedule, refuses_control_characters_bytes_that_are_not_utf8_and_quotes_in_the_program_path) {
    for (const char* good : {"/a b/50%/$HOME/中文/quilbex", "/ünï/ｑ/😀"}) {
        EXPECT_TRUE(check_systemd_path(good, PathUse::program)) << good;
        EXPECT_TRUE(check_systemd_path(good, PathUse::setting)) << good;
    }
    for (const char* quoted : {"/it's", "/\"q\"", "/back\\slash"}) {
        EXPECT_FALSE(check_systemd_path(quoted, PathUse::program)) << quoted;
        EXPECT_TRUE(check_systemd_path(quoted, PathUse::setting)) << quoted;
    }
    for (const char* bad : {"/a\tb", "/a\nExecStart=/bin/sh", "/a\x7f", "/a\xc2\x85", "/gbk\xd6\xd0", "/\xc0\x80",
                            "/\xed\xa0\x80", "/\xf4\x90\x80\x80", "/cut\xe4\xb8"}) {
        EXPECT_FALSE(check_systemd_path(bad, PathUse::program)) << bad;
        EXPECT_FALSE(check_systemd_path(bad, PathUse::setting)) << bad;
    }
}

// Runs the command part of a crontab line as cron does (crontab(5): "\%" is
// a "%", a bare "%" ends the command) through sh, after the random sleep.
std::string run_as_cron(const std::string& line) {
    std::string command = line.substr(line.find("; ") + 2), cooked;
    // A backslash takes the next character with it; before a "%" it is dropped.
    for (std::size_t i = 0; i < command.size() && command[i] != '%'; ++i) {
        if (command[i] == '\\' && i + 1 < command.size()) {
            if (command[i + 1] != '%')
                cooked += command[i];
            cooked += command[++i];
        } else {
            cooked += command[i];
        }
    }
    // The line reaches sh through the environment, never through this test's own command text.
    fs::path out = fs::temp_directory_path() / ("cron-out-" + std::to_string(::getpid()));
    ::setenv("QUILBEX_LINE", cooked.c_str(), 1);
    int status = std::system(("sh -c \"$QUILBEX_LINE\" > '" + out.string() + "'").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cooked;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    fs::remove(out);
    return text.str();
}

TEST(DailySchedule, the_crontab_line_reaches_the_program_with_its_words_and_settings_intact) {
    fs::path dir = fs::temp_directory_path() / ("it's 50%\\% $HOME \"q\" 中文 " + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path program = dir / "quilbex";
    std::ofstream(program)
        << "#!/bin/sh\nprintf '[%s]\\n' \"$QUILBEX_CONFIG\" \"$XDG_CONFIG_HOME\" \"$XDG_STATE_HOME\" \"$0\" \"$@\"\n";
    fs::permissions(program, fs::perms::owner_all);
    DailyMember member{program.string(), "work_2", "/etc/q %a\\%b'$x/Config.ini", "/c 100%", "/s '$HOME'"};
    std::string line = crontab_line(member, {6, 5});
    EXPECT_EQ(line.rfind("5 6 * * * ", 0), 0u) << line;
    EXPECT_EQ(run_as_cron(line), "[" + member.config_path + "]\n[/c 100%]\n[/s '$HOME']\n[" + program.string() +
                                     "]\n[--profile]\n[work_2]\n[--sign-in]\n[--quiet]\n");
    // Variables not set at install time stay unset, so the run's own defaults apply.
    member.config_home.clear();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(run_as_cron(crontab_line(member, {6, 5})).substr(0, member.config_path.size() + 6),
              "[" + member.config_path + "]\n[]\n");
    fs::remove_all(dir);
}

TEST(DailySchedule, editing_the_crontab_keeps_every_other_line_and_touches_only_the_members_own) {
    const std::string others = "MAILTO=me@example.org\n# my own notes % 100\n0 1 * * * backup \\%d\n"
                               "30 8 * * * '/other/quilbex' --sign-in --quiet # quilbex-daily-0badcafe\n";
    std::string added = crontab_with_line(others, "quilbex-daily-12345678", "1 2 * * * x # quilbex-daily-12345678");
    EXPECT_EQ(added, others + "1 2 * * * x # quilbex-daily-12345678\n");
    std::string replaced = crontab_with_line(added, "quilbex-daily-12345678", "3 4 * * * y # quilbex-daily-12345678");
    EXPECT_EQ(replaced, others + "3 4 * * * y # quilbex-daily-12345678\n");
    EXPECT_EQ(crontab_with_line(replaced, "quilbex-daily-12345678", ""), others);
    // A table without a final line break keeps its last line.
    EXPECT_EQ(crontab_with_line("0 1 * * * a", "quilbex-daily-12345678", ""), "0 1 * * * a\n");

    auto entries = crontab_entries(replaced);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].unit_base, "quilbex-daily-12345678");
    ASSERT_TRUE(entries[1].time);
    EXPECT_EQ(clock_text(*entries[1].time), "04:03");
    // Fields apart by tabs and several spaces, as a member may have edited them.
    entries = crontab_entries(" \t5\t 7 * * * x # quilbex-daily-abc\n");
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(entries[0].time);
    EXPECT_EQ(clock_text(*entries[0].time), "07:05");
}

TEST(DailySchedule, the_timer_of_earlier_versions_names_its_program) {
    EXPECT_EQ(legacy_program_path("[Service]\nExecStart=\"/a b/%%h\\\"q\\\\$$x/quilbex\" --sign-in --quiet\n"),
              "/a b/%h\"q\\$x/quilbex");
    EXPECT_EQ(legacy_program_path("ExecStart=\"/x/中文 %%/quilbex\" --sign-in --quiet\n"), "/x/中文 %/quilbex");
    for (const char* odd : {"ExecStart=/bin/true\n", "ExecStart=\"/a%b\" --sign-in --quiet\n",
                            "ExecStart=\"/a\"b\" --sign-in --quiet\n", ""})
        EXPECT_FALSE(legacy_program_path(odd)) << odd;
}

}  // namespace
}  // namespace quilbex::app
