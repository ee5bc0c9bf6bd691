// Certificates are verified against the system's authorities plus the
// configured one; nothing a request sets switches that off.

#include "WireServer.h"

#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/WinInetErrors.h"
#include "sim/Simulator.h"

namespace quilbex::wininet::testing {
namespace {

class TlsTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
        ASSERT_TRUE(sim) << error;
    }
    void TearDown() override {
        set_extra_ca_file("");
        set_insecure(false);
    }

    // A GET of the quote service over https; `security_flags` is set on the
    // request first when not 0.
    Exchange fetch_quote(DWORD security_flags = 0) {
        Exchange out;
        HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        HINTERNET connection = InternetConnectA(session, "127.0.0.1", sim->quote_port(), nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "/api/soul", nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0);
        if (security_flags) {
            EXPECT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security_flags, 4));
        }
        out.sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
        out.send_error = out.sent ? 0 : GetLastError();
        char buffer[256];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0)
            out.body.append(buffer, read);
        InternetCloseHandle(session);
        return out;
    }

    std::unique_ptr<sim::Simulator> sim;
};

TEST_F(TlsTrustTest, a_certificate_from_an_unknown_authority_is_refused_whatever_the_request_asks) {
    Exchange plain = fetch_quote();
    EXPECT_FALSE(plain.sent);
    EXPECT_EQ(plain.send_error, ERROR_INTERNET_INVALID_CA);
    EXPECT_TRUE(plain.body.empty());

    DWORD ignore_everything = SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA |
                              SECURITY_FLAG_IGNORE_WRONG_USAGE | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                              SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
    Exchange flagged = fetch_quote(ignore_everything);
    EXPECT_FALSE(flagged.sent);
    EXPECT_EQ(flagged.send_error, ERROR_INTERNET_INVALID_CA);
    EXPECT_TRUE(sim->state().log.entries().empty());
}

TEST_F(TlsTrustTest, the_configured_authority_is_trusted_besides_the_system_ones) {
    set_extra_ca_file(sim->ca_file());
    Exchange e = fetch_quote();
    ASSERT_TRUE(e.sent) << e.send_error;
    EXPECT_NE(e.body.find("\"title\""), std::string::npos);
}

TEST_F(TlsTrustTest, a_missing_authority_file_fails_the_request) {
    set_extra_ca_file(std::string(QUILBEX_SIM_CERT_DIR) + "/no-such-file.pem");
    Exchange e = fetch_quote();
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.send_error, ERROR_INTERNET_INVALID_CA);
}

TEST_F(TlsTrustTest, only_an_explicit_insecure_setting_switches_verification_off) {
    set_insecure(true);
    Exchange e = fetch_quote();
    ASSERT_TRUE(e.sent) << e.send_error;
    set_insecure(false);
    EXPECT_FALSE(fetch_quote().sent);
}

}  // namespace
}  // namespace quilbex::wininet::testing
