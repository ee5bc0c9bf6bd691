// How the program ends. Closing the main window while a worker is still at
// work (during the pause of a lottery series, while a quote fetch waits for a
// reply that comes late) ends it with status 0 and without the runtime error
// report; a configuration that names only some hosts ends it at start with a
// message naming the missing keys, before anything is sent.

#include "sim/HttpServer.h"
#include "tests/e2e/ToolFixture.h"

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

class WholeProgramEnd : public ToolTest {
protected:
    void TearDown() override {
        release_quote();
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_quote_server.reset();
        ToolTest::TearDown();
    }

    // A quote service that holds its reply until released.
    void hold_quote_replies() {
        m_quote_server =
            sim::HttpServer::start(0,
                                   sim::TlsFiles{std::string(QUILBEX_SIM_CERT_DIR) + "/server.pem",
                                                 std::string(QUILBEX_SIM_CERT_DIR) + "/server.key"},
                                   [this](const sim::Request&) {
                                       ++m_quote_requests;
                                       std::unique_lock lock(m_mutex);
                                       m_released.wait_for(lock, 60s, [this] { return m_release; });
                                       return sim::Response::text(200, "OK", "application/json",
                                                                  "{\"code\":200,\"data\":{\"title\":\"late\"}}");
                                   });
        ASSERT_NE(m_quote_server, nullptr);
        std::string config = read_file(folder() + "/Config.ini");
        std::string quote = services().host(services().quote_port());
        config.replace(config.find(quote), quote.size(), "127.0.0.1:" + std::to_string(m_quote_server->port()));
        write_file(folder() + "/Config.ini", config);
    }
    void release_quote() {
        std::lock_guard lock(m_mutex);
        m_release = true;
        m_released.notify_all();
    }

    // Starts the program in its own process group and waits for its window.
    void launch() {
        start();
        auto window = m_desktop->wait_window(kMainTitle, 40s);
        ASSERT_TRUE(window) << "no main window; program output:\n" << program_output();
        m_main = *window;
        std::this_thread::sleep_for(800ms);
    }
    void start() {
        std::string program = folder() + "/quilbex", log = folder() + "/program.log";
        std::string display = m_desktop->display();
        m_pid = ::fork();
        if (m_pid == 0) {
            int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            ::setenv("DISPLAY", display.c_str(), 1);
            ::setpgid(0, 0);
            if (::chdir(folder().c_str()) == 0)
                ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    // Closes the main window as a person would and gives the exit status, or
    // -1 when the program still runs after the ceiling.
    int close_and_wait() {
        m_desktop->close_with_keyboard(m_main, kMainTitle);
        return exit_status();
    }
    int exit_status() {
        int code = -1;
        wait_until(
            [&] {
                int status = 0;
                if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
                    return false;
                m_pid = -1;
                code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            },
            30s);
        return code;
    }

    std::unique_ptr<sim::HttpServer> m_quote_server;
    std::atomic<int> m_quote_requests{0};
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_release = false;
    pid_t m_pid = -1;
};

TEST_F(WholeProgramEnd, closing_during_the_pause_of_a_lottery_series_ends_with_status_0) {
    start_services(false, {"draws=5"});
    install_program();
    launch();
    ASSERT_TRUE(enter_text(kCookieBox, "UM_distinctid=sim-member-0001; BBS_UNAME=%E5%BC%A0%E4%B8%89"));
    click(kSignButton);
    // The first draw has been answered; the series now waits five seconds.
    ASSERT_TRUE(wait_until([&] { return requests("api").size() == 1; }, 30s)) << program_output();
    EXPECT_EQ(close_and_wait(), 0) << "program output:\n" << program_output();
    EXPECT_FALSE(m_desktop->wait_window("错误", 500ms)) << "a runtime error report";
    EXPECT_EQ(requests("api").size(), 1u);
    EXPECT_EQ(program_output().find("AddressSanitizer"), std::string::npos) << program_output();
}

TEST_F(WholeProgramEnd, closing_before_a_delayed_quote_reply_ends_with_status_0) {
    start_services();
    install_program();
    hold_quote_replies();
    launch();
    click(kQuoteButton);
    ASSERT_TRUE(wait_until([&] { return m_quote_requests.load() == 1; }, 30s)) << program_output();
    // The reply goes out as soon as the window is gone, while the program
    // ends.
    std::thread late([this] {
        m_desktop->wait_window_gone(kMainTitle, 30s);
        release_quote();
    });
    int code = close_and_wait();
    late.join();
    EXPECT_EQ(code, 0) << "program output:\n" << program_output();
    EXPECT_FALSE(m_desktop->wait_window("错误", 500ms)) << "a runtime error report";
    EXPECT_EQ(program_output().find("AddressSanitizer"), std::string::npos) << program_output();
}

TEST_F(WholeProgramEnd, a_configuration_naming_hosts_but_not_the_forum_is_refused_at_start_and_nothing_is_sent) {
    start_services();
    install_program();
    write_file(folder() + "/Config.ini", "[HOSTS]\r\nquote=" + services().host(services().quote_port()) +
                                             "\r\naccount=" + services().host(services().account_port()) + "\r\n");
    start();
    auto box = m_desktop->wait_window("配置错误", 40s);
    ASSERT_TRUE(box) << "no message; program output:\n" << program_output();
    EXPECT_FALSE(m_desktop->wait_window(kMainTitle, 100ms)) << "the main window opened";
    std::this_thread::sleep_for(300ms);
    m_desktop->screenshot("partial-configuration.png");
    Image shown = m_desktop->screenshot().crop(m_desktop->geometry(*box));
    EXPECT_GT(shown.pixels_unlike_corner(), 200) << "the message shows no text";
    m_desktop->xdotool("windowactivate --sync " + std::to_string(*box));
    m_desktop->key("Return");
    EXPECT_EQ(exit_status(), 1);
    EXPECT_TRUE(services().state().log.entries().empty()) << "a request was sent";
}

}  // namespace
}  // namespace quilbex::e2e
