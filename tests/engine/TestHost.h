#pragma once
// The program side of the engine for tests: a real GTK window standing for a
// program window, the exported quilbex_ui_gtk_container that resolves its
// handle, and a main-loop helper with a time limit.

#include <functional>
#include <gtk/gtk.h>

namespace quilbex::testing {

// Sets up a private HOME and XDG folders (so that nothing lands in the real
// ones) and initialises GTK, once per process.
void init_test_display();

class HostWindow {
public:
    // A shown window at (x, y) on the screen.
    HostWindow(int width = 640, int height = 480, int x = 0, int y = 0);
    ~HostWindow();
    // The handle the program would pass as parent window.
    void* handle() const { return m_handle; }
    GtkWidget* window() const { return m_window; }
    GtkWidget* fixed() const { return m_fixed; }
    void destroy();

private:
    void* m_handle;
    GtkWidget* m_window;
    GtkWidget* m_fixed;
};

// Iterates the main loop until `done` holds or `limit_ms` has passed; returns `done()`.
bool run_until(const std::function<bool()>& done, int limit_ms = 60000);
// Iterates the main loop for `ms` milliseconds.
void run_for(int ms);
// WebKit's helper processes (web, network) anywhere below this process.
int helper_processes();

}  // namespace quilbex::testing
