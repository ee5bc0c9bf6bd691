// The unattended run where things go wrong around it: no network for a
// while, member files that are links or FIFOs, a closed output, replies that
// carry escape sequences or whole pages, a session bus that never answers.

#include "DailyFixture.h"
#include "app/member/RunLock.h"

#include <atomic>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kMark = "\xEF\xBF\xBD";

// "step | status" of each History.log line.
std::vector<std::string> history_of(const std::string& log) {
    std::vector<std::string> steps;
    std::string::size_type start = 0, end;
    while ((end = log.find('\n', start)) != std::string::npos) {
        std::string line = log.substr(start, end - start);
        start = end + 1;
        auto step = line.find('\t', line.find('\t') + 1) + 1;
        auto status = line.find('\t', step);
        steps.push_back(line.substr(step, status - step) + " | " + line.substr(status + 1));
    }
    return steps;
}

// No control character but the line ends (and the history's tabs).
bool printable(const std::string& text) {
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
            return false;
    }
    return true;
}

template <typename Condition> bool wait_until(Condition done, std::chrono::seconds ceiling = 60s) {
    auto deadline = std::chrono::steady_clock::now() + ceiling;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST_F(DailyRun, without_an_answer_it_tries_again_after_each_wait_and_holds_no_lock_meanwhile) {
    sim->state().scenario.set("unanswered", "4");  // two tries of two requests each
    sim->state().scenario.set("draws", "0");
    int pid = folder.start({"--sign-in", "--message", "x", "--retry", "3,1"}, quiet_desktop());
    ASSERT_TRUE(wait_until([&] { return requests("forum").size() >= 2; }));
    bool free_while_waiting = wait_until([&] { return lock_member(0ms) && requests("forum").size() == 2; }, 20s);
    RunResult run = folder.wait(pid);
    EXPECT_TRUE(free_while_waiting);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string no_answer = "网络无应答（" + sim->host(sim->forum_port()) + "：连接中断）";
    EXPECT_EQ(run.out, "签到：" + no_answer + "\n签到：" + no_answer +
                           "\n签到：签到成功\n抽奖 1：今日抽奖次数已用完，明天再来吧\n");
    EXPECT_THAT(run.err, HasSubstr("3 秒后再试"));
    EXPECT_THAT(run.err, HasSubstr("1 秒后再试"));
    EXPECT_EQ(history_of(read_file(folder.file("History.log"))),
              (std::vector<std::string>{"sign-in | " + no_answer, "sign-in | " + no_answer, "sign-in | 签到成功",
                                        "draw 1 | 今日抽奖次数已用完，明天再来吧"}));
    auto forum = requests("forum");
    ASSERT_EQ(forum.size(), 6u);
    EXPECT_GE(forum[2].received_us - forum[1].received_us, 3'000'000);
    EXPECT_GE(forum[4].received_us - forum[3].received_us, 1'000'000);
}

TEST_F(DailyRun, with_retry_0_one_try_says_no_answer_rather_than_not_logged_in) {
    sim->state().scenario.set("unanswered", "2");
    RunResult run = sign_in({"--message", "x", "--retry", "0"});
    EXPECT_EQ(run.status, 3) << run.err;
    const std::string no_answer = "网络无应答（" + sim->host(sim->forum_port()) + "：连接中断）";
    EXPECT_EQ(run.out, "签到：" + no_answer + "\n");
    EXPECT_THAT(run.err, Not(HasSubstr("再试。")));
    EXPECT_EQ(history_of(read_file(folder.file("History.log"))), std::vector<std::string>{"sign-in | " + no_answer});
    EXPECT_EQ(requests("forum").size(), 2u);

    for (const char* bad : {"", "0,1", "1,,1", "x"})
        EXPECT_EQ(sign_in({"--retry", bad}).status, 1) << bad;
    EXPECT_EQ(sign_in({"--message", ""}).status, 1);
    EXPECT_EQ(requests("forum").size(), 2u);
}

TEST_F(DailyRun, escape_sequences_and_pages_in_replies_reach_neither_terminal_nor_history) {
    sim->state().scenario.set("quote", "\x1b]0;pwned\x07今天\x1b[2J");
    sim->state().scenario.set("draws", "0");
    RunResult run = sign_in();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr(std::string("每日一句：") + kMark + "]0;pwned" + kMark + "今天" + kMark + "[2J\n"));
    EXPECT_TRUE(printable(run.out));

    // The plug-in's reply to a guest: a page inside XML, over two lines.
    sim->state().scenario.set("sign", "not_logged_in");
    RunResult guest = sign_in({"--message", "x"});
    EXPECT_EQ(guest.status, 2);
    EXPECT_EQ(guest.out, "签到：您需要先登录才能继续本操作\n");
    std::string log = read_file(folder.file("History.log"));
    EXPECT_TRUE(printable(log));
    EXPECT_EQ(history_of(log).back(), "sign-in | 您需要先登录才能继续本操作");
}

