#include "tests/engine/TestHost.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quilbex::testing {

namespace {

std::map<void*, GtkWidget*>& containers() {
    static std::map<void*, GtkWidget*> map;
    return map;
}

std::uintptr_t next_handle = 0x52010001;

}  // namespace

void init_test_display() {
    static bool done = [] {
        char pattern[] = "/tmp/quilbex-engine-home-XXXXXX";
        if (const char* home = mkdtemp(pattern)) {
            setenv("HOME", home, 1);
            setenv("XDG_CACHE_HOME", (std::string(home) + "/cache").c_str(), 1);
            setenv("XDG_DATA_HOME", (std::string(home) + "/data").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
        }
        return gtk_init_check(nullptr, nullptr);
    }();
    if (!done)
        GTEST_SKIP() << "no display";
}

HostWindow::HostWindow(int width, int height, int x, int y)
    : m_handle(reinterpret_cast<void*>(next_handle++)), m_window(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      m_fixed(gtk_fixed_new()) {
    gtk_window_set_default_size(GTK_WINDOW(m_window), width, height);
    gtk_window_move(GTK_WINDOW(m_window), x, y);
    gtk_container_add(GTK_CONTAINER(m_window), m_fixed);
    gtk_widget_show_all(m_window);
    containers()[m_handle] = m_fixed;
}

HostWindow::~HostWindow() { destroy(); }

void HostWindow::destroy() {
    if (!m_window)
        return;
    containers().erase(m_handle);
    gtk_widget_destroy(m_window);
    m_window = nullptr;
    m_fixed = nullptr;
}

bool run_until(const std::function<bool()>& done, int limit_ms) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(limit_ms) * 1000;
    while (!done() && g_get_monotonic_time() < deadline) {
        // A short timer keeps the blocking iteration from sleeping past the deadline.
        guint wake = g_timeout_add(
            20, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        if (GSource* source = g_main_context_find_source_by_id(nullptr, wake))
            g_source_destroy(source);
    }
    return done();
}

// WebKit's helper processes (web, network) anywhere below this process.
int helper_processes() {
    std::map<int, std::vector<int>> children;
    std::map<int, std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string state;
        int parent = 0;
        rest >> state >> parent;
        names[std::stoi(pid)] = line.substr(line.find('(') + 1, line.rfind(')') - line.find('(') - 1);
        if (state != "Z")
            children[parent].push_back(std::stoi(pid));
    }
    int count = 0;
    std::vector<int> pending{static_cast<int>(getpid())};
    while (!pending.empty()) {
        int pid = pending.back();
        pending.pop_back();
        for (int child : children[pid]) {
            count += names[child].rfind("WebKit", 0) == 0;
            pending.push_back(child);
        }
    }
    return count;
}

void run_for(int ms) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
    run_until([deadline] { return g_get_monotonic_time() >= deadline; }, ms + 1000);
}

}  // namespace quilbex::testing

// Resolves a test window handle to its GtkFixed, as the program's window system does.
extern "C" __attribute__((visibility("default"))) GtkWidget* quilbex_ui_gtk_container(void* hwnd) {
    auto& map = quilbex::testing::containers();
    auto found = map.find(hwnd);
    return found == map.end() ? nullptr : found->second;
}
