// http_request: the request it puts on the wire and what it hands back.

#include "NetProgram.h"
#include "app/net/HttpClient.h"
#include "platform/wininet/CookieStore.h"
#include "platform/wininet/WireServer.h"
#include "runtime/Blocks.h"

#include <chrono>

namespace quilbex::app {
namespace {

using wininet::testing::WireServer;

std::string bytes(const ByteSet& set) {
    auto span = rt::byte_set_bytes(set.get());
    return std::string(reinterpret_cast<const char*>(span.data()), span.size());
}

class HttpRequest : public ::testing::Test {
protected:
    quilbex::testing::NetProgram program;
    WireServer server;

    std::string url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(server.port()) + path; }
    std::string host_line() { return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"; }
    std::string standard(const std::string& u) {
        return "Accept: */*\r\nReferer: " + u + "\r\nAccept-Language: zh-cn\r\n";
    }
};

TEST_F(HttpRequest, without_extra_headers_the_standard_block_and_default_agent_are_sent) {
    std::string u = url("/a?b=1");
    ByteSet body = http_request({.url = u.c_str()});
    EXPECT_EQ(bytes(body), "default body");
    EXPECT_EQ(server.last().head, "GET /a?b=1 HTTP/1.1\r\n" + host_line() +
                                      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n" +
                                      standard(u) + "\r\n");
}

TEST(HttpRequestIpv6, a_bracketed_ipv6_host_is_connected_to) {
    quilbex::testing::NetProgram program;
    WireServer server(sim::Loopback::ipv6);
    std::string host = "[::1]:" + std::to_string(server.port());
    std::string u = "http://" + host + "/a?b=1";
    EXPECT_EQ(bytes(http_request({.url = u.c_str()})), "default body");
    EXPECT_EQ(server.last().head, "GET /a?b=1 HTTP/1.1\r\nHost: " + host +
                                      "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                                      "Accept: */*\r\nReferer: " +
                                      u + "\r\nAccept-Language: zh-cn\r\n\r\n");
}

TEST_F(HttpRequest, methods_out_of_range_send_get) {
    std::string u = url("/");
    for (int method : {9, -1}) {
        http_request({.url = u.c_str(), .method = method, .body_text = "ignored"});
        EXPECT_EQ(server.last().method, "GET") << method;
        EXPECT_EQ(server.last().body, "");
    }
    http_request({.url = u.c_str(), .method = 5});
    EXPECT_EQ(server.last().method, "DELETE");
}

TEST_F(HttpRequest, a_post_without_a_body_sends_the_form_type_and_a_zero_length) {
    std::string u = url("/p");
    http_request({.url = u.c_str(), .method = 1});
    EXPECT_EQ(server.last().head, "POST /p HTTP/1.1\r\n" + host_line() +
                                      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n" +
                                      standard(u) + "Content-Type: application/x-www-form-urlencoded\r\n" +
                                      "Content-Length: 0\r\n\r\n");
}

TEST_F(HttpRequest, body_bytes_win_over_body_text) {
    std::string u = url("/p");
    ByteSet raw(rt::make_byte_set("\x01\x00\x02", 3));
    http_request({.url = u.c_str(), .method = 1, .body_text = "text", .body_bytes = raw.get()});
    EXPECT_EQ(server.last().body, std::string("\x01\x00\x02", 3));
    http_request({.url = u.c_str(), .method = 3, .body_text = "text"});
    EXPECT_EQ(server.last().body, "text");
}

TEST_F(HttpRequest, extra_header_names_are_normalised_and_suppress_their_standard_line) {
    std::string u = url("/");
    http_request({.url = u.c_str(), .extra_headers = "user-agent: X\r\naccept: text/html"});
    EXPECT_EQ(server.last().head, "GET / HTTP/1.1\r\n" + host_line() + "User-Agent: X\r\nAccept: text/html\r\n" +
                                      "Referer: " + u + "\r\nAccept-Language: zh-cn\r\n\r\n");
    http_request({.url = u.c_str(), .extra_headers = "x-a: 1", .complete_headers = false, .normalise_names = false});
    EXPECT_EQ(server.last().head,
              "GET / HTTP/1.1\r\n" + host_line() +
                  "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\nx-a: 1\r\n\r\n");
}

TEST_F(HttpRequest, the_cookie_line_comes_last_as_given_or_with_its_name_added) {
    std::string u = url("/");
    Text plain = make_text("a=1; b=2");
    http_request({.url = u.c_str(), .cookies = &plain, .complete_headers = false});
    EXPECT_EQ(server.last().head, "GET / HTTP/1.1\r\n" + host_line() +
                                      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n" +
                                      "Cookie: a=1; b=2\r\n\r\n");
    Text named = make_text("Cookie: z=9");
    http_request({.url = u.c_str(), .cookies = &named});
    EXPECT_EQ(server.last().head.substr(server.last().head.size() - 17), "\r\nCookie: z=9\r\n\r\n");
}

TEST_F(HttpRequest, given_empty_cookies_keep_the_process_store_out_and_receive_the_merge) {
    wininet::clear_cookie_store();
    sim::Response setter = sim::Response::text(200, "OK", "text/plain", "ok");
    setter.headers.emplace_back("Set-Cookie", "stored=1; path=/");
    server.on("/set", setter);
    std::string set_url = url("/set");
    http_request({.url = set_url.c_str()});  // not given: the store keeps "stored"
    std::string u = url("/");
    http_request({.url = u.c_str()});
    EXPECT_EQ(server.last().header("Cookie").value_or(""), "stored=1");

    Text empty;
    Text returned = make_text("old");
    http_request({.url = set_url.c_str(), .cookies = &empty, .returned_cookies = &returned});
    EXPECT_FALSE(server.last().header("Cookie"));
    EXPECT_EQ(str(returned), "stored=1");
    EXPECT_EQ(str(empty), "stored=1");
    wininet::clear_cookie_store();
}

TEST_F(HttpRequest, returned_cookies_merge_into_the_sent_ones_even_beyond_5000_bytes_of_headers) {
    sim::Response big = sim::Response::text(200, "OK", "text/plain", "ok");
    for (int i = 0; i < 60; ++i)
        big.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(100, 'f'));
    big.headers.emplace_back("Set-Cookie", "b=3; path=/");
    big.headers.emplace_back("Set-Cookie", "c=4");
    server.on("/big", big);
    std::string u = url("/big");
    Text sent = make_text("a=1; b=2");
    Text returned, headers;
    http_request({.url = u.c_str(), .cookies = &sent, .returned_cookies = &returned, .returned_headers = &headers});
    EXPECT_GT(str(headers).size(), 6000u);
    EXPECT_EQ(str(headers).substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(str(returned), "b=3; c=4; a=1");
    EXPECT_EQ(str(sent), "b=3; c=4; a=1");

    Text unmerged = make_text("a=1");
    http_request({.url = u.c_str(), .cookies = &unmerged, .returned_cookies = &returned, .merge_cookies = false});
    EXPECT_EQ(str(returned), "b=3; c=4");
    EXPECT_EQ(str(unmerged), "a=1");
}

TEST_F(HttpRequest, redirects_are_followed_unless_no_redirect) {
    sim::Response moved = sim::Response::redirect(302, "/target");
    moved.body = "moved";
    server.on("/from", moved);
    server.on("/target", sim::Response::text(200, "OK", "text/plain", "arrived"));
    std::string u = url("/from");
    EXPECT_EQ(bytes(http_request({.url = u.c_str(), .method = 1, .body_text = "x=1"})), "arrived");
    EXPECT_EQ(server.last().method, "GET");
    Text headers;
    EXPECT_EQ(bytes(http_request({.url = u.c_str(), .returned_headers = &headers, .no_redirect = true})), "moved");
    EXPECT_NE(str(headers).find("Location: /target"), std::string::npos);
}

TEST_F(HttpRequest, unreachable_and_silent_servers_give_an_empty_body_in_bounded_time) {
    std::string u = url("/");
    server.stop();
    Text headers = make_text("stale");
    EXPECT_EQ(http_request({.url = u.c_str(), .returned_headers = &headers}), nullptr);
    EXPECT_EQ(str(headers), "");

    WireServer silent_server;
    sim::Response silent;
    silent.silent = true;
    silent_server.on("/", silent);
    // The process-wide default receive time-out is the test seam.
    wininet::DWORD short_timeout = 1000;
    ASSERT_TRUE(wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_RECEIVE_TIMEOUT, &short_timeout, 4));
    std::string silent_url = "http://127.0.0.1:" + std::to_string(silent_server.port()) + "/";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http_request({.url = silent_url.c_str()}), nullptr);
    // Without the time-out the request would wait for the default one; a
    // generous ceiling tells the two apart also on a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(wininet::kDefaultReceiveTimeoutMs) / 2);
    wininet::DWORD normal = wininet::kDefaultReceiveTimeoutMs;
    wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_RECEIVE_TIMEOUT, &normal, 4);
}

}  // namespace
}  // namespace quilbex::app
