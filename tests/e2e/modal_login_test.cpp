// While the login window is open (loaded modally) the main window takes no
// keys, clicks or close requests from the window manager; a click on it
// brings the login window to the front, and it works again once the login
// window has closed.

#include "tests/e2e/ToolFixture.h"

#include <X11/Xlib.h>
#include <memory>
#include <thread>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

bool g_x_request_failed = false;

// What a window manager sends when the member clicks a window's close box.
// False when the window is gone (an X error, which would otherwise end the
// test program).
bool send_close_request(const std::string& display, XWindow window) {
    std::unique_ptr<Display, int (*)(Display*)> x(XOpenDisplay(display.c_str()), XCloseDisplay);
    if (!x)
        return false;
    g_x_request_failed = false;
    auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
        g_x_request_failed = true;
        return 0;
    });
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x.get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    bool sent = XSendEvent(x.get(), window, False, NoEventMask, &event) != 0;
    XSync(x.get(), False);
    XSetErrorHandler(previous);
    return sent && !g_x_request_failed;
}

class ModalTest : public ToolTest {
protected:
    std::size_t windows_titled(const std::string& title) {
        std::string ids =
            m_desktop->run("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").value_or("");
        return split_lines(ids).size();
    }
    std::string active_window() { return m_desktop->run("xdotool getactivewindow").value_or(""); }
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot("modal-login-failure.png");
        ToolTest::TearDown();
    }
};

TEST_F(ModalTest, TheMainWindowTakesNoInputWhileTheLoginWindowIsOpen) {
    start_services();
    install_program();
    // GTK reads keys through the X input extension, which never carries keys
    // sent to one window (xdotool key --window): with the core events the
    // keys below reach the main window whichever window has the focus.
    start_program({"GDK_CORE_DEVICE_EVENTS=1"});
    click(kLoginButton);
    auto login = m_desktop->wait_window(kLoginTitle, 15s);
    ASSERT_TRUE(login) << program_output();
    ASSERT_TRUE(wait_until([&] { return !requests("account").empty(); }, 20s));
    std::size_t forum_requests = requests("forum").size();
    std::string main = std::to_string(m_main);

    // Keys addressed to the main window: Esc would close it, Tab and Enter
    // would move to and press its buttons.
    m_desktop->xdotool("key --window " + main + " Escape");
    m_desktop->xdotool("key --window " + main + " Tab Return Return");
    ASSERT_TRUE(send_close_request(m_desktop->display(), m_main)) << "the main window is gone";
    // Clicks on its buttons: sign-in and login.
    click(kSignButton);
    click(kLoginButton);

    // The click brought the login window to the front instead.
    EXPECT_TRUE(wait_until([&] { return active_window() == std::to_string(*login) + "\n"; }, 10s))
        << "active: " << active_window();
    EXPECT_FALSE(m_desktop->wait_window_gone(kMainTitle, 2s)) << "the main window closed";
    EXPECT_EQ(windows_titled(kLoginTitle), 1u);
    EXPECT_EQ(requests("forum").size(), forum_requests) << "a request went out";
    EXPECT_FALSE(m_desktop->wait_window(kMessageTitle, 1s)) << "a message was shown";

    // Closed by the window manager, the login window gives the input back.
    ASSERT_TRUE(send_close_request(m_desktop->display(), *login));
    ASSERT_TRUE(m_desktop->wait_window_gone(kLoginTitle, 10s));
    click(kLoginButton);
    auto again = m_desktop->wait_window(kLoginTitle, 15s);
    ASSERT_TRUE(again) << "the login button does not work after the login window closed";
    ASSERT_TRUE(send_close_request(m_desktop->display(), *again));
    ASSERT_TRUE(m_desktop->wait_window_gone(kLoginTitle, 10s));
    ASSERT_TRUE(send_close_request(m_desktop->display(), m_main));
    EXPECT_TRUE(m_desktop->wait_window_gone(kMainTitle, 10s)) << "the main window takes no close request";
}

}  // namespace
}  // namespace quilbex::e2e
