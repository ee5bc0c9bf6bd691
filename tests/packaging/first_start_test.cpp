// From the package to a scheduled daily sign-in through windows alone: the
// unpacked program, started by a member who is not root and has no settings
// file, opens its set-up window; the member gives the forum's address (and
// the local services' authority, which a real forum's certificate does not
// need), tries the connection, saves with the daily sign-in checked, and
// logs in. The login is kept without a click on "保存", the command-line
// run signs in and draws with that one address, and the member's own systemd
// user manager holds a timer whose service runs this program.

#include "tests/e2e/ToolFixture.h"
#include "tests/packaging/PackageFiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace quilbex::packaging {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr const char* kSetupTitle = "Quilbex 设置";
// Centres of the set-up window's controls, from its template.
constexpr e2e::Point kForumField{270, 25};
constexpr e2e::Point kMoreButton{52, 82};
constexpr e2e::Point kAuthorityField{270, 206};
constexpr e2e::Point kDailyButton{185, 268};
constexpr e2e::Point kResultBox{226, 340};
constexpr e2e::Point kTestButton{60, 414};
constexpr e2e::Point kSaveButton{288, 414};

// nobody, who cannot write to the program folder.
constexpr int kMemberId = 65534;
constexpr const char* kAsMember[] = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

// The member's own systemd user manager, as a desktop session starts one:
// the machine has none, so it runs in a mount namespace whose /run says the
// machine runs systemd, in a cgroup delegated to the member, with its
// sockets in the member's runtime folder where systemctl --user finds them.
class MemberUserManager {
public:
    MemberUserManager(const std::string& home, const std::string& runtime_dir, const std::string& log) {
        const std::string name = "quilbex-member-" + std::to_string(::getpid());
        if (fs::exists("/sys/fs/cgroup/cgroup.procs"))
            m_cgroups.push_back("/sys/fs/cgroup/" + name);
        for (const char* hierarchy : {"/sys/fs/cgroup/unified", "/sys/fs/cgroup/systemd"})
            if (fs::exists(std::string(hierarchy) + "/cgroup.procs"))
                m_cgroups.push_back(hierarchy + ("/" + name));
        // The paths reach the script as its arguments, never as its text.
        std::vector<std::string> argv{
            "unshare",
            "--mount",
            "sh",
            "-c",
            "home=$1 runtime=$2; shift 2; mount -t tmpfs tmpfs /run && mkdir -p /run/systemd/system || exit 1; "
            "for group; do mkdir \"$group\" && chown -R 65534:65534 \"$group\" && echo $$ > \"$group/cgroup.procs\" "
            "|| exit 1; done; exec env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=\"$home\" XDG_RUNTIME_DIR=\"$runtime\" "
            "setpriv --reuid=65534 --regid=65534 --clear-groups -- /lib/systemd/systemd --user",
            "sh",
            home,
            runtime_dir};
        argv.insert(argv.end(), m_cgroups.begin(), m_cgroups.end());
        m_process = e2e::ChildProcess(argv, {}, log, "/");
    }
    ~MemberUserManager() {
        m_process.stop();
        // What the manager left of its cgroups, deepest first.
        for (const std::string& group : m_cgroups) {
            std::error_code error;
            if (fs::exists(group + "/cgroup.kill"))
                e2e::write_file(group + "/cgroup.kill", "1");
            std::vector<fs::path> folders{group};
            for (fs::recursive_directory_iterator it(group, error), end; !error && it != end; it.increment(error))
                if (it->is_directory())
                    folders.push_back(it->path());
            std::sort(folders.begin(), folders.end(),
                      [](const fs::path& a, const fs::path& b) { return a.string().size() > b.string().size(); });
            for (const fs::path& folder : folders)
                e2e::wait_until([&] { return ::rmdir(folder.c_str()) == 0 || errno == ENOENT; }, 10s);
        }
    }
    bool running() { return m_process.running(); }

private:
    std::vector<std::string> m_cgroups;
    e2e::ChildProcess m_process;
};

