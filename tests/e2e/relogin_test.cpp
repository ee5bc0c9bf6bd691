// "quilbex --login": the login window alone, a real login on the account
// site's page, the cookie saved with the expiry the forum gave it, and one
// sign-in; or the window closed and nothing changed.

#include "tests/e2e/ToolFixture.h"

#include <ctime>
#include <filesystem>
#include <thread>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

class ReloginTest : public ToolTest {
protected:
    // Starts the login mode; its exit status lands in "login.status".
    XWindow start_login() {
        m_login = ChildProcess({"/bin/sh", "-c", "\"$0\" --login; echo $? > login.status", folder() + "/quilbex"},
                               {"DISPLAY=" + m_desktop->display()}, folder() + "/program.log", folder());
        auto window = m_desktop->wait_window(kLoginTitle, 40s);
        EXPECT_TRUE(window) << "no login window:\n" << program_output();
        EXPECT_TRUE(wait_until([&] { return !requests("account").empty(); }, 30s)) << program_output();
        // The page takes input once it has been drawn and has settled.
        std::this_thread::sleep_for(1500ms);
        return window ? *window : 0;
    }
    std::string exit_status() {
        const std::string file = folder() + "/login.status";
        wait_until([&] { return read_file(file).find('\n') != std::string::npos; }, 90s);
        return read_file(file);
    }

    ChildProcess m_login;
};

TEST_F(ReloginTest, ALoginSavesTheCookieWithTheForumsExpiryAndSignsInOnce) {
    start_services(false, {"login_max_age=172800"});
    install_program();
    XWindow login = start_login();
    ASSERT_NE(login, 0u);
    m_desktop->xdotool("windowactivate --sync " + std::to_string(login));
    m_desktop->click(login, 76, 107);
    m_desktop->paste("张三");
    m_desktop->click(login, 244, 107);
    m_desktop->type("secret");
    m_desktop->key("Return");
    // The window closes once the forum's cookies are there; with no other
    // window left the program goes on to save and sign in.
    EXPECT_TRUE(m_desktop->wait_window_gone(kLoginTitle, 30s));
    m_desktop->screenshot("relogin-done.png");
    EXPECT_EQ(exit_status(), "0\n") << program_output();
    const std::time_t now = std::time(nullptr);
    const std::string saved = read_file(folder() + "/Cookie.ini");
    EXPECT_NE(saved.find("BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid="), std::string::npos) << saved;
    const auto at = saved.find("expires=");
    ASSERT_NE(at, std::string::npos) << saved;
    const long long expires = std::stoll(saved.substr(at + 8));
    EXPECT_GE(expires, now + 172800 - 120);
    EXPECT_LE(expires, now + 172800);
    EXPECT_EQ(std::filesystem::status(folder() + "/Cookie.ini").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // The sign-in went out with the new login, and its report was printed.
    bool signed_in = false;
    for (const auto& entry : requests("forum"))
        signed_in = signed_in || entry.request.target.find("sign") != std::string::npos;
    EXPECT_TRUE(signed_in);
    EXPECT_NE(program_output().find("Cookie 有效至"), std::string::npos) << program_output();
    EXPECT_NE(program_output().find("签到"), std::string::npos) << program_output();
}

TEST_F(ReloginTest, ClosingTheWindowWithoutALoginEndsWithStatusTwoAndChangesNothing) {
    start_services();
    install_program();
    const std::string before = "[COOKIE]\r\ncookie=BBS_UNAME=old; UM_distinctid=old\r\nexpires=1700000000\r\n";
    write_file(folder() + "/Cookie.ini", before);
    XWindow login = start_login();
    ASSERT_NE(login, 0u);
    EXPECT_TRUE(m_desktop->close_with_keyboard(login, kLoginTitle));
    EXPECT_EQ(exit_status(), "2\n") << program_output();
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), before);
    EXPECT_TRUE(requests("forum").empty());
}

}  // namespace
}  // namespace quilbex::e2e
