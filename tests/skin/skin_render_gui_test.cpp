// A skin changes what a real window shows: pixels read back from the X
// server before and after attaching.

#include "skin/SkinData.h"
#include "SkinLibrary.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>

namespace quilbex::skin {
namespace {

using quilbex::testing::SkinLibrary;

struct Pixel {
    int r, g, b;
};

class SkinRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gtk_init_check(nullptr, nullptr))
            GTEST_SKIP() << "no display";
        m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(m_window), 200, 120);
        // Pixels are read back from the screen, which other tests on the same
        // display share; their windows open near the top left or the centre.
        GdkRectangle screen{0, 0, 640, 480};
        if (GdkMonitor* monitor = gdk_display_get_monitor(gdk_display_get_default(), 0))
            gdk_monitor_get_geometry(monitor, &screen);
        gtk_window_move(GTK_WINDOW(m_window), std::max(0, screen.x + screen.width - 220),
                        std::max(0, screen.y + screen.height - 140));
        GtkWidget* fixed = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(m_window), fixed);
        m_button = gtk_button_new();
        gtk_widget_set_size_request(m_button, 80, 40);
        gtk_fixed_put(GTK_FIXED(fixed), m_button, 60, 40);
        g_signal_connect(m_window, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer counter) -> gboolean {
                             ++*static_cast<int*>(counter);
                             return FALSE;
                         }),
                         &m_draws);
        gtk_widget_show_all(m_window);
        settle();
    }

    void TearDown() override {
        if (m_window)
            gtk_widget_destroy(m_window);
    }

    // Runs the loop until the window has drawn again, then a little longer
    // so that style changes reach every widget; fails the test when the
    // window does not draw within two seconds.
    void settle() {
        using Clock = std::chrono::steady_clock;
        int before = m_draws;
        auto deadline = Clock::now() + std::chrono::seconds(2);
        while (m_draws == before) {
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "the window did not draw in time";
                return;
            }
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(1000);
        }
        auto quiet = Clock::now() + std::chrono::milliseconds(200);
        while (Clock::now() < quiet) {
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(1000);
        }
        gdk_display_sync(gdk_display_get_default());
    }

    Pixel pixel(GtkWidget* widget, int dx, int dy) {
        GtkAllocation a;
        gtk_widget_get_allocation(widget, &a);
        GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(widget), a.x + dx, a.y + dy, 1, 1);
        if (!shot)
            return {-1, -1, -1};
        const guchar* p = gdk_pixbuf_read_pixels(shot);
        Pixel result{p[0], p[1], p[2]};
        g_object_unref(shot);
        return result;
    }

    Pixel button_centre() { return pixel(m_button, 40, 20); }
    Pixel window_corner() { return pixel(m_window, 5, 5); }

    int attach(const std::vector<std::uint8_t>& data, int hue = 0) {
        int result = m_library.attach_res(data.data(), static_cast<int>(data.size()), "", hue, 0, 0);
        gtk_widget_queue_draw(m_window);
        settle();
        return result;
    }

    static std::vector<std::uint8_t> red_buttons() {
        return pack_skin("button { transition: none; background-image: none; background-color: #ff0000; box-shadow: none; }");
    }

    SkinLibrary m_library;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_button = nullptr;
    int m_draws = 0;
};

void expect_near(Pixel actual, Pixel expected) {
    EXPECT_NEAR(actual.r, expected.r, 2);
    EXPECT_NEAR(actual.g, expected.g, 2);
    EXPECT_NEAR(actual.b, expected.b, 2);
}

TEST_F(SkinRender, attaching_recolours_a_button_that_is_already_shown) {
    EXPECT_EQ(m_library.attach(), 0);
    Pixel before = button_centre();
    ASSERT_FALSE(before.r == 255 && before.g == 0 && before.b == 0);
    EXPECT_EQ(attach(red_buttons()), 0);
    expect_near(button_centre(), {255, 0, 0});
}

TEST_F(SkinRender, corrupt_data_is_refused_and_changes_nothing) {
    Pixel before = button_centre();
    auto data = red_buttons();
    data[data.size() - 2] ^= 0xFF;
    EXPECT_EQ(attach(data), static_cast<int>(SkinError::BadChecksum));
    auto css_error = pack_skin("button { background-color: #ff0000; color: ; ]]] }");
    EXPECT_EQ(attach(css_error), static_cast<int>(SkinError::BadSheet));
    expect_near(button_centre(), before);
}

TEST_F(SkinRender, hue_shift_turns_the_skin_colours) {
    EXPECT_EQ(attach(red_buttons(), 120), 0);
    expect_near(button_centre(), {0, 255, 0});
    // A later skin replaces the earlier one.
    EXPECT_EQ(attach(red_buttons(), -120), 0);
    expect_near(button_centre(), {0, 0, 255});
}

TEST_F(SkinRender, program_skin_gives_windows_the_main_window_grey) {
    std::ifstream file(QUILBEX_SKIN_DATA, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(attach(data), 0);
    expect_near(window_corner(), {0xE3, 0xE3, 0xE3});
    Pixel face = button_centre();
    EXPECT_GT(face.r + face.g + face.b, 3 * 0xE3);  // buttons are lighter than the window
}

}  // namespace
}  // namespace quilbex::skin