class FirstStartTest : public e2e::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_TRUE(m_unpacked.ok()) << "no package in " QUILBEX_PACKAGE_DIR;
        fs::permissions(home(), fs::perms::owner_all);
        ASSERT_EQ(::chown(home().c_str(), kMemberId, kMemberId), 0);
        fs::permissions(m_runtime.path(), fs::perms::owner_all);
        ASSERT_EQ(::chown(m_runtime.path().c_str(), kMemberId, kMemberId), 0);
        if (run_command("unshare --mount true").status != 0)
            GTEST_SKIP() << "no private mount namespace here (unshare --mount needs CAP_SYS_ADMIN)";
        m_manager.emplace(home(), m_runtime.path(), folder() + "/user-manager.log");
        const bool answered = e2e::wait_until(
            [&] {
                return !m_manager->running() || !systemctl({"show", "--property=Version", "--value"}).empty();
            },
            40s);
        ASSERT_TRUE(answered && m_manager->running())
            << "the member's user manager did not answer: " << e2e::read_file(folder() + "/user-manager.log");
    }
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot("first-start-failure.png");
        m_run.stop();
        if (m_manager)
            run_command(member_command({"--uninstall-daily"}));
        m_manager.reset();
        ToolTest::TearDown();
    }

    const std::string& home() const { return m_home.path(); }

    std::vector<std::string> as_member(const std::vector<std::string>& args, const std::string& display = "") const {
        std::vector<std::string> argv{"env",
                                      "-u",
                                      "XDG_CONFIG_HOME",
                                      "-u",
                                      "XDG_STATE_HOME",
                                      "-u",
                                      "XDG_CACHE_HOME",
                                      "-u",
                                      "QUILBEX_CONFIG",
                                      "HOME=" + home(),
                                      "XDG_RUNTIME_DIR=" + m_runtime.path()};
        if (!display.empty())
            argv.push_back("DISPLAY=" + display);
        argv.insert(argv.end(), std::begin(kAsMember), std::end(kAsMember));
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    std::vector<std::string> program_as_member(std::vector<std::string> args, const std::string& display = "") const {
        args.insert(args.begin(), m_unpacked.path("/usr/lib/quilbex/quilbex"));
        return as_member(args, display);
    }
    std::string member_command(const std::vector<std::string>& args, bool program = true) const {
        std::string line;
        for (const std::string& word : program ? program_as_member(args) : as_member(args))
            line += shell_quoted(word) + " ";
        return line + "2>&1";
    }
    // systemctl --user as the member, its output without the last line break.
    std::string systemctl(std::vector<std::string> args) const {
        args.insert(args.begin(), {"systemctl", "--user"});
        std::string out = run_command(member_command(args, false)).output;
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    void press(e2e::Point p) { m_desktop->click(m_setup, p.x, p.y); }
    void type_into(e2e::Point field, const std::string& text) {
        press(field);
        m_desktop->key("ctrl+a");
        m_desktop->type(text);
    }

    UnpackedPackage m_unpacked;
    e2e::TempFolder m_home;
    e2e::TempFolder m_runtime;
    std::optional<MemberUserManager> m_manager;
    e2e::ChildProcess m_run;
    e2e::XWindow m_setup = 0;
};

TEST_F(FirstStartTest, one_address_in_the_set_up_window_leads_to_a_kept_login_and_a_daily_sign_in) {
    start_services();
    const std::string forum = services().host(services().forum_port());
    // The authority as a member would keep it: a file in their home.
    const std::string authority = home() + "/local-ca.pem";
    fs::copy_file(services().ca_file(), authority);
    ASSERT_EQ(::chown(authority.c_str(), kMemberId, kMemberId), 0);

    const std::string log = folder() + "/member.log";
    m_run = e2e::ChildProcess(program_as_member({}, m_desktop->display()), {}, log, "/");
    auto setup = m_desktop->wait_window(kSetupTitle, 40s);
    ASSERT_TRUE(setup) << "no set-up window; program output:\n" << e2e::read_file(log);
    m_setup = *setup;
    EXPECT_FALSE(m_desktop->wait_window("配置错误", 1s));
    std::this_thread::sleep_for(800ms);  // let the window manager place and focus it
    m_desktop->xdotool("windowactivate --sync " + std::to_string(m_setup));

    press(kMoreButton);
    type_into(kAuthorityField, authority);
    type_into(kForumField, forum);
    press(kTestButton);
    std::string report;
    ASSERT_TRUE(e2e::wait_until(
        [&] {
            report = m_desktop->copy_text_at(m_setup, kResultBox.x, kResultBox.y);
            return report.find("全部可以连接") != std::string::npos;
        },
        60s))
        << report;
    EXPECT_THAT(report, HasSubstr("forum, api  " + forum + "：可以连接"));

    press(kDailyButton);
    m_desktop->screenshot("setup-window.png");
    press(kSaveButton);
    // The main window follows at once; a message box in between says the
    // daily sign-in was not installed.
    m_desktop->wait_window("(" + std::string(e2e::kMainTitle) + "|" + e2e::kMessageTitle + ")", 40s);
    ASSERT_FALSE(m_desktop->wait_window(e2e::kMessageTitle, 0s)) << message_text();
    auto main = m_desktop->wait_window(e2e::kMainTitle, 0s);
    ASSERT_TRUE(main) << "no main window after saving; program output:\n" << e2e::read_file(log);
    m_main = *main;
    EXPECT_TRUE(m_desktop->wait_window_gone(kSetupTitle));
    const std::string settings = e2e::read_file(home() + "/.config/quilbex/Config.ini");
    EXPECT_THAT(settings, HasSubstr("forum=" + forum + "\n"));
    EXPECT_THAT(settings, HasSubstr("ca_file=" + authority + "\n"));
    EXPECT_THAT(settings, HasSubstr("; Quilbex")) << "the template's comments stay";

    // The login: the forum's own login page hands over to the account site.
    std::this_thread::sleep_for(800ms);
    click(e2e::kLoginButton);
    auto login = m_desktop->wait_window(e2e::kLoginTitle, 40s);
    ASSERT_TRUE(login);
    ASSERT_TRUE(e2e::wait_until([&] { return requests("account").size() >= 1; }, 40s))
        << "never reached the account site";
    std::this_thread::sleep_for(1s);  // the page lays out its form
    m_desktop->xdotool("windowactivate --sync " + std::to_string(*login));
    m_desktop->click(*login, 76, 107);
    m_desktop->paste("张三");
    m_desktop->click(*login, 244, 107);
    m_desktop->type("secret");
    m_desktop->key("Return");
    ASSERT_TRUE(dismiss_message(40s)) << "no greeting";

    const std::string cookie_file = home() + "/.config/quilbex/Cookie.ini";
    EXPECT_THAT(e2e::read_file(cookie_file), HasSubstr("BBS_UNAME=%E5%BC%A0%E4%B8%89")) << "kept without 保存";
    std::vector<std::string> lines = status_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "登录已保存到 " + cookie_file);
    // No quote service is set: the button says so and asks nothing.
    click(e2e::kQuoteButton);
    EXPECT_THAT(message_text(), HasSubstr("没有设置每日一句服务"));
    EXPECT_TRUE(dismiss_message());
    EXPECT_TRUE(requests("quote").empty());
    m_run.stop();

    CommandResult run = run_command(member_command({"--sign-in"}));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("签到成功"));
    EXPECT_THAT(run.output, HasSubstr("金币 x1"));
    bool drawn_on_forum = false, fixed_message = false;
    for (const sim::LogEntry& entry : requests("forum")) {
        drawn_on_forum |= entry.request.path() == "/api/mobile/index.php";
        fixed_message |= sim::percent_decode(entry.request.body).find("每天签到，天天开心") != std::string::npos;
    }
    EXPECT_TRUE(drawn_on_forum) << "the draw goes to the forum's own address";
    EXPECT_TRUE(fixed_message) << "no message set and no quote service: the fixed text";

    // The member's timer is enabled in their manager, and its service runs
    // this program's daily sign-in: started now, it signs in once more.
    std::vector<std::string> timers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(home() + "/.config/systemd/user", error))
        if (entry.path().extension() == ".timer")
            timers.push_back(entry.path().filename().string());
    ASSERT_EQ(timers.size(), 1u) << "no daily timer in the member's unit folder";
    EXPECT_EQ(systemctl({"is-enabled", timers[0]}), "enabled");
    EXPECT_EQ(systemctl({"is-active", timers[0]}), "active");
    const std::string service = timers[0].substr(0, timers[0].size() - 6) + ".service";
    EXPECT_THAT(e2e::read_file(home() + "/.config/systemd/user/" + service),
                HasSubstr("ExecStart=\"" + m_unpacked.path("/usr/lib/quilbex/quilbex") + "\" --sign-in --quiet\n"));
    const std::size_t forum_requests = requests("forum").size();
    EXPECT_EQ(systemctl({"start", service}), "");
    EXPECT_EQ(systemctl({"show", "--property=Result", "--value", service}), "success");
    EXPECT_EQ(systemctl({"show", "--property=ExecMainStatus", "--value", service}), "0");
    EXPECT_GT(requests("forum").size(), forum_requests) << "the timer's run never reached the forum";
}

}  // namespace
}  // namespace quilbex::packaging
