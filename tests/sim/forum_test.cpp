// The forum's sign page and sign action, and the mobile API's draw, each
// refusing what the real services refuse.

#include "SimClient.h"
#include "sim/Services.h"

namespace quilbex::sim::testing {
namespace {

constexpr const char* kSignPage = "/plugin-dsu_paulsign:sign.html";
constexpr const char* kSignAction = "/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";
constexpr const char* kDraw =
    "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=3f1c9a0e5b7d2468ace013579bdf2468ace01357";
// "太快" and "抽奖次数已用完" as the API escapes them.
constexpr const char* kTooFastEscaped = "\\u592a\\u5feb";
constexpr const char* kUsedUpEscaped = "\\u62bd\\u5956\\u6b21\\u6570\\u5df2\\u7528\\u5b8c";

class SignIn : public SimTest {
protected:
    // The header block the client sends with the sign form.
    std::string form_headers(const std::string& cookie = kMember) {
        return std::string("User-Agent: ") + kMobileAgent + "\r\nReferer: https://" + host(sim->forum_port()) +
               kSignAction + "\r\nContent-Type: application/x-www-form-urlencoded\r\nCookie: " + cookie;
    }
    std::string sign(const std::string& form, const std::string& cookie = kMember) {
        return call(sim->forum_port(), "POST", kSignAction, form_headers(cookie), form).body;
    }
    static std::string form(const std::string& message, const std::string& token = "1a2b3c4d") {
        return "formhash=" + token + "&qdxq=tp&qdmode=1&todaysay=" + message;
    }
    // Opens a forum session as a login does; its UM_distinctid cookie.
    std::string log_in() {
        Reply home = call(sim->forum_port(), "GET", "/?ticket=" + sim->state().issue_ticket());
        auto at = home.headers.find("UM_distinctid=");
        return home.headers.substr(at, home.headers.find(';', at) - at);
    }
    std::string token_of(const std::string& cookie) {
        std::string page = call(sim->forum_port(), "GET", kSignPage, "Cookie: " + cookie).body;
        auto at = page.find("formhash=") + 9;
        return page.substr(at, page.find("&amp;", at) - at);
    }
};

class Draw : public SimTest {
protected:
    std::string draw(const std::string& cookie = kMember) {
        return call(sim->api_port(), "POST", kDraw,
                    std::string("User-Agent: ") + kMobileAgent + "\r\nCookie: " + cookie)
            .body;
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(SignIn, the_sign_page_carries_the_session_token_and_a_guest_gets_the_login_notice) {
    EXPECT_EQ(token_of(std::string("BBS_UNAME=x; ") + kMember), "1a2b3c4d");
    Reply guest = call(sim->forum_port(), "GET", kSignPage, "Cookie: UM_distinctid=someone-else");
    EXPECT_FALSE(has(guest.body, "formhash="));
    EXPECT_TRUE(has(guest.body, "您需要先登录才能继续本操作"));
}

TEST_F(SignIn, each_login_opens_a_session_with_a_token_of_its_own) {
    std::string first = log_in(), second = log_in();
    ASSERT_NE(first, second);
    std::string token = token_of(first);
    EXPECT_EQ(token.size(), 8u);
    EXPECT_NE(token, token_of(second));
    EXPECT_NE(token, "1a2b3c4d");
    // A token is good only in its own session.
    EXPECT_TRUE(has(sign(form("hi", token), second), "表单验证串不符"));
    EXPECT_TRUE(has(sign(form("hi", token), first), "签到成功"));
}

TEST_F(SignIn, a_well_formed_sign_succeeds_once_and_then_reports_already_signed) {
    EXPECT_TRUE(has(sign(form("%E4%BD%A0%E5%A5%BD%20a%2Bb")), "签到成功"));
    EXPECT_TRUE(has(sign(form("again")), "您今日已经签到"));
    scenario("sign=retry");
    EXPECT_TRUE(has(sign(form("x")), "请修改后再次提交"));
}

TEST_F(SignIn, a_guest_gets_the_login_notice_or_with_the_rule_off_an_empty_body) {
    Reply r = call(sim->forum_port(), "POST", kSignAction, form_headers("UM_distinctid=stranger"), form("x"));
    EXPECT_EQ(r.status, 200u);
    EXPECT_TRUE(has(r.body, "<root><![CDATA[")) << r.body;
    EXPECT_TRUE(has(r.body, "您需要先登录才能继续本操作"));
    scenario("guest_reply=empty");
    EXPECT_EQ(sign(form("x"), "UM_distinctid=stranger"), "");
    scenario("sign=not_logged_in");
    EXPECT_EQ(sign(form("x")), "");
}

TEST_F(SignIn, a_form_not_from_the_forum_is_refused_and_never_counts_as_signed) {
    const std::string good = form("x");
    const std::string referer = std::string("Referer: https://") + host(sim->forum_port()) + kSignAction;
    const std::string agent = std::string("User-Agent: ") + kMobileAgent;
    const std::string type = "Content-Type: application/x-www-form-urlencoded";
    const std::string cookie = std::string("Cookie: ") + kMember;
    for (const auto& [headers, body] : std::vector<std::pair<std::string, std::string>>{
             {form_headers(), form("x", "bad")},
             {form_headers(), "formhash=1a2b3c4d&qdxq=tp&qdmode=1"},
             {form_headers(), "qdxq=tp&formhash=1a2b3c4d&qdmode=1&todaysay=x"},
             {agent + "\r\n" + referer + "\r\nContent-Type: text/plain\r\n" + cookie, good},
             {std::string("User-Agent: ") + kDesktopAgent + "\r\n" + referer + "\r\n" + type + "\r\n" + cookie, good},
             {agent + "\r\nReferer: https://elsewhere.example/\r\n" + type + "\r\n" + cookie, good},
             {agent + "\r\n" + type + "\r\n" + cookie, good}}) {
        std::string reply = call(sim->forum_port(), "POST", kSignAction, headers, body).body;
        EXPECT_TRUE(has(reply, "表单验证串不符")) << headers << "\n" << body;
        EXPECT_FALSE(has(reply, "签到成功"));
    }
    EXPECT_TRUE(has(sign(good), "签到成功"));
}

TEST_F(SignIn, only_a_non_empty_message_in_percent_encoded_utf8_is_taken) {
    // Empty, GBK-encoded "你好", raw UTF-8, a raw space, a broken escape.
    for (const std::string message : {"", "%C4%E3%BA%C3", "你好", "a b", "%E4%BD", "50%"}) {
        std::string reply = sign(form(message));
        EXPECT_TRUE(has(reply, "请修改后再次提交")) << message << ": " << reply;
    }
    EXPECT_TRUE(has(sign(form("%F0%9F%98%80+ok")), "签到成功"));
    scenario("check_encoding=0");
    EXPECT_TRUE(has(sign(form("")), "您今日已经签到"));
}

TEST_F(Draw, draws_win_until_the_configured_count_then_are_used_up_in_raw_utf8) {
    scenario("draws=2&draw_gap_ms=0");
    EXPECT_EQ(draw(), "{\"ret\":0,\"msg\":\"\\u606d\\u559c\\u60a8\\u62bd\\u4e2d \\u91d1\\u5e01 x1\"}");
    EXPECT_TRUE(has(draw(), "x2"));
    EXPECT_EQ(draw(), "{\"ret\":-1,\"msg\":\"今日抽奖次数已用完，明天再来吧\"}");
    scenario("raw_msg=0");
    EXPECT_TRUE(has(draw(), kUsedUpEscaped));
}

TEST_F(Draw, a_members_draw_within_the_gap_is_too_fast_and_does_not_count) {
    std::string other = "UM_distinctid=" + sim->state().open_forum_session();
    EXPECT_TRUE(has(draw(), "x1"));
    EXPECT_EQ(draw(), "{\"ret\":-2,\"msg\":\"您抽奖太快了，请稍后再试\"}");
    // Another member's draws have their own clock; the refused one used no draw.
    EXPECT_TRUE(has(draw(other), "x2"));
    scenario("draw_gap_ms=0");
    EXPECT_TRUE(has(draw(), "x3"));
    scenario("too_fast=1&raw_msg=0");
    EXPECT_TRUE(has(draw(), kTooFastEscaped));
}

TEST_F(Draw, a_guest_a_wrong_agent_body_or_signature_each_have_their_answer) {
    std::string guest = draw("UM_distinctid=");
    EXPECT_EQ(guest, "{\"errcode\":\"to_login\",\"message\":\"\\u8bf7\\u5148\\u767b\\u5f55\\u540e\\u518d\\u53c2\\u4e0e"
                     "\\u62bd\\u5956\"}");
    scenario("guest_reply=empty");
    EXPECT_EQ(draw("UM_distinctid="), "");
    std::string cookie = std::string("Cookie: ") + kMember;
    EXPECT_TRUE(has(call(sim->api_port(), "POST", kDraw, "User-Agent: x\r\n" + cookie).body, "\"ret\":-5"));
    EXPECT_TRUE(has(
        call(sim->api_port(), "POST", kDraw, std::string("User-Agent: ") + kMobileAgent + "\r\n" + cookie, "a=1").body,
        "\"ret\":-4"));
    std::string wrong = std::string(kDraw).substr(0, std::string(kDraw).size() - 1) + "0";
    EXPECT_TRUE(has(call(sim->api_port(), "POST", wrong, cookie).body, "\"ret\":-3"));
    EXPECT_TRUE(has(call(sim->api_port(), "GET", kDraw, cookie).body, "\"ret\":-3"));
    EXPECT_TRUE(sim->state().log.entries().size() >= 5u);
}

TEST_F(Draw, the_forums_own_address_serves_the_same_api) {
    scenario("draw_gap_ms=0");
    auto on_forum = [&](const std::string& cookie) {
        return call(sim->forum_port(), "POST", kDraw,
                    std::string("User-Agent: ") + kMobileAgent + "\r\nCookie: " + cookie)
            .body;
    };
    EXPECT_TRUE(has(on_forum(kMember), "x1"));
    EXPECT_TRUE(has(draw(), "x2")) << "one member, one count, whichever address";
    EXPECT_TRUE(has(on_forum("UM_distinctid="), "to_login"));
}

TEST_F(Draw, the_server_checks_host_and_length_and_chunks_its_replies) {
    const std::string own = host(sim->api_port());
    const std::string head = std::string("POST ") + kDraw + " HTTP/1.1\r\nUser-Agent: " + kMobileAgent +
                             "\r\nCookie: " + kMember + "\r\nConnection: close\r\n";
    std::string chunked = raw_exchange(sim->api_port(), head + "Host: " + own + "\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(chunked.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << chunked;
    EXPECT_TRUE(has(chunked, "\r\nTransfer-Encoding: chunked\r\n\r\n"));
    EXPECT_FALSE(has(chunked, "Content-Length"));
    EXPECT_EQ(chunked.substr(chunked.size() - 5), "0\r\n\r\n");

    std::string no_length = raw_exchange(sim->api_port(), head + "Host: " + own + "\r\n\r\n");
    EXPECT_EQ(no_length.rfind("HTTP/1.1 411 Length Required\r\n", 0), 0u) << no_length;
    for (const std::string& wrong_host : {"Host: 127.0.0.1:" + std::to_string(sim->forum_port()) + "\r\n",
                                          std::string("Host: evil.example\r\n"), std::string()}) {
        std::string refused = raw_exchange(sim->api_port(), head + wrong_host + "Content-Length: 0\r\n\r\n");
        EXPECT_EQ(refused.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << wrong_host;
    }
    scenario("check_host=0&check_length=0&chunked=0");
    std::string lenient = raw_exchange(sim->api_port(), head + "Host: evil.example\r\n\r\n");
    EXPECT_TRUE(has(lenient, "\r\nContent-Length: ")) << lenient;
    EXPECT_TRUE(has(lenient, "\"ret\":")) << lenient;
}

TEST(ChunkedReply, a_body_goes_in_chunks_of_at_most_256_bytes_and_ends_with_a_zero_chunk) {
    Response r = Response::text(200, "OK", "text/plain", std::string(300, 'a'));
    r.chunked = true;
    EXPECT_EQ(serialise(r), "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n100\r\n" +
                                std::string(256, 'a') + "\r\n2c\r\n" + std::string(44, 'a') + "\r\n0\r\n\r\n");
    r.body.clear();
    EXPECT_EQ(serialise(r),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n");
}

}  // namespace
}  // namespace quilbex::sim::testing
