// The quote service, the account site's login with the forum's callback, and
// the control port.

#include "SimClient.h"

#include "sim/Services.h"

#include "platform/wininet/CookieStore.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace quilbex::sim::testing {
namespace {

using Quote = SimTest;
using Login = SimTest;
using Control = SimTest;

TEST_F(Quote, the_quote_is_at_data_title_unless_the_scenario_says_otherwise) {
    scenario("quote=%E4%BD%A0%E5%A5%BD%22x");
    EXPECT_EQ(call(sim->quote_port(), "GET", "/api/soul").body,
              "{\"code\":200,\"data\":{\"id\":1024,\"title\":\"你好\\\"x\"}}");
    scenario("quote_mode=no_data");
    EXPECT_EQ(call(sim->quote_port(), "GET", "/api/soul").body.find("\"data\""), std::string::npos);
    scenario("quote_mode=not_json");
    EXPECT_EQ(call(sim->quote_port(), "GET", "/api/soul").body.find('{'), std::string::npos);
}

TEST_F(Login, a_successful_login_lands_on_the_forum_which_sets_the_member_cookies) {
    clear_cookie_store();
    std::string forum = "https://127.0.0.1:" + std::to_string(sim->forum_port()) + "/";
    Reply page = call(sim->account_port(), "GET", "/index.html?&callback=https%3A%2F%2F127.0.0.1%3A" +
                                                      std::to_string(sim->forum_port()) + "%2F");
    EXPECT_NE(page.body.find("value=\"" + forum + "\""), std::string::npos);

    std::string form = "callback=" + percent_encode(forum) + "&username=%E5%BC%A0%E4%B8%89&password=secret";
    Reply wrong = call(sim->account_port(), "POST", "/login", "", "callback=x&username=a&password=b");
    EXPECT_NE(wrong.body.find("用户名或密码错误"), std::string::npos);

    Reply landed = call(sim->account_port(), "POST", "/login", "Content-Type: application/x-www-form-urlencoded",
                        form, 0);
    ASSERT_TRUE(landed.sent);
    EXPECT_NE(landed.headers.find("Set-Cookie: BBS_UNAME=%E5%BC%A0%E4%B8%89; path=/\r\n"), std::string::npos);
    EXPECT_NE(landed.headers.find("Set-Cookie: UM_distinctid=sim-member-0001; path=/\r\n"), std::string::npos);
    std::string stored = cookie_store_dump();
    EXPECT_NE(stored.find("UM_distinctid\tsim-member-0001"), std::string::npos);
    clear_cookie_store();
}

TEST_F(Login, a_ticket_opens_the_forum_only_once) {
    std::string ticket = sim->state().issue_ticket();
    Reply first = call(sim->forum_port(), "GET", "/?ticket=" + ticket);
    EXPECT_NE(first.headers.find("UM_distinctid="), std::string::npos);
    Reply second = call(sim->forum_port(), "GET", "/?ticket=" + ticket);
    EXPECT_EQ(second.headers.find("UM_distinctid="), std::string::npos);
}

TEST_F(Control, the_log_keeps_every_request_with_its_headers_in_order_and_its_body) {
    call(sim->quote_port(), "POST", "/api/soul", "Zeta: 1\r\nAlpha: 2", "payload");
    Reply log = call(sim->control_port(), "GET", "/log");
    auto at = log.body.find(">>> quote\r\nPOST /api/soul HTTP/1.1\r\n");
    ASSERT_NE(at, std::string::npos) << log.body;
    auto zeta = log.body.find("Zeta: 1\r\nAlpha: 2\r\n", at);
    EXPECT_NE(zeta, std::string::npos);
    EXPECT_NE(log.body.find("\r\n\r\npayload\r\n<<<\r\n", zeta), std::string::npos);

    call(sim->control_port(), "POST", "/log/clear");
    EXPECT_EQ(sim->state().log.entries().size(), 0u);
}

TEST_F(Control, arrival_times_list_each_request_in_order_with_its_wall_clock_time) {
    auto micros = [] {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const auto before = micros();
    call(sim->quote_port(), "GET", "/api/soul?x=1");
    call(sim->forum_port(), "POST", "/plugin.php?id=a", "", "body");
    const auto after = micros();
    std::istringstream lines(call(sim->control_port(), "GET", "/log/times").body);
    std::string service, method, target;
    long long first = 0, second = 0;
    lines >> service >> first >> method >> target;
    EXPECT_EQ(service + " " + method + " " + target, "quote GET /api/soul?x=1");
    lines >> service >> second >> method >> target;
    EXPECT_EQ(service + " " + method + " " + target, "forum POST /plugin.php?id=a");
    EXPECT_LE(before, first);
    EXPECT_LE(first, second);
    EXPECT_LE(second, after);
}

TEST_F(Control, bad_settings_are_refused_and_shutdown_releases_the_waiter) {
    EXPECT_EQ(call(sim->control_port(), "POST", "/scenario", "", "draws=many").status, 400u);
    EXPECT_EQ(call(sim->control_port(), "POST", "/scenario", "", "nonsense=1").status, 400u);
    EXPECT_EQ(sim->state().scenario.get("draws"), "3");
    std::thread waiter([this] { sim->wait(); });
    EXPECT_EQ(call(sim->control_port(), "POST", "/shutdown").status, 200u);
    waiter.join();
}

TEST(JsonString, non_ascii_becomes_utf16_escapes_and_quotes_are_escaped) {
    EXPECT_EQ(json_string("a\"\\\n", true), "\"a\\\"\\\\\\u000a\"");
    EXPECT_EQ(json_string("抽", true), "\"\\u62bd\"");
    EXPECT_EQ(json_string("\xF0\x9F\x98\x80", true), "\"\\ud83d\\ude00\"");
    EXPECT_EQ(json_string("抽", false), "\"抽\"");
}

TEST(RequestHead, malformed_heads_are_refused_and_partial_ones_wait_for_more) {
    Request r;
    std::size_t length = 0;
    EXPECT_EQ(parse_request_head("GET / HTTP/1.1\r\nHost: x\r\n", r, length), ParseResult::NeedMore);
    EXPECT_EQ(parse_request_head("GET /\r\n\r\n", r, length), ParseResult::Malformed);
    EXPECT_EQ(parse_request_head("GET / HTTP/1.1\r\nno colon\r\n\r\n", r, length), ParseResult::Malformed);
    ASSERT_EQ(parse_request_head("GET /p?q=1 HTTP/1.1\r\nB: 2\r\nA:1\r\n\r\nrest", r, length),
              ParseResult::Complete);
    EXPECT_EQ(length, 34u);
    EXPECT_EQ(r.path(), "/p");
    EXPECT_EQ(r.query(), "q=1");
    ASSERT_EQ(r.headers.size(), 2u);
    EXPECT_EQ(r.headers[0].first, "B");
    EXPECT_EQ(r.header("a").value_or(""), "1");
    EXPECT_EQ(percent_decode("%E4%b8%ad%zz%4"), "\xE4\xB8\xAD%zz%4");
}

}  // namespace
}  // namespace quilbex::sim::testing
