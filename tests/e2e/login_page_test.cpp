// The login window's page as a member uses it: drawn down to the capture
// button, a form filled with Tab between its fields, and a link that asks for
// a new window opened in the same view.

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

    // Opens the login window from the main window; the account page has been
    // asked for when it returns.
    std::optional<XWindow> open_login_window() {
        start_services();
        install_program();
        start_program();
        click(kLoginButton);
        auto login = m_desktop->wait_window(kLoginTitle, 15s);
        if (login && !wait_until([&] { return !requests("account").empty(); }, 20s))
            return std::nullopt;
        return login;
    }

    bool page_drawn_to_the_button(XWindow login);

    void click_name_field(XWindow login) {
        m_desktop->xdotool("windowactivate --sync " + std::to_string(login));
        m_desktop->click(login, 76, 107);
    }
};

// The colour at a client point of `window`, as "r,g,b".
std::string colour_at(const Image& screen, const Rect& window, int x, int y) {
    Image pixel = screen.crop({window.x + x, window.y + y, 1, 1});
    if (pixel.rgb.size() < 3)
        return {};
    return std::to_string(pixel.rgb[0]) + "," + std::to_string(pixel.rgb[1]) + "," + std::to_string(pixel.rgb[2]);
}

bool LoginPageTest::page_drawn_to_the_button(XWindow login) {
    Rect frame = m_desktop->geometry(login);
    return wait_until(
        [&] {
            Image screen = m_desktop->screenshot();
            std::string middle = colour_at(screen, frame, 600, 250);
            return !middle.empty() && colour_at(screen, frame, 600, 400) == middle &&
                   colour_at(screen, frame, 600, 428) == middle;
        },
        15s);
}

TEST_F(LoginPageTest, ThePageReachesTheButtonAndTabMovesBetweenItsFields) {
    auto login = open_login_window();
    ASSERT_TRUE(login) << program_output();
    // The first request of the opening is the configured account site's page.
    EXPECT_EQ(requests("account").front().request.target,
              "/index.html?&callback=https%3A%2F%2F" + services().host(services().forum_port()) + "%2F");

    // The page's background shows in the rows just above the button (client
    // row 432), as it does in the middle of the page.
    EXPECT_TRUE(page_drawn_to_the_button(*login)) << "the page stops short of the button";
    m_desktop->screenshot("login-window.png");
    std::this_thread::sleep_for(500ms);  // the page takes input once it has settled

    // Name, Tab, password, Enter: the form is sent with both fields.
    click_name_field(*login);
    m_desktop->paste("张三");
    m_desktop->key("Tab");
    m_desktop->type("secret");
    m_desktop->key("Return");
    EXPECT_TRUE(wait_until([&] { return !requests("forum").empty(); }, 10s)) << "the form was not sent";
    EXPECT_TRUE(m_desktop->wait_window(kMessageTitle, 10s)) << "no greeting";
}

// The page's user agreement link asks for a new window; the login window
// has new-window navigation off, so the agreement opens in the same view and
// no other window appears.
TEST_F(LoginPageTest, TheUserAgreementLinkOpensInTheSameView) {
    auto login = open_login_window();
    ASSERT_TRUE(login) << program_output();
    ASSERT_TRUE(page_drawn_to_the_button(*login));
    std::this_thread::sleep_for(500ms);  // the page takes input once it has settled

    auto visible_windows = [&] {
        auto list = m_desktop->run("xdotool search --onlyvisible --name .");
        return list ? split_lines(*list).size() : 0;
    };
    const std::size_t before = visible_windows();

    // Name field, then Tab past the password and the button to the link.
    click_name_field(*login);
    m_desktop->key("Tab Tab Tab Return");
    bool agreement = false;
    ASSERT_TRUE(wait_until(
        [&] {
            for (const auto& entry : requests("account"))
                if (entry.request.target == "/agreement.html")
                    agreement = true;
            return agreement;
        },
        15s))
        << "the link was not followed";
    // No window came with it: the login window's view loads the agreement.
    EXPECT_FALSE(wait_until([&] { return visible_windows() > before; }, 3s)) << "the agreement has a window of its own";
    EXPECT_TRUE(m_desktop->wait_window(kLoginTitle, 1s));
}

}  // namespace
}  // namespace quilbex::e2e
