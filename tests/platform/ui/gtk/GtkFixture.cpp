#include "GtkFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gdk/gdkx.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::ui::testing {

namespace {

// Each test process gets an X server of its own, so that other suites'
// windows, running at the same time on the shared display, can neither
// cover these windows nor take their input focus.
class PrivateDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test leaves no server behind
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return;
        }
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) {
            waitpid(pid, nullptr, 0);
            return;  // no Xvfb: the tests use the display they were given
        }
        m_server = pid;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override {
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
    }

private:
    pid_t m_server = -1;
};

const auto* g_display = ::testing::AddGlobalTestEnvironment(new PrivateDisplay);

}  // namespace

COLORREF Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0xFFFFFFFF;
    std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
}

void GtkTest::SetUp() {
    if (!WindowSystem::use_gtk())
        GTEST_SKIP() << "no display";
    backend = gtk::GtkBackend::current();
    ASSERT_NE(backend, nullptr);
}

void GtkTest::TearDown() {
    WindowSystem::use_headless();
    WindowSystem::shut_down();
    // Let GTK finish destroying the widgets.
    for (int i = 0; i < 50 && g_main_context_iteration(nullptr, FALSE); ++i) {}
}

void GtkTest::pump_for(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        pump_pending_messages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool GtkTest::pump_until(const std::function<bool()>& done, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        pump_pending_messages();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

void GtkTest::xdotool(const std::string& arguments) {
    std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
    int rc = std::system(command.c_str());
    EXPECT_EQ(rc, 0) << command;
    pump_for(150);
}

POINT GtkTest::screen_point(HWND window, POINT p) {
    ClientToScreen(window, &p);
    return p;
}

void GtkTest::click(HWND window, POINT client_point) {
    POINT p = screen_point(window, client_point);
    // No --sync: it waits for the pointer to move, which never happens when it
    // is already there. The warp and the click reach the server in order.
    xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
}

void GtkTest::focus_x_window(HWND top_level) {
    GdkWindow* gdk = gtk_widget_get_window(backend->widget_of(top_level));
    ASSERT_NE(gdk, nullptr);
    xdotool("windowfocus --sync " + std::to_string(gdk_x11_window_get_xid(gdk)));
}

Screenshot GtkTest::screenshot(const std::string& name) {
    pump_for(100);
    std::filesystem::create_directories("screenshots");
    std::string ppm = "screenshots/.screen.ppm";
    int rc = std::system(("import -window root -depth 8 " + ppm + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(rc, 0);
    if (!name.empty())
        std::system(("convert " + ppm + " screenshots/" + name + ".png >/dev/null 2>&1").c_str());
    Screenshot shot;
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> shot.width >> shot.height >> max;
    in.get();
    if (magic != "P6" || max != 255 || shot.width <= 0 || shot.height <= 0)
        return {};
    shot.rgb.resize(static_cast<std::size_t>(shot.width) * shot.height * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
    return shot;
}

}  // namespace quilbex::ui::testing
