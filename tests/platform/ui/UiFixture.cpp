#include "UiFixture.h"

namespace quilbex::ui::testing {

Journal& journal() {
    static Journal j;
    return j;
}

LRESULT probe_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    journal().messages.push_back({window, message, wparam, lparam});
    auto it = journal().handlers.find(message);
    if (it != journal().handlers.end())
        if (auto answer = it->second(window, wparam, lparam))
            return *answer;
    return DefWindowProcA(window, message, wparam, lparam);
}

void UiTest::SetUp() {
    journal() = Journal{};
    headless = &WindowSystem::use_headless();
    headless->set_message_box_answer([](const MessageBoxRecord& box) { return first_button(box.flags); });
    WNDCLASSA probe{};
    probe.lpfnWndProc = probe_procedure;
    probe.lpszClassName = "Probe";
    probe.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_ARROW)));
    ASSERT_NE(RegisterClassA(&probe), 0);
}

void UiTest::TearDown() {
    WindowSystem::shut_down();
    journal() = Journal{};
}

HWND UiTest::top_level(DWORD style, RECT r) {
    HWND h = CreateWindowExA(0, "Probe", "top", style, r.left, r.top, rect_width(r), rect_height(r), nullptr, nullptr,
                             nullptr, nullptr);
    EXPECT_NE(h, nullptr);
    return h;
}

HWND UiTest::child(HWND parent, LPCSTR class_name, DWORD style, RECT r, int id, LPCSTR text) {
    HWND h = CreateWindowExA(0, class_name, text, WS_CHILD | style, r.left, r.top, rect_width(r), rect_height(r),
                             parent, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    EXPECT_NE(h, nullptr);
    return h;
}

}  // namespace quilbex::ui::testing
