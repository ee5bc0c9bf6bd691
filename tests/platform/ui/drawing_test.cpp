#include "UiFixture.h"
#include "platform/ui/Gbk.h"
#include "support/Gbk.h"

#include <cstring>
#include <thread>

namespace quilbex::ui::testing {
namespace {

using quilbex::testing::gbk;
using Drawing = UiTest;

// A procedure that paints a frame, a gradient and an engraved caption.
LRESULT label_like(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_PAINT)
        return DefWindowProcA(h, message, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    dc->frame_rect(client, RGB(128, 128, 128));
    InflateRect(&client, -1, -1);
    dc->intersect_clip(client);
    dc->gradient_fill(client, RGB(255, 0, 0), RGB(0, 0, 255), GradientDirection::Vertical);
    SetBkMode(dc, TRANSPARENT);
    std::string caption = window_text(h);
    RECT shadow = client;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, caption.c_str(), -1, &shadow, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, caption.c_str(), -1, &client, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    EndPaint(h, &ps);
    return 0;
}

TEST_F(Drawing, a_custom_window_paint_is_recorded_in_order_with_colours_and_clip) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = label_like;
    cls.lpszClassName = "_Label";
    RegisterClassA(&cls);
    HWND form = top_level(WS_OVERLAPPED | WS_VISIBLE);
    HWND label = child(form, "_Label", WS_VISIBLE, {4, 288, 220, 312}, 100, gbk("时间").c_str());
    auto ops = headless->paint(label);
    ASSERT_EQ(ops.size(), 4u + 1 + 2);  // frame as four fills, gradient, two texts
    EXPECT_EQ(ops[4].kind, DrawOp::Kind::Gradient);
    EXPECT_EQ(ops[4].rect, (RECT{1, 1, 215, 23}));
    EXPECT_EQ(ops[4].clip, (RECT{1, 1, 215, 23}));
    EXPECT_EQ(ops[5].kind, DrawOp::Kind::Text);
    EXPECT_EQ(ops[5].color, RGB(255, 255, 255));
    EXPECT_EQ(ops[5].rect.left, 2);
    EXPECT_EQ(ops[6].text, gbk("时间"));
    EXPECT_EQ(ops[6].color, RGB(0, 0, 0));
    EXPECT_EQ(ops[6].bk_mode, TRANSPARENT);
    EXPECT_EQ(ops[6].font.lfHeight, -12);
}

TEST_F(Drawing, the_class_background_brush_erases_before_painting) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.lpszClassName = "Filled";
    cls.hbrBackground = CreateSolidBrush(RGB(0xE3, 0xE3, 0xE3));
    RegisterClassA(&cls);
    HWND h = CreateWindowExA(0, "Filled", "", WS_POPUP | WS_VISIBLE, 0, 0, 30, 20, nullptr, nullptr, nullptr, nullptr);
    auto ops = headless->paint(h);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].color, 0xE3E3E3u);
    EXPECT_EQ(ops[0].rect, (RECT{0, 0, 30, 20}));
}

TEST_F(Drawing, text_measurement_is_fixed_and_calcrect_draws_nothing) {
    EXPECT_EQ(measure_text(nullptr, gbk("吴")), (SIZE{12, 12}));
    EXPECT_EQ(measure_text(nullptr, "ab"), (SIZE{12, 12}));
    LOGFONTA big = default_gui_logfont();
    big.lfHeight = -20;
    HFONT font = CreateFontIndirectA(&big);
    EXPECT_EQ(measure_text(font, "a\r\nbb"), (SIZE{20, 40}));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(GetStockObject(DEFAULT_GUI_FONT)));
    RecordingContext dc({0, 0, 100, 100});
    RECT r{0, 0, 0, 0};
    EXPECT_EQ(DrawTextA(&dc, "abcd", -1, &r, DT_CALCRECT), 12);
    EXPECT_EQ(r.right, 24);
    EXPECT_TRUE(dc.operations().empty());
}

