// "quilbex --sign-in" as a member's timer runs it: against the local
// services over HTTPS, with the real five-second pause between draws.

#include "DailyFixture.h"
#include "app/member/RunLock.h"

#include <gmock/gmock.h>
#include <thread>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// History.log without its time stamps, fields joined by " | ".
std::vector<std::string> history_steps(const std::string& log) {
    std::vector<std::string> steps;
    for (auto line : lines_of(log)) {
        line = line.substr(line.find('\t') + 1);
        for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t'))
            line.replace(tab, 1, " | ");
        steps.push_back(line);
    }
    return steps;
}

TEST_F(DailyRun, signs_in_with_the_quote_draws_until_used_up_and_records_every_step) {
    sim->state().scenario.set("quote", "今天也要加油");
    RunResult run = sign_in();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(lines_of(run.out),
              (std::vector<std::string>{"每日一句：今天也要加油", "签到：签到成功", "抽奖 1：恭喜您抽中 金币 x1",
                                        "抽奖 2：恭喜您抽中 金币 x2", "抽奖 3：恭喜您抽中 金币 x3",
                                        "抽奖 4：今日抽奖次数已用完，明天再来吧"}));
    // Output to a file carries no progress note.
    EXPECT_THAT(run.out, Not(HasSubstr("\r")));

    auto forum = requests("forum");
    ASSERT_EQ(forum.size(), 2u);
    EXPECT_EQ(forum[1].request.body,
              "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=%E4%BB%8A%E5%A4%A9%E4%B9%9F%E8%A6%81%E5%8A%A0%E6%B2%B9");
    auto draws = requests("api");
    ASSERT_EQ(draws.size(), 4u);
    for (std::size_t i = 1; i < draws.size(); ++i)
        EXPECT_GE(draws[i].received_us - draws[i - 1].received_us, 4'500'000) << "draw " << i + 1 << " came early";

    std::string log = read_file(folder.file("History.log"));
    EXPECT_EQ(history_steps(log),
              (std::vector<std::string>{"command-line | quote | 今天也要加油", "command-line | sign-in | 签到成功",
                                        "command-line | draw 1 | 恭喜您抽中 金币 x1",
                                        "command-line | draw 2 | 恭喜您抽中 金币 x2",
                                        "command-line | draw 3 | 恭喜您抽中 金币 x3",
                                        "command-line | draw 4 | 今日抽奖次数已用完，明天再来吧"}));

    RunResult table = folder.run({"--history", "1"});
    ASSERT_EQ(table.status, 0) << table.err;
    auto rows = lines_of(table.out);
    ASSERT_EQ(rows.size(), 2u) << table.out;
    EXPECT_THAT(rows[1], HasSubstr("| 签到成功 | 恭喜您抽中 金币 x1；恭喜您抽中 金币 x2；恭喜您抽中 金币 x3；"
                                   "今日抽奖次数已用完，明天再来吧"));
}

TEST_F(DailyRun, message_comes_from_the_command_line_then_the_settings_then_a_fixed_text) {
    sim->state().scenario.set("draws", "0");
    write_config(sim->ca_file(), "[DAILY]\r\nmessage=\xCE\xD2\xC0\xB4\xC1\xCB\r\n");  // 我来了 (GBK)
    ASSERT_EQ(sign_in({"--message", "你好 a+b", "--quiet"}).status, 0);
    ASSERT_EQ(sign_in({"--quiet"}).status, 0);
    write_config(sim->ca_file());
    sim->state().scenario.set("quote_mode", "not_json");
    RunResult fixed = sign_in();
    EXPECT_EQ(fixed.status, 0);
    EXPECT_THAT(fixed.err, HasSubstr("固定的签到文本"));

    auto forum = requests("forum");
    ASSERT_EQ(forum.size(), 6u);
    auto todaysay = [](const sim::LogEntry& entry) {
        return entry.request.body.substr(entry.request.body.find("todaysay="));
    };
    EXPECT_EQ(todaysay(forum[1]), "todaysay=%E4%BD%A0%E5%A5%BD%20a%2Bb");
    EXPECT_EQ(todaysay(forum[3]), "todaysay=%E6%88%91%E6%9D%A5%E4%BA%86");
    EXPECT_EQ(todaysay(forum[5]),
              "todaysay=%E6%AF%8F%E5%A4%A9%E7%AD%BE%E5%88%B0%EF%BC%8C%E5%A4%A9%E5%A4%A9%E5%BC%80%E5%BF%83");
    // --quiet prints nothing on success; the quote was asked for only once.
    EXPECT_EQ(requests("quote").size(), 1u);
}

