#include "GtkFixture.h"

#include <chrono>

namespace quilbex::ui::testing {
namespace {

bool g_veto_close = false;
int g_ticks = 0;

LRESULT plain_procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE && g_veto_close)
        return 0;
    if (message == WM_TIMER && ++g_ticks == 5)
        PostQuitMessage(0);
    return DefWindowProcA(h, message, w, l);
}

class Behaviour : public GtkTest {
protected:
    void SetUp() override {
        GtkTest::SetUp();
        if (IsSkipped())
            return;
        g_veto_close = false;
        g_ticks = 0;
        WNDCLASSA cls{};
        cls.lpfnWndProc = plain_procedure;
        cls.lpszClassName = "Plain";
        RegisterClassA(&cls);
        top = CreateWindowExA(0, "Plain", "plain", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
        ASSERT_NE(top, nullptr);
        pump_for(200);
    }
    HWND top = nullptr;
};

TEST_F(Behaviour, the_close_box_asks_the_window_which_may_refuse) {
    g_veto_close = true;
    gtk_window_close(GTK_WINDOW(backend->widget_of(top)));
    pump_for(200);
    EXPECT_TRUE(IsWindow(top));
    g_veto_close = false;
    gtk_window_close(GTK_WINDOW(backend->widget_of(top)));
    ASSERT_TRUE(pump_until([&] { return !IsWindow(top); }));
}

TEST_F(Behaviour, timers_tick_on_the_toolkit_loop_at_their_interval) {
    SetTimer(top, 1, 100, nullptr);
    auto start = std::chrono::steady_clock::now();
    run_message_loop();
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(g_ticks, 5);
    EXPECT_GE(elapsed.count(), 480);
    EXPECT_LT(elapsed.count(), 3000);
}

TEST_F(Behaviour, restacking_keeps_a_view_hosted_in_a_child_window_alive) {
    HWND host = CreateWindowExA(0, "Plain", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 120, top,
                                reinterpret_cast<HMENU>(100), nullptr, nullptr);
    HWND other = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top,
                                 reinterpret_cast<HMENU>(110), nullptr, nullptr);
    GtkWidget* view = gtk_drawing_area_new();
    gtk_fixed_put(GTK_FIXED(quilbex_ui_gtk_container(host)), view, 0, 0);
    gtk_widget_set_size_request(view, 200, 120);
    gtk_widget_show(view);
    pump_for(200);
    ASSERT_TRUE(gtk_widget_get_realized(view));
    int unrealized = 0;
    g_signal_connect(view, "unrealize", G_CALLBACK(+[](GtkWidget*, gpointer count) { ++*static_cast<int*>(count); }),
                     &unrealized);
    SetWindowPos(host, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(other, host, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(host, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    pump_for(100);
    EXPECT_EQ(unrealized, 0);
    EXPECT_EQ(gtk_widget_get_parent(view), quilbex_ui_gtk_container(host));
    g_signal_handlers_disconnect_by_data(view, &unrealized);
}

TEST_F(Behaviour, screen_metrics_come_from_the_display) {
    GdkRectangle geometry;
    gdk_monitor_get_geometry(gdk_display_get_primary_monitor(gdk_display_get_default())
                                 ? gdk_display_get_primary_monitor(gdk_display_get_default())
                                 : gdk_display_get_monitor(gdk_display_get_default(), 0),
                             &geometry);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), geometry.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), geometry.height);
    EXPECT_EQ(GetSystemMetrics(SM_CYEDGE), 2);
    SIZE size = measure_text(nullptr, "Wu");
    EXPECT_GT(size.cx, 0);
    EXPECT_GE(size.cy, 12);
}

}  // namespace
}  // namespace quilbex::ui::testing

