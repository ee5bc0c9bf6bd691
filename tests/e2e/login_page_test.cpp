// The login window's page as a member uses it: drawn down to the capture
// button, and a form filled with Tab between its fields.

#include "tests/e2e/ToolFixture.h"

#include <thread>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

class LoginPageTest : public ToolTest {
protected:
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot("login-page-failure.png");
        ToolTest::TearDown();
    }
};

// The colour at a client point of `window`, as "r,g,b".
std::string colour_at(const Image& screen, const Rect& window, int x, int y) {
    Image pixel = screen.crop({window.x + x, window.y + y, 1, 1});
    if (pixel.rgb.size() < 3)
        return {};
    return std::to_string(pixel.rgb[0]) + "," + std::to_string(pixel.rgb[1]) + "," + std::to_string(pixel.rgb[2]);
}

TEST_F(LoginPageTest, ThePageReachesTheButtonAndTabMovesBetweenItsFields) {
    start_services();
    install_program();
    start_program();
    click(kLoginButton);
    auto login = m_desktop->wait_window(kLoginTitle, 15s);
    ASSERT_TRUE(login) << program_output();
    ASSERT_TRUE(wait_until([&] { return !requests("account").empty(); }, 20s));
    // The first request of the opening is the configured account site's page.
    EXPECT_EQ(requests("account").front().request.target,
              "/index.html?&callback=https%3A%2F%2F" + services().host(services().forum_port()) + "%2F");

    // The page's background shows in the rows just above the button (client
    // row 432), as it does in the middle of the page.
    Rect frame = m_desktop->geometry(*login);
    EXPECT_TRUE(wait_until(
        [&] {
            Image screen = m_desktop->screenshot();
            std::string middle = colour_at(screen, frame, 600, 250);
            return !middle.empty() && colour_at(screen, frame, 600, 400) == middle &&
                   colour_at(screen, frame, 600, 428) == middle;
        },
        15s))
        << "the page stops short of the button";
    m_desktop->screenshot("login-window.png");
    std::this_thread::sleep_for(500ms);  // the page takes input once it has settled

    // Name, Tab, password, Enter: the form is sent with both fields.
    m_desktop->xdotool("windowactivate --sync " + std::to_string(*login));
    m_desktop->click(*login, 76, 107);
    m_desktop->paste("张三");
    m_desktop->key("Tab");
    m_desktop->type("secret");
    m_desktop->key("Return");
    EXPECT_TRUE(wait_until([&] { return !requests("forum").empty(); }, 10s)) << "the form was not sent";
    EXPECT_TRUE(m_desktop->wait_window(kMessageTitle, 10s)) << "no greeting";
}

}  // namespace
}  // namespace quilbex::e2e