TEST_F(DailyRun, exit_status_tells_not_logged_in_refused_and_no_answer_apart) {
    // The forum says the login is gone: no draws follow.
    sim->state().scenario.set("sign", "not_logged_in");
    RunResult gone = sign_in({"--message", "x"});
    EXPECT_EQ(gone.status, 2) << gone.out << gone.err;
    EXPECT_THAT(gone.err, HasSubstr("请打开程序重新登录"));
    EXPECT_TRUE(requests("api").empty());

    // Refused: the login works, so the draws still run.
    sim->state().scenario.set("sign", "retry");
    sim->state().scenario.set("draws", "0");
    RunResult refused = sign_in({"--message", "x", "--quiet"});
    EXPECT_EQ(refused.status, 4) << refused.out << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(requests("api").size(), 1u);

    // A certificate that nobody vouches for gets no answer, and the services see nothing.
    sim->state().log.clear();
    write_config("");
    RunResult untrusted = sign_in({"--message", "x", "--retry", "0"});
    EXPECT_EQ(untrusted.status, 3) << untrusted.out << untrusted.err;
    EXPECT_TRUE(requests("forum").empty());

    // Hosts named, but not the forum: refused before anything is sent.
    write_file(folder.file("Config.ini"), "[HOSTS]\r\napi=127.0.0.1:1\r\nquote=127.0.0.1:1\r\n");
    RunResult partial = sign_in({"--message", "x"});
    EXPECT_EQ(partial.status, 1);
    EXPECT_THAT(partial.err, HasSubstr("缺少：forum"));

    // Nothing listening at all.
    write_file(folder.file("Config.ini"),
               "[HOSTS]\r\nforum=127.0.0.1:1\r\napi=127.0.0.1:1\r\nquote=127.0.0.1:1\r\naccount=127.0.0.1:1\r\n");
    EXPECT_EQ(sign_in({"--message", "x", "--retry", "0"}).status, 3);
}

TEST_F(DailyRun, without_a_saved_cookie_it_sends_nothing_says_log_in_and_records_the_run) {
    save_cookie("");
    RunResult run = sign_in({"--message", "x"});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("还没有保存 Cookie，请打开程序登录并保存"));
    EXPECT_THAT(run.err, Not(HasSubstr("登录已失效")));
    EXPECT_THAT(read_file(folder.file("History.log")), HasSubstr("\tcommand-line\tsign-in\t还没有保存 Cookie\n"));
    EXPECT_TRUE(sim->state().log.entries().empty());
}

TEST_F(DailyRun, a_second_run_waits_for_the_first_and_nothing_is_signed_twice) {
    int first = folder.start({"--sign-in", "--message", "a"}, quiet_desktop());
    // The second starts while the first is drawing.
    auto started = std::chrono::steady_clock::now();
    while (requests("api").empty() && std::chrono::steady_clock::now() - started < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(requests("api").empty());
    int second = folder.start({"--sign-in", "--message", "b"}, quiet_desktop());
    RunResult one = folder.wait(first);
    RunResult two = folder.wait(second);
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_THAT(one.out, HasSubstr("签到：签到成功"));
    EXPECT_THAT(two.out, HasSubstr("签到：今日已经签到"));
    EXPECT_THAT(two.out, HasSubstr("抽奖 1：今日抽奖次数已用完"));

    // The second run's requests all come after the first run's last draw.
    auto log = sim->state().log.entries();
    ASSERT_EQ(log.size(), 2u + 4u + 2u + 1u);
    EXPECT_EQ(log[5].service, "api");
    EXPECT_EQ(log[6].service, "forum");
    EXPECT_THAT(log[7].request.body, HasSubstr("todaysay=b"));
}

TEST_F(DailyRun, a_run_still_busy_after_the_wait_ends_with_status_1_and_sends_nothing) {
    auto held = lock_member(std::chrono::milliseconds(0));
    ASSERT_TRUE(held);
    RunResult run = sign_in({"--message", "x", "--wait", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("另一次签到仍在进行"));
    EXPECT_TRUE(sim->state().log.entries().empty());
}

TEST_F(DailyRun, usage_errors_end_with_status_1_and_help_lists_the_statuses) {
    EXPECT_EQ(folder.run({"--sign-in", "--bogus"}).status, 1);
    EXPECT_EQ(folder.run({"--history", "zero"}).status, 1);
    EXPECT_EQ(folder.run({"--install-daily", "25:00"}).status, 1);
    EXPECT_EQ(folder.run({"--frobnicate"}).status, 1);
    RunResult help = folder.run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* status : {"0  ", "1  ", "2  ", "3  ", "4  "})
        EXPECT_THAT(help.out, HasSubstr(status));
    EXPECT_TRUE(sim->state().log.entries().empty());
}

TEST_F(DailyRun, a_history_file_that_cannot_be_written_is_reported_once_and_the_run_goes_on) {
    std::filesystem::create_directory(folder.file("History.log"));
    sim->state().scenario.set("draws", "1");
    RunResult run = sign_in({"--message", "x"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(requests("api").size(), 2u);
    auto first = run.err.find("History.log");
    ASSERT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("History.log", first + 1), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quilbex::daily_testing
