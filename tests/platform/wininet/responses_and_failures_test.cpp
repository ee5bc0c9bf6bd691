// Response headers, failures within bounded time, and the handle rules.

#include "WireServer.h"
#include "platform/wininet/HandleTable.h"
#include "platform/wininet/HttpTransfer.h"
#include "platform/wininet/RequestFailure.h"
#include "platform/wininet/WinInetErrors.h"

#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quilbex::wininet::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::uint16_t refusing_port() {
    // A port that was free a moment ago and has no listener now.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(ResponseHeaders, raw_headers_end_each_line_and_the_block_with_crlf) {
    WireServer server;
    sim::Response r = sim::Response::text(201, "Created", "text/plain", "x");
    r.headers.emplace_back("Set-Cookie", "a=1");
    server.on("/", r);
    Exchange e = exchange(server.port(), Call{});
    EXPECT_EQ(e.raw_headers, "HTTP/1.1 201 Created\r\nContent-Type: text/plain\r\nSet-Cookie: a=1\r\n"
                             "Content-Length: 1\r\n\r\n");
}

TEST(ResponseHeaders, too_small_a_buffer_reports_the_size_needed_and_large_headers_come_whole) {
    WireServer server;
    sim::Response r = sim::Response::text(200, "OK", "text/plain", "x");
    for (int i = 0; i < 200; ++i)
        r.headers.emplace_back("Set-Cookie", "c" + std::to_string(i) + "=" + std::string(40, 'v') + "; path=/");
    server.on("/", r);

    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, INTERNET_FLAG_NO_COOKIES, 0);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));

    std::string small(5000, ' ');
    DWORD size = 5000;
    EXPECT_FALSE(HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, small.data(), &size, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(size, 5000u);

    std::string whole(size, '\0');
    DWORD needed = size;
    ASSERT_TRUE(HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, whole.data(), &size, nullptr));
    EXPECT_EQ(size, needed - 1);
    whole.resize(size);
    EXPECT_NE(whole.find("Set-Cookie: c199=" + std::string(40, 'v') + "; path=/\r\n"), std::string::npos);
    EXPECT_EQ(whole.substr(whole.size() - 4), "\r\n\r\n");

    DWORD status = 0;
    DWORD status_size = sizeof status;
    ASSERT_TRUE(
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &status_size, nullptr));
    EXPECT_EQ(status, 200u);
    InternetCloseHandle(session);
}

TEST(Failures, a_refused_connection_fails_at_once_with_nothing_to_read) {
    auto start = Clock::now();
    std::uint16_t port = refusing_port();
    Exchange e = exchange(port, Call{});
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_TRUE(e.body.empty());
    EXPECT_TRUE(e.raw_headers.empty());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    RequestFailure failure = last_request_failure();
    EXPECT_EQ(failure.kind, FailureKind::refused);
    EXPECT_EQ(failure.host, "127.0.0.1:" + std::to_string(port));

    // A later request that gets an answer leaves no failure behind.
    WireServer server;
    ASSERT_TRUE(exchange(server.port(), Call{}).sent);
    EXPECT_EQ(last_request_failure().kind, FailureKind::none);
}

TEST(Failures, a_name_that_does_not_resolve_is_told_from_a_refused_connection) {
    Call call;
    call.host = "nowhere.invalid";
    Exchange e = exchange(80, call);
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_INTERNET_NAME_NOT_RESOLVED);
    EXPECT_EQ(last_request_failure().kind, FailureKind::name_not_resolved);
    EXPECT_EQ(last_request_failure().host, "nowhere.invalid:80");
}

TEST(Failures, a_silent_server_ends_in_a_timeout_after_the_receive_time_out) {
    WireServer server;
    sim::Response silent;
    silent.silent = true;
    server.on("/", silent);
    Call call;
    call.receive_timeout_ms = 1000;
    auto start = Clock::now();
    Exchange e = exchange(server.port(), call);
    auto took = Clock::now() - start;
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(last_request_failure().kind, FailureKind::timeout);
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(Failures, a_body_over_the_limit_is_cut_there_and_reads_as_a_broken_connection) {
    WireServer server;
    server.on("/over", sim::Response::text(200, "OK", "text/plain", std::string(kBodyLimit + 1, 'b')));
    Call call;
    call.object = "/over";
    Exchange over = exchange(server.port(), call);
    EXPECT_TRUE(over.sent);
    EXPECT_LE(over.body.size(), kBodyLimit);
    EXPECT_EQ(over.read_error, ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST(Failures, reading_before_sending_or_after_a_failed_send_gives_no_bytes) {
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", refusing_port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0);
    char buffer[16];
    DWORD read = 99;
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    read = 99;
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u);
    DWORD size = sizeof buffer;
    EXPECT_FALSE(HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
    InternetCloseHandle(session);
}

TEST(Handles, closing_a_session_closes_everything_below_it) {
    std::size_t before = open_handle_count();
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(open_handle_count(), before + 3);
    EXPECT_TRUE(InternetCloseHandle(session));
    EXPECT_EQ(open_handle_count(), before);
    EXPECT_FALSE(InternetCloseHandle(request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(InternetConnectA(session, "x", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), nullptr);
}

TEST(Handles, unknown_values_and_handles_of_the_wrong_kind_are_refused) {
    EXPECT_FALSE(InternetCloseHandle(nullptr));
    EXPECT_FALSE(InternetCloseHandle(reinterpret_cast<HINTERNET>(0x1234)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    EXPECT_FALSE(HttpSendRequestA(session, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    EXPECT_EQ(HttpOpenRequestA(session, "GET", "/", nullptr, nullptr, nullptr, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    DWORD value = 1;
    EXPECT_FALSE(InternetSetOptionA(session, 9999, &value, sizeof value));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INVALID_OPTION);
    EXPECT_FALSE(InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &value, 2));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_BAD_OPTION_LENGTH);
    EXPECT_EQ(InternetOpenA("a", INTERNET_OPEN_TYPE_PROXY, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    InternetCloseHandle(session);
}

TEST(Handles, closing_a_request_on_another_thread_stops_its_transfer) {
    WireServer server;
    sim::Response silent;
    silent.silent = true;
    server.on("/", silent);
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    auto start = Clock::now();
    std::thread closer([session, &server] {
        // Closes once the request is on the wire and its answer awaited.
        for (int i = 0; i < 500 && server.requests().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        InternetCloseHandle(session);
    });
    BOOL sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    DWORD error = GetLastError();
    closer.join();
    EXPECT_FALSE(sent);
    EXPECT_EQ(error, ERROR_INTERNET_OPERATION_CANCELLED);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace quilbex::wininet::testing
