#include "UiFixture.h"
#include "support/Gbk.h"

#include <thread>

namespace quilbex::ui::testing {
namespace {

using quilbex::testing::gbk;

class Edit : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = top_level(WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
    }
    HWND edit(DWORD style, LPCSTR text = "") {
        return child(form, "EDIT", WS_VISIBLE | style, {10, 10, 210, 40}, 100, text);
    }
    std::size_t changes() const { return journal().notifications(form, EN_CHANGE); }
    // What append_edit_text does for each text.
    void append(HWND box, const std::string& text) {
        auto length = static_cast<WPARAM>(GetWindowTextLengthA(box));
        SendMessageA(box, EM_SETSEL, length, static_cast<LPARAM>(length));
        SendMessageA(box, EM_SCROLLCARET, 0, 0);
        SendMessageA(box, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::pair<DWORD, DWORD> selection(HWND box) {
        DWORD start = 0, end = 0;
        SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    HWND form = nullptr;
};

TEST_F(Edit, setting_the_text_changes_once_and_typing_one_character_changes_once) {
    HWND box = edit(0);
    SetWindowTextA(box, "abc");
    EXPECT_EQ(changes(), 1u);
    SetWindowTextA(box, "abc");
    EXPECT_EQ(changes(), 1u);  // no change of content, no notification
    SendMessageA(box, EM_SETSEL, 3, 3);
    headless->type_text(box, "d");
    EXPECT_EQ(window_text(box), "abcd");
    EXPECT_EQ(changes(), 2u);
    auto it = std::find_if(journal().messages.begin(), journal().messages.end(),
                           [&](const Received& m) { return m.message == WM_COMMAND && HIWORD(m.wparam) == EN_CHANGE; });
    EXPECT_EQ(LOWORD(it->wparam), 100);
    EXPECT_EQ(reinterpret_cast<HWND>(it->lparam), box);
}

TEST_F(Edit, a_read_only_box_refuses_typing_but_takes_the_programs_text) {
    HWND box = edit(ES_READONLY | ES_MULTILINE);
    headless->type_text(box, "typed");
    headless->press_key(VK_BACK);
    EXPECT_EQ(window_text(box), "");
    EXPECT_EQ(changes(), 0u);
    SetWindowTextA(box, "status");
    append(box, "\r\nmore");
    EXPECT_EQ(window_text(box), "status\r\nmore");
    EXPECT_EQ(changes(), 2u);
}

TEST_F(Edit, appending_texts_puts_them_at_the_end_without_separators) {
    HWND box = edit(ES_MULTILINE | ES_READONLY);
    SetWindowTextA(box, "x");
    SendMessageA(box, EM_SETSEL, 0, 0);  // the caret is elsewhere; appending ignores it
    append(box, "a");
    append(box, "b");
    EXPECT_EQ(window_text(box), "xab");
    EXPECT_EQ(selection(box), std::make_pair(DWORD{3}, DWORD{3}));
    EXPECT_EQ(WindowSystem::the().find(box)->edit.scroll_to_caret_count, 2);
}

TEST_F(Edit, appending_from_a_worker_waits_for_the_window_thread) {
    HWND box = edit(ES_MULTILINE | ES_READONLY);
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            append(box, "line\r\n");
        PostQuitMessage(0);
    });
    run_message_loop();
    worker.join();
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += "line\r\n";
    EXPECT_EQ(window_text(box), expected);
    EXPECT_EQ(changes(), 20u);
}

TEST_F(Edit, the_text_limit_cuts_inserted_text_on_a_character_boundary) {
    HWND box = edit(0);
    SendMessageA(box, EM_LIMITTEXT, 5, 0);
    std::string two = gbk("签到");  // four bytes
    SetWindowTextA(box, "ab");  // WM_SETTEXT ignores the limit
    SendMessageA(box, EM_SETSEL, 2, 2);
    SendMessageA(box, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(two.c_str()));
    EXPECT_EQ(window_text(box), "ab" + gbk("签"));
    EXPECT_EQ(journal().notifications(form, EN_MAXTEXT), 1u);
    headless->type_text(box, gbk("到"));
    EXPECT_EQ(window_text(box), "ab" + gbk("签"));  // a typed character that does not fit is refused
    headless->type_text(box, "z");
    EXPECT_EQ(window_text(box), "ab" + gbk("签") + "z");
    SendMessageA(box, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(Edit, positions_never_split_a_two_byte_character) {
    HWND box = edit(0);
    std::string text = "a" + gbk("签到") + "b";  // a, 2 bytes, 2 bytes, b
    SetWindowTextA(box, text.c_str());
    SendMessageA(box, EM_SETSEL, 2, 4);
    EXPECT_EQ(selection(box), std::make_pair(DWORD{1}, DWORD{3}));
    SendMessageA(box, EM_SETSEL, 5, 5);
    SetFocus(box);
    headless->press_key(VK_BACK);
    EXPECT_EQ(window_text(box), "a" + gbk("签") + "b");
    headless->press_key(VK_LEFT);
    headless->press_key(VK_DELETE);
    EXPECT_EQ(window_text(box), "ab");
    SendMessageA(box, EM_SETSEL, 0, -1);
    EXPECT_EQ(selection(box), std::make_pair(DWORD{0}, DWORD{2}));
    SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(selection(box).first, selection(box).second);
}

TEST_F(Edit, typing_a_two_byte_character_inserts_it_whole) {
    HWND box = edit(0);
    headless->type_text(box, gbk("你好") + "!");
    EXPECT_EQ(window_text(box), gbk("你好") + "!");
    EXPECT_EQ(changes(), 3u);
}

TEST_F(Edit, case_conversion_and_number_styles_apply_to_typing) {
    HWND upper = edit(ES_UPPERCASE);
    headless->type_text(upper, "abC1");
    EXPECT_EQ(window_text(upper), "ABC1");
    HWND lower = edit(ES_LOWERCASE);
    headless->type_text(lower, "AbC");
    EXPECT_EQ(window_text(lower), "abc");
    HWND number = edit(ES_NUMBER);
    headless->type_text(number, "a1b2");
    EXPECT_EQ(window_text(number), "12");
}

TEST_F(Edit, enter_makes_a_new_line_only_in_a_multi_line_box) {
    HWND single = edit(0);
    headless->type_text(single, "a");
    headless->press_key(VK_RETURN);
    EXPECT_EQ(window_text(single), "a");
    HWND multi = edit(ES_MULTILINE | ES_WANTRETURN);
    headless->type_text(multi, "a");
    headless->press_key(VK_RETURN);
    headless->type_text(nullptr, "b");
    EXPECT_EQ(window_text(multi), "a\r\nb");
    EXPECT_EQ(SendMessageA(multi, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(Edit, password_character_follows_the_style) {
    HWND box = edit(ES_PASSWORD);
    EXPECT_EQ(SendMessageA(box, EM_GETPASSWORDCHAR, 0, 0), '*');
    SendMessageA(box, EM_SETPASSWORDCHAR, '#', 0);
    EXPECT_EQ(SendMessageA(box, EM_GETPASSWORDCHAR, 0, 0), '#');
    SendMessageA(box, EM_SETPASSWORDCHAR, 0, 0);
    EXPECT_FALSE(GetWindowLongA(box, GWL_STYLE) & ES_PASSWORD);
}

TEST_F(Edit, focus_changes_are_told_to_the_parent) {
    HWND a = edit(0);
    HWND b = edit(0);
    SetFocus(a);
    SetFocus(b);
    EXPECT_EQ(journal().notifications(form, EN_SETFOCUS), 2u);
    EXPECT_EQ(journal().notifications(form, EN_KILLFOCUS), 1u);
}

TEST_F(Edit, colours_come_from_the_parents_answer_to_the_colour_query) {
    static HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    journal().handlers[WM_CTLCOLORSTATIC] = [](HWND, WPARAM dc, LPARAM) -> std::optional<LRESULT> {
        SetTextColor(reinterpret_cast<HDC>(dc), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(black);
    };
    HWND status = edit(ES_READONLY | ES_MULTILINE);
    const EditState& e = WindowSystem::the().find(status)->edit;
    EXPECT_TRUE(e.colors_known);
    EXPECT_EQ(e.text_color, RGB(255, 255, 255));
    EXPECT_EQ(e.background_color, RGB(0, 0, 0));
    HWND normal = edit(0);
    EXPECT_EQ(WindowSystem::the().find(normal)->edit.background_color, RGB(255, 255, 255));
}

}  // namespace
}  // namespace quilbex::ui::testing
