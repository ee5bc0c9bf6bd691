// The quote service, the account site's login with the forum's callback, and
// the control port.

#include "SimClient.h"
#include "platform/wininet/CookieStore.h"
#include "sim/Services.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace quilbex::sim::testing {
namespace {

using Quote = SimTest;
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

class Login : public SimTest {
protected:
    void TearDown() override {
        clear_cookie_store();
        SimTest::TearDown();
    }
    std::string forum_home() { return "https://" + host(sim->forum_port()) + "/"; }
    // The login page with the forum's home as the callback; the account
    // site's session cookie goes to the process's cookie store.
    Reply open_page(const std::string& callback) {
        return call(sim->account_port(), "GET", "/index.html?&callback=" + percent_encode(callback), "", "", 0);
    }
    Reply post_login(const std::string& callback, const std::string& password, DWORD flags = 0) {
        return call(sim->account_port(), "POST", "/login", "Content-Type: application/x-www-form-urlencoded",
                    "callback=" + percent_encode(callback) + "&username=%E5%BC%A0%E4%B8%89&password=" + password,
                    flags);
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(Login, a_login_in_the_sites_own_session_lands_on_the_forum_which_opens_a_session_of_its_own) {
    clear_cookie_store();
    Reply page = open_page(forum_home());
    EXPECT_TRUE(has(page.body, "value=\"" + forum_home() + "\""));
    EXPECT_TRUE(has(page.headers, "Set-Cookie: ACCOUNT_SID="));
    EXPECT_TRUE(has(page.body, "href=\"/agreement.html\" target=\"_blank\""));
    EXPECT_TRUE(has(call(sim->account_port(), "GET", "/agreement.html").body, "用户协议"));

    // Without the page's session cookie the form has expired.
    EXPECT_TRUE(has(post_login(forum_home(), "secret", INTERNET_FLAG_NO_COOKIES).body, "页面已过期"));
    EXPECT_TRUE(has(post_login(forum_home(), "wrong").body, "用户名或密码错误"));

    Reply landed = post_login(forum_home(), "secret");
    ASSERT_TRUE(landed.sent);
    EXPECT_TRUE(has(landed.headers, "Set-Cookie: BBS_UNAME=%E5%BC%A0%E4%B8%89; Path=/; Secure; HttpOnly\r\n"));
    auto at = landed.headers.find("Set-Cookie: UM_distinctid=");
    ASSERT_NE(at, std::string::npos) << landed.headers;
    std::string line = landed.headers.substr(at, landed.headers.find("\r\n", at) - at);
    EXPECT_TRUE(has(line, "; Path=/; Secure; HttpOnly")) << line;
    std::string id = line.substr(26, line.find(';') - 26);
    EXPECT_NE(id, "sim-member-0001");
    EXPECT_TRUE(sim->state().forum_session_token(id).has_value());
    EXPECT_TRUE(has(cookie_store_dump(), "UM_distinctid\t" + id));

    // The site remembers the login: the next visit goes straight to the forum.
    Reply again = open_page(forum_home());
    EXPECT_FALSE(has(again.body, "<form")) << again.body;
    EXPECT_TRUE(has(again.body, "欢迎回来"));
}

TEST_F(Login, the_site_redirects_only_to_the_forums_home) {
    clear_cookie_store();
    open_page(forum_home());
    for (const std::string& elsewhere : {std::string("https://evil.example/"), forum_home() + "x",
                                         "https://127.0.0.1:" + std::to_string(sim->account_port()) + "/"}) {
        Reply refused = post_login(elsewhere, "secret", 0);
        EXPECT_EQ(refused.status, 400u) << elsewhere;
        EXPECT_TRUE(has(refused.body, "回调地址无效"));
    }
    EXPECT_TRUE(sim->state().log.entries().size() >= 4u);
    EXPECT_TRUE(has(post_login("", "secret").body, "欢迎回来")) << "no callback: the forum's home";
    scenario("check_callback=0&account_session=0");
    EXPECT_TRUE(has(post_login(forum_home(), "secret", INTERNET_FLAG_NO_COOKIES).body, "欢迎回来"));
}

TEST_F(Login, the_forums_login_page_leads_through_the_account_site_back_to_the_forum) {
    clear_cookie_store();
    const std::string login = "/member.php?mod=logging&action=login";
    Reply handed = call(sim->forum_port(), "GET", login, "", "", INTERNET_FLAG_NO_AUTO_REDIRECT);
    EXPECT_EQ(handed.status, 302u);
    EXPECT_TRUE(has(handed.headers, "Location: https://127.0.0.1:" + std::to_string(sim->account_port()) +
                                        "/index.html?&callback=" + percent_encode(forum_home()) + "\r\n"))
        << handed.headers;
    // Followed, the chain ends on the account site's form, and its login on the forum.
    Reply page = call(sim->forum_port(), "GET", login, "", "", 0);
    EXPECT_TRUE(has(page.body, "value=\"" + forum_home() + "\""));
    EXPECT_TRUE(has(post_login(forum_home(), "secret").body, "欢迎回来"));
    EXPECT_EQ(call(sim->forum_port(), "GET", "/member.php?mod=logging", "", "", 0).status, 404u);
}

TEST_F(Login, a_ticket_opens_the_forum_only_once) {
    std::string ticket = sim->state().issue_ticket();
    Reply first = call(sim->forum_port(), "GET", "/?ticket=" + ticket);
    EXPECT_NE(first.headers.find("UM_distinctid="), std::string::npos);
    Reply second = call(sim->forum_port(), "GET", "/?ticket=" + ticket);
    EXPECT_EQ(second.headers.find("UM_distinctid="), std::string::npos);
}

TEST(CookieLine, attributes_name_a_domain_only_for_a_host_name_and_can_be_switched_off) {
    SimState state;
    EXPECT_EQ(cookie_line(state, "a", "1", "127.0.0.1:8443"), "a=1; Path=/; Secure; HttpOnly");
    EXPECT_EQ(cookie_line(state, "a", "1", "bbs.example.com:443"),
              "a=1; Path=/; Domain=bbs.example.com; Secure; HttpOnly");
    state.scenario.set("cookie_attrs", "0");
    EXPECT_EQ(cookie_line(state, "a", "1", "bbs.example.com"), "a=1; Path=/");
}

TEST(Utf8, well_formed_text_passes_and_overlong_truncated_or_surrogate_forms_do_not) {
    EXPECT_TRUE(is_utf8("a你好\xF0\x9F\x98\x80"));
    EXPECT_FALSE(is_utf8("\xC4\xE3"));  // GBK
    EXPECT_FALSE(is_utf8("\xE4\xBD"));  // cut short
    EXPECT_FALSE(is_utf8("\xC0\xAF"));  // overlong "/"
    EXPECT_FALSE(is_utf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_FALSE(is_utf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
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
    ASSERT_EQ(parse_request_head("GET /p?q=1 HTTP/1.1\r\nB: 2\r\nA:1\r\n\r\nrest", r, length), ParseResult::Complete);
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
