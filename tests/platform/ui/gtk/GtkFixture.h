#pragma once
// GTK window-system tests on a real X display (Xvfb in CI): real input with
// xdotool, real pixels with ImageMagick's import. Screenshots are kept in
// the test working directory (build/<preset>/tests/screenshots).

#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/gtk/GtkBackend.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quilbex::ui::testing {

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    // 0x00BBGGRR of the pixel at screen position (x, y).
    COLORREF at(int x, int y) const;
};

class GtkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the message loop for `ms` milliseconds of real time.
    void pump_for(int ms);
    // Runs the loop until `done` or the time is up; false on time-out.
    bool pump_until(const std::function<bool()>& done, int ms = 30000);
    // Runs an xdotool command line (arguments after "xdotool").
    void xdotool(const std::string& arguments);
    // Clicks at a client point of a window.
    void click(HWND window, POINT client_point);
    // Gives the X input focus to a top-level window.
    void focus_x_window(HWND top_level);
    // The whole screen; also saved as screenshots/<name>.png when a name is given.
    Screenshot screenshot(const std::string& name = "");
    POINT screen_point(HWND window, POINT client_point);

    gtk::GtkBackend* backend = nullptr;
};

}  // namespace quilbex::ui::testing
