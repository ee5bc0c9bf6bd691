// Pages take the way out that the program's proxy policy decides: through
// the proxy that http_proxy / https_proxy name, directly for the hosts of
// no_proxy, exactly as the program's own requests (the policy is handed over
// as the program hands it, from the same function).

#include "platform/wininet/ProxyPolicy.h"
#include "support/ProxyStandIn.h"
#include "tests/engine/EngineFixture.h"

#include <cstdlib>
#include <gmock/gmock.h>

namespace quilbex::testing {
namespace {

class EngineProxyTest : public EngineFixture {
protected:
    // The engine outlives the test: later tests in this process go direct.
    void TearDown() override {
        for (const char* name : {"http_proxy", "https_proxy", "no_proxy"})
            ::unsetenv(name);
        api().wkeQuilbexSetProxy(nullptr, nullptr, nullptr);
    }

    // What the browser binding does when the engine starts.
    static void hand_over_policy() {
        wininet::EngineProxy proxy = wininet::engine_proxy();
        api().wkeQuilbexSetProxy(proxy.http.c_str(), proxy.https.c_str(), proxy.ignore_list().c_str());
    }
};

TEST_F(EngineProxyTest, pages_go_through_the_environments_proxy_except_to_hosts_it_exempts) {
    httplib::Server server;
    std::vector<std::string> served;
    std::mutex lock;
    server.Get(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard<std::mutex> guard(lock);
        served.push_back(req.path);
        res.set_content("<title>" + req.path + "</title>", "text/html");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    const std::string origin = "http://127.0.0.1:" + std::to_string(port);
    ProxyStandIn proxy;
    ::setenv("http_proxy", proxy.address().c_str(), 1);
    hand_over_policy();

    wkeWebView view = make_view();
    EXPECT_EQ(load_and_wait(view, origin + "/via-proxy"), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_EQ(proxy.carried(), std::vector<std::string>{"GET " + origin + "/via-proxy HTTP/1.1"});

    ::setenv("no_proxy", "localhost,127.0.0.1", 1);
    hand_over_policy();
    EXPECT_EQ(load_and_wait(view, origin + "/direct"), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_EQ(proxy.carried().size(), 1u);
    {
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(served, (std::vector<std::string>{"/via-proxy", "/direct"}));
    }
    api().wkeDestroyWebView(view);
    server.stop();
    serving.join();
}

TEST_F(EngineProxyTest, https_pages_tunnel_through_https_proxy) {
    HttpsServer server(m_authority.issue_server("server"), [](httplib::Server& routes) {
        routes.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>tunnelled</title>", "text/html");
        });
    });
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    ProxyStandIn proxy;
    ::setenv("https_proxy", proxy.address().c_str(), 1);
    ::setenv("http_proxy", "127.0.0.1:1", 1);  // the wrong scheme's proxy would refuse
    hand_over_policy();
    wkeWebView view = make_view();
    EXPECT_EQ(load_and_wait(view, server.url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_THAT(proxy.carried(),
                ::testing::Contains("CONNECT 127.0.0.1:" + std::to_string(server.port()) + " HTTP/1.1"));
    api().wkeDestroyWebView(view);
}

}  // namespace
}  // namespace quilbex::testing
