#include "UiFixture.h"

namespace quilbex::ui::testing {
namespace {

using Tree = UiTest;

TEST_F(Tree, creation_sends_nccreate_then_create_with_the_creation_parameter) {
    int marker = 7;
    void* seen = nullptr;
    journal().handlers[WM_CREATE] = [&](HWND, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        seen = reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams;
        return 0;
    };
    HWND h = CreateWindowExA(0, "probe", "t", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, &marker);
    ASSERT_TRUE(IsWindow(h));
    auto got = journal().of(h);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], WM_NCCREATE);
    EXPECT_EQ(got[1], WM_CREATE);
    EXPECT_EQ(seen, &marker);
}

TEST_F(Tree, a_procedure_refusing_creation_leaves_no_window_behind) {
    journal().handlers[WM_CREATE] = [](HWND, WPARAM, LPARAM) -> std::optional<LRESULT> { return -1; };
    HWND parent = nullptr;
    {
        auto saved = journal().handlers;
        journal().handlers.clear();
        parent = top_level();
        journal().handlers = saved;
    }
    HWND h = CreateWindowExA(0, "Probe", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    EXPECT_EQ(WindowSystem::the().all_windows().size(), 1u);
}

TEST_F(Tree, unknown_class_or_missing_parent_fails) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "Probe", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "Probe", "", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(0x1234), nullptr, nullptr,
                              nullptr),
              nullptr);
}

TEST_F(Tree, destruction_tells_parent_before_children_and_frees_children_first) {
    HWND top = top_level();
    HWND a = child(top, "Probe", 0, {0, 0, 10, 10}, 1);
    HWND b = child(a, "Probe", 0, {0, 0, 5, 5}, 2);
    journal().messages.clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (auto& m : journal().messages)
        if (m.message == WM_DESTROY || m.message == WM_NCDESTROY)
            order.emplace_back(m.window, m.message);
    std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY}, {a, WM_DESTROY},   {b, WM_DESTROY},
                                                {b, WM_NCDESTROY}, {a, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(b));
    EXPECT_FALSE(DestroyWindow(top));
}

