// The login window's page takes the way out that the environment's proxy
// variables give, as the program's own requests do.

#include "support/ProxyStandIn.h"
#include "tests/e2e/ToolFixture.h"

#include <gmock/gmock.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ToolTest, TheLoginWindowsPageGoesThroughTheProxyTheEnvironmentNames) {
    start_services();
    install_program();
    quilbex::testing::ProxyStandIn proxy;
    start_program({"https_proxy=" + proxy.address(), "HTTPS_PROXY=", "all_proxy=", "no_proxy=", "NO_PROXY="});
    click(kLoginButton);
    ASSERT_TRUE(m_desktop->wait_window(kLoginTitle, 30s)) << "no login window";
    ASSERT_TRUE(wait_until([&] { return !requests("account").empty(); }, 30s)) << program_output();
    EXPECT_THAT(proxy.carried(),
                ::testing::Contains("CONNECT " + services().host(services().account_port()) + " HTTP/1.1"));
}

}  // namespace
}  // namespace quilbex::e2e
