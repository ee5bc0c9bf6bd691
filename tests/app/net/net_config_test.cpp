// The deployment's hosts and TLS trust from the settings file.

#include "app/net/HostValue.h"
#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "platform/kernel/CodePage.h"
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
using kernel::gbk_to_utf8;
using kernel::utf8_to_gbk;

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
    fs::create_directories(dir / "certs");
    write("certs/my ca.pem", "x");
    NetConfig config = read_net_config(file, dir.string());
    EXPECT_TRUE(config_problem_message(config, file).empty());
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

// The example the README used to give, with explanations after the values:
// a ';' starts a comment only at the start of a line, so each explanation is
// part of its value, and the file is refused naming the keys and values.
TEST_F(NetConfigTest, values_with_comments_after_them_are_refused_with_file_key_and_value_named) {
    std::string file =
        write("Config.ini", "[HOSTS]\n"
                            "forum   = 127.0.0.1:18443   ; the forum's web site\n"
                            "api     = 127.0.0.1:18444   ; the forum's mobile API (lottery)\n"
                            "quote   = 127.0.0.1:18445   ; the quote service\n"
                            "account = 127.0.0.1:18446   ; the account site of the login window\n"
                            "[TLS]\n"
                            "ca_file  = /path/to/ca.pem  ; an extra authority to trust besides the system's\n"
                            "insecure = 0                ; 1 switches the HTTP client's certificate checks off\n");
    NetConfig config = read_net_config(file, dir.string());
    ASSERT_EQ(config.invalid_values.size(), 6u);
    EXPECT_EQ(config.invalid_values[0].key, "forum");
    EXPECT_EQ(config.invalid_values[0].value, "127.0.0.1:18443   ; the forum's web site");
    EXPECT_EQ(config.invalid_values[4].key, "ca_file");
    EXPECT_EQ(config.invalid_values[5].value, "0                ; 1 switches the HTTP client's certificate checks off");
    std::string message = gbk_to_utf8(config_problem_message(config, file));
    EXPECT_NE(message.find(file), std::string::npos) << message;
    EXPECT_NE(message.find("[HOSTS] forum 的值是“127.0.0.1:18443   ; the forum's web site”"), std::string::npos);
    EXPECT_NE(message.find("[TLS] insecure"), std::string::npos);
    EXPECT_NE(message.find("';' 只在一行的开头才表示注释"), std::string::npos);

    // The same file with the explanations on lines of their own is fine.
    write("ca.pem", "x");
    file = write("Config.ini", "[HOSTS]\n; the forum's web site\nforum = 127.0.0.1:18443\napi = [::1]:18444\n"
                               "quote = quote.example.com\naccount = localhost:1\n[TLS]\nca_file = ca.pem\n");
    EXPECT_TRUE(config_problem_message(read_net_config(file, dir.string()), file).empty());
}

TEST(HostValue, takes_names_ipv4_and_bracketed_ipv6_with_an_optional_port_and_nothing_else) {
    for (const char* good : {"bbs.example.com", "a-b.c1:8443", "localhost", "127.0.0.1:18443", "[::1]", "[::1]:65535",
                             "[2001:db8::7]:1", "x:1"})
        EXPECT_TRUE(is_valid_host_value(good)) << good;
    for (const char* bad : {"",
                            "https://bbs.example.com",
                            "bbs.example.com/forum",
                            "bbs example.com",
                            "a;b",
                            "a#b",
                            "a:0",
                            "a:65536",
                            "a:",
                            "a:+1",
                            "::1",
                            "[::1",
                            "[::1]:",
                            "[::1]x",
                            "[x]:1",
                            "1.2.3.256",
                            "-a.com",
                            "a..b",
                            "a:1:2",
                            "测试.cn"})
        EXPECT_FALSE(is_valid_host_value(bad)) << bad;
}

// A Linux editor writes UTF-8, a Windows one GBK: each is read as written.
TEST_F(NetConfigTest, a_utf8_file_is_read_as_utf8_and_any_other_as_gbk) {
    const std::string message = "今天也要加油";
    std::string utf8 = write("u.ini", "[DAILY]\nmessage = " + message + "\n");
    std::string bom = write("b.ini", "\xEF\xBB\xBF[DAILY]\nmessage = " + message + "\n");
    std::string gbk = write("g.ini", "[DAILY]\nmessage = " + utf8_to_gbk(message) + "\n");
    for (const std::string& file : {utf8, bom, gbk}) {
        EXPECT_EQ(read_setting_text(file, "DAILY", "message"), utf8_to_gbk(message)) << file;
        EXPECT_EQ(read_setting_utf8(file, "DAILY", "message"), message) << file;
    }
    EXPECT_FALSE(settings_file_is_utf8(gbk));
    // Long values are read whole.
    std::string long_text(5000, 'x');
    EXPECT_EQ(read_setting_text(write("l.ini", "[DAILY]\nmessage=" + long_text + "\n"), "DAILY", "message"), long_text);

    // A ca_file path in UTF-8 names the file as written.
    fs::create_directories(dir / "证书 😀");
    write("证书 😀/ca.pem", "x");
    std::string config = write("c.ini", "[TLS]\nca_file = 证书 😀/ca.pem\n");
    EXPECT_EQ(read_net_config(config, dir.string()).ca_file, (dir / "证书 😀/ca.pem").string());
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
