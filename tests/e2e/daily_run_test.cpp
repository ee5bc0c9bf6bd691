// The unattended run beside the window: it sends byte for byte the requests
// of a click on "抽奖/签到", and both land in the same history file.

#include "tests/e2e/ToolFixture.h"

#include <gmock/gmock.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ToolTest, CommandLineRunSendsTheRequestsOfAClickAndBothAreRecorded) {
    const std::string message = "今天也要加油 a+b";
    start_services(false, {"quote=" + message});
    install_program();
    start_program();
    const std::string cookie = "UM_distinctid=sim-member-0001; BBS_UNAME=%E5%BC%A0%E4%B8%89";
    ASSERT_TRUE(enter_text(kCookieBox, cookie));
    click(kQuoteButton);
    ASSERT_TRUE(
        wait_until([&] { return m_desktop->copy_text_at(m_main, kMessageBox.x, kMessageBox.y) == message; }, 20s));
    click(kSignButton);
    std::vector<std::string> lines;
    ASSERT_TRUE(wait_until([&] { return (lines = status_lines()).size() >= 5; }, 60s))
        << ::testing::PrintToString(lines) << program_output();
    auto clicked = services().state().log.entries();
    // The quote is the window's own request; the run is given its text.
    std::erase_if(clicked, [](const sim::LogEntry& entry) { return entry.service == "quote"; });
    stop_program();

    // The same member on a fresh day of the services, from the command line.
    // (as the services' reset does: the scenario, the sessions and each
    // member's last draw, so that the run's first draw is not "too fast").
    services().state().log.clear();
    services().state().scenario.reset();
    services().state().reset_sessions();
    write_file(folder() + "/Cookie.ini", "[COOKIE]\r\ncookie=" + cookie + "\r\n");
    ChildProcess run({folder() + "/quilbex", "--sign-in", "--message", message},
                     {"DBUS_SESSION_BUS_ADDRESS=", "XDG_RUNTIME_DIR=" + folder()}, folder() + "/run.log", folder());
    ASSERT_TRUE(wait_until([&] { return !run.running(); }, 90s)) << read_file(folder() + "/run.log");
    auto unattended = services().state().log.entries();

    ASSERT_EQ(unattended.size(), clicked.size()) << read_file(folder() + "/run.log");
    ASSERT_EQ(clicked.size(), 2u + 4u);
    for (std::size_t i = 0; i < clicked.size(); ++i) {
        EXPECT_EQ(unattended[i].service, clicked[i].service) << "request " << i;
        EXPECT_EQ(unattended[i].request.head, clicked[i].request.head) << "request " << i;
        EXPECT_EQ(unattended[i].request.body, clicked[i].request.body) << "request " << i;
    }

    std::string history = read_file(folder() + "/History.log");
    auto rows = split_lines(history);
    ASSERT_EQ(rows.size(), 10u) << history;
    EXPECT_THAT(rows[0], ::testing::MatchesRegex(".*\twindow\tsign-in\t签到成功"));
    EXPECT_THAT(rows[4], ::testing::MatchesRegex(".*\twindow\tdraw 4\t今日抽奖次数已用完.*"));
    EXPECT_THAT(rows[5], ::testing::MatchesRegex(".*\tcommand-line\tsign-in\t签到成功"));
    EXPECT_THAT(rows[9], ::testing::MatchesRegex(".*\tcommand-line\tdraw 4\t今日抽奖次数已用完.*"));
}

TEST_F(ToolTest, AClickWhileAnUnattendedRunDrawsSaysSoAndSignsNothing) {
    start_services();
    install_program();
    const std::string cookie = "UM_distinctid=sim-member-0001";
    write_file(folder() + "/Cookie.ini", "[COOKIE]\r\ncookie=" + cookie + "\r\n");
    start_program();
    ChildProcess run({folder() + "/quilbex", "--sign-in", "--message", "x"},
                     {"DBUS_SESSION_BUS_ADDRESS=", "XDG_RUNTIME_DIR=" + folder()}, folder() + "/run.log", folder());
    ASSERT_TRUE(wait_until([&] { return !requests("api").empty(); }, 30s)) << read_file(folder() + "/run.log");
    click(kSignButton);
    std::vector<std::string> lines;
    ASSERT_TRUE(wait_until([&] { return !(lines = status_lines()).empty(); }, 10s));
    EXPECT_EQ(lines[0], "另一次签到正在进行，请稍后再试");
    ASSERT_TRUE(wait_until([&] { return !run.running(); }, 60s));
    // Only the unattended run's two sign-in requests reached the forum.
    EXPECT_EQ(requests("forum").size(), 2u);
}

}  // namespace
}  // namespace quilbex::e2e
