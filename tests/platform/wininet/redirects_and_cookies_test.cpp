// Redirects followed and not followed, and the process-wide cookie store.

#include "WireServer.h"
#include "platform/wininet/CookieStore.h"
#include "platform/wininet/WinInetErrors.h"

namespace quilbex::wininet::testing {
namespace {

class Redirects : public ::testing::Test {
protected:
    WireServer server;
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(server.port()); }
};

TEST_F(Redirects, a_post_answered_302_continues_as_a_get_without_its_body) {
    server.on("/form", sim::Response::redirect(302, "/done"));
    server.on("/done", sim::Response::text(200, "OK", "text/plain", "landed"));
    Call call;
    call.verb = "POST";
    call.object = "/form";
    call.headers = "Content-Type: application/x-www-form-urlencoded\r\nX-Keep: 1";
    call.body = "a=1";
    Exchange e = exchange(server.port(), call);
    ASSERT_TRUE(e.sent);
    EXPECT_EQ(e.body, "landed");
    EXPECT_EQ(e.raw_headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].path(), "/done");
    EXPECT_TRUE(requests[1].body.empty());
    EXPECT_FALSE(requests[1].header("Content-Length"));
    EXPECT_EQ(requests[1].header("X-Keep").value_or(""), "1");
}

TEST_F(Redirects, a_307_keeps_the_method_and_the_body) {
    server.on("/form", sim::Response::redirect(307, "/again"));
    Call call;
    call.verb = "POST";
    call.object = "/form";
    call.body = "a=1";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().method, "POST");
    EXPECT_EQ(server.last().body, "a=1");
}

TEST_F(Redirects, no_auto_redirect_returns_the_redirect_itself) {
    sim::Response moved = sim::Response::redirect(302, "/elsewhere");
    moved.headers.emplace_back("Set-Cookie", "s=1; path=/");
    moved.body = "moved";
    server.on("/form", moved);
    Call call;
    call.object = "/form";
    call.flags |= INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES;
    Exchange e = exchange(server.port(), call);
    ASSERT_TRUE(e.sent);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(e.body, "moved");
    EXPECT_NE(e.raw_headers.find("HTTP/1.1 302 Found\r\n"), std::string::npos);
    EXPECT_NE(e.raw_headers.find("Location: /elsewhere\r\n"), std::string::npos);
    EXPECT_NE(e.raw_headers.find("Set-Cookie: s=1; path=/\r\n"), std::string::npos);
}

TEST_F(Redirects, the_cookie_line_of_the_block_does_not_follow_to_another_site) {
    WireServer other;
    server.on("/go", sim::Response::redirect(302, "http://localhost:" + std::to_string(other.port()) + "/x"));
    Call call;
    call.object = "/go";
    call.flags |= INTERNET_FLAG_NO_COOKIES;
    call.headers = "Cookie: secret=1\r\nX-Other: y";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    ASSERT_EQ(other.requests().size(), 1u);
    EXPECT_FALSE(other.last().header("Cookie"));
    EXPECT_EQ(other.last().header("X-Other").value_or(""), "y");
}

TEST_F(Redirects, a_redirect_from_http_to_https_needs_the_flag_that_allows_it) {
    server.on("/up", sim::Response::redirect(302, "https://127.0.0.1:1/secure"));
    Call call;
    call.object = "/up";
    Exchange e = exchange(server.port(), call);
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR);
    EXPECT_NE(e.raw_headers.find("302"), std::string::npos);
}

TEST_F(Redirects, an_endless_redirect_loop_fails_instead_of_hanging) {
    server.on("/loop", sim::Response::redirect(302, "/loop"));
    Call call;
    call.object = "/loop";
    Exchange e = exchange(server.port(), call);
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_LE(server.requests().size(), 32u);
}

class CookieStore : public ::testing::Test {
protected:
    void SetUp() override { clear_cookie_store(); }
    void TearDown() override { clear_cookie_store(); }
    WireServer server;
};

TEST_F(CookieStore, cookies_set_by_a_response_are_sent_by_later_requests) {
    sim::Response login = sim::Response::text(200, "OK", "text/plain", "ok");
    login.headers.emplace_back("Set-Cookie", "sid=abc; path=/");
    server.on("/login", login);
    Call call;
    call.object = "/login";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    call.object = "/next";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().header("Cookie").value_or(""), "sid=abc");
}

TEST_F(CookieStore, no_cookies_neither_stores_nor_sends) {
    sim::Response login = sim::Response::text(200, "OK", "text/plain", "ok");
    login.headers.emplace_back("Set-Cookie", "sid=abc; path=/");
    server.on("/login", login);
    Call call;
    call.object = "/login";
    call.flags |= INTERNET_FLAG_NO_COOKIES;
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(cookie_store_dump(), "");

    call.flags &= ~INTERNET_FLAG_NO_COOKIES;
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_NE(cookie_store_dump().find("sid\tabc"), std::string::npos);
    call.object = "/private";
    call.flags |= INTERNET_FLAG_NO_COOKIES;
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_FALSE(server.last().header("Cookie"));
}

TEST_F(CookieStore, cookies_set_on_a_redirect_are_sent_to_its_target) {
    sim::Response moved = sim::Response::redirect(302, "/home");
    moved.headers.emplace_back("Set-Cookie", "ticket=t1; path=/");
    server.on("/callback", moved);
    Call call;
    call.object = "/callback";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().path(), "/home");
    EXPECT_EQ(server.last().header("Cookie").value_or(""), "ticket=t1");
}

}  // namespace
}  // namespace quilbex::wininet::testing

namespace quilbex::wininet::testing {
namespace {

TEST(Proxy, an_http_proxy_entry_carries_http_requests_with_the_block_unchanged) {
    WireServer proxy;
    std::string list = "http=127.0.0.1:" + std::to_string(proxy.port());
    HINTERNET session = InternetOpenA("agent", INTERNET_OPEN_TYPE_PROXY, list.c_str(), "", 0);
    ASSERT_NE(session, nullptr);
    HINTERNET connection =
        InternetConnectA(session, "forum.invalid", 8080, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        HttpOpenRequestA(connection, "GET", "/x?y=1", nullptr, nullptr, nullptr, INTERNET_FLAG_NO_COOKIES, 0);
    const char* block = "X-A: 1";
    ASSERT_TRUE(HttpSendRequestA(request, block, static_cast<DWORD>(-1), nullptr, 0));
    EXPECT_EQ(proxy.last().head, "GET http://forum.invalid:8080/x?y=1 HTTP/1.1\r\nHost: forum.invalid:8080\r\n"
                                 "User-Agent: agent\r\nX-A: 1\r\n\r\n");
    InternetCloseHandle(session);
}

}  // namespace
}  // namespace quilbex::wininet::testing
