#pragma once
// Starts the local services on free ports and talks to them through the
// WinInet functions, trusting the services' own authority.

#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/WinInet.h"
#include "sim/Simulator.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace quilbex::sim::testing {

using namespace quilbex::wininet;

struct Reply {
    bool sent = false;
    DWORD status = 0;
    std::string headers;
    std::string body;
};

// Sends `bytes` as they stand to a service over TLS (without checking its
// certificate) and returns everything it answers until it closes; for
// requests that the WinInet functions would never make. End the request with
// "Connection: close".
inline std::string raw_exchange(std::uint16_t port, const std::string& bytes) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { ::close(*f); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!ctx || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return "(no connection)";
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), SSL_free);
    SSL_set_fd(ssl.get(), fd);
    if (SSL_connect(ssl.get()) != 1 || SSL_write(ssl.get(), bytes.data(), static_cast<int>(bytes.size())) <= 0)
        return "(no TLS)";
    std::string answer;
    char buffer[4096];
    for (int n; (n = SSL_read(ssl.get(), buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    return answer;
}

class SimTest : public ::testing::Test {
protected:
    static constexpr const char* kMember = "UM_distinctid=sim-member-0001";

    std::string host(std::uint16_t port) const { return "127.0.0.1:" + std::to_string(port); }

    void SetUp() override {
        std::string error;
        sim = Simulator::start(SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
        ASSERT_TRUE(sim) << error;
        set_extra_ca_file(sim->ca_file());
    }
    void TearDown() override { set_extra_ca_file(""); }

    Reply call(std::uint16_t port, const std::string& verb, const std::string& target, const std::string& headers = "",
               const std::string& body = "", DWORD flags = INTERNET_FLAG_NO_COOKIES) {
        Reply reply;
        HINTERNET session = InternetOpenA("SimTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        HINTERNET connection =
            InternetConnectA(session, "127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        bool secure = port != sim->control_port();
        HINTERNET request = HttpOpenRequestA(connection, verb.c_str(), target.c_str(), nullptr, nullptr, nullptr,
                                             flags | (secure ? INTERNET_FLAG_SECURE : 0), 0);
        reply.sent =
            HttpSendRequestA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                             body.empty() ? nullptr : const_cast<char*>(body.data()), static_cast<DWORD>(body.size()));
        char buffer[4096];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0)
            reply.body.append(buffer, read);
        DWORD size = sizeof reply.status;
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &reply.status, &size, nullptr);
        DWORD length = 0;
        HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr);
        reply.headers.resize(length);
        if (length && HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, reply.headers.data(), &length, nullptr))
            reply.headers.resize(length);
        InternetCloseHandle(session);
        return reply;
    }

    void scenario(const std::string& assignments) {
        Reply r = call(sim->control_port(), "POST", "/scenario", "", assignments);
        ASSERT_EQ(r.status, 200u) << r.body;
    }

    std::unique_ptr<Simulator> sim;
};

}  // namespace quilbex::sim::testing
