// The lottery worker against the local mobile API: the draw request, the
// stop phrases, the ten-draw limit and the worker's own cookie copy.

#include "FlowFixture.h"
#include "WindowRecorder.h"
#include "app/flows/Lottery.h"
#include "app/flows/SignIn.h"
#include "sim/HttpServer.h"

#include <atomic>
#include <memory>
#include <thread>

namespace quilbex::app::testing {
namespace {

class Lottery : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        // The series runs with a short pause; the API's rule against draws
        // closer than its gap is switched off for it.
        set_draw_pause(5);
        sim->state().scenario.set("draw_gap_ms", "0");
    }
    void TearDown() override {
        set_draw_pause(kDrawPauseMs);
        FlowTest::TearDown();
    }
    std::size_t draws() {
        std::size_t n = 0;
        for (const auto& entry : log())
            n += entry.service == "api";
        return n;
    }
    WindowRecorder window;
};

TEST_F(Lottery, a_draw_is_a_post_with_an_empty_body_the_mobile_agent_and_the_cookie) {
    EXPECT_EQ(str(draw_lottery(kMemberCookie)), gbk("恭喜您抽中 金币 x1"));
    std::string target = std::string(kDrawPath) + kDrawSignature;
    std::string api = sim->host(sim->api_port());
    sim::Request r = log().back().request;
    EXPECT_EQ(r.head, "POST " + target + " HTTP/1.1\r\nHost: " + api + "\r\nUser-Agent: " + kMobileAgent +
                          "\r\nAccept: */*\r\nReferer: https://" + api + target +
                          "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
                          "Cookie: " + kMemberCookie + "\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(lottery_method.load(), 1);
}

TEST_F(Lottery, the_series_stops_after_the_draws_are_used_up_and_shows_each_reply_in_chinese) {
    // Wins come with "\u" escapes, the used-up reply in raw UTF-8.
    sim->state().scenario.set("draws", "2");
    run_lottery();
    auto lines = window.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], gbk("恭喜您抽中 金币 x1\r\n"));
    EXPECT_EQ(lines[2], gbk("今日抽奖次数已用完，明天再来吧\r\n"));
    EXPECT_EQ(draws(), 3u);
}

TEST_F(Lottery, a_pause_shorter_than_the_apis_gap_ends_the_series_at_too_fast) {
    sim->state().scenario.set("draw_gap_ms", "4500");
    run_lottery();
    auto lines = window.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], gbk("恭喜您抽中 金币 x1\r\n"));
    EXPECT_EQ(lines[1], gbk("您抽奖太快了，请稍后再试\r\n"));
    EXPECT_EQ(draws(), 2u);
}

TEST_F(Lottery, too_fast_ends_the_series_after_one_line_without_a_retry) {
    sim->state().scenario.set("too_fast", "1");
    sim->state().scenario.set("raw_msg", "0");
    run_lottery();
    ASSERT_EQ(window.lines().size(), 1u);
    EXPECT_NE(window.lines()[0].find(gbk("太快")), std::string::npos);
    EXPECT_EQ(draws(), 1u);
}

TEST_F(Lottery, without_a_stop_phrase_it_draws_ten_times_and_shows_not_logged_in_for_guest_replies) {
    set_forum_cookie("UM_distinctid=stranger");
    run_lottery();
    auto lines = window.lines();
    ASSERT_EQ(lines.size(), 10u);
    for (const auto& line : lines)
        EXPECT_EQ(line, gbk("未登录\r\n"));
    EXPECT_EQ(draws(), 10u);
}

TEST_F(Lottery, a_closed_window_gets_no_lines_but_the_series_goes_on) {
    sim->state().scenario.set("draws", "1");
    window.display_open = false;
    run_lottery();
    EXPECT_TRUE(window.lines().empty());
    EXPECT_EQ(draws(), 2u);
}

