// The deployment's hosts and TLS trust from the settings file.

#include "app/net/ConfigKeys.h"
#include "app/net/HostValue.h"
#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/ProfileFile.h"
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

// The forum's address is the one host to give: the API defaults to it, the
// quote service and the account site are then not set (and not trusted).
TEST_F(NetConfigTest, the_forum_alone_is_enough_and_a_file_naming_other_hosts_must_name_it) {
    std::string file = write("Config.ini", "[HOSTS]\r\nforum = https://Bbs.Example:8443/forum.php?mod=x\r\napi=\r\n");
    NetConfig config = read_net_config(file, dir.string());
    EXPECT_TRUE(config_problem_message(config, file).empty());
    EXPECT_EQ(config.hosts.forum, "Bbs.Example:8443");
    EXPECT_EQ(config.hosts.api, "Bbs.Example:8443");
    EXPECT_EQ(config.hosts.quote, "");
    EXPECT_EQ(config.hosts.account, "");
    EXPECT_EQ(configured_hosts(config.hosts), std::vector<std::string>{"Bbs.Example:8443"});
    config = read_net_config(write("c.ini", "[HOSTS]\nforum=bbs.example\napi=m.example\naccount=id.example\n"), "");
    EXPECT_EQ(configured_hosts(config.hosts), (std::vector<std::string>{"bbs.example", "m.example", "id.example"}));

    file = write("Config.ini", "[HOSTS]\r\napi = m.example\r\n");
    config = read_net_config(file, dir.string());
    EXPECT_EQ(config.missing_hosts, std::vector<std::string>{"forum"});
    std::string message = kernel::gbk_to_utf8(config_problem_message(config, file));
    EXPECT_NE(message.find(file), std::string::npos);
    EXPECT_NE(message.find("缺少：forum"), std::string::npos);
    EXPECT_TRUE(read_net_config(write("none.ini", "[TLS]\r\ninsecure=0\r\n"), dir.string()).missing_hosts.empty());
}

// Explanations after values are part of the values (a ';' starts a comment
// only at the start of a line): each such value is listed, with its key.
TEST_F(NetConfigTest, values_are_checked_when_read_and_each_bad_one_is_listed_as_read) {
    std::string file = write("Config.ini", "[HOSTS]\nforum = 127.0.0.1:1 ; web\napi = [::1]:2\nquote = q.example\n"
                                           "account = http://a.example\n[TLS]\nca_file = none.pem\ninsecure = 0 ;\n"
                                           "[DAILY]\nwarn_days = 3 days\n");
    std::vector<std::string> listed;
    for (const auto& invalid : read_net_config(file, dir.string()).invalid_values)
        listed.push_back(invalid.key + "=" + invalid.value);
    EXPECT_EQ(listed, (std::vector<std::string>{"forum=127.0.0.1:1 ; web", "account=http://a.example",
                                                "ca_file=none.pem", "insecure=0 ;", "warn_days=3 days"}));
    EXPECT_EQ(read_net_config(write("w.ini", "[DAILY]\nwarn_days=7\n"), dir.string()).warn_days, 7);
    EXPECT_EQ(read_net_config(write("w.ini", "[DAILY]\nwarn_days=366\n"), dir.string()).invalid_values.size(), 1u);
}

TEST(HostValue, takes_names_dotted_quads_and_bracketed_ipv6_with_an_optional_port_and_nothing_else) {
    for (const char* good : {"bbs.example.com", "a-b.c1:8443", "127.0.0.1:18443", "[::1]", "[2001:db8::7]:65535",
                             "my_host.example", "bbs.example.com.:443", "localhost", "0xbeef.example", "1e5"})
        EXPECT_TRUE(is_valid_host_value(good)) << good;
    // Other spellings of IPv4 addresses that the resolver would still follow.
    for (const char* bad :
         {"",           "a b",    "a;b",    "a#b",        "a/b",           "a:0",        "a:65536",   "a:", "a:1:2",
          "::1",        "[::1",   "[::1]:", "[x]:1",      "1.2.3.256",     "-a.com",     "a..b",      ".",  "测试.cn",
          "0x7f000001", "0x7f.1", "127.1",  "0177.0.0.1", "2130706433:80", "127.0.0.1.", "0X7F.0.0.1"})
        EXPECT_FALSE(is_valid_host_value(bad)) << bad;
}