TEST_F(Tree, destroying_a_window_again_from_its_own_destroy_message_is_harmless) {
    journal().handlers[WM_DESTROY] = [](HWND h, WPARAM, LPARAM) -> std::optional<LRESULT> {
        EXPECT_FALSE(DestroyWindow(h));
        return 0;
    };
    HWND top = top_level();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(Tree, owned_windows_and_timers_go_with_their_owner) {
    HWND owner = top_level();
    HWND owned = CreateWindowExA(0, "Probe", "", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
    ASSERT_TRUE(IsWindow(owned));
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    EXPECT_EQ(GetParent(owned), owner);
    SetTimer(owner, 1, 100, nullptr);
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_EQ(WindowSystem::the().timer_count(), 0u);
}

TEST_F(Tree, top_level_client_area_is_outer_size_less_frame_and_caption) {
    HWND top = top_level(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, {50, 50, 490, 388});
    RECT client;
    ASSERT_TRUE(GetClientRect(top, &client));
    EXPECT_EQ(client.right, 440 - 6);
    EXPECT_EQ(client.bottom, 338 - 6 - 23);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(origin.x, 53);
    EXPECT_EQ(origin.y, 76);

    HWND bare = top_level(WS_POPUP, {0, 0, 100, 80});
    GetClientRect(bare, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 80);

    RECT adjusted{0, 0, 434, 309};
    AdjustWindowRectEx(&adjusted, WS_CAPTION, FALSE, 0);
    EXPECT_EQ(rect_width(adjusted), 440);
    EXPECT_EQ(rect_height(adjusted), 338);
}

TEST_F(Tree, child_rectangles_are_relative_to_the_parent_client_area) {
    HWND top = top_level(WS_OVERLAPPED | WS_CAPTION, {50, 50, 490, 388});
    HWND c = child(top, "Probe", WS_BORDER, {10, 20, 110, 60}, 100);
    RECT r;
    GetWindowRect(c, &r);
    EXPECT_EQ(r.left, 53 + 10);
    EXPECT_EQ(r.top, 76 + 20);
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 98);  // a one-pixel border on each side
    EXPECT_EQ(GetDlgCtrlID(c), 100);
    EXPECT_EQ(GetDlgItem(top, 100), c);
}

TEST_F(Tree, moving_and_sizing_send_move_and_size_only_for_what_changed) {
    HWND top = top_level();
    HWND c = child(top, "Probe", 0, {0, 0, 50, 20}, 1);
    journal().messages.clear();
    SetWindowPos(c, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(journal().count(c, WM_MOVE), 1u);
    EXPECT_EQ(journal().count(c, WM_SIZE), 0u);
    SetWindowPos(c, nullptr, 0, 0, 70, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(journal().count(c, WM_MOVE), 1u);
    ASSERT_EQ(journal().count(c, WM_SIZE), 1u);
    auto size = std::find_if(journal().messages.begin(), journal().messages.end(),
                             [&](const Received& m) { return m.message == WM_SIZE; });
    EXPECT_EQ(LOWORD(size->lparam), 70);
    EXPECT_EQ(HIWORD(size->lparam), 30);
    MoveWindow(c, 5, 6, 70, 30, TRUE);
    EXPECT_EQ(journal().count(c, WM_MOVE) + journal().count(c, WM_SIZE), 2u);
}

TEST_F(Tree, stacking_places_a_control_after_a_sibling_or_at_either_end) {
    HWND top = top_level();
    HWND a = child(top, "Probe", 0, {0, 0, 1, 1}, 1);
    HWND b = child(top, "Probe", 0, {0, 0, 1, 1}, 2);
    HWND c = child(top, "Probe", 0, {0, 0, 1, 1}, 3);
    // New children are created on top.
    EXPECT_EQ(GetWindow(top, GW_CHILD), c);
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
    SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(top, GW_CHILD), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDLAST), a);
    HWND other = top_level();
    EXPECT_FALSE(SetWindowPos(b, other, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
}

TEST_F(Tree, topmost_windows_stay_above_the_others) {
    HWND a = top_level();
    HWND b = top_level();
    SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetTopWindow(nullptr), a);
    BringWindowToTop(b);
    EXPECT_EQ(GetTopWindow(nullptr), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_TRUE(GetWindowLongA(a, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Tree, reparenting_moves_the_window_and_refuses_cycles) {
    HWND top = top_level();
    HWND a = child(top, "Probe", 0, {0, 0, 1, 1}, 1);
    HWND b = child(top, "Probe", 0, {3, 4, 5, 6}, 2);
    EXPECT_EQ(SetParent(b, a), top);
    EXPECT_EQ(GetParent(b), a);
    EXPECT_TRUE(IsChild(top, b));
    EXPECT_EQ(SetParent(a, b), nullptr);  // b lies inside a
    EXPECT_EQ(GetParent(a), top);
    RECT r;
    GetClientRect(b, &r);
    EXPECT_EQ(r.right, 2);
}

TEST_F(Tree, visibility_follows_the_ancestors) {
    HWND top = top_level();
    HWND c = child(top, "Probe", WS_VISIBLE, {0, 0, 1, 1}, 1);
    EXPECT_FALSE(IsWindowVisible(c));
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(c));
    EXPECT_TRUE(ShowWindow(c, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(c));
    EXPECT_EQ(journal().count(c, WM_SHOWWINDOW), 2u);
    ShowWindow(top, SW_SHOWMINIMIZED);
    EXPECT_TRUE(IsIconic(top));
    ShowWindow(top, SW_RESTORE);
    EXPECT_FALSE(IsIconic(top));
}

TEST_F(Tree, focus_moves_with_kill_and_set_messages_and_activates_the_top_level) {
    HWND top = top_level();
    HWND a = child(top, "Probe", WS_VISIBLE, {0, 0, 1, 1}, 1);
    HWND b = child(top, "Probe", WS_VISIBLE, {0, 0, 1, 1}, 2);
    SetFocus(a);
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), a);
    journal().messages.clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(journal().messages.size(), 2u);
    EXPECT_EQ(journal().messages[0].window, a);
    EXPECT_EQ(journal().messages[0].message, WM_KILLFOCUS);
    EXPECT_EQ(journal().messages[1].window, b);
    EXPECT_EQ(journal().messages[1].message, WM_SETFOCUS);
    EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(0x999)), nullptr);
    EXPECT_EQ(GetFocus(), b);
}

TEST_F(Tree, disabling_or_destroying_the_focused_window_takes_the_focus_away) {
    HWND top = top_level();
    HWND a = child(top, "Probe", WS_VISIBLE, {0, 0, 1, 1}, 1);
    SetFocus(a);
    EXPECT_FALSE(EnableWindow(a, FALSE));  // it was enabled
    EXPECT_FALSE(IsWindowEnabled(a));
    EXPECT_NE(GetFocus(), a);
    EXPECT_TRUE(EnableWindow(a, TRUE));  // it was disabled
    SetFocus(a);
    DestroyWindow(a);
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(Tree, closing_the_active_window_activates_its_owner) {
    HWND owner = top_level(WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
    HWND dialog =
        CreateWindowExA(0, "Probe", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetActiveWindow(), dialog);
    headless->request_close(dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(Tree, window_longs_subclass_the_procedure_and_keep_user_data) {
    static WNDPROC original = nullptr;
    static int calls = 0;
    calls = 0;
    HWND top = top_level();
    original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            ++calls;
            return CallWindowProcA(original, h, m, w, l);
        })));
    EXPECT_EQ(original, &probe_procedure);
    SendMessageA(top, WM_USER, 0, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(journal().count(top, WM_USER), 1u);
    SetWindowLongPtrA(top, GWLP_USERDATA, 42);
    EXPECT_EQ(GetWindowLongPtrA(top, GWLP_USERDATA), 42);
    EXPECT_EQ(GetWindowLongPtrA(reinterpret_cast<HWND>(0x5), GWLP_USERDATA), 0);
}

TEST_F(Tree, window_text_round_trips_gbk_bytes_and_truncates_to_the_buffer) {
    HWND top = top_level();
    std::string text = "\xC7\xA9\xB5\xBD abc";  // GBK
    SetWindowTextA(top, text.c_str());
    EXPECT_EQ(window_text(top), text);
    EXPECT_EQ(GetWindowTextLengthA(top), static_cast<int>(text.size()));
    char small[4];
    EXPECT_EQ(GetWindowTextA(top, small, sizeof small), 3);
    EXPECT_STREQ(small, "\xC7\xA9\xB5");
    EXPECT_EQ(GetWindowTextA(reinterpret_cast<HWND>(0x77), small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

TEST_F(Tree, class_names_are_case_insensitive_and_registered_once) {
    WNDCLASSA again{};
    again.lpfnWndProc = probe_procedure;
    again.lpszClassName = "PROBE";
    EXPECT_EQ(RegisterClassA(&again), 0);
    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(nullptr, "edit", &info));
    HWND top = top_level();
    char name[16];
    GetClassNameA(top, name, sizeof name);
    EXPECT_STREQ(name, "Probe");
    EXPECT_FALSE(UnregisterClassA("Probe", nullptr));  // a window of the class exists
    DestroyWindow(top);
    EXPECT_TRUE(UnregisterClassA("Probe", nullptr));
}

}  // namespace
}  // namespace quilbex::ui::testing

namespace quilbex::ui::testing {
namespace {

TEST_F(Tree, removing_the_close_item_disables_the_close_box_until_reverted) {
    HWND top = top_level(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    HMENU menu = GetSystemMenu(top, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(DeleteMenu(menu, 0xF120, MF_BYCOMMAND));  // not an item this system menu knows
    EXPECT_TRUE(DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND));
    headless->request_close(top);
    EXPECT_TRUE(IsWindow(top));
    EXPECT_EQ(journal().count(top, WM_CLOSE), 0u);
    EXPECT_EQ(EnableMenuItem(menu, SC_CLOSE, MF_ENABLED), static_cast<int>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(menu, SC_CLOSE, MF_GRAYED), static_cast<int>(MF_ENABLED));
    GetSystemMenu(top, TRUE);
    headless->request_close(top);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(GetSystemMenu(top_level(WS_POPUP), FALSE), nullptr);  // no system menu at all
}

}  // namespace
}  // namespace quilbex::ui::testing
