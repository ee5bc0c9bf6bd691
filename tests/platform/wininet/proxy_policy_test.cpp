// The proxy policy read from the environment, and WinInet requests that
// follow it through a proxy stand-in.

#include "WireServer.h"
#include "platform/wininet/ProxyPolicy.h"
#include "platform/wininet/TlsTrust.h"
#include "sim/Simulator.h"
#include "support/ProxyStandIn.h"

#include <cstdlib>

namespace quilbex::wininet::testing {
namespace {

using quilbex::testing::ProxyStandIn;

constexpr const char* kVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                      "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

// Each test starts from an environment without proxy variables and leaves one.
class ProxyEnvironment : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear() {
        for (const char* name : kVariables)
            ::unsetenv(name);
    }
    static void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
    static Call get(const std::string& object) {
        Call call;
        call.object = object;
        return call;
    }
};

TEST_F(ProxyEnvironment, each_scheme_takes_its_own_variable_then_all_proxy_as_curl_does) {
    EXPECT_EQ(proxy_for_url("http://a.example/"), "");
    set("all_proxy", "any:1");
    set("HTTPS_PROXY", "upper:2");
    set("HTTP_PROXY", "ignored:3");  // never read: a CGI caller could set it
    EXPECT_EQ(proxy_for_url("http://a.example/"), "any:1");
    EXPECT_EQ(proxy_for_url("HTTPS://a.example/"), "upper:2");
    set("https_proxy", "lower:4");
    set("http_proxy", "");  // empty counts as unset
    EXPECT_EQ(proxy_for_url("https://a.example:8443/x"), "lower:4");
    EXPECT_EQ(proxy_for_url("http://a.example/"), "any:1");
    set("http_proxy", "http://web:5");
    EXPECT_EQ(proxy_for_url("http://a.example/"), "http://web:5");
    EXPECT_TRUE(proxy_sees_clear_text("http://127.0.0.1:8080/hook"));
    EXPECT_FALSE(proxy_sees_clear_text("https://a.example/"));
}

TEST_F(ProxyEnvironment, no_proxy_exempts_names_with_their_subdomains_addresses_and_ranges) {
    using proxy_detail::is_exempt;
    const char* list = " .corp.example, localhost ,10.0.0.0/8,::1, host.example.";
    EXPECT_TRUE(is_exempt(list, "corp.example"));
    EXPECT_TRUE(is_exempt(list, "www.corp.example"));
    EXPECT_FALSE(is_exempt(list, "evilcorp.example"));
    EXPECT_TRUE(is_exempt(list, "host.example."));
    EXPECT_TRUE(is_exempt(list, "LOCALHOST"));
    EXPECT_TRUE(is_exempt(list, "10.20.30.40"));
    EXPECT_FALSE(is_exempt(list, "11.0.0.1"));
    EXPECT_TRUE(is_exempt(list, "::1"));
    EXPECT_FALSE(is_exempt(list, "127.0.0.1"));  // an address matches addresses only
    EXPECT_FALSE(is_exempt("127.0.0.1", "localhost"));
    EXPECT_TRUE(is_exempt("*", "anything"));
    EXPECT_FALSE(is_exempt("*.example", "a.example"));  // no wild cards but "*" alone

    EXPECT_EQ(proxy_detail::host_of("http://user:pw@[::1]:80/p?q"), "::1");
    EXPECT_EQ(proxy_detail::host_of("https://Forum.Example:8443"), "forum.example");

    set("http_proxy", "p:1");
    set("NO_PROXY", "forum.example");
    EXPECT_EQ(proxy_for_url("http://bbs.forum.example/"), "");
    set("no_proxy", "other.example");  // the lower-case form wins
    EXPECT_EQ(proxy_for_url("http://bbs.forum.example/"), "p:1");
}

TEST_F(ProxyEnvironment, the_engine_gets_the_same_decision_in_the_form_glib_reads) {
    set("http_proxy", "web:3128");
    set("all_proxy", "socks5h://sock:1080");
    set("no_proxy", ".corp.example,10.0.0.0/8,host:8080,*.wild,[::1],::1");
    EngineProxy proxy = engine_proxy();
    EXPECT_EQ(proxy.http, "http://web:3128");
    EXPECT_EQ(proxy.https, "socks5://sock:1080");
    // Entries curl never matches (with a port, brackets or a wild card) are left out.
    EXPECT_EQ(proxy.ignore_list(), "corp.example,10.0.0.0/8,::1");
    set("no_proxy", "*");
    EXPECT_TRUE(engine_proxy().direct());
}

// A session opened "direct" follows the environment like every other user of
// the network; one opened with a proxy list uses that list.
TEST_F(ProxyEnvironment, wininet_requests_go_through_the_proxy_unless_no_proxy_names_the_host) {
    WireServer server;
    ProxyStandIn proxy;
    const std::string target = "127.0.0.1:" + std::to_string(server.port());
    set("http_proxy", proxy.address());

    ASSERT_TRUE(exchange(server.port(), get("/via")).sent);
    EXPECT_EQ(proxy.carried(), std::vector<std::string>{"GET http://" + target + "/via HTTP/1.1"});
    EXPECT_EQ(server.last().path(), "/via");

    set("no_proxy", "127.0.0.1");
    ASSERT_TRUE(exchange(server.port(), get("/direct")).sent);
    EXPECT_EQ(server.last().path(), "/direct");
    EXPECT_EQ(proxy.carried().size(), 1u);

    // The caller's own proxy wins over the environment, exemptions included.
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_PROXY, ("http=" + proxy.address()).c_str(), "", 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/chosen", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    InternetCloseHandle(session);
    EXPECT_EQ(proxy.carried().back(), "GET http://" + target + "/chosen HTTP/1.1");
}

TEST_F(ProxyEnvironment, https_requests_tunnel_through_https_proxy) {
    std::string error;
    auto sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
    ASSERT_TRUE(sim) << error;
    set_extra_ca_file(sim->ca_file());
    ProxyStandIn proxy;
    set("https_proxy", proxy.address());
    set("http_proxy", "127.0.0.1:1");  // the wrong scheme's proxy would refuse
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", sim->quote_port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/api/soul", nullptr, nullptr, nullptr,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0);
    BOOL sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    DWORD error_code = sent ? 0 : GetLastError();
    InternetCloseHandle(session);
    set_extra_ca_file("");
    EXPECT_TRUE(sent) << error_code;
    EXPECT_EQ(proxy.carried(),
              std::vector<std::string>{"CONNECT 127.0.0.1:" + std::to_string(sim->quote_port()) + " HTTP/1.1"});
    EXPECT_EQ(sim->state().log.entries().size(), 1u);
}

}  // namespace
}  // namespace quilbex::wininet::testing