TEST(HostValue, a_service_address_keeps_the_host_and_port_of_an_https_address_or_page) {
    for (const auto& [address, host] : std::vector<std::pair<const char*, const char*>>{
             {"bbs.example.com", "bbs.example.com"},
             {"https://bbs.example.com/", "bbs.example.com"},
             {"HTTPS://bbs.example.com:8443/forum.php?mod=viewthread&tid=1#pid2", "bbs.example.com:8443"},
             {"https://[::1]:18443?x", "[::1]:18443"},
             {"bbs.example.com/forum.php", "bbs.example.com"}})
        EXPECT_EQ(service_host(address), std::optional<std::string>(host)) << address;
    for (const char* refused : {"http://bbs.example.com/", "ftp://bbs.example.com", "https://me@bbs.example.com/",
                                "https://me:pw@bbs.example.com", "https://", "https:///x", "https://0x7f.1/",
                                "bbs.example.com@evil.example", "javascript://x", "https://bbs.example.com/ ; web"})
        EXPECT_FALSE(service_host(refused)) << refused;
}

// A Linux editor writes UTF-8, a Windows one GBK: each is read as written,
// values of any length and ca_file paths included.
TEST_F(NetConfigTest, a_utf8_file_is_read_as_utf8_and_any_other_as_gbk) {
    const std::string message = "今天也要加油";
    std::string utf8 = write("u.ini", "[DAILY]\nmessage = " + message + "\n");
    std::string gbk = write("g.ini", "[DAILY]\nmessage = " + utf8_to_gbk(message) + "\n");
    EXPECT_EQ(read_setting_utf8(gbk, "DAILY", "message"), message);
    EXPECT_EQ(read_setting_text(utf8, "DAILY", "message"), utf8_to_gbk(message));
    std::string long_text(5000, 'x');
    EXPECT_EQ(read_setting_text(write("l.ini", "[D]\nm=" + long_text + "\n"), "D", "m"), long_text);

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

TEST_F(NetConfigTest, installing_hands_trust_to_wininet) {
    NetConfig config;
    config.ca_file = "/x/ca.pem";
    install_net_config(config);
    EXPECT_EQ(wininet::tls_trust().extra_ca_file, "/x/ca.pem");
    EXPECT_FALSE(wininet::tls_trust().insecure);
    EXPECT_EQ(net_config().ca_file, "/x/ca.pem");
}

// The member's settings file, as QUILBEX_CONFIG names it: read once, under
// the name the system gives it, whatever characters it holds.
class MemberSettingsFile : public NetConfigTest {
protected:
    void use_folders(const std::string& program, const std::string& named) {
        kernel::FolderEnvironment environment;
        environment.home = dir.string();
        environment.named_config = named;
        environment.program_folder_writable = !program.starts_with("/usr/");
        kernel::set_member_folders(kernel::decide_member_folders(program, "", environment));
    }
    void TearDown() override {
        use_folders(kernel::executable_directory(), "");
        reload_member_settings();
        NetConfigTest::TearDown();
    }
};

TEST_F(MemberSettingsFile, a_named_file_is_opened_by_its_own_name_and_read_once) {
    const std::string named = write("配置 😀 a\\b.ini", "[HOSTS]\nforum=bbs.example\n[DAILY]\nmessage=早上好 😀\n");
    use_folders(dir.string(), named);
    EXPECT_EQ(member_settings_path(), named);
    NetConfig config = read_member_net_config();
    EXPECT_EQ(config.hosts.forum, "bbs.example");
    EXPECT_EQ(config.daily_message, "早上好 😀");
    EXPECT_TRUE(config_problem_message(config, config.settings_file).empty());
    // Readers that name the file as a program text get the same reading, not a file named with '?'.
    EXPECT_EQ(read_setting_utf8(config_file_path(kernel::program_folder_text()), "HOSTS", "forum"), "bbs.example");

    write("配置 😀 a\\b.ini", "[HOSTS]\nforum=changed.example\n");
    EXPECT_EQ(member_settings()->value("hosts", "FORUM"), "bbs.example");
    EXPECT_EQ(reload_member_settings()->value("HOSTS", "forum"), "changed.example");
}

TEST_F(MemberSettingsFile, a_named_file_that_cannot_be_read_stops_the_run_and_a_missing_own_file_keeps_defaults) {
    use_folders(dir.string(), (dir / "gone.ini").string());
    NetConfig config = read_member_net_config();
    EXPECT_NE(kernel::gbk_to_utf8(config_problem_message(config, config.settings_file)).find("无法读取配置文件"),
              std::string::npos);

    use_folders(dir.string(), "");
    EXPECT_EQ(member_settings_path(), (dir / "Config.ini").string());
    config = read_member_net_config();
    EXPECT_TRUE(config_problem_message(config, config.settings_file).empty());
    EXPECT_EQ(config.hosts.forum, "127.0.0.1:18443");
    EXPECT_FALSE(needs_setup(config));

    // An installed copy has no local services: it first needs the forum's address.
    use_folders("/usr/lib/quilbex", "");
    config = read_member_net_config();
    EXPECT_TRUE(needs_setup(config));
    config.hosts_named = true;
    EXPECT_FALSE(needs_setup(config));
}

// The settings document answers as the profile functions do, from one reading.
TEST_F(NetConfigTest, the_settings_document_reads_keys_as_the_profile_functions_do) {
    const std::string text = "k=before any section\n[A]\nk = ' quoted '\nK=second\nbare\nbare=later\n"
                             "[ a ]\nx=second section\n[\xd5\x5d]\ng=\xb9\xfa\n[B] trailing\nv=\"x\n";
    const std::string file = write("p.ini", text);
    SettingsDocument document = SettingsDocument::parse(file, text);
    for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
             {"A", "k"}, {"a", "K"}, {"A", "bare"}, {"A", "x"}, {"\xd5\x5d", "g"}, {"b", "v"}, {"", "k"}, {"C", "k"}}) {
        char buffer[64];
        kernel::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, file.c_str());
        EXPECT_EQ(document.text(section, key), buffer) << section << "/" << key;
    }
    EXPECT_EQ(document.value("\xd5\x5d", "g"), "国");
}

// Each row of the key table is read, checked and named when refused.
TEST(ConfigKeys, a_row_added_to_the_table_is_read_checked_and_reported) {
    std::vector<ConfigKey> keys(config_keys().begin(), config_keys().end());
    keys.push_back({"DAILY", "greeting",
                    [](const std::string& value, const std::string&, NetConfig& config) {
                        config.daily_message = value;
                        return value.starts_with("hi");
                    },
                    "要以 hi 开头。"});
    SettingsDocument good = SettingsDocument::parse("/x/Config.ini", "[DAILY]\ngreeting=hi there\n");
    EXPECT_EQ(net_config_from(good, "/x", false, keys).daily_message, "hi there");
    EXPECT_EQ(net_config_from(good, "/x").daily_message, "");

    SettingsDocument bad = SettingsDocument::parse("/x/Config.ini", "[DAILY]\ngreeting=bye\n");
    NetConfig config = net_config_from(bad, "/x", false, keys);
    EXPECT_NE(kernel::gbk_to_utf8(config_problem_message(config, "/x/Config.ini"))
                  .find("[DAILY] greeting 的值是“bye”：要以 hi 开头。"),
              std::string::npos);
}

}  // namespace
}  // namespace quilbex::app