namespace quilbex::ui::testing {
namespace {

TEST_F(Behaviour, a_windows_cursor_shows_over_it) {
    HWND host = CreateWindowExA(0, "Plain", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, top,
                                reinterpret_cast<HMENU>(100), nullptr, nullptr);
    pump_for(100);
    GdkWindow* gdk = gtk_widget_get_window(quilbex_ui_gtk_container(host));
    ASSERT_NE(gdk, nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gdk), nullptr);  // the class has no cursor: the parent's shows
    set_window_cursor(host, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_HAND))));
    EXPECT_NE(gdk_window_get_cursor(gdk), nullptr);
    set_window_cursor(host, nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gdk), nullptr);
}

}  // namespace
}  // namespace quilbex::ui::testing

namespace quilbex::ui::testing {
namespace {

std::vector<std::pair<HWND, WORD>> g_activations;

LRESULT activation_procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_ACTIVATE)
        g_activations.emplace_back(h, LOWORD(w));
    return DefWindowProcA(h, message, w, l);
}

TEST_F(Behaviour, giving_another_window_the_input_focus_deactivates_the_first) {
    g_activations.clear();
    WNDCLASSA cls{};
    cls.lpfnWndProc = activation_procedure;
    cls.lpszClassName = "Activated";
    RegisterClassA(&cls);
    HWND a = CreateWindowExA(0, "Activated", "a", WS_CAPTION | WS_VISIBLE, 50, 50, 200, 150, nullptr, nullptr, nullptr,
                             nullptr);
    HWND b = CreateWindowExA(0, "Activated", "b", WS_CAPTION | WS_VISIBLE, 400, 50, 200, 150, nullptr, nullptr, nullptr,
                             nullptr);
    pump_for(200);
    focus_x_window(a);
    ASSERT_TRUE(pump_until([&] { return GetActiveWindow() == a; }));
    g_activations.clear();
    focus_x_window(b);
    ASSERT_TRUE(pump_until([&] { return GetActiveWindow() == b; }));
    bool a_inactive = false, b_active = false;
    for (auto& [window, state] : g_activations) {
        a_inactive = a_inactive || (window == a && state == WA_INACTIVE);
        b_active = b_active || (window == b && state == WA_ACTIVE);
    }
    EXPECT_TRUE(a_inactive);
    EXPECT_TRUE(b_active);
}

}  // namespace
}  // namespace quilbex::ui::testing

namespace quilbex::ui::testing {
namespace {

// A widget put into a control by someone else (the browser engine's view):
// a click gives it the keyboard focus, typed keys reach it rather than the
// control, and the control becomes the focus window as a Windows child would.
TEST_F(Behaviour, a_hosted_widget_takes_the_focus_and_the_keys_and_its_host_is_the_focus_window) {
    HWND host = CreateWindowExA(0, "Plain", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 60, top,
                                reinterpret_cast<HMENU>(100), nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 100, 200, 24, top,
                                reinterpret_cast<HMENU>(110), nullptr, nullptr);
    GtkWidget* entry = gtk_entry_new();
    gtk_fixed_put(GTK_FIXED(quilbex_ui_gtk_container(host)), entry, 0, 0);
    gtk_widget_set_size_request(entry, 200, 30);
    gtk_widget_show(entry);
    SetFocus(edit);
    pump_for(200);
    focus_x_window(top);
    ASSERT_TRUE(pump_until([&] { return GetActiveWindow() == top; }));

    click(host, {100, 15});
    ASSERT_TRUE(pump_until([&] { return gtk_widget_has_focus(entry); }));
    EXPECT_EQ(GetFocus(), host);
    xdotool("type --delay 40 abc");
    xdotool("key BackSpace");
    EXPECT_TRUE(pump_until([&] { return std::string(gtk_entry_get_text(GTK_ENTRY(entry))) == "ab"; }))
        << gtk_entry_get_text(GTK_ENTRY(entry));
    EXPECT_EQ(window_text(edit), "") << "the keys went to the program's own edit box";

    // The program moving the focus to the host passes it on to the widget.
    SetFocus(edit);
    pump_for(100);
    EXPECT_FALSE(gtk_widget_has_focus(entry));
    SetFocus(host);
    EXPECT_TRUE(pump_until([&] { return gtk_widget_has_focus(entry); }));
}

}  // namespace
}  // namespace quilbex::ui::testing