TEST_F(Drawing, clipping_only_ever_narrows) {
    RecordingContext dc({0, 0, 100, 50});
    EXPECT_EQ(IntersectClipRect(&dc, 10, 10, 200, 200), 2);
    EXPECT_EQ(dc.clip_box(), (RECT{10, 10, 100, 50}));
    EXPECT_EQ(IntersectClipRect(&dc, 300, 300, 400, 400), 1);
    EXPECT_TRUE(rect_empty(dc.clip_box()));
}

TEST_F(Drawing, system_colours_and_the_button_face_marker) {
    EXPECT_EQ(resolve_color(0xFF000000), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(resolve_color(0x00E3E3E3), 0xE3E3E3u);
    COLORREF c;
    EXPECT_FALSE(brush_color(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), &c));
    EXPECT_TRUE(brush_color(GetSysColorBrush(COLOR_BTNFACE), &c));
    EXPECT_EQ(c, GetSysColor(COLOR_BTNFACE));
}

TEST_F(Drawing, gbk_conversion_survives_damaged_text) {
    EXPECT_EQ(gbk_to_utf8(gbk("签到抽奖")), "签到抽奖");
    EXPECT_EQ(utf8_to_gbk("签到"), gbk("签到"));
    EXPECT_EQ(gbk_to_utf8(std::string("a\x81", 2)), "a\xEF\xBF\xBD");  // a lead byte with no trail byte
    EXPECT_EQ(utf8_to_gbk("x\xF0\x9F\x98\x80y"), "x?y");  // no GBK form
    EXPECT_EQ(utf8_to_gbk("a\xC3"), "a?");  // cut UTF-8 sequence
    EXPECT_EQ(gbk_floor_boundary(gbk("签到"), 3), 2u);
}

TEST_F(Drawing, message_boxes_are_recorded_and_answered_from_any_thread) {
    HWND form = top_level(WS_OVERLAPPED | WS_VISIBLE);
    headless->set_message_box_answer(
        [](const MessageBoxRecord& box) { return (box.flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK; });
    EXPECT_EQ(MessageBoxA(form, gbk("保存成功").c_str(), gbk("信息：").c_str(), MB_TASKMODAL), IDOK);
    int from_worker = 0;
    std::thread worker([&] {
        from_worker = MessageBoxA(nullptr, "q", nullptr, MB_YESNO | MB_ICONQUESTION);
        PostQuitMessage(0);
    });
    run_message_loop();
    worker.join();
    EXPECT_EQ(from_worker, IDNO);
    auto boxes = headless->message_boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, form);
    EXPECT_EQ(boxes[0].text, gbk("保存成功"));
    EXPECT_EQ(boxes[0].caption, gbk("信息："));
    EXPECT_EQ(boxes[1].caption, "Error");
    EXPECT_EQ(boxes[1].answer, IDNO);
}

TEST_F(Drawing, without_a_test_answer_a_box_takes_its_first_button) {
    headless->set_message_box_answer(nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, gbk("运行时出错!").c_str(), gbk("错误").c_str(), MB_RETRYCANCEL | MB_ICONERROR),
              IDRETRY);
    std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("错误"), std::string::npos);
    EXPECT_NE(written.find("运行时出错!"), std::string::npos);
    EXPECT_EQ(first_button(MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(first_button(MB_ABORTRETRYIGNORE), IDABORT);
}

}  // namespace
}  // namespace quilbex::ui::testing

#include "platform/ui/gtk/GtkBackend.h"

#include <cstdlib>

namespace quilbex::ui::testing {
namespace {

TEST(Selection, without_a_display_the_program_gets_the_headless_system_on_the_real_clock) {
    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(WindowSystem::use_for_program(), "headless");
    EXPECT_EQ(WindowSystem::the().backend().name(), "headless");
    EXPECT_FALSE(WindowSystem::the().backend().clock().is_virtual());
    // Without the GTK system there is no container for the browser engine.
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.lpszClassName = "Host";
    RegisterClassA(&cls);
    HWND h = CreateWindowExA(0, "Host", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(quilbex_ui_gtk_container(h), nullptr);
    WindowSystem::shut_down();
    if (!display.empty())
        setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
}  // namespace quilbex::ui::testing
