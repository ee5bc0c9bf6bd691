// Certificates are verified against the system's authorities plus the
// configured one; nothing a request sets switches that off.

#include "WireServer.h"
#include "platform/wininet/RequestFailure.h"
#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/WinInetErrors.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <openssl/pem.h>

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
        ::unsetenv("SSL_CERT_DIR");
        ::unsetenv("SSL_CERT_FILE");
        if (!system_dir.empty())
            std::filesystem::remove_all(system_dir);
    }

    // A fresh folder standing for the system's authorities; with `hashed`
    // the sim's authority is linked in it under its subject hash, the way
    // the system's folder is laid out.
    void use_system_dir(bool hashed) {
        char name[] = "/tmp/quilbex-authorities-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        system_dir = name;
        ::setenv("SSL_CERT_DIR", name, 1);
        if (!hashed)
            return;
        std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sim->ca_file().c_str(), "r"), &std::fclose);
        ASSERT_TRUE(file);
        std::unique_ptr<X509, void (*)(X509*)> ca(PEM_read_X509(file.get(), nullptr, nullptr, nullptr), X509_free);
        ASSERT_TRUE(ca);
        char hash[16];
        std::snprintf(hash, sizeof hash, "%08lx.0", X509_subject_name_hash(ca.get()));
        std::filesystem::copy_file(sim->ca_file(), system_dir / hash);
    }

    // A GET of the quote service over https; `security_flags` is set on the
    // request first when not 0.
    Exchange fetch_quote(DWORD security_flags = 0) {
        Exchange out;
        HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        HINTERNET connection =
            InternetConnectA(session, "127.0.0.1", sim->quote_port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
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
    std::filesystem::path system_dir;
};

TEST_F(TlsTrustTest, a_certificate_from_an_unknown_authority_is_refused_whatever_the_request_asks) {
    Exchange plain = fetch_quote();
    EXPECT_FALSE(plain.sent);
    EXPECT_EQ(plain.send_error, ERROR_INTERNET_INVALID_CA);
    EXPECT_TRUE(plain.body.empty());
    // The run that sent it can name the host and OpenSSL's reason.
    RequestFailure failure = last_request_failure();
    EXPECT_EQ(failure.kind, FailureKind::certificate_untrusted);
    EXPECT_EQ(failure.host, "127.0.0.1:" + std::to_string(sim->quote_port()));
    EXPECT_NE(failure.reason.find("certificate"), std::string::npos) << failure.reason;

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

// System authorities are looked up in the hashed folder when a chain needs
// them; a bundle is still read when the folder has none or SSL_CERT_FILE
// names one.
TEST_F(TlsTrustTest, system_authorities_come_from_the_hashed_folder_or_else_the_bundle) {
    use_system_dir(true);
    Exchange from_folder = fetch_quote();
    ASSERT_TRUE(from_folder.sent) << from_folder.send_error;
    EXPECT_NE(from_folder.body.find("\"title\""), std::string::npos);

    std::filesystem::remove_all(system_dir);
    use_system_dir(false);
    EXPECT_EQ(fetch_quote().send_error, ERROR_INTERNET_INVALID_CA);

    ::setenv("SSL_CERT_FILE", sim->ca_file().c_str(), 1);
    Exchange from_bundle = fetch_quote();
    EXPECT_TRUE(from_bundle.sent) << from_bundle.send_error;
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
