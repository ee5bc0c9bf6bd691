// "--install-daily", "--uninstall-daily" and "--status" as a member meets
// them: with a systemd user manager that answers (a real one, started by the
// test), on a systemd machine where none answers now, and with cron only
// (the real crontab command). Each case runs in a mount namespace of its
// own, so that neither the machine's crontab nor its units are touched.

#include "DailyFixture.h"
#include "app/schedule/SystemdUnits.h"
#include "platform/kernel/ChildProcess.h"

#include <csignal>
#include <gmock/gmock.h>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quilbex::daily_testing {
namespace {

namespace fs = std::filesystem;
using app::run_child;
using ::testing::HasSubstr;
using ::testing::Not;

template <typename Condition> bool wait_for(Condition condition) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30); !condition();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A process in a mount namespace of its own, in which /run is empty and
// `setup` (a fixed script of the test) has prepared what a case needs. The
// program runs in it through nsenter; the test reads its files through
// /proc/PID/root.
class PrivateMounts {
public:
    explicit PrivateMounts(const std::string& setup, const std::string& final = "exec sleep 3600") {
        // The machine's crontab is hidden too: no case may touch it.
        std::string script = "mount -t tmpfs tmpfs /run && { [ ! -d /var/spool/cron ] || mount -t tmpfs tmpfs "
                             "/var/spool/cron; } && " +
                             setup + " && : > /run/ready && " + final;
        std::vector<std::string> args = {"unshare", "--mount", "sh", "-c", script};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "unshare", nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
    }
    ~PrivateMounts() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        if (!wait_for([&] { return ::waitpid(m_pid, &status, WNOHANG) != 0; })) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
    }
    // False (with the reason in `why`) where this machine allows no mount namespace.
    bool ready(std::string& why) {
        bool ok = m_pid > 0 && wait_for([&] {
                      int status = 0;
                      return fs::exists(root() / "run/ready") || ::waitpid(m_pid, &status, WNOHANG) != 0;
                  });
        ok = ok && fs::exists(root() / "run/ready");
        if (!ok) {
            why = "no private mount namespace here (unshare --mount needs CAP_SYS_ADMIN)";
            m_pid = -1;
        }
        return ok;
    }
    fs::path root() const { return "/proc/" + std::to_string(m_pid) + "/root"; }
    std::vector<std::string> launcher() const { return {"/usr/bin/nsenter", "-t", std::to_string(m_pid), "-m", "--"}; }

private:
    pid_t m_pid = -1;
};

class DailyTimerInstall : public ::testing::Test {
protected:
    // A member's program in a folder of its own name under the test folder.
    fs::path program_in(const std::string& name) {
        fs::path dir = folder.path() / ("m" + std::to_string(++m_members)) / name;
        fs::create_directories(dir);
        fs::copy_file(folder.file("quilbex"), dir / "quilbex");
        write_file(dir / "Cookie.ini", "[COOKIE]\r\ncookie=BBS_UNAME=m\r\n");
        return dir / "quilbex";
    }
    RunResult run(const fs::path& program, std::vector<std::string> args,
                  std::map<std::string, std::string> extra = {}) {
        folder.program = program;
        std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", config_home().string()},
                                                  {"XDG_RUNTIME_DIR", runtime_dir().string()},
                                                  {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}};
        for (auto& [key, value] : extra)
            env[key] = value;
        return folder.run(args, env);
    }
    fs::path config_home() const { return folder.path() / "config"; }
    fs::path runtime_dir() const { return folder.path() / "runtime"; }
    fs::path unit_dir() const { return config_home() / "systemd/user"; }
    std::vector<std::string> units(const std::string& suffix) const {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(unit_dir(), error), end; !error && it != end; it.increment(error))
            if (it->path().extension() == suffix)
                names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void SetUp() override {
        fs::create_directories(runtime_dir());
        fs::permissions(runtime_dir(), fs::perms::owner_all);
    }

    ProgramFolder folder;
    int m_members = 0;
};

