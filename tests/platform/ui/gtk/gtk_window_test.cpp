#include "GtkFixture.h"
#include "platform/ui/Gbk.h"

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <thread>

namespace quilbex::ui::testing {
namespace {

// The form procedure of these tests: colours its status box white on black,
// counts notifications, and ends the loop when the window goes.
struct FormLog {
    int changes = 0;
    int clicks = 0;
    HWND last_source = nullptr;
};
FormLog g_log;
HBRUSH g_black = nullptr;

LRESULT form_procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(w), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(g_black);
    case WM_COMMAND:
        if (HIWORD(w) == EN_CHANGE)
            ++g_log.changes;
        if (HIWORD(w) == BN_CLICKED)
            ++g_log.clicks;
        g_log.last_source = reinterpret_cast<HWND>(l);
        return 0;
    case WM_NCDESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(h, message, w, l);
    }
}

LRESULT swatch_procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_PAINT)
        return DefWindowProcA(h, message, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    dc->gradient_fill(client, RGB(255, 0, 0), RGB(255, 0, 0), GradientDirection::Horizontal);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    std::string text = window_text(h);
    DrawTextA(dc, text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(h, &ps);
    return 0;
}

class Form : public GtkTest {
protected:
    void SetUp() override {
        GtkTest::SetUp();
        if (IsSkipped())
            return;
        g_log = FormLog{};
        if (!g_black)
            g_black = CreateSolidBrush(RGB(0, 0, 0));
        WNDCLASSA form{};
        form.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        form.lpfnWndProc = form_procedure;
        form.hbrBackground = CreateSolidBrush(RGB(0xE3, 0xE3, 0xE3));
        form.lpszClassName = "KVWindow";
        RegisterClassA(&form);
        WNDCLASSA label_class{};
        label_class.lpfnWndProc = swatch_procedure;
        label_class.lpszClassName = "_QV_Label";
        RegisterClassA(&label_class);
        int x = (GetSystemMetrics(SM_CXSCREEN) - 440) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - 338) / 2;
        std::string title = utf8_to_gbk("Quilbex签到抽奖V1.0");
        top = CreateWindowExA(0, "KVWindow", title.c_str(),
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_DLGFRAME | WS_CLIPCHILDREN, x, y, 440, 338,
                              nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(top, nullptr);
        status = control("EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, {0, 0, 432, 104}, 100);
        cookie = control("EDIT", ES_AUTOHSCROLL, {100, 112, 348, 144}, 110, WS_EX_CLIENTEDGE);
        button = control("BUTTON", BS_CENTER | BS_VCENTER | BS_MULTILINE, {168, 239, 248, 275}, 120, 0,
                         utf8_to_gbk("抽奖/签到"));
        swatch = control("_QV_Label", 0, {4, 288, 220, 306}, 130, 0, "12:00:00");
        ShowWindow(top, SW_SHOW);
        ASSERT_TRUE(pump_until([&] { return gtk_widget_get_mapped(backend->widget_of(top)); }));
        pump_for(300);
    }

    HWND control(LPCSTR cls, DWORD style, RECT r, int id, DWORD ex = 0, const std::string& text = "") {
        HWND h = CreateWindowExA(ex, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, rect_width(r),
                                 rect_height(r), top, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr,
                                 nullptr);
        EXPECT_NE(h, nullptr);
        return h;
    }

    HWND top = nullptr, status = nullptr, cookie = nullptr, button = nullptr, swatch = nullptr;
};

TEST_F(Form, opens_centred_with_its_client_area_title_and_controls_in_place) {
    GtkWidget* window = backend->widget_of(top);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Quilbex签到抽奖V1.0");
    int ox = 0, oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(backend->container_of(top)), &ox, &oy);
    POINT expected = screen_point(top, {0, 0});
    EXPECT_EQ(ox, expected.x);
    EXPECT_EQ(oy, expected.y);
    EXPECT_EQ(expected.x, (GetSystemMetrics(SM_CXSCREEN) - 440) / 2 + 3);
    EXPECT_EQ(gtk_widget_get_allocated_width(backend->container_of(top)), 434);
    EXPECT_EQ(gtk_widget_get_allocated_height(backend->container_of(top)), 309);

    Screenshot shot = screenshot("form");
    ASSERT_GT(shot.width, 0);
    POINT status_inside = screen_point(top, {200, 50});
    POINT background = screen_point(top, {30, 200});
    POINT label = screen_point(top, {10, 291});
    EXPECT_EQ(shot.at(status_inside.x, status_inside.y), RGB(0, 0, 0));
    EXPECT_EQ(shot.at(background.x, background.y), RGB(0xE3, 0xE3, 0xE3));
    EXPECT_EQ(shot.at(label.x, label.y), RGB(255, 0, 0));
}

TEST_F(Form, typing_into_an_edit_box_raises_one_change_per_character) {
    focus_x_window(top);
    click(cookie, {20, 10});
    EXPECT_EQ(GetFocus(), cookie);
    g_log.changes = 0;
    xdotool("type --delay 50 abc");
    ASSERT_TRUE(pump_until([&] { return window_text(cookie) == "abc"; }));
    EXPECT_EQ(g_log.changes, 3);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(backend->widget_of(cookie))), "abc");
    xdotool("key BackSpace");
    ASSERT_TRUE(pump_until([&] { return window_text(cookie) == "ab"; }));
    EXPECT_EQ(g_log.changes, 4);
}

