// A disabled top-level window (the one a modal window disabled) takes no
// input, no activation and no close request; the user's attempts bring the
// enabled window in front instead.

#include "UiFixture.h"

namespace quilbex::ui::testing {
namespace {

class DisabledWindow : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        main = top_level();
        button = child(main, "Probe", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {10, 10, 90, 40}, 100);
        ShowWindow(main, SW_SHOW);
        SetFocus(button);
        modal = top_level(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, {150, 150, 400, 300});
        ShowWindow(modal, SW_SHOW);
        EnableWindow(main, FALSE);
        journal().messages.clear();
    }

    std::size_t input_messages(HWND window) const {
        std::size_t n = 0;
        for (UINT m : journal().of(window))
            n += m == WM_KEYDOWN || m == WM_KEYUP || m == WM_CHAR || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP ||
                 m == WM_SYSCOMMAND || m == WM_CLOSE;
        return n;
    }

    HWND main = nullptr;
    HWND button = nullptr;
    HWND modal = nullptr;
};

TEST_F(DisabledWindow, input_addressed_to_it_or_its_controls_reaches_no_procedure_and_no_filter) {
    int filtered = 0;
    WindowSystem::the().set_input_filter([&](MSG&) {
        ++filtered;
        return false;
    });
    for (HWND target : {main, button}) {
        EXPECT_TRUE(WindowSystem::the().deliver_input(MSG{target, WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}}));
        EXPECT_TRUE(WindowSystem::the().deliver_input(MSG{target, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}}));
        EXPECT_TRUE(WindowSystem::the().deliver_input(MSG{target, WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, {0, 0}}));
    }
    EXPECT_EQ(filtered, 0);
    EXPECT_EQ(input_messages(main) + input_messages(button), 0u);
    // The enabled window still gets its input through the filter.
    EXPECT_FALSE(WindowSystem::the().deliver_input(MSG{modal, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}}));
    EXPECT_EQ(filtered, 1);
    EXPECT_EQ(journal().count(modal, WM_KEYDOWN), 1u);
}

TEST_F(DisabledWindow, activating_or_focusing_it_brings_the_enabled_window_instead) {
    SetActiveWindow(nullptr);
    SetActiveWindow(main);
    EXPECT_EQ(GetActiveWindow(), modal);
    EXPECT_EQ(SetFocus(button), nullptr);
    EXPECT_NE(GetFocus(), button);
    EXPECT_EQ(GetActiveWindow(), modal);
    EXPECT_EQ(journal().count(main, WM_ACTIVATE), 0u);
}

TEST_F(DisabledWindow, a_close_request_is_refused_and_keys_go_nowhere_until_it_is_enabled_again) {
    EXPECT_FALSE(headless->request_close(main));
    headless->press_key(VK_ESCAPE);
    EXPECT_FALSE(headless->click(button));
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(input_messages(main) + input_messages(button), 0u);
    EXPECT_EQ(GetActiveWindow(), modal);

    EnableWindow(main, TRUE);
    DestroyWindow(modal);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_TRUE(headless->click(button));
    EXPECT_EQ(journal().count(button, WM_LBUTTONDOWN), 1u);
    EXPECT_TRUE(headless->request_close(main));
    EXPECT_EQ(journal().count(main, WM_SYSCOMMAND), 1u);
}

}  // namespace
}  // namespace quilbex::ui::testing
