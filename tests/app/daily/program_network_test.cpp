// The program's network users under the environment's proxy settings, and
// what a daily run says when the forum cannot be reached: the host, the kind
// of fault, and for a refused certificate the reason, without waiting to try
// again.

#include "DailyFixture.h"
#include "sim/HttpServer.h"
#include "sim/PushService.h"
#include "support/ProxyStandIn.h"

#include <gmock/gmock.h>
#include <mutex>

namespace quilbex::daily_testing {
namespace {

using quilbex::testing::ProxyStandIn;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kPushKey = "SCTproxykey";

// A plain-http webhook receiver on loopback, as a member's own script would be.
class HookReceiver {
public:
    HookReceiver() {
        m_server = sim::HttpServer::start(0, std::nullopt, [this](const sim::Request& request) {
            std::lock_guard lock(m_mutex);
            m_received.push_back(request);
            return sim::Response::text(200, "OK", "text/plain", "ok");
        });
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_server->port()) + "/hook"; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_server->port()); }
    std::vector<sim::Request> received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    std::mutex m_mutex;
    std::vector<sim::Request> m_received;
    std::unique_ptr<sim::HttpServer> m_server;
};

class NetworkRun : public DailyRun {
protected:
    std::map<std::string, std::string> with(std::map<std::string, std::string> variables) const {
        auto env = quiet_desktop();
        for (const char* name :
             {"http_proxy", "https_proxy", "all_proxy", "no_proxy", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY"})
            env[name] = "";
        for (auto& [name, value] : variables)
            env[name] = value;
        return env;
    }
    void hook_to(const HookReceiver& hook, const std::string& ca_file) {
        write_config(ca_file, "[NOTIFY]\r\nwebhook=" + hook.url() +
                                  "\r\nwebhook_body={\"text\":\"{text}\"}\r\nwebhook_type=json\r\n");
    }
    std::string forum_host() const { return sim->host(sim->forum_port()); }
};

TEST_F(NetworkRun, a_plain_http_webhook_is_refused_while_a_proxy_would_carry_it_and_sent_when_no_proxy_exempts_it) {
    HookReceiver hook;
    ProxyStandIn proxy;
    hook_to(hook, sim->ca_file());
    RunResult refused = folder.run({"--notify-test"}, with({{"http_proxy", proxy.address()}}));
    EXPECT_EQ(refused.status, 1) << refused.out << refused.err;
    EXPECT_THAT(refused.out, HasSubstr("webhook（" + hook.host() + "）：没有送出：这个 http 地址会经代理明文转发"));
    EXPECT_TRUE(hook.received().empty());

    RunResult sent = folder.run({"--notify-test"}, with({{"all_proxy", proxy.address()}, {"no_proxy", "127.0.0.1"}}));
    EXPECT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_EQ(hook.received().size(), 1u);
    EXPECT_TRUE(proxy.carried().empty());
}

// The forum's requests and the alerts' take the same way: both through the
// https proxy, as CONNECT tunnels, or both direct.
TEST_F(NetworkRun, sign_in_and_alerts_tunnel_through_https_proxy_alike) {
    std::string error;
    auto push = sim::PushService::start(QUILBEX_SIM_CERT_DIR, kPushKey, &error);
    ASSERT_TRUE(push) << error;
    const std::string push_host = "127.0.0.1:" + std::to_string(push->port());
    write_config(sim->ca_file(),
                 "[NOTIFY]\r\nwebhook=https://" + push_host + "/" + kPushKey + ".send?title={title}&desp={text}\r\n");
    ProxyStandIn proxy;
    RunResult run = folder.run({"--sign-in", "--message", "x"}, with({{"https_proxy", proxy.address()}}));
    EXPECT_EQ(run.status, 0) << run.err;
    RunResult notified = folder.run({"--notify-test"}, with({{"HTTPS_PROXY", proxy.address()}}));
    EXPECT_EQ(notified.status, 0) << notified.out << notified.err;
    std::vector<std::string> carried = proxy.carried();
    EXPECT_THAT(carried, ::testing::Contains("CONNECT " + forum_host() + " HTTP/1.1"));
    EXPECT_THAT(carried, ::testing::Contains("CONNECT " + push_host + " HTTP/1.1"));
    EXPECT_EQ(push->requests().size(), 1u);

    std::size_t before = carried.size();
    RunResult direct = folder.run({"--notify-test"}, with({{"https_proxy", proxy.address()}, {"no_proxy", "*"}}));
    EXPECT_EQ(direct.status, 0) << direct.out;
    EXPECT_EQ(proxy.carried().size(), before);
    EXPECT_EQ(push->requests().size(), 2u);
}

TEST_F(NetworkRun, a_refused_certificate_is_not_tried_again_and_is_named_with_its_host_and_reason) {
    HookReceiver hook;
    hook_to(hook, "");  // the local services' authority is not trusted
    auto start = std::chrono::steady_clock::now();
    RunResult run = folder.run({"--sign-in", "--message", "x"}, with({}));
    // The default retries would wait a minute before the first new try.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(40));
    EXPECT_EQ(run.status, 3) << run.err;
    const std::string said = "证书被拒绝（" + forum_host() + "：证书不受信任，SSL certificate problem: ";
    EXPECT_THAT(run.out, HasSubstr("签到：" + said));
    EXPECT_THAT(run.err, HasSubstr("\nquilbex: " + said));
    EXPECT_THAT(run.err, Not(HasSubstr("秒后再试")));
    EXPECT_THAT(read_file(folder.file("History.log")), HasSubstr("\tsign-in\t" + said));
    ASSERT_EQ(hook.received().size(), 1u);
    EXPECT_THAT(hook.received()[0].body, HasSubstr(said));
    EXPECT_TRUE(requests("forum").empty());
}

// A connection cut without a reply says "连接中断" (see the retry tests).
TEST_F(NetworkRun, no_answer_names_the_host_and_the_kind_of_fault) {
    write_file(folder.file("Config.ini"), "[HOSTS]\r\nforum=127.0.0.1:1\r\napi=127.0.0.1:1\r\nquote=127.0.0.1:1\r\n"
                                          "account=127.0.0.1:1\r\n[TLS]\r\nca_file=" +
                                              sim->ca_file() + "\r\n");
    RunResult refused = sign_in({"--message", "x", "--retry", "0"});
    EXPECT_EQ(refused.status, 3) << refused.err;
    EXPECT_EQ(refused.out, "签到：网络无应答（127.0.0.1:1：连接被拒绝）\n");
    EXPECT_THAT(refused.err, HasSubstr("网络无应答（127.0.0.1:1：连接被拒绝）"));
}

}  // namespace
}  // namespace quilbex::daily_testing