TEST_F(Lottery, a_running_series_keeps_the_cookie_it_started_with) {
    sim->state().scenario.set("draws", "5");
    set_draw_pause(150);
    std::thread worker(run_lottery);
    // The cookie box changes once the series has begun.
    for (int i = 0; i < 500 && draws() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    set_forum_cookie("UM_distinctid=someone-else");
    worker.join();
    for (const auto& entry : log())
        EXPECT_EQ(entry.request.header("Cookie").value_or(""), kMemberCookie);
    EXPECT_EQ(window.lines().size(), 6u);
}

// Messages holding what percent escapes or "\\u" escapes would turn into JSON
// syntax, each ending in the used-up phrase: shown as JSON means them, and
// the series still stops after the first draw.
TEST_F(Lottery, messages_with_quotes_backslashes_and_escapes_are_shown_as_json_means_them) {
    const std::string used_up = "\\u62bd\\u5956\\u6b21\\u6570\\u5df2\\u7528\\u5b8c";  // 抽奖次数已用完
    const std::pair<std::string, std::string> cases[] = {
        {"%22x%22 ", "\"x\" "},     {"a%5Cb ", "a\\b "},         {"C:\\\\users ", "C:\\users "},
        {"\\\\u62bd ", "\\u62bd "}, {"1\\u000a2 ", "1\n2 "},     {"\\u0022y\\u0022 ", "\"y\" "},
        {"\\\"z\\\" ", "\"z\" "},   {"%u606D\\u559c ", "恭喜 "},
    };
    for (const auto& [json, shown] : cases) {
        sim->state().scenario.set("draw_reply", "{\"ret\":-1,\"msg\":\"" + json + used_up + "\"}");
        std::size_t lines = window.lines().size(), before = draws();
        run_lottery();
        ASSERT_EQ(window.lines().size(), lines + 1) << json;
        EXPECT_EQ(window.lines().back(), gbk(shown + "抽奖次数已用完\r\n")) << json;
        EXPECT_EQ(draws(), before + 1) << json;
    }
}

// Replies the local API does not make, from a TLS server of the test's own.
class DrawReplies : public Lottery {
protected:
    std::unique_ptr<sim::HttpServer> serve(const std::string& body) {
        auto server = sim::HttpServer::start(0,
                                             sim::TlsFiles{std::string(QUILBEX_SIM_CERT_DIR) + "/server.pem",
                                                           std::string(QUILBEX_SIM_CERT_DIR) + "/server.key"},
                                             [this, body](const sim::Request&) {
                                                 ++served;
                                                 return sim::Response::text(200, "OK", "application/json", body);
                                             });
        NetConfig config = net_config();
        config.hosts.api = "127.0.0.1:" + std::to_string(server->port());
        install_net_config(config);
        return server;
    }
    std::string reply_to_draw(const std::string& body) {
        auto server = serve(body);
        return str(draw_lottery(kMemberCookie));
    }
    std::atomic<int> served{0};
};

TEST_F(DrawReplies, only_the_presence_of_ret_decides_and_escapes_become_characters) {
    EXPECT_EQ(reply_to_draw("{\"ret\":0,\"msg\":\"\"}"), "");
    EXPECT_EQ(reply_to_draw("{\"ret\":\"\",\"msg\":\"x\"}"), gbk("未登录"));
    EXPECT_EQ(reply_to_draw("<html>busy</html>"), gbk("未登录"));
    EXPECT_EQ(reply_to_draw("{\"ret\":-1,\"msg\":\"it's \\u62bd\\u5956\"}"), gbk("it's 抽奖"));
}

TEST_F(DrawReplies, reply_text_never_becomes_script_and_json_escapes_are_read_as_json) {
    // Text that would close a script string and return a message of its own.
    EXPECT_EQ(reply_to_draw("\x81';return '{\"ret\":0,\"msg\":\"faked\"}'}//"), gbk("未登录"));
    EXPECT_EQ(reply_to_draw("{\"ret\":0,\"msg\":\"a\\\"b\\\\c\\/d\\ne\"}"), "a\"b\\c/d\ne");
    // Raw UTF-8 with an odd number of high bytes before an apostrophe.
    std::string odd = reply_to_draw("{\"ret\":0,\"msg\":\"\xe6\x8a\xbd'\\u5956\"}");
    EXPECT_TRUE(odd.ends_with("'" + gbk("奖"))) << odd;
}

// Replies that are no JSON as they stand are read with every escape turned
// into a character first; their stop phrases end the series.
TEST_F(DrawReplies, replies_with_a_malformed_escape_or_percent_escaped_as_a_whole_still_stop_the_series) {
    const std::string used_up = "\\u62bd\\u5956\\u6b21\\u6570\\u5df2\\u7528\\u5b8c";
    for (const std::string& reply :
         {"{\"ret\":0,\"msg\":\"" + used_up + " \\u00zz\"}",
          std::string("%7B%22ret%22%3A0%2C%22msg%22%3A%22%u62BD%u5956%u6B21%u6570%u5DF2%u7528%u5B8C%22%7D")}) {
        served = 0;
        auto server = serve(reply);
        run_lottery();
        EXPECT_EQ(served.load(), 1) << reply;
    }
    EXPECT_EQ(str(read_draw_reply("{\"msg\":\"%22ret%22\"}")), gbk("未登录"));
}

// A reply cut short after its head: the window shows what the flow makes of
// it, and the sinks that record the run learn that it got no whole answer.
TEST_F(DrawReplies, a_reply_cut_short_is_reported_as_unanswered) {
    auto server = sim::HttpServer::start(0,
                                         sim::TlsFiles{std::string(QUILBEX_SIM_CERT_DIR) + "/server.pem",
                                                       std::string(QUILBEX_SIM_CERT_DIR) + "/server.key"},
                                         [](const sim::Request&) {
                                             auto r = sim::Response::text(200, "OK", "application/json",
                                                                          "{\"ret\":0,\"msg\":\"\\u606d");
                                             r.headers.emplace_back("Content-Length", "200");
                                             r.headers.emplace_back("Connection", "close");
                                             return r;
                                         });
    NetConfig config = net_config();
    config.hosts.api = "127.0.0.1:" + std::to_string(server->port());
    install_net_config(config);
    struct Recorder : StatusSink {
        void report(FlowStep, int draw, const char* status) override {
            lines.push_back(std::to_string(draw) + " " + status);
        }
        void report_unanswered(FlowStep, int draw, const char* status) override {
            lines.push_back(std::to_string(draw) + " unanswered " + status);
        }
        std::vector<std::string> lines;
    } recorder;
    run_lottery_series(recorder);
    ASSERT_EQ(recorder.lines.size(), static_cast<std::size_t>(kDrawLimit));
    EXPECT_EQ(recorder.lines[0], "1 unanswered " + gbk("未登录"));
    // The window's own sink shows the flow's text.
    run_lottery();
    EXPECT_EQ(window.lines().front(), gbk("未登录\r\n"));
}

TEST_F(DrawReplies, a_stop_phrase_inside_an_escaped_message_stops_the_series) {
    auto server = serve("{\"ret\":0,\"msg\":\"\\\"\\u62bd\\u5956\\u6b21\\u6570\\u5df2\\u7528\\u5b8c\\\"\"}");
    run_lottery();
    ASSERT_EQ(window.lines().size(), 1u);
    EXPECT_EQ(window.lines()[0], gbk("\"抽奖次数已用完\"\r\n"));
    EXPECT_EQ(served.load(), 1);
}

}  // namespace
}  // namespace quilbex::app::testing
