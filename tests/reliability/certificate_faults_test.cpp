// http_request against TLS peers whose certificate must not be accepted:
// self-signed, issued for another host, expired. Whatever security flags the
// request sets, such a peer gets no request and the caller gets nothing from
// it: no body, no headers, no cookies. A peer with a certificate from a
// trusted authority for the right host, on the same server code, is the
// control that shows the refusals come from the certificate alone.

#include "NetworkFaultFixture.h"
#include "TlsServer.h"
#include "platform/wininet/RequestFailure.h"
#include "platform/wininet/TlsTrust.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quilbex::reliability {
namespace {

namespace fs = std::filesystem;

const std::string kResponse =
    "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nSet-Cookie: leak=1\r\nConnection: close\r\n\r\nsecret";

class CertificateFaults : public NetworkFaults {
protected:
    void SetUp() override {
        NetworkFaults::SetUp();
        m_trust_file = fs::temp_directory_path() / ("quilbex-fault-authority-" + std::to_string(::getpid()) + ".pem");
        std::ofstream(m_trust_file) << m_authority.pem();
        wininet::set_extra_ca_file(m_trust_file.string());
    }
    void TearDown() override {
        wininet::set_extra_ca_file("");
        std::error_code ignored;
        fs::remove(m_trust_file, ignored);
    }

    struct Exchange {
        std::string body, headers, cookies, returned;
        int handshakes = 0, requests = 0;
        std::chrono::steady_clock::duration took{};
        wininet::RequestFailure failure;
    };

    static Exchange fetch(ServerIdentity identity) {
        Exchange e;
        Text cookies = app::make_text("sent=1");
        Text returned = app::make_text("stale");
        Text headers = app::make_text("stale");
        {
            TlsServer server(std::move(identity), kResponse);
            std::string url = server.url("/api");
            auto start = std::chrono::steady_clock::now();
            ByteSet body = app::http_request(
                {.url = url.c_str(), .cookies = &cookies, .returned_cookies = &returned, .returned_headers = &headers});
            e.took = std::chrono::steady_clock::now() - start;
            e.failure = wininet::last_request_failure();
            e.body = bytes(body);
            server.stop();
            e.handshakes = server.handshakes();
            e.requests = server.requests();
        }
        e.headers = app::str(headers);
        e.cookies = app::str(cookies);
        e.returned = app::str(returned);
        return e;
    }

    TestAuthority m_authority;

private:
    fs::path m_trust_file;
};

TEST_F(CertificateFaults, a_trusted_certificate_for_the_host_carries_the_request) {
    Exchange e = fetch(m_authority.issue("127.0.0.1"));
    EXPECT_EQ(e.requests, 1);
    EXPECT_EQ(e.body, "secret");
    EXPECT_NE(e.headers.find("Set-Cookie: leak=1"), std::string::npos) << e.headers;
    EXPECT_NE(e.cookies.find("leak=1"), std::string::npos) << e.cookies;
    expect_nothing_left();
}

TEST_F(CertificateFaults, self_signed_wrong_host_and_expired_certificates_get_no_request) {
    using wininet::FailureKind;
    struct Case {
        const char* name;
        ServerIdentity identity;
        FailureKind kind;  // what the run that sent it is told
    };
    Case cases[] = {
        {"self-signed", self_signed("127.0.0.1"), FailureKind::certificate_untrusted},
        {"issued for another host", m_authority.issue("wrong.example"), FailureKind::certificate_wrong_name},
        {"expired", m_authority.issue("127.0.0.1", {-7 * 86400, -86400}), FailureKind::certificate_expired},
        {"not yet valid", m_authority.issue("127.0.0.1", {86400, 7 * 86400}), FailureKind::certificate_expired},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exchange e = fetch(std::move(c.identity));
        EXPECT_EQ(e.requests, 0) << "the request went to a peer whose certificate was refused";
        EXPECT_EQ(e.body, "");
        EXPECT_EQ(e.headers, "");
        // Nothing came back, so the merge holds the sent cookies alone.
        EXPECT_EQ(e.cookies, "sent=1");
        EXPECT_EQ(e.returned, "sent=1");
        EXPECT_LT(e.took, 5s);
        EXPECT_EQ(e.failure.kind, c.kind) << e.failure.reason;
        EXPECT_EQ(e.failure.host.rfind("127.0.0.1:", 0), 0u) << e.failure.host;
    }
    expect_nothing_left();
}

}  // namespace
}  // namespace quilbex::reliability
