// The login window with the real browser engine: opened from the main
// window, its button pressed before a login, closed by hand, and a login
// typed into the account site's page.

#include "tests/e2e/ToolFixture.h"

#include <thread>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;


class LoginTest : public ToolTest {
protected:
    XWindow open_login_window() {
        click(kLoginButton);
        auto window = m_desktop->wait_window(kLoginTitle, 15s);
        EXPECT_TRUE(window) << "no login window";
        // The account site's page is requested and drawn (its heading and
        // fields in the upper half of the window).
        EXPECT_TRUE(wait_until([&] { return !requests("account").empty(); }, 15s)) << program_output();
        if (!window)
            return 0;
        EXPECT_TRUE(wait_until(
            [&] {
                Rect frame = m_desktop->geometry(*window);
                return m_desktop->screenshot()
                           .crop({frame.x, frame.y, frame.width, frame.height / 2})
                           .pixels_unlike_corner() > 200;
            },
            15s))
            << "the page is blank";
        // The page takes input once it has settled.
        std::this_thread::sleep_for(500ms);
        return *window;
    }
};

TEST_F(LoginTest, LoginTypedIntoThePageBringsTheCookieAndAHandClosedWindowCopiesNothing) {
    start_services();
    install_program();
    start_program();

    XWindow login = open_login_window();
    ASSERT_NE(login, 0u);
    ASSERT_FALSE(requests("account").empty());
    auto page = requests("account").front().request;
    // The address is built from the configured hosts, in the form of the
    // template's address (the forum's host and port as they stand).
    EXPECT_EQ(page.target,
              "/index.html?&callback=https%3A%2F%2F" + services().host(services().forum_port()) + "%2F");
    m_desktop->screenshot("login-window.png");

    // The capture button before any login: nothing to take, nothing shown.
    m_desktop->click(login, 380, 456);
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 2500ms)) << "a message before the login";
    EXPECT_TRUE(m_desktop->wait_window(kLoginTitle, 1s)) << "the window closed before the login";

    // Closed by hand: the cookie box stays empty and no greeting comes.
    m_desktop->xdotool("windowactivate --sync " + std::to_string(login));
    m_desktop->key("alt+F4");
    ASSERT_TRUE(m_desktop->wait_window_gone(kLoginTitle));
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 2500ms));
    EXPECT_EQ(cookie_box_text(), "");

    login = open_login_window();
    ASSERT_NE(login, 0u);
    // The page's name and password fields, where the member sees them (the
    // template puts the page 24 pixels left of and 64 above the client area).
    m_desktop->xdotool("windowactivate --sync " + std::to_string(login));
    m_desktop->click(login, 76, 107);
    m_desktop->paste("张三");
    m_desktop->click(login, 244, 107);
    m_desktop->type("secret");
    m_desktop->key("Return");
    ASSERT_TRUE(wait_until([&] { return requests("forum").size() >= 1; }, 10s)) << "the login was not submitted";
    auto logged_in = std::chrono::steady_clock::now();
    // Within two ticks of the forum's cookies the greeting is shown and the window is gone.
    ASSERT_TRUE(m_desktop->wait_window(kMessageTitle, 4s)) << "no greeting";
    EXPECT_LT(std::chrono::steady_clock::now() - logged_in, 3s);
    EXPECT_TRUE(m_desktop->wait_window_gone(kLoginTitle, 3s));
    m_desktop->screenshot("login-greeting.png");
    EXPECT_TRUE(dismiss_message());

    std::string cookie = cookie_box_text();
    EXPECT_NE(cookie.find("UM_distinctid=sim-member-0001"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("BBS_UNAME=%E5%BC%A0%E4%B8%89"), std::string::npos) << cookie;
}

TEST_F(ToolTest, WithoutTheEngineLibraryTheLoginSaysWhereToPutItAndTheProgramGoesOn) {
    start_services();
    install_program(false);
    start_program();
    click(kLoginButton);
    auto box = m_desktop->wait_window("错误", 10s);
    ASSERT_TRUE(box) << "no message about node.dll";
    // Every report is answered; the program is still there and still works.
    while (auto more = m_desktop->wait_window("(错误|wke api not found|.*node.dll.*|信息：)", 2s)) {
        m_desktop->xdotool("windowactivate --sync " + std::to_string(*more));
        m_desktop->key("Return");
    }
    ASSERT_TRUE(m_desktop->wait_window(kMainTitle, 2s));
    click(kQuoteButton);
    EXPECT_TRUE(wait_until(
        [&] { return !m_desktop->copy_text_at(m_main, kMessageBox.x, kMessageBox.y).empty(); }, 10s));
}

}  // namespace
}  // namespace quilbex::e2e
