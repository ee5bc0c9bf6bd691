// quilbex-cli alone, on a machine where the GTK and WebKitGTK libraries
// cannot be loaded: the package unpacked into a folder of its own and run by
// a member who is not root, in a mount namespace in which every file of those
// libraries reads as empty, no systemd runs and the crontab spool is the
// namespace's own. The command line takes the login in from standard input,
// signs in, tells the member through an alert channel, schedules the daily run
// with cron, and a window mode says which package provides the window.

#include "sim/PushService.h"
#include "sim/Simulator.h"
#include "tests/packaging/PackageFiles.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace quilbex::packaging {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kPushKey = "SCT-cli-test";

// The libraries a window would load, hidden by an empty file bound over each.
constexpr const char* kHideDesktop =
    "for f in /usr/lib/x86_64-linux-gnu/libgtk-3.so.* /usr/lib/x86_64-linux-gnu/libgdk-3.so.* "
    "/usr/lib/x86_64-linux-gnu/libwebkit2gtk-4.1.so.* /usr/lib/x86_64-linux-gnu/libjavascriptcoregtk-4.1.so.*; do "
    "[ -L \"$f\" ] || [ ! -e \"$f\" ] || mount --bind /dev/null \"$f\" || exit 1; done";

// A shell in its own mount namespace, set up as above, that stays until the
// test ends; commands enter it with nsenter.
class ServerWithoutDesktop {
public:
    ServerWithoutDesktop() {
        const std::string script =
            "mount -t tmpfs tmpfs /run && { [ ! -d /var/spool/cron ] || mount -t tmpfs tmpfs /var/spool/cron; } && "
            "mkdir -p -m 1730 /var/spool/cron/crontabs && chgrp crontab /var/spool/cron/crontabs && " +
            std::string(kHideDesktop) + " && : > /run/ready && exec sleep 3600";
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("unshare", "unshare", "--mount", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
             m_pid > 0 && std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
            int status = 0;
            if (fs::exists(root() + "/run/ready") || ::waitpid(m_pid, &status, WNOHANG) != 0)
                break;
        }
        m_ready = fs::exists(root() + "/run/ready");
    }
    ~ServerWithoutDesktop() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    bool ready() const { return m_ready; }
    std::string root() const { return "/proc/" + std::to_string(m_pid) + "/root"; }
    // A shell command line that runs `words` in the namespace as the member.
    std::string as_member(const std::string& home, const std::vector<std::string>& words) const {
        std::string line = "nsenter -t " + std::to_string(m_pid) +
                           " -m -- env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=" + shell_quoted(home) +
                           " setpriv --reuid=65534 --regid=65534 --clear-groups --";
        for (const auto& word : words)
            line += " " + shell_quoted(word);
        return line;
    }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

TEST(CommandLinePackage, signs_in_alerts_and_schedules_with_cron_where_no_desktop_library_loads) {
    UnpackedPackage unpacked({"quilbex-cli"});
    ASSERT_TRUE(unpacked.ok()) << "no quilbex-cli package in " QUILBEX_PACKAGE_DIR;
    ServerWithoutDesktop server;
    if (!server.ready())
        GTEST_SKIP() << "no private mount namespace here (unshare --mount needs CAP_SYS_ADMIN)";
    // The libraries are there on this machine, and empty in the namespace.
    ASSERT_TRUE(fs::exists("/usr/lib/x86_64-linux-gnu/libgtk-3.so.0"));
    for (const char* library : {"libgtk-3.so.0", "libwebkit2gtk-4.1.so.0"}) {
        CommandResult size = run_command(
            server.as_member("/", {"stat", "-L", "-c", "%s", std::string("/usr/lib/x86_64-linux-gnu/") + library}));
        EXPECT_EQ(size.output, "0\n") << library;
    }

    std::string error;
    auto sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
    ASSERT_TRUE(sim) << error;
    auto push = sim::PushService::start(QUILBEX_SIM_CERT_DIR, kPushKey, &error);
    ASSERT_TRUE(push) << error;

    // The member's home with the settings; the login comes in below as a
    // browser's "Cookie:" line on standard input.
    e2e::TempFolder home_folder;
    const std::string home = home_folder.path();
    fs::create_directories(home + "/.config/quilbex");
    e2e::write_file(home + "/.config/quilbex/Config.ini",
                    "[HOSTS]\r\nforum=" + sim->host(sim->forum_port()) + "\r\napi=" + sim->host(sim->api_port()) +
                        "\r\nquote=" + sim->host(sim->quote_port()) + "\r\naccount=" + sim->host(sim->account_port()) +
                        "\r\n[TLS]\r\nca_file=" + sim->ca_file() + "\r\n[NOTIFY]\r\nwebhook=https://127.0.0.1:" +
                        std::to_string(push->port()) + "/" + kPushKey + ".send?title={title}&desp={text}\r\n");
    ASSERT_EQ(run_command("chown -R 65534:65534 " + shell_quoted(home) + " && chmod 0700 " + shell_quoted(home)).status,
              0);
    const std::string program = unpacked.path("/usr/lib/quilbex/quilbex");
    auto quilbex = [&](std::vector<std::string> args) {
        args.insert(args.begin(), program);
        return run_command(server.as_member(home, args));
    };

    const std::string cookie_file = home + "/.config/quilbex/Cookie.ini";
    CommandResult imported = run_command(
        "printf '%s\\n' " + shell_quoted("Cookie: BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001") +
        " | " + server.as_member(home, {program, "--import-cookie", "-"}));
    ASSERT_EQ(imported.status, 0) << imported.output;
    EXPECT_THAT(e2e::read_file(cookie_file), HasSubstr("BBS_UNAME=%E5%BC%A0%E4%B8%89"));
    EXPECT_EQ(fs::status(cookie_file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Settings without the forum's address: no daily run is installed, and nothing is left behind.
    const std::string settings = e2e::read_file(home + "/.config/quilbex/Config.ini");
    e2e::write_file(home + "/.config/quilbex/Config.ini", "[DAILY]\r\nmessage=x\r\n");
    CommandResult no_forum = quilbex({"--install-daily", "--force"});
    EXPECT_EQ(no_forum.status, 1) << no_forum.output;
    EXPECT_THAT(no_forum.output, HasSubstr("没有填写论坛的地址"));
    EXPECT_FALSE(fs::exists(home + "/.config/systemd"));
    e2e::write_file(home + "/.config/quilbex/Config.ini", settings);

    CommandResult signed_in = quilbex({"--sign-in", "--message", "server"});
    EXPECT_EQ(signed_in.status, 0) << signed_in.output;
    bool posted = false;
    for (const auto& entry : sim->state().log.entries())
        posted = posted || entry.service == "forum";
    EXPECT_TRUE(posted) << "the forum got no request";
    EXPECT_THAT(e2e::read_file(home + "/.local/state/quilbex/History.log"), HasSubstr("\tsign-in\t"));

    sim->state().scenario.set("sign", "not_logged_in");
    CommandResult lost = quilbex({"--sign-in", "--message", "server", "--quiet"});
    EXPECT_EQ(lost.status, 2) << lost.output;
    ASSERT_EQ(push->messages().size(), 1u) << lost.output;
    EXPECT_EQ(push->messages()[0].title, "Quilbex 签到：未登录");

    // No systemd here and no cron daemon either: refused, then added with --force.
    CommandResult refused = quilbex({"--install-daily", "07:00"});
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_THAT(refused.output, HasSubstr("cron"));
    CommandResult installed = quilbex({"--install-daily", "07:00", "--force"});
    EXPECT_EQ(installed.status, 0) << installed.output;
    CommandResult table = run_command(server.as_member(home, {"crontab", "-l"}));
    EXPECT_THAT(table.output, HasSubstr("0 7 * * * "));
    EXPECT_THAT(table.output, HasSubstr("[ -x " + shell_quoted(program) + " ] && " + shell_quoted(program)));
    EXPECT_THAT(quilbex({"--status"}).output, HasSubstr("安排：crontab"));
    EXPECT_EQ(quilbex({"--uninstall-daily"}).status, 0);

    // A window mode names the package that provides the window.
    CommandResult window = run_command(server.as_member(home, {"env", "DISPLAY=:0", program}));
    EXPECT_EQ(window.status, 1) << window.output;
    EXPECT_THAT(window.output, HasSubstr("窗口由软件包 quilbex 提供"));
}

}  // namespace
}  // namespace quilbex::packaging
