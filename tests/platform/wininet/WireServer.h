#pragma once
// A plain HTTP server on loopback for the WinInet tests: it records every
// request as it arrived and answers by path from a table the test fills.

#include "platform/wininet/WinInet.h"
#include "sim/HttpServer.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::wininet::testing {

class WireServer {
public:
    explicit WireServer(sim::Loopback loopback = sim::Loopback::ipv4) {
        m_server = sim::HttpServer::start(
            0, std::nullopt, [this](const sim::Request& r) { return answer(r); }, nullptr, loopback);
    }

    void on(const std::string& path, sim::Response response) {
        std::lock_guard lock(m_mutex);
        m_routes[path] = std::move(response);
    }

    std::vector<sim::Request> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    sim::Request last() const {
        auto all = requests();
        return all.empty() ? sim::Request{} : all.back();
    }

    std::uint16_t port() const { return m_server->port(); }
    void stop() { m_server->stop(); }

private:
    sim::Response answer(const sim::Request& request) {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        auto it = m_routes.find(request.path());
        return it == m_routes.end() ? sim::Response::text(200, "OK", "text/plain", "default body") : it->second;
    }

    mutable std::mutex m_mutex;
    std::map<std::string, sim::Response> m_routes;
    std::vector<sim::Request> m_requests;
    std::unique_ptr<sim::HttpServer> m_server;
};

// What one request through the WinInet functions gave.
struct Exchange {
    BOOL sent = FALSE;
    DWORD send_error = 0;
    std::string body;
    std::string raw_headers;
    DWORD read_error = 0;  // why reading the body stopped before its end
};

struct Call {
    std::string agent = "TestAgent/1.0";
    std::string verb = "GET";
    std::string object = "/";
    DWORD flags = INTERNET_FLAG_RELOAD;
    std::string headers;
    std::string body;
    std::string host = "127.0.0.1";
    DWORD receive_timeout_ms = 0;  // 0: the default
};

// Opens session, connection and request, sends, reads everything and closes.
inline Exchange exchange(std::uint16_t port, const Call& call) {
    Exchange out;
    HINTERNET session = InternetOpenA(call.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    EXPECT_NE(session, nullptr);
    HINTERNET connection =
        InternetConnectA(session, call.host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_NE(connection, nullptr);
    HINTERNET request = HttpOpenRequestA(connection, call.verb.c_str(), call.object.c_str(), "HTTP/1.1", nullptr,
                                         nullptr, call.flags, 0);
    EXPECT_NE(request, nullptr);
    if (call.receive_timeout_ms) {
        DWORD value = call.receive_timeout_ms;
        EXPECT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof value));
    }
    out.sent = HttpSendRequestA(
        request, call.headers.empty() ? nullptr : call.headers.c_str(), static_cast<DWORD>(call.headers.size()),
        call.body.empty() ? nullptr : const_cast<char*>(call.body.data()), static_cast<DWORD>(call.body.size()));
    out.send_error = out.sent ? 0 : GetLastError();
    char buffer[1024];
    DWORD read = 0;
    BOOL reading = FALSE;
    while ((reading = InternetReadFile(request, buffer, sizeof buffer, &read)) && read > 0)
        out.body.append(buffer, read);
    out.read_error = reading ? 0 : GetLastError();
    DWORD size = 0;
    if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr) && size > 0) {
        std::string headers(size, '\0');
        if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &size, nullptr))
            out.raw_headers = headers.substr(0, size);
    }
    EXPECT_TRUE(InternetCloseHandle(request));
    EXPECT_TRUE(InternetCloseHandle(connection));
    EXPECT_TRUE(InternetCloseHandle(session));
    return out;
}

}  // namespace quilbex::wininet::testing
