// Which server certificates the extra per-host trust accepts.

#include "engine/TlsTrust.h"
#include "tests/engine/TestTls.h"

#include <gtest/gtest.h>

namespace quilbex::engine {
namespace {

using quilbex::testing::TempDir;
using quilbex::testing::TestAuthority;

GRef<GTlsCertificate> load(const std::string& file) {
    return GRef<GTlsCertificate>::adopt(g_tls_certificate_new_from_file(file.c_str(), nullptr));
}

class TlsTrustTest : public ::testing::Test {
protected:
    TempDir m_dir;
    TestAuthority m_authority{m_dir.path(), "local"};
    TestAuthority m_rogue{m_dir.path(), "rogue"};
};

TEST_F(TlsTrustTest, accepts_a_certificate_of_the_configured_authority_only_for_configured_hosts) {
    TlsTrust trust;
    ASSERT_TRUE(trust.allow_authority("127.0.0.1", m_authority.ca_file().c_str()));
    ASSERT_TRUE(trust.allow_authority("LocalHost", m_authority.ca_file().c_str()));
    auto server = load(m_authority.issue_server("server").cert_file);
    ASSERT_TRUE(server);
    EXPECT_TRUE(trust.accepts("127.0.0.1", server.get()));
    EXPECT_TRUE(trust.accepts("localhost", server.get()));
    EXPECT_FALSE(trust.accepts("127.0.0.2", server.get()));
    EXPECT_FALSE(trust.accepts("example.com", server.get()));
    EXPECT_FALSE(trust.accepts("127.0.0.1", nullptr));
}

TEST_F(TlsTrustTest, refuses_certificates_of_other_authorities_and_the_authority_itself) {
    TlsTrust trust;
    ASSERT_TRUE(trust.allow_authority("127.0.0.1", m_authority.ca_file().c_str()));
    auto rogue_server = load(m_rogue.issue_server("rogue-server").cert_file);
    ASSERT_TRUE(rogue_server);
    EXPECT_FALSE(trust.accepts("127.0.0.1", rogue_server.get()));
    // The authority's own certificate does not name the host.
    auto authority = load(m_authority.ca_file());
    EXPECT_FALSE(trust.accepts("127.0.0.1", authority.get()));
}

TEST_F(TlsTrustTest, configuration_without_a_host_or_a_readable_file_trusts_nothing) {
    TlsTrust trust;
    EXPECT_FALSE(trust.allow_authority("", m_authority.ca_file().c_str()));
    EXPECT_FALSE(trust.allow_authority("127.0.0.1", (m_dir.path() + "/missing.pem").c_str()));
    EXPECT_FALSE(trust.allow_authority("127.0.0.1", nullptr));
    EXPECT_FALSE(trust.has_host("127.0.0.1"));
    auto server = load(m_authority.issue_server("server").cert_file);
    EXPECT_FALSE(trust.accepts("127.0.0.1", server.get()));
}

}  // namespace
}  // namespace quilbex::engine