TEST_F(Form, lines_and_chinese_input_in_a_multi_line_box_arrive_as_gbk) {
    HWND message = control("EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, {100, 152, 348, 224},
                           140, WS_EX_CLIENTEDGE);
    pump_for(200);
    focus_x_window(top);
    click(message, {20, 10});
    ASSERT_EQ(GetFocus(), message);
    g_log.changes = 0;
    xdotool("type --delay 60 ab");
    xdotool("key Return");
    // What an input method does when it commits Chinese text (xdotool cannot
    // type characters outside the keymap reliably on Xvfb).
    GtkTextBuffer* buffer =
        gtk_text_view_get_buffer(GTK_TEXT_VIEW(gtk_bin_get_child(GTK_BIN(backend->widget_of(message)))));
    gtk_text_buffer_insert_interactive_at_cursor(buffer, "签到", -1, TRUE);
    std::string expected = "ab\r\n" + utf8_to_gbk("签到");
    ASSERT_TRUE(pump_until([&] { return window_text(message) == expected; })) << gbk_to_utf8(window_text(message));
    EXPECT_EQ(g_log.changes, 5);
    xdotool("key BackSpace");
    ASSERT_TRUE(pump_until([&] { return window_text(message) == "ab\r\n" + utf8_to_gbk("签"); }));
    DWORD start = 0, end = 0;
    SendMessageA(message, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 6u);  // after "ab\r\n" and one two-byte character
    EXPECT_EQ(end, 6u);
}

TEST_F(Form, a_read_only_box_takes_no_typing) {
    focus_x_window(top);
    click(status, {20, 20});
    xdotool("type --delay 30 xyz");
    pump_for(200);
    EXPECT_EQ(window_text(status), "");
    EXPECT_EQ(g_log.changes, 0);
}

TEST_F(Form, a_click_on_the_button_reaches_the_parent_once) {
    focus_x_window(top);
    click(button, {40, 18});
    ASSERT_TRUE(pump_until([&] { return g_log.clicks > 0; }));
    pump_for(200);
    EXPECT_EQ(g_log.clicks, 1);
    EXPECT_EQ(g_log.last_source, button);
}

