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
        const std::size_t account_pages = requests("account").size();
        click(kLoginButton);
        auto window = m_desktop->wait_window(kLoginTitle, 30s);
        EXPECT_TRUE(window) << "no login window";
        // The account site's page is requested and drawn (its heading and
        // fields in the upper half of the window).
        EXPECT_TRUE(wait_until([&] { return requests("account").size() > account_pages; }, 30s)) << program_output();
        if (!window)
            return 0;
        EXPECT_TRUE(wait_until(
            [&] {
                Rect frame = m_desktop->geometry(*window);
                return m_desktop->screenshot()
                           .crop({frame.x, frame.y, frame.width, frame.height / 2})
                           .pixels_unlike_corner() > 200;
            },
            30s))
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
    EXPECT_EQ(page.target, "/index.html?&callback=https%3A%2F%2F" + services().host(services().forum_port()) + "%2F");
    m_desktop->screenshot("login-window.png");

    // The capture button before any login: nothing to take, nothing shown.
    m_desktop->click(login, 380, 456);
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 2500ms)) << "a message before the login";
    EXPECT_TRUE(m_desktop->wait_window(kLoginTitle, 30s)) << "the window closed before the login";

    // Closed by hand: the cookie box stays empty and no greeting comes.
    ASSERT_TRUE(m_desktop->close_with_keyboard(login, kLoginTitle));
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
    ASSERT_TRUE(wait_until([&] { return requests("forum").size() >= 1; }, 30s)) << "the login was not submitted";
    // Once the forum's cookies are there the greeting is shown, with the
    // decoded name, and the window is gone.
    ASSERT_TRUE(m_desktop->wait_window(kMessageTitle, 30s)) << "no greeting";
    EXPECT_TRUE(m_desktop->wait_window_gone(kLoginTitle, 30s));
    m_desktop->screenshot("login-greeting.png");
    EXPECT_EQ(message_text(), "登录成功！欢迎您，张三");
    EXPECT_TRUE(dismiss_message());
    // The timer stopped before the window closed: no second greeting.
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 3s)) << "a second greeting";

    // The cookie is the forum session that this login opened.
    std::string cookie = cookie_box_text();
    EXPECT_NE(cookie.find("BBS_UNAME=%E5%BC%A0%E4%B8%89"), std::string::npos) << cookie;
    auto at = cookie.find("UM_distinctid=");
    ASSERT_NE(at, std::string::npos) << cookie;
    std::string id = cookie.substr(at + 14, cookie.find(';', at) - at - 14);
    EXPECT_NE(id, "sim-member-0001");
    EXPECT_TRUE(services().state().forum_session_token(id).has_value()) << id;

    // "保存" keeps the login's expiry beside the captured text (the forum's
    // login cookie here lasts for the session: 0); a text typed over it
    // has no known expiry, and the old one goes.
    click(kSaveButton);
    EXPECT_TRUE(dismiss_message());
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), "[COOKIE]\r\ncookie=" + cookie + "\r\nexpires=0\r\n");
    ASSERT_TRUE(enter_text(kCookieBox, "BBS_UNAME=typed"));
    click(kSaveButton);
    EXPECT_TRUE(dismiss_message());
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), "[COOKIE]\r\ncookie=BBS_UNAME=typed\r\n");

    // A second opening starts without the earlier login: the account site,
    // which would skip the form for a session that has logged in, asks again.
    const std::size_t forum_requests = requests("forum").size();
    login = open_login_window();
    ASSERT_NE(login, 0u);
    const sim::Request again = requests("account").back().request;
    EXPECT_EQ(again.path(), "/index.html");
    EXPECT_FALSE(again.header("Cookie").has_value()) << again.head;
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 3s)) << "the earlier login was reused";
    EXPECT_EQ(requests("forum").size(), forum_requests);
    m_desktop->screenshot("login-window-again.png");
}

TEST_F(ToolTest, WithoutTheEngineLibraryTheLoginSaysWhereToPutItAndTheProgramGoesOn) {
    start_services();
    install_program(false);
    start_program();
    click(kLoginButton);
    auto box = m_desktop->wait_window("错误", 30s);
    ASSERT_TRUE(box) << "no message about node.dll";
    // Every report is answered; the program is still there and still works.
    while (auto more = m_desktop->wait_window("(错误|wke api not found|.*node.dll.*|信息：)", 2s)) {
        m_desktop->xdotool("windowactivate --sync " + std::to_string(*more));
        m_desktop->key("Return");
    }
    ASSERT_TRUE(m_desktop->wait_window(kMainTitle, 30s));
    click(kQuoteButton);
    EXPECT_TRUE(
        wait_until([&] { return !m_desktop->copy_text_at(m_main, kMessageBox.x, kMessageBox.y).empty(); }, 30s));
}

}  // namespace
}  // namespace quilbex::e2e
