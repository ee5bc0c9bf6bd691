// The connection check names the step that failed: a name that does not
// resolve, a closed port, a silent server, and each certificate that the
// process's trust refuses.

#include "platform/wininet/HostCheck.h"
#include "platform/wininet/TlsTrust.h"
#include "sim/HttpServer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quilbex::wininet::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kCeiling = 30s;

class HostCheckTest : public ::testing::Test {
protected:
    HostCheck check(const std::string& host, std::chrono::milliseconds timeout = kCeiling) {
        return check_host(host, trust, timeout);
    }

    // A server on a free port that presents the certificate `name`.pem.
    std::string serve(const std::string& name) {
        const std::string dir = QUILBEX_SIM_CERT_DIR;
        std::string error;
        servers.push_back(sim::HttpServer::start(
            0, sim::TlsFiles{dir + "/" + name + ".pem", dir + "/" + name + ".key"},
            [](const sim::Request&) { return sim::Response{}; }, &error));
        EXPECT_TRUE(servers.back()) << error;
        return "127.0.0.1:" + std::to_string(servers.back() ? servers.back()->port() : 0);
    }

    // A bound socket: listening (connections complete, nothing is ever
    // said) or not (connections are refused). Its address.
    std::string socket_on_free_port(bool listening) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
        if (listening)
            EXPECT_EQ(::listen(fd, 4), 0);
        sockets.push_back(fd);
        return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }

    ~HostCheckTest() override {
        for (int fd : sockets)
            ::close(fd);
    }

    TlsTrust trust{std::string(QUILBEX_SIM_CERT_DIR) + "/ca.pem", false};
    std::vector<std::unique_ptr<sim::HttpServer>> servers;
    std::vector<int> sockets;
};

TEST_F(HostCheckTest, a_trusted_server_passes_and_each_refused_certificate_has_its_own_fault) {
    EXPECT_EQ(check(serve("server")).fault, HostFault::none);
    EXPECT_EQ(check(serve("expired")).fault, HostFault::certificate_expired);
    HostCheck other = check(serve("other-name"));
    EXPECT_EQ(other.fault, HostFault::certificate_wrong_name) << other.detail;
    HostCheck untrusted = check(serve("untrusted"));
    EXPECT_EQ(untrusted.fault, HostFault::certificate_untrusted);
    EXPECT_FALSE(untrusted.detail.empty());
    // The same server is refused as soon as the authority is no longer trusted.
    const std::string trusted_before = serve("server");
    trust.extra_ca_file.clear();
    EXPECT_EQ(check(trusted_before).fault, HostFault::certificate_untrusted);
    trust.insecure = true;
    EXPECT_EQ(check(serve("expired")).fault, HostFault::none) << "a deployment that switched checks off";
}

TEST_F(HostCheckTest, a_bad_name_a_closed_port_and_a_silent_server_are_told_apart) {
    EXPECT_EQ(check("no-such-host.invalid").fault, HostFault::name_unresolved);
    EXPECT_EQ(check(socket_on_free_port(false)).fault, HostFault::refused);
    // The handshake never gets an answer: the check gives up at its own limit.
    EXPECT_EQ(check(socket_on_free_port(true), 1500ms).fault, HostFault::timeout);
}

}  // namespace
}  // namespace quilbex::wininet::testing
