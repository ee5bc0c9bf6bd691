#include "UiFixture.h"

namespace quilbex::ui::testing {
namespace {

class Button : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = top_level(WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
        button = child(form, "BUTTON", WS_VISIBLE | BS_CENTER, {10, 10, 90, 42}, 110, "OK");
    }
    std::size_t clicks() const { return journal().notifications(form, BN_CLICKED); }
    HWND form = nullptr;
    HWND button = nullptr;
};

TEST_F(Button, a_click_tells_the_parent_once_with_the_control_id) {
    ASSERT_TRUE(headless->click(button));
    EXPECT_EQ(clicks(), 1u);
    auto it = std::find_if(journal().messages.begin(), journal().messages.end(),
                           [&](const Received& m) { return m.window == form && m.message == WM_COMMAND; });
    EXPECT_EQ(LOWORD(it->wparam), 110);
    EXPECT_EQ(reinterpret_cast<HWND>(it->lparam), button);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(Button, releasing_outside_the_button_does_not_click) {
    WindowSystem::the().deliver_input(MSG{button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0, {}});
    WindowSystem::the().deliver_input(MSG{button, WM_LBUTTONUP, 0, MAKELPARAM(200, 5), 0, {}});
    EXPECT_EQ(clicks(), 0u);
}

TEST_F(Button, a_disabled_button_cannot_be_clicked) {
    EnableWindow(button, FALSE);
    EXPECT_FALSE(headless->click(button));
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks(), 0u);
    EnableWindow(button, TRUE);
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks(), 1u);
}

TEST_F(Button, the_space_bar_clicks_the_focused_button) {
    SetFocus(button);
    headless->press_key(VK_SPACE);
    EXPECT_EQ(clicks(), 1u);
}

TEST_F(Button, the_default_style_switches_without_recreating_the_window) {
    SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(GetWindowLongA(button, GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(button, GWL_STYLE) & BS_CENTER);
    SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(GetWindowLongA(button, GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(IsWindow(button));
}

TEST_F(Button, an_image_replaces_the_previous_one_of_its_kind) {
    int a = 0, b = 0;
    EXPECT_EQ(SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(&a)), 0);
    EXPECT_EQ(SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(&b)),
              reinterpret_cast<LRESULT>(&a));
    EXPECT_EQ(SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(&b));
    EXPECT_EQ(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

}  // namespace
}  // namespace quilbex::ui::testing
