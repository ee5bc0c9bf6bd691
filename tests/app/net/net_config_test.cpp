// The deployment's hosts and TLS trust from the settings file.

#include "app/net/NetConfig.h"
#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/WinInet.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <vector>

namespace quilbex::app {
namespace {

namespace fs = std::filesystem;

class NetConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quilbex-netcfg-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        ::unsetenv("QUILBEX_CONFIG");
        install_net_config(NetConfig{});
    }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    }
    fs::path dir;
};

TEST_F(NetConfigTest, without_a_file_the_demo_services_are_the_defaults) {
    NetConfig config = read_net_config((dir / "missing.ini").string(), dir.string());
    EXPECT_EQ(config.hosts.forum, "127.0.0.1:18443");
    EXPECT_EQ(config.hosts.api, "127.0.0.1:18444");
    EXPECT_EQ(config.hosts.quote, "127.0.0.1:18445");
    EXPECT_EQ(config.hosts.account, "127.0.0.1:18446");
    EXPECT_EQ(config.ca_file, "");
    EXPECT_FALSE(config.insecure);

    fs::create_directories(dir / "sim-certs");
    write("sim-certs/ca.pem", "x");
    EXPECT_EQ(read_net_config((dir / "missing.ini").string(), dir.string()).ca_file,
              (dir / "sim-certs/ca.pem").string());
}

TEST_F(NetConfigTest, the_file_overrides_hosts_and_names_an_authority_relative_to_itself) {
    std::string file = write("Config.ini", "[HOSTS]\r\nforum = bbs.example:8443\r\napi=a.example\r\n"
                                           "quote=q.example\r\naccount=id.example\r\n"
                                           "[TLS]\r\nca_file = certs/my ca.pem\r\ninsecure = 0\r\n");
    NetConfig config = read_net_config(file, dir.string());
    EXPECT_EQ(config.hosts.forum, "bbs.example:8443");
    EXPECT_EQ(config.hosts.api, "a.example");
    EXPECT_TRUE(config.missing_hosts.empty());
    EXPECT_EQ(config.ca_file, (dir / "certs/my ca.pem").string());
    EXPECT_FALSE(config.insecure);
    EXPECT_TRUE(read_net_config(write("b.ini", "[TLS]\ninsecure=1\n"), dir.string()).insecure);
}

TEST_F(NetConfigTest, a_file_that_names_some_hosts_but_not_all_is_refused_with_the_missing_keys) {
    // An empty value counts as missing.
    std::string file = write("Config.ini", "[HOSTS]\r\nforum = bbs.example\r\napi=\r\n");
    NetConfig config = read_net_config(file, dir.string());
    EXPECT_EQ(config.missing_hosts, (std::vector<std::string>{"api", "quote", "account"}));
    std::string message = missing_hosts_message(config, file);
    EXPECT_NE(message.find(file), std::string::npos);
    EXPECT_NE(message.find("api, quote, account"), std::string::npos);
    EXPECT_TRUE(read_net_config(write("none.ini", "[TLS]\r\ninsecure=0\r\n"), dir.string()).missing_hosts.empty());
}

// The demo authority beside the program, against the local services.
class DemoAuthority : public NetConfigTest {
protected:
    void SetUp() override {
        NetConfigTest::SetUp();
        wininet::register_wininet();
        std::string error;
        sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
        ASSERT_TRUE(sim) << error;
        fs::create_directories(dir / "sim-certs");
        fs::copy_file(sim->ca_file(), dir / "sim-certs/ca.pem");
    }
    bool quote_fetched(const std::string& host) {
        using namespace wininet;
        HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        HINTERNET connection =
            InternetConnectA(session, host.c_str(), sim->quote_port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "/api/soul", nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0);
        BOOL sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
        InternetCloseHandle(session);
        return sent;
    }
    std::unique_ptr<sim::Simulator> sim;
};

TEST_F(DemoAuthority, is_trusted_only_while_every_host_is_a_loopback_default) {
    NetConfig defaults = read_net_config((dir / "missing.ini").string(), dir.string());
    EXPECT_EQ(defaults.ca_file, (dir / "sim-certs/ca.pem").string());
    install_net_config(defaults);
    EXPECT_TRUE(quote_fetched("127.0.0.1"));
    EXPECT_TRUE(quote_fetched("localhost"));

    // Every host named, none a default: the demo authority is not trusted, so
    // a server with its certificate is refused before any request is made.
    std::size_t before = sim->state().log.entries().size();
    std::string port = std::to_string(sim->quote_port());
    std::string file =
        write("Config.ini", "[HOSTS]\r\nforum=localhost:" + port + "\r\napi=localhost:" + port +
                                "\r\nquote=localhost:" + port + "\r\naccount=localhost:" + port + "\r\n");
    NetConfig named = read_net_config(file, dir.string());
    EXPECT_EQ(named.ca_file, "");
    install_net_config(named);
    EXPECT_FALSE(quote_fetched("localhost"));
    EXPECT_EQ(sim->state().log.entries().size(), before);
}

TEST_F(DemoAuthority, carries_name_constraints_for_loopback_only) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sim->ca_file().c_str(), "r"), &std::fclose);
    ASSERT_TRUE(file);
    std::unique_ptr<X509, void (*)(X509*)> ca(PEM_read_X509(file.get(), nullptr, nullptr, nullptr), &X509_free);
    ASSERT_TRUE(ca);
    int critical = 0;
    std::unique_ptr<NAME_CONSTRAINTS, void (*)(NAME_CONSTRAINTS*)> constraints(
        static_cast<NAME_CONSTRAINTS*>(X509_get_ext_d2i(ca.get(), NID_name_constraints, &critical, nullptr)),
        &NAME_CONSTRAINTS_free);
    ASSERT_TRUE(constraints);
    EXPECT_EQ(critical, 1);
    std::vector<std::string> permitted;
    for (int i = 0; i < sk_GENERAL_SUBTREE_num(constraints->permittedSubtrees); ++i) {
        GENERAL_NAME* name = sk_GENERAL_SUBTREE_value(constraints->permittedSubtrees, i)->base;
        if (name->type == GEN_DNS)
            permitted.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.dNSName)));
        else if (name->type == GEN_IPADD)
            permitted.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.iPAddress)),
                                   ASN1_STRING_length(name->d.iPAddress));
    }
    EXPECT_EQ(permitted, (std::vector<std::string>{std::string("\x7f\0\0\0\xff\0\0\0", 8), "localhost"}));
    // Its private key is not kept beside the program or the services.
    EXPECT_FALSE(fs::exists(fs::path(QUILBEX_SIM_CERT_DIR) / "ca.key"));
}

TEST_F(NetConfigTest, the_environment_names_the_file_and_installing_hands_trust_to_wininet) {
    EXPECT_EQ(config_file_path("C:\\prog"), "C:\\prog\\Config.ini");
    ::setenv("QUILBEX_CONFIG", "/etc/quilbex.ini", 1);
    EXPECT_EQ(config_file_path("C:\\prog"), "/etc/quilbex.ini");

    NetConfig config;
    config.ca_file = "/x/ca.pem";
    install_net_config(config);
    EXPECT_EQ(wininet::tls_trust().extra_ca_file, "/x/ca.pem");
    EXPECT_FALSE(wininet::tls_trust().insecure);
    EXPECT_EQ(net_config().ca_file, "/x/ca.pem");
}

}  // namespace
}  // namespace quilbex::app
