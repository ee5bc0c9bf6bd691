// http_request against peers that misbehave at the socket level. Each call
// must end within the time-outs with what the routine promises (the body as
// received, possibly none) and leave no descriptor or thread behind.

#include "app/net/HttpClient.h"
#include "app/net/NetProgram.h"
#include "RawServer.h"
#include "runtime/Blocks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace quilbex::reliability {
namespace {

using namespace std::chrono_literals;
using app::ByteSet;
using app::Text;

std::string bytes(const ByteSet& set) {
    auto span = rt::byte_set_bytes(set.get());
    return std::string(reinterpret_cast<const char*>(span.data()), span.size());
}

void set_receive_timeout(wininet::DWORD ms) {
    ASSERT_TRUE(wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
}

struct Outcome {
    std::string body;
    std::string headers;
    std::chrono::steady_clock::duration took{};
};

class NetworkFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The first request loads what every later one shares (the trust
        // store, the library bindings): make it before anything is counted.
        static testing::NetProgram program;
        RawServer warm_up({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
        app::http_request({.url = warm_up.url().c_str()});
    }

    void SetUp() override {
        m_descriptors = open_descriptor_count();
        m_threads = thread_count();
    }

    // Call after the test's servers have stopped. Threads of a transfer may
    // take a moment to finish after the call returned.
    void expect_nothing_left() {
        auto deadline = std::chrono::steady_clock::now() + 2s;
        while ((open_descriptor_count() != m_descriptors || thread_count() != m_threads) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(open_descriptor_count(), m_descriptors) << "descriptors left open";
        EXPECT_EQ(thread_count(), m_threads) << "threads left running";
    }

    static Outcome request(const std::string& url) {
        Text headers = app::make_text("stale");
        auto start = std::chrono::steady_clock::now();
        ByteSet body = app::http_request({.url = url.c_str(), .returned_headers = &headers});
        return {bytes(body), app::str(headers), std::chrono::steady_clock::now() - start};
    }

private:
    int m_descriptors = 0;
    int m_threads = 0;
};

TEST_F(NetworkFaults, a_refused_connection_gives_no_body_at_once) {
    std::string url;
    {
        RawServer gone({});
        url = gone.url();
    }
    Outcome out = request(url);
    EXPECT_EQ(out.body, "");
    EXPECT_LT(out.took, 5s);
    expect_nothing_left();
}

TEST_F(NetworkFaults, a_silent_peer_ends_after_the_receive_time_out_with_no_body) {
    set_receive_timeout(500);
    Outcome out;
    {
        RawServer silent({"", true});
        out = request(silent.url());
    }
    set_receive_timeout(wininet::kDefaultReceiveTimeoutMs);
    EXPECT_EQ(out.body, "");
    EXPECT_GE(out.took, 400ms);
    EXPECT_LT(out.took, 5s);
    expect_nothing_left();
}

TEST_F(NetworkFaults, a_peer_that_stops_mid_body_or_mid_chunk_gives_the_bytes_that_arrived) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nSet-Cookie: a=1\r\n\r\n";
    Outcome cut;
    {
        RawServer server({head + std::string(100, 'x')});
        cut = request(server.url());
    }
    EXPECT_EQ(cut.body, std::string(100, 'x'));
    EXPECT_NE(cut.headers.find("Set-Cookie: a=1"), std::string::npos) << cut.headers;
    EXPECT_LT(cut.took, 5s);

    // The chunk sizes are hex: 5 bytes arrive whole, the second chunk of 16
    // is cut after 3.
    Outcome chunked;
    {
        RawServer server({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n10\r\nabc"});
        chunked = request(server.url());
    }
    EXPECT_EQ(chunked.body.substr(0, 5), "hello");
    EXPECT_LE(chunked.body.size(), 8u);
    EXPECT_LT(chunked.took, 5s);
    expect_nothing_left();
}

TEST_F(NetworkFaults, bytes_that_are_not_http_give_no_body_and_no_cookies) {
    Text cookies = app::make_text("keep=1");
    Text returned = app::make_text("stale");
    {
        RawServer server({std::string("\x16\x03\x01garbage\0\xFF\r\n\r\nSet-Cookie: x=1\r\n", 31)});
        std::string url = server.url();
        ByteSet body = app::http_request({.url = url.c_str(), .cookies = &cookies, .returned_cookies = &returned});
        EXPECT_EQ(bytes(body), "");
    }
    // Nothing was returned, so the merge is the sent cookies alone.
    EXPECT_EQ(app::str(cookies), "keep=1");
    EXPECT_EQ(app::str(returned), "keep=1");
    expect_nothing_left();
}

TEST_F(NetworkFaults, a_redirect_loop_ends_after_a_bounded_number_of_hops) {
    Outcome out;
    int connections = 0;
    {
        RawServer loop({"HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"});
        out = request(loop.url("/loop"));
        connections = loop.connections();
    }
    EXPECT_EQ(out.body, "");
    EXPECT_LE(connections, 64);
    EXPECT_GT(connections, 1);
    EXPECT_LT(out.took, 10s);
    expect_nothing_left();
}

TEST_F(NetworkFaults, a_20_megabyte_body_arrives_whole) {
    constexpr std::size_t kSize = 20u << 20;
    std::string payload(kSize, '\0');
    for (std::size_t i = 0; i < kSize; ++i)
        payload[i] = static_cast<char>('a' + i % 26);
    Outcome out;
    {
        RawServer server({"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kSize) + "\r\n\r\n" + payload});
        out = request(server.url());
    }
    EXPECT_EQ(out.body.size(), kSize);
    EXPECT_TRUE(out.body == payload);
    expect_nothing_left();
}

}  // namespace
}  // namespace quilbex::reliability
