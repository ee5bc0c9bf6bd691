// A skin changes what a real, shown window draws: pixels of the toolkit's
// rendering before and after attaching.

#include "SkinLibrary.h"
#include "skin/SkinData.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <iterator>
#include <memory>

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
        GtkWidget* fixed = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(m_window), fixed);
        m_button = gtk_button_new();
        gtk_widget_set_size_request(m_button, 80, 40);
        gtk_fixed_put(GTK_FIXED(fixed), m_button, 60, 40);
        gtk_widget_show_all(m_window);
        settle();
    }

    void TearDown() override {
        if (m_window)
            gtk_widget_destroy(m_window);
    }

    // Runs the loop long enough for a style change to reach every widget
    // (style updates run on the frame clock whether or not the window is
    // visible on the shared screen).
    void settle() {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(1000);
        }
    }

    // The pixel at (dx, dy) of a widget as the toolkit renders the shown
    // window now. The window is drawn into an image of its own rather than
    // read back from the screen, which other tests on the same display share.
    Pixel pixel(GtkWidget* widget, int dx, int dy) {
        int x = 0;
        int y = 0;
        if (!gtk_widget_translate_coordinates(widget, m_window, dx, dy, &x, &y))
            return {-1, -1, -1};
        int width = gtk_widget_get_allocated_width(m_window);
        int height = gtk_widget_get_allocated_height(m_window);
        std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> image(
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
        cairo_t* cr = cairo_create(image.get());
        gtk_widget_draw(m_window, cr);
        cairo_destroy(cr);
        cairo_surface_flush(image.get());
        if (x < 0 || y < 0 || x >= width || y >= height)
            return {-1, -1, -1};
        const unsigned char* row = cairo_image_surface_get_data(image.get()) +
                                   static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(image.get());
        std::uint32_t value;
        std::memcpy(&value, row + 4 * x, sizeof value);
        return {static_cast<int>(value >> 16 & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                static_cast<int>(value & 0xFF)};
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
        return pack_skin(
            "button { transition: none; background-image: none; background-color: #ff0000; box-shadow: none; }");
    }

    SkinLibrary m_library;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_button = nullptr;
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
