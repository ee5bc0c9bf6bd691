#pragma once
// A headless window system per test, a window class whose procedure records
// every message it gets, and helpers to read the record.

#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/headless/HeadlessBackend.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace quilbex::ui::testing {

struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Messages received by windows of the "Probe" class, in order, and optional
// per-message overrides of the procedure's answer.
struct Journal {
    std::vector<Received> messages;
    std::map<UINT, std::function<std::optional<LRESULT>(HWND, WPARAM, LPARAM)>> handlers;

    std::vector<UINT> of(HWND window) const {
        std::vector<UINT> out;
        for (const auto& m : messages)
            if (m.window == window)
                out.push_back(m.message);
        return out;
    }
    std::size_t count(HWND window, UINT message) const {
        std::size_t n = 0;
        for (const auto& m : messages)
            n += m.window == window && m.message == message;
        return n;
    }
    // WM_COMMAND notifications with code `code` that `parent` received.
    std::size_t notifications(HWND parent, WORD code) const {
        std::size_t n = 0;
        for (const auto& m : messages)
            n += m.window == parent && m.message == WM_COMMAND && HIWORD(m.wparam) == code;
        return n;
    }
};

Journal& journal();
LRESULT probe_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND top_level(DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, RECT rect = {100, 100, 540, 438});
    HWND child(HWND parent, LPCSTR class_name, DWORD style, RECT rect, int id, LPCSTR text = "");

    HeadlessBackend* headless = nullptr;
};

}  // namespace quilbex::ui::testing
