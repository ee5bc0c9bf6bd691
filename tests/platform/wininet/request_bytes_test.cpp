// The bytes that the WinInet functions put on the wire.

#include "WireServer.h"

namespace quilbex::wininet::testing {
namespace {

class RequestBytes : public ::testing::Test {
protected:
    WireServer server;
    std::string host() const { return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"; }
};

TEST_F(RequestBytes, get_sends_the_block_in_order_with_host_and_session_agent_and_nothing_else) {
    Call call;
    call.object = "/a?b=1";
    call.headers = "Accept: */*\r\nReferer: http://x/a?b=1\r\nAccept-Language: zh-cn\r\nCookie: a=1; b=2";
    Exchange e = exchange(server.port(), call);
    ASSERT_TRUE(e.sent) << e.send_error;
    EXPECT_EQ(server.last().head, "GET /a?b=1 HTTP/1.1\r\n" + host() +
                                      "User-Agent: TestAgent/1.0\r\n"
                                      "Accept: */*\r\nReferer: http://x/a?b=1\r\nAccept-Language: zh-cn\r\n"
                                      "Cookie: a=1; b=2\r\n\r\n");
    EXPECT_EQ(e.body, "default body");
}

TEST_F(RequestBytes, a_user_agent_line_in_the_block_replaces_the_session_agent_and_keeps_its_place) {
    Call call;
    call.headers = "X-First: 1\r\nUser-Agent: Mine\r\nX-Last: 2\r\n";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head,
              "GET / HTTP/1.1\r\n" + host() + "X-First: 1\r\nUser-Agent: Mine\r\nX-Last: 2\r\n\r\n");
}

TEST_F(RequestBytes, no_block_and_no_agent_sends_only_the_host) {
    Call call;
    call.agent = "";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head, "GET / HTTP/1.1\r\n" + host() + "\r\n");
}

TEST_F(RequestBytes, post_body_goes_as_given_with_its_length_and_no_added_content_type_or_expect) {
    Call call;
    call.verb = "POST";
    call.headers = "Content-Type: application/x-www-form-urlencoded";
    call.body = std::string(300000, 'x');
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head, "POST / HTTP/1.1\r\n" + host() + "User-Agent: TestAgent/1.0\r\n" +
                                      "Content-Type: application/x-www-form-urlencoded\r\n" +
                                      "Content-Length: 300000\r\n\r\n");
    EXPECT_EQ(server.last().body, call.body);

    call.headers = "";
    call.body = "a=1";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head,
              "POST / HTTP/1.1\r\n" + host() + "User-Agent: TestAgent/1.0\r\nContent-Length: 3\r\n\r\n");
}

TEST_F(RequestBytes, post_without_a_body_still_sends_a_zero_length) {
    Call call;
    call.verb = "POST";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head,
              "POST / HTTP/1.1\r\n" + host() + "User-Agent: TestAgent/1.0\r\nContent-Length: 0\r\n\r\n");
}

TEST_F(RequestBytes, other_verbs_are_sent_by_name) {
    for (const char* verb : {"PUT", "DELETE", "OPTIONS"}) {
        Call call;
        call.verb = verb;
        ASSERT_TRUE(exchange(server.port(), call).sent) << verb;
        EXPECT_EQ(server.last().method, verb);
    }
    Call head;
    head.verb = "HEAD";
    Exchange e = exchange(server.port(), head);
    ASSERT_TRUE(e.sent);
    EXPECT_EQ(server.last().method, "HEAD");
    EXPECT_TRUE(e.body.empty());
}

TEST_F(RequestBytes, empty_header_values_are_sent_and_lines_without_a_name_are_dropped) {
    Call call;
    call.headers = "X-Empty:\r\n\r\nno colon here\r\nX-Full: v";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().head,
              "GET / HTTP/1.1\r\n" + host() + "User-Agent: TestAgent/1.0\r\nX-Empty:\r\nX-Full: v\r\n\r\n");
}

TEST_F(RequestBytes, bytes_that_cannot_stand_in_a_url_are_percent_encoded) {
    Call call;
    call.object = "/a b\xb2\xe2";
    ASSERT_TRUE(exchange(server.port(), call).sent);
    EXPECT_EQ(server.last().target, "/a%20b%B2%E2");
}

TEST_F(RequestBytes, compressed_bodies_are_returned_as_received) {
    sim::Response gz = sim::Response::text(200, "OK", "text/plain", std::string("\x1f\x8b\x08\x00zz", 6));
    gz.headers.emplace_back("Content-Encoding", "gzip");
    server.on("/gz", gz);
    Call call;
    call.object = "/gz";
    call.headers = "Accept-Encoding: gzip";
    Exchange e = exchange(server.port(), call);
    ASSERT_TRUE(e.sent);
    EXPECT_EQ(e.body, std::string("\x1f\x8b\x08\x00zz", 6));
}

}  // namespace
}  // namespace quilbex::wininet::testing