TEST_F(Form, escape_through_the_input_filter_closes_the_window_and_ends_the_loop) {
    set_input_filter([&](MSG& m) {
        if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
            PostMessageA(top, WM_CLOSE, 0, 0);
            return true;
        }
        return false;
    });
    focus_x_window(top);
    std::thread keys([] { std::system("sleep 0.3; xdotool key Escape >/dev/null 2>&1"); });
    std::atomic<bool> ended{false};
    std::thread reaper([&] {
        for (int i = 0; i < 300 && !ended; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!ended)
            PostQuitMessage(99);
    });
    int code = run_message_loop();
    ended = true;
    keys.join();
    reaper.join();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(Form, a_worker_appends_lines_while_the_window_thread_runs) {
    std::thread worker([&] {
        for (int i = 0; i < 30; ++i) {
            std::string line = utf8_to_gbk("第" + std::to_string(i) + "行\r\n");
            auto length = static_cast<WPARAM>(GetWindowTextLengthA(status));
            SendMessageA(status, EM_SETSEL, length, static_cast<LPARAM>(length));
            SendMessageA(status, EM_SCROLLCARET, 0, 0);
            SendMessageA(status, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
    });
    std::atomic<bool> done{false};
    std::thread joiner([&] {
        worker.join();
        done = true;
    });
    ASSERT_TRUE(pump_until([&] { return done.load(); }, 20000));
    joiner.join();
    std::string text = gbk_to_utf8(window_text(status));
    EXPECT_EQ(text.rfind("第29行\r\n"), text.size() - std::string("第29行\r\n").size());
    GtkTextBuffer* buffer =
        gtk_text_view_get_buffer(GTK_TEXT_VIEW(gtk_bin_get_child(GTK_BIN(backend->widget_of(status)))));
    EXPECT_EQ(gtk_text_buffer_get_line_count(buffer), 31);
    pump_for(200);
    screenshot("form-status-lines");
}

TEST_F(Form, the_engine_finds_a_windows_child_container_by_handle) {
    using Lookup = GtkWidget* (*)(void*);
    auto lookup = reinterpret_cast<Lookup>(dlsym(RTLD_DEFAULT, "quilbex_ui_gtk_container"));
    ASSERT_NE(lookup, nullptr);
    GtkWidget* client = lookup(top);
    ASSERT_NE(client, nullptr);
    EXPECT_TRUE(GTK_IS_FIXED(client));
    EXPECT_EQ(gtk_widget_get_toplevel(client), backend->widget_of(top));
    EXPECT_TRUE(GTK_IS_FIXED(lookup(swatch)));
    EXPECT_EQ(lookup(cookie), nullptr);
    EXPECT_EQ(lookup(reinterpret_cast<void*>(0x4242)), nullptr);
}

// Answers the message box captioned `caption` with `key` from another thread
// while the box runs its own loop. A search can find the box before it can
// take the focus, so the press is tried again every half second (each try
// bounded by `timeout`) until the box has answered.
int answer_message_box(const std::string& caption, const std::string& key, const std::function<int()>& show_box) {
    std::atomic<bool> answered{false};
    std::thread presser([&] {
        const std::string press = "timeout 20 xdotool search --onlyvisible --name " + caption +
                                  " windowfocus --sync key " + key + " >/dev/null 2>&1";
        for (int tries = 0; tries < 240 && !answered; ++tries) {
            std::system(press.c_str());
            for (int i = 0; i < 10 && !answered; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    int answer = show_box();
    answered = true;
    presser.join();
    return answer;
}

TEST_F(Form, a_message_box_returns_the_button_chosen) {
    const std::string caption = "QuilbexBox";
    int answer = answer_message_box(caption, "Return", [&] {
        return MessageBoxA(top, utf8_to_gbk("要继续吗？").c_str(), caption.c_str(),
                           MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION);
    });
    EXPECT_EQ(answer, IDNO);

    answer = answer_message_box(caption, "Escape",
                                [&] { return MessageBoxA(top, "cancel me", caption.c_str(), MB_OKCANCEL); });
    EXPECT_EQ(answer, IDCANCEL);
}

TEST_F(Form, hiding_disabling_and_moving_reach_the_widgets) {
    GtkWidget* entry = backend->widget_of(cookie);
    ShowWindow(cookie, SW_HIDE);
    EXPECT_FALSE(gtk_widget_get_visible(entry));
    ShowWindow(cookie, SW_SHOW);
    EnableWindow(button, FALSE);
    EXPECT_FALSE(gtk_widget_get_sensitive(backend->widget_of(button)));
    MoveWindow(cookie, 10, 150, 100, 24, TRUE);
    pump_for(200);
    GtkAllocation a;
    gtk_widget_get_allocation(entry, &a);
    EXPECT_EQ(a.x, 10);
    EXPECT_EQ(a.y, 150);
    EXPECT_EQ(a.width, 100);
    EXPECT_EQ(a.height, 24);
}

}  // namespace
}  // namespace quilbex::ui::testing