TEST_F(DailyTimerInstall, hostile_folder_names_give_units_that_systemd_verifies_or_are_refused_with_the_reason) {
    PrivateMounts systemd_machine("mkdir -p /run/systemd/system");
    std::string why;
    if (!systemd_machine.ready(why))
        GTEST_SKIP() << why;
    folder.launcher = systemd_machine.launcher();
    struct Case {
        std::string name;
        const char* refusal;  // nullptr: accepted
    };
    for (const Case& c : std::vector<Case>{{"a b", nullptr},
                                           {"50% %h %%", nullptr},
                                           {"$HOME ${X} $$", nullptr},
                                           {"中文 签到", nullptr},
                                           {"it's", "引号或反斜杠"},
                                           {"\"q\"", "引号或反斜杠"},
                                           {"back\\slash", "引号或反斜杠"},
                                           {"tab\there", "控制字符"},
                                           {"new\nExecStart=/bin/sh -c id", "控制字符"},
                                           {"gbk \xd6\xd0\xce\xc4", "UTF-8"}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(config_home());
        fs::path program = program_in(c.name);
        // The settings file's and the state folder's names are as hostile as
        // the program folder's; each reaches the unit as written.
        std::string config = (program.parent_path() / "Config %h $X.ini").string();
        std::string state = (program.parent_path() / "state %h $X").string();
        write_file(config, "");
        RunResult install =
            run(program, {"--install-daily", "07:15"}, {{"QUILBEX_CONFIG", config}, {"XDG_STATE_HOME", state}});
        if (c.refusal) {
            EXPECT_EQ(install.status, 1);
            EXPECT_THAT(install.err, HasSubstr(c.refusal));
            EXPECT_FALSE(fs::exists(config_home()));
            continue;
        }
        ASSERT_EQ(install.status, 0) << install.err;
        EXPECT_THAT(install.out, HasSubstr("下次登录"));
        EXPECT_THAT(install.out, HasSubstr("loginctl enable-linger"));
        auto timers = units(".timer");
        ASSERT_EQ(timers.size(), 1u);
        EXPECT_EQ(fs::read_symlink(unit_dir() / "timers.target.wants" / timers[0]), unit_dir() / timers[0]);
        std::string base = timers[0].substr(0, timers[0].size() - 6);
        app::ChildResult verify =
            run_child({"env", "XDG_RUNTIME_DIR=" + runtime_dir().string(), "systemd-analyze", "--user", "verify",
                       (unit_dir() / (base + ".timer")).string(), (unit_dir() / (base + ".service")).string()});
        EXPECT_TRUE(verify.ok()) << verify.err;
        EXPECT_EQ(verify.out + verify.err, "");
        const std::string service = read_file(unit_dir() / (base + ".service"));
        for (const std::string& variable :
             {"QUILBEX_CONFIG=" + config, "XDG_CONFIG_HOME=" + config_home().string(), "XDG_STATE_HOME=" + state})
            EXPECT_THAT(service, HasSubstr("Environment=" + app::unit_word(variable) + "\n"));
        // A program that is gone is skipped, not run.
        EXPECT_THAT(service, HasSubstr("\nConditionFileIsExecutable="));
        ASSERT_EQ(run(program, {"--uninstall-daily"}).status, 0);
        EXPECT_FALSE(fs::exists(config_home() / "systemd")) << "the folders the install made go with it";
    }
}

TEST_F(DailyTimerInstall, the_single_timer_of_earlier_versions_goes_when_its_own_program_installs) {
    PrivateMounts systemd_machine("mkdir -p /run/systemd/system");
    std::string why;
    if (!systemd_machine.ready(why))
        GTEST_SKIP() << why;
    folder.launcher = systemd_machine.launcher();
    fs::path program = program_in("50% 中文");
    fs::create_directories(unit_dir());
    auto legacy_for = [&](const std::string& quoted_path) {
        write_file(unit_dir() / "quilbex-daily.service",
                   "[Service]\nType=oneshot\nExecStart=\"" + quoted_path + "\" --sign-in --quiet\n");
        write_file(unit_dir() / "quilbex-daily.timer", "[Timer]\nOnCalendar=*-*-* 06:00:00\n");
    };
    legacy_for("/elsewhere/quilbex");
    ASSERT_EQ(run(program, {"--install-daily"}).status, 0);
    EXPECT_TRUE(fs::exists(unit_dir() / "quilbex-daily.timer")) << "another program's timer stays";
    EXPECT_THAT(run(program, {"--status"}).out, HasSubstr("/elsewhere/quilbex（旧版本安装的定时器"));

    std::string quoted = program.string();
    quoted.replace(quoted.find('%'), 1, "%%");
    legacy_for(quoted);
    RunResult install = run(program, {"--install-daily"});
    ASSERT_EQ(install.status, 0);
    EXPECT_THAT(install.out, HasSubstr("已删除旧版本"));
    EXPECT_FALSE(fs::exists(unit_dir() / "quilbex-daily.timer"));
    EXPECT_FALSE(fs::exists(unit_dir() / "quilbex-daily.service"));
    EXPECT_EQ(units(".timer").size(), 1u);
}

TEST_F(DailyTimerInstall, a_profile_has_a_timer_of_its_own_beside_the_program_folders_member) {
    PrivateMounts systemd_machine("mkdir -p /run/systemd/system");
    std::string why;
    if (!systemd_machine.ready(why))
        GTEST_SKIP() << why;
    folder.launcher = systemd_machine.launcher();
    fs::path program = program_in("one");
    ASSERT_EQ(run(program, {"--install-daily", "07:00"}).status, 0);
    fs::create_directories(program.parent_path() / "profiles/work");
    write_file(program.parent_path() / "profiles/work/Cookie.ini", "[COOKIE]\r\ncookie=BBS_UNAME=w\r\n");
    RunResult work = run(program, {"--profile", "work", "--install-daily", "09:30"});
    ASSERT_EQ(work.status, 0) << work.err;
    auto timers = units(".timer");
    ASSERT_EQ(timers.size(), 2u);
    ASSERT_EQ(timers[1].rfind("quilbex-daily-work-", 0), 0u);
    std::string service = timers[1].substr(0, timers[1].size() - 6) + ".service";
    EXPECT_THAT(read_file(unit_dir() / service), HasSubstr("\" --profile \"work\" --sign-in --quiet\n"));
    write_file(program.parent_path() / "History.log", "2026-12-07 08:31:02\tcommand-line\tsign-in\t已签到\n");
    fs::create_directories(program.parent_path() / "profiles/work");
    write_file(program.parent_path() / "profiles/work/History.log",
               "2026-12-07 09:42:10\tcommand-line\tsign-in\t网络无应答\n");
    write_file(program.parent_path() / "profiles/work/Cookie.ini", "[COOKIE]\r\ncookie=x\r\nexpires=1796877072\r\n");
    std::string status = run(program, {"--status"}).out;
    EXPECT_THAT(status, HasSubstr(program.string() + "（配置 work）\n  时间：每天 09:30"));
    // And until when each member's saved login lasts, when it is known.
    EXPECT_THAT(status, HasSubstr("网络无应答\n  Cookie 有效至 2026-12-"));
    EXPECT_THAT(status, HasSubstr("已签到\n  Cookie 有效期未知\n"));
    // Each member's last result comes from that member's own history.
    EXPECT_THAT(status, HasSubstr("每天 07:00"));
    EXPECT_THAT(status, HasSubstr("上次结果：2026-12-07 08:31:02 签到 已签到\n"));
    EXPECT_THAT(status, HasSubstr("上次结果：2026-12-07 09:42:10 签到 网络无应答\n"));

    ASSERT_EQ(run(program, {"--uninstall-daily"}).status, 0);
    EXPECT_EQ(units(".timer"), std::vector<std::string>{timers[1]});
}

// A unit file changed by hand to name a profile that climbs out of the
// profiles folder: --status reads no history for it.
TEST_F(DailyTimerInstall, status_reads_no_history_for_a_profile_name_that_is_not_one) {
    fs::path program = program_in("one");
    fs::create_directories(unit_dir());
    const std::string base = "quilbex-daily-evil-00000000";
    write_file(unit_dir() / (base + ".timer"), "[Timer]\nOnCalendar=*-*-* 07:00:00\n");
    write_file(unit_dir() / (base + ".service"),
               "[Service]\nX-Quilbex-Program=" + program.string() + "\nX-Quilbex-Profile=../../evil\n");
    fs::create_directories(program.parent_path() / "../evil");
    write_file(program.parent_path() / "../evil/History.log",
               "2026-12-07 09:42:10\tcommand-line\tsign-in\t别人的记录\n");
    RunResult status = run(program, {"--status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_THAT(status.out, HasSubstr(program.string() + "（配置名无效，不读它的记录）\n"));
    EXPECT_THAT(status.out, Not(HasSubstr("别人的记录")));
    EXPECT_THAT(status.out, Not(HasSubstr("../../evil")));
}

// Environment variables of this process, set for one test (a service
// manager the test starts inherits them) and restored after it.
class ScopedEnv {
public:
    explicit ScopedEnv(const std::map<std::string, std::string>& values) {
        for (const auto& [key, value] : values) {
            const char* old = std::getenv(key.c_str());
            m_old.emplace_back(key, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(key.c_str(), value.c_str(), 1);
        }
    }
    ~ScopedEnv() {
        for (const auto& [key, old] : m_old)
            old ? ::setenv(key.c_str(), old->c_str(), 1) : ::unsetenv(key.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_old;
};

std::string systemctl(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"systemctl", "--user"};
    argv.insert(argv.end(), args.begin(), args.end());
    app::ChildResult result = run_child(argv);
    std::string out = result.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST_F(DailyTimerInstall, a_user_manager_enables_each_members_own_timer_and_runs_it_as_written) {
    fs::create_directories(folder.path() / "home");
    ScopedEnv env({{"XDG_CONFIG_HOME", config_home().string()},
                   {"XDG_RUNTIME_DIR", runtime_dir().string()},
                   {"HOME", (folder.path() / "home").string()}});
    PrivateMounts manager("mkdir -p /run/systemd/system", "exec /lib/systemd/systemd --user");
    std::string why;
    if (!manager.ready(why))
        GTEST_SKIP() << why;
    ASSERT_TRUE(wait_for([] {
        return !systemctl({"show", "--property=Version", "--value"}).empty();
    })) << "the user manager did not answer";

    // After the install the settings file names a host but not the forum,
    // and the other member's cookie is gone: a run that reads the file ends
    // with status 1 before anything else, the other finds no cookie (status 2).
    fs::path hostile = program_in("50% $HOME ${X} 中文 签到");
    fs::path config = hostile.parent_path() / "Config %h $X.ini";
    write_file(config, "");
    fs::path plain = program_in("plain");
    RunResult first = run(hostile, {"--install-daily", "07:15"}, {{"QUILBEX_CONFIG", config.string()}});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_THAT(first.out, HasSubstr("已启用"));
    RunResult second = run(plain, {"--install-daily", "09:00"});
    ASSERT_EQ(second.status, 0) << second.err;
    write_file(config, "[HOSTS]\r\napi=127.0.0.1:1\r\n");
    fs::remove(plain.parent_path() / "Cookie.ini");
    auto timers = units(".timer");
    ASSERT_EQ(timers.size(), 2u);
    auto service_of = [](const std::string& timer) { return timer.substr(0, timer.size() - 6) + ".service"; };
    std::string hostile_timer = timers[0], plain_timer = timers[1];
    if (read_file(unit_dir() / service_of(plain_timer)).find("签到") != std::string::npos)
        std::swap(hostile_timer, plain_timer);

    for (const auto& [timer, status] : {std::pair{hostile_timer, "1"}, std::pair{plain_timer, "2"}}) {
        EXPECT_EQ(systemctl({"is-enabled", timer}), "enabled");
        systemctl({"start", service_of(timer)});
        EXPECT_EQ(systemctl({"show", "--property=ExecMainStatus", "--value", service_of(timer)}), status) << timer;
    }
    RunResult status = run(plain, {"--status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_THAT(status.out, HasSubstr(hostile.string()));
    EXPECT_THAT(status.out, HasSubstr(plain.string()));
    EXPECT_THAT(status.out, HasSubstr("每天 07:15"));
    EXPECT_THAT(status.out, HasSubstr("每天 09:00"));
    EXPECT_THAT(status.out, HasSubstr("下次运行："));

    ASSERT_EQ(run(hostile, {"--uninstall-daily"}).status, 0);
    EXPECT_EQ(units(".timer"), std::vector<std::string>{plain_timer});
    EXPECT_EQ(systemctl({"is-enabled", plain_timer}), "enabled");

    // A manager that answers but refuses: it cannot make the timer's link.
    ASSERT_EQ(systemctl({"disable", plain_timer}), "");
    fs::remove_all(unit_dir() / "timers.target.wants");
    write_file(unit_dir() / "timers.target.wants", "");
    write_file(plain.parent_path() / "Cookie.ini", "[COOKIE]\r\ncookie=BBS_UNAME=m\r\n");
    const std::string timer_before = read_file(unit_dir() / plain_timer);
    RunResult refused = run(plain, {"--install-daily", "10:00"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("没有启用"));
    EXPECT_THAT(refused.out, Not(HasSubstr("已启用")));
    // The failed install put the earlier one back as it was.
    EXPECT_EQ(units(".timer"), std::vector<std::string>{plain_timer});
    EXPECT_EQ(read_file(unit_dir() / plain_timer), timer_before);
}

class DailyCrontab : public DailyTimerInstall {
protected:
    void SetUp() override {
        DailyTimerInstall::SetUp();
        std::string why;
        if (!machine.ready(why))
            GTEST_SKIP() << why;
        folder.launcher = machine.launcher();
    }
    fs::path table_file() const { return machine.root() / "var/spool/cron/crontabs/root"; }
    void set_table(const std::string& table) {
        std::vector<std::string> argv = machine.launcher();
        argv.insert(argv.end(), {"crontab", "-"});
        ASSERT_TRUE(run_child(argv, table).ok());
    }
    std::string table() {
        std::vector<std::string> argv = machine.launcher();
        argv.insert(argv.end(), {"crontab", "-l"});
        return run_child(argv).out;
    }

    // No systemd and an empty crontab spool of the namespace's own.
    PrivateMounts machine{"mkdir -m 1730 /var/spool/cron/crontabs && chgrp crontab /var/spool/cron/crontabs"};
};

// True when a cron daemon runs on this machine, as the program looks for one.
bool cron_daemon_here() { return run_child({"pgrep", "-x", "cron|crond"}).ok(); }

TEST_F(DailyCrontab, the_members_line_joins_the_crontab_and_leaves_every_other_line_as_it_was) {
    const std::string others = "MAILTO=me@example.org\n# notes: 100% mine\n0 1 * * * backup \\%d\n";
    set_table(others);
    fs::path one = program_in("50% 中文"), two = program_in("two");
    std::string config = (one.parent_path() / "Config 100%.ini").string();
    write_file(config, "");
    RunResult install = run(one, {"--install-daily", "07:15", "--force"}, {{"QUILBEX_CONFIG", config}});
    ASSERT_EQ(install.status, 0) << install.err;
    ASSERT_EQ(run(one, {"--install-daily", "06:05", "--force"}, {{"QUILBEX_CONFIG", config}}).status, 0);
    ASSERT_EQ(run(two, {"--install-daily", "09:00", "--force"}).status, 0);
    EXPECT_EQ(units(".timer").size(), 2u) << "unit files are written for a later systemd too";

    std::string after = table();
    ASSERT_EQ(after.rfind(others, 0), 0u) << after;
    std::vector<std::string> lines;
    std::istringstream rest(after.substr(others.size()));
    for (std::string line; std::getline(rest, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u) << after;
    EXPECT_EQ(lines[0].rfind("5 6 * * * ", 0), 0u);
    EXPECT_THAT(lines[0], HasSubstr("QUILBEX_CONFIG='" + one.parent_path().parent_path().string() +
                                    "/50'\\%' 中文/Config 100'\\%'.ini'"));
    EXPECT_THAT(lines[1], HasSubstr("0 9 * * * "));

    RunResult status = run(two, {"--status"});
    EXPECT_THAT(status.out, HasSubstr("每天 06:05"));
    EXPECT_THAT(status.out, HasSubstr("安排：crontab"));

    ASSERT_EQ(run(one, {"--uninstall-daily"}).status, 0);
    EXPECT_EQ(table(), others + lines[1] + "\n");
}

TEST_F(DailyCrontab, the_line_runs_the_program_only_while_it_is_there_and_the_last_line_takes_the_table_with_it) {
    fs::path program = program_in("gone 50%");
    ASSERT_EQ(run(program, {"--install-daily", "--force"}).status, 0);
    std::string line = table();
    ASSERT_THAT(line, HasSubstr("[ -x '"));
    // The line as cron runs it: the program's own run first, then none once it is removed.
    fs::path marker = program.parent_path() / "ran";
    write_file(program.parent_path() / "fake", "#!/bin/sh\n: > '" + marker.string() + "'\n");
    fs::rename(program, program.parent_path() / "real");
    fs::copy_file(program.parent_path() / "fake", program);
    fs::permissions(program, fs::perms::owner_all);
    std::string command = line.substr(line.find("; ") + 2);
    command = std::regex_replace(command.substr(0, command.find(" # ")), std::regex("\\\\%"), "%");
    EXPECT_TRUE(run_child({"sh", "-c", command}).ok());
    EXPECT_TRUE(fs::exists(marker));
    fs::remove(program);
    app::ChildResult skipped = run_child({"sh", "-c", command});
    EXPECT_EQ(skipped.out + skipped.err, "");

    fs::rename(program.parent_path() / "real", program);
    ASSERT_EQ(run(program, {"--uninstall-daily"}).status, 0);
    EXPECT_FALSE(fs::exists(table_file())) << "a table with only the member's line is removed";
    EXPECT_FALSE(fs::exists(config_home() / "systemd"));
}

TEST_F(DailyCrontab, an_install_that_cannot_run_is_refused_with_the_reason_and_leaves_nothing_behind) {
    if (cron_daemon_here())
        GTEST_SKIP() << "a cron daemon runs on this machine";
    fs::path program = program_in("lone");
    struct Case {
        std::string what;
        std::vector<std::string> args;
        std::map<std::string, std::string> env;
        const char* reason;
    };
    for (const Case& c : std::vector<Case>{
             {"no cron daemon", {"--install-daily"}, {}, "没有运行 cron 服务"},
             {"no crontab command", {"--install-daily", "--force"}, {{"PATH", "/nonexistent"}}, "没有安排"},
         }) {
        SCOPED_TRACE(c.what);
        RunResult install = run(program, c.args, c.env);
        EXPECT_EQ(install.status, 1);
        EXPECT_THAT(install.err, HasSubstr(c.reason));
        EXPECT_FALSE(fs::exists(config_home())) << "no unit file and no folder is left";
        EXPECT_FALSE(fs::exists(table_file()));
        EXPECT_THAT(run(program, {"--status"}).out, HasSubstr("没有安装每日自动签到"));
    }
    // Without a crontab command an install says so, and an uninstall has no line to take out: no error.
    EXPECT_THAT(run(program, {"--install-daily", "--force"}, {{"PATH", "/nonexistent"}}).err,
                HasSubstr("既没有 systemd 也没有 crontab 命令"));
    RunResult uninstall = run(program, {"--uninstall-daily"}, {{"PATH", "/nonexistent"}});
    EXPECT_EQ(uninstall.status, 0);
    EXPECT_EQ(uninstall.err, "");
    EXPECT_THAT(uninstall.out, HasSubstr("没有安装每日自动签到"));
    fs::remove(program.parent_path() / "Cookie.ini");
    RunResult no_cookie = run(program, {"--install-daily", "--force"});
    EXPECT_EQ(no_cookie.status, 1);
    EXPECT_THAT(no_cookie.err, HasSubstr("还没有保存 Cookie"));
    EXPECT_FALSE(fs::exists(config_home()));
}

}  // namespace
}  // namespace quilbex::daily_testing
