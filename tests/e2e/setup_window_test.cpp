// The set-up window on its own (portable copy, `quilbex --setup`): the
// connection check gives each host its own line with the exact fault, and
// cancelling ends the program without writing anything.

#include "sim/HttpServer.h"
#include "tests/e2e/ToolFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr const char* kSetupTitle = "Quilbex 设置";
constexpr Point kMoreButton{52, 82};
constexpr Point kApiField{270, 116};
constexpr Point kQuoteField{270, 146};
constexpr Point kResultBox{226, 340};
constexpr Point kTestButton{60, 414};
constexpr Point kCancelButton{392, 414};

class SetupWindowTest : public ToolTest {
protected:
    // A server on a free port presenting the certificate `name`.pem of the test certificates.
    std::string serve(const std::string& name) {
        const std::string dir = QUILBEX_SIM_CERT_DIR;
        m_servers.push_back(sim::HttpServer::start(0,
                                                   sim::TlsFiles{dir + "/" + name + ".pem", dir + "/" + name + ".key"},
                                                   [](const sim::Request&) { return sim::Response{}; }));
        return m_servers.back() ? "127.0.0.1:" + std::to_string(m_servers.back()->port()) : "";
    }
    // A port on which nothing listens.
    static std::string closed_port() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        ::close(fd);
        return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    void press(Point p) { m_desktop->click(m_setup, p.x, p.y); }
    std::string check_report() {
        press(kTestButton);
        std::string report;
        wait_until(
            [&] {
                report = m_desktop->copy_text_at(m_setup, kResultBox.x, kResultBox.y);
                return report.find("连接。") != std::string::npos;  // the closing line
            },
            60s);
        return report;
    }

    std::vector<std::unique_ptr<sim::HttpServer>> m_servers;
    ChildProcess m_run;
    XWindow m_setup = 0;
};

TEST_F(SetupWindowTest, each_host_gets_one_line_with_its_fault_and_cancel_writes_nothing) {
    start_services();
    install_program(false);
    const std::string forum = services().host(services().forum_port());
    const std::string expired = serve("expired"), other_name = serve("other-name"), untrusted = serve("untrusted");
    const std::string settings = "; the member's own note\r\n[HOSTS]\r\nforum=" + forum + "\r\napi=" + expired +
                                 "\r\nquote=" + other_name + "\r\naccount=" + untrusted +
                                 "\r\n[TLS]\r\nca_file=" + services().ca_file() + "\r\n";
    write_file(folder() + "/Config.ini", settings);

    m_run = ChildProcess({folder() + "/quilbex", "--setup"}, {"DISPLAY=" + m_desktop->display()},
                         folder() + "/setup.log", folder());
    auto window = m_desktop->wait_window(kSetupTitle, 40s);
    ASSERT_TRUE(window) << read_file(folder() + "/setup.log");
    m_setup = *window;
    std::this_thread::sleep_for(800ms);
    m_desktop->xdotool("windowactivate --sync " + std::to_string(m_setup));

    std::string report = check_report();
    EXPECT_THAT(report, HasSubstr("forum  " + forum + "：可以连接"));
    EXPECT_THAT(report, HasSubstr("api  " + expired + "：证书已过期"));
    EXPECT_THAT(report, HasSubstr("quote  " + other_name + "：证书是发给别的域名的"));
    EXPECT_THAT(report, HasSubstr("account  " + untrusted + "：证书不受信任"));
    EXPECT_THAT(report, HasSubstr("有主机无法连接。"));

    press(kMoreButton);
    const std::string closed = closed_port();
    for (auto [field, text] :
         {std::pair{kApiField, std::string("no-such-host.invalid")}, std::pair{kQuoteField, closed}}) {
        press(field);
        m_desktop->key("ctrl+a");
        m_desktop->type(text);
    }
    report = check_report();
    EXPECT_THAT(report, HasSubstr("api  no-such-host.invalid：域名无法解析"));
    EXPECT_THAT(report, HasSubstr("quote  " + closed + "：连接被拒绝"));
    m_desktop->screenshot("setup-window-faults.png");

    press(kCancelButton);
    EXPECT_TRUE(m_desktop->wait_window_gone(kSetupTitle));
    EXPECT_TRUE(wait_until([&] { return !m_run.running(); }, 30s)) << "the program did not end";
    EXPECT_EQ(read_file(folder() + "/Config.ini"), settings);
}

}  // namespace
}  // namespace quilbex::e2e