TEST_F(DailyRun, member_files_that_are_links_or_fifos_are_left_alone_and_the_run_goes_on) {
    sim->state().scenario.set("draws", "0");
    ASSERT_EQ(::mkfifo(folder.file("History.log").c_str(), 0600), 0);
    fs::create_symlink(folder.file("elsewhere"), folder.file("Daily.lock"));
    RunResult run = folder.wait(folder.start({"--sign-in", "--message", "x"}, quiet_desktop()), 60s);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("History.log：它不是普通文件"));
    EXPECT_THAT(run.err, HasSubstr("Daily.lock（它是符号链接），改为锁定它所在的文件夹"));
    EXPECT_EQ(run.err.find("History.log"), run.err.rfind("History.log")) << run.err;
    EXPECT_FALSE(fs::exists(folder.file("elsewhere")));

    fs::remove(folder.file("History.log"));
    write_file(folder.file("target.log"), "");
    fs::create_symlink(folder.file("target.log"), folder.file("History.log"));
    sim->state().scenario.set("sign", "success");
    EXPECT_EQ(sign_in({"--message", "x"}).status, 0);
    EXPECT_EQ(read_file(folder.file("target.log")), "");
}

TEST_F(DailyRun, a_closed_or_unread_output_loses_only_the_printing) {
    for (Output output : {Output::closed, Output::unread_pipe}) {
        sim->state().scenario.reset();
        sim->state().scenario.set("sign", "success");
        sim->state().scenario.set("draws", "1");
        sim->state().scenario.set("draw_gap_ms", "0");
        fs::remove(folder.file("History.log"));
        RunResult run = folder.wait(folder.start({"--sign-in", "--message", "x"}, quiet_desktop(), output));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(history_of(read_file(folder.file("History.log"))),
                  (std::vector<std::string>{"sign-in | 签到成功", "draw 1 | 恭喜您抽中 金币 x1",
                                            "draw 2 | 今日抽奖次数已用完，明天再来吧"}));
    }
}

TEST_F(DailyRun, history_streams_a_huge_file_and_refuses_a_link_to_an_endless_one) {
    // 256 MB of nothing (a sparse file), then a line of today.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string line = std::string("\n") + stamp + "\tcommand-line\tsign-in\t签到成功\n";
    int fd = ::open(folder.file("History.log").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, line.data(), line.size(), 256L << 20), static_cast<ssize_t>(line.size()));
    ::close(fd);
    RunResult table = folder.run({"--history", "1"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_THAT(table.out, HasSubstr("| 签到成功 | -\n"));
    EXPECT_LT(table.max_rss_kb, 64 * 1024);

    fs::remove(folder.file("History.log"));
    fs::create_symlink("/dev/zero", folder.file("History.log"));
    RunResult endless = folder.wait(folder.start({"--history"}), 60s);
    EXPECT_EQ(endless.status, 1);
    EXPECT_THAT(endless.err, HasSubstr("History.log：它是符号链接"));
}

// A session bus that takes connections and never says a word.
class SilentBus {
public:
    explicit SilentBus(const fs::path& socket_path) : m_path(socket_path) {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_path.c_str());
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 8) != 0)
            return;
        m_thread = std::thread([this] {
            int client;
            while ((client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
                m_clients.push_back(client);
                ++m_accepted;
            }
        });
    }
    ~SilentBus() {
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
        for (int client : m_clients)
            ::close(client);
    }
    std::string address() const { return "unix:path=" + m_path.string(); }
    int accepted() const { return m_accepted; }

private:
    fs::path m_path;
    int m_listener = -1;
    std::thread m_thread;
    std::vector<int> m_clients;
    std::atomic<int> m_accepted{0};
};

TEST_F(DailyRun, a_bus_that_never_answers_holds_the_run_a_few_seconds_and_never_the_lock) {
    SilentBus bus(folder.file("bus"));
    auto env = quiet_desktop();
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    sim->state().scenario.set("sign", "not_logged_in");
    auto started = std::chrono::steady_clock::now();
    int pid = folder.start({"--sign-in", "--message", "x"}, env);
    ASSERT_TRUE(wait_until([&] { return bus.accepted() > 0; }));
    EXPECT_TRUE(lock_member(0ms));
    RunResult run = folder.wait(pid, 60s);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
}

TEST_F(DailyRun, a_libcurl_without_the_trust_functions_says_so_in_one_line) {
    fs::path library = "/usr/lib/x86_64-linux-gnu/libcurl-gnutls.so.4";
    if (!fs::exists(library))
        GTEST_SKIP() << "libcurl3-gnutls is not installed";
    fs::create_directory(folder.file("lib"));
    fs::create_symlink(library, folder.file("lib") / "libcurl.so.4");
    auto env = quiet_desktop();
    env["LD_LIBRARY_PATH"] = folder.file("lib").string();
    RunResult run = folder.run({"--sign-in", "--message", "x", "--retry", "0"}, env);
    EXPECT_EQ(run.status, 3);
    auto first = run.err.find("缺少证书信任所需的函数 ");
    ASSERT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("缺少证书信任所需的函数", first + 1), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quilbex::daily_testing
