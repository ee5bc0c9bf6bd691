#pragma once
// The window system's record of one window. Records live on the window
// thread and are reached by handle: code that calls out (sends a message, runs
// a window procedure) looks the record up again afterwards, because the call
// may have destroyed the window.

#include "platform/ui/DrawingContext.h"
#include "platform/ui/Types.h"

#include <memory>
#include <string>
#include <vector>

namespace quilbex::ui {

struct WindowClassInfo;

// The backend's own part of a window (a GTK widget, or nothing when headless).
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
};

enum class ControlKind { Custom, Edit, Button };

// The state behind an "EDIT" window. Positions are byte offsets into the GBK
// window text and always fall on character boundaries.
struct EditState {
    std::size_t selection_start = 0;
    std::size_t selection_end = 0;
    std::size_t limit = 30000;
    char password_char = 0;
    int scroll_to_caret_count = 0;
    bool colors_known = false;
    COLORREF text_color = 0;
    COLORREF background_color = 0xFFFFFF;
};

// The state behind a "BUTTON" window.
struct ButtonState {
    bool pushed = false;
    UINT image_type = 0;
    void* image = nullptr;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<const WindowClassInfo> window_class;
    WNDPROC procedure = nullptr;
    ControlKind kind = ControlKind::Custom;
    DWORD style = 0;
    DWORD ex_style = 0;
    std::string text;  // GBK
    RECT rect{};  // outer rectangle: parent client coordinates for a child, screen for a top-level window
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;  // stacking order, topmost first
    UINT_PTR id = 0;
    LONG_PTR user_data = 0;
    HFONT font = nullptr;
    HICON big_icon = nullptr;
    HICON small_icon = nullptr;
    HCURSOR cursor = nullptr;  // overrides the class cursor when set
    bool close_box = true;  // SC_CLOSE is on the system menu (the close box works)
    bool minimized = false;
    bool maximized = false;
    bool needs_paint = false;
    bool destroying = false;
    EditState edit;
    ButtonState button;
    DrawingContext* backend_paint = nullptr;  // set by the backend while it paints the window
    std::unique_ptr<DrawingContext> own_paint;  // a context made for a WM_PAINT outside the backend's drawing
    std::unique_ptr<NativeWindow> native;

    bool is_child() const;
    bool visible_flag() const;
    bool enabled_flag() const;
};

}  // namespace quilbex::ui
