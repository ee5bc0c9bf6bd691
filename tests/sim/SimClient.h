#pragma once
// Starts the local services on free ports and talks to them through the
// WinInet functions, trusting the services' own authority.

#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/WinInet.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <string>

namespace quilbex::sim::testing {

using namespace quilbex::wininet;

struct Reply {
    bool sent = false;
    DWORD status = 0;
    std::string headers;
    std::string body;
};

class SimTest : public ::testing::Test {
protected:
    static constexpr const char* kMember = "UM_distinctid=sim-member-0001";

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
        reply.sent = HttpSendRequestA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                                      body.empty() ? nullptr : const_cast<char*>(body.data()),
                                      static_cast<DWORD>(body.size()));
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
