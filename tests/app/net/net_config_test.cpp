// The deployment's hosts and TLS trust from the settings file.

#include "app/net/NetConfig.h"

#include "platform/wininet/TlsTrust.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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
    std::string file = write("Config.ini", "[HOSTS]\r\nforum = bbs.example:8443\r\napi=\r\n"
                                           "[TLS]\r\nca_file = certs/my ca.pem\r\ninsecure = 0\r\n");
    NetConfig config = read_net_config(file, dir.string());
    EXPECT_EQ(config.hosts.forum, "bbs.example:8443");
    EXPECT_EQ(config.hosts.api, "127.0.0.1:18444");  // empty value keeps the default
    EXPECT_EQ(config.ca_file, (dir / "certs/my ca.pem").string());
    EXPECT_FALSE(config.insecure);
    EXPECT_TRUE(read_net_config(write("b.ini", "[TLS]\ninsecure=1\n"), dir.string()).insecure);
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
