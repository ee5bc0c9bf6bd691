#pragma once
// What a toolkit must provide to the window system. The window system keeps
// every window's state (tree, styles, text, geometry, focus, messages, timers)
// and calls the backend to show it, to measure text, to paint, to wait for
// work and to ask the user. Every call except wake() is made on the window
// thread.

#include "platform/ui/Clock.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace quilbex::ui {

class DrawingContext;
class WindowSystem;
struct Window;

// What changed about a window, for WindowSystemBackend::window_changed.
enum WindowChange : unsigned {
    kChangeText = 1u << 0,
    kChangeGeometry = 1u << 1,
    kChangeVisibility = 1u << 2,
    kChangeEnabled = 1u << 3,
    kChangeStyle = 1u << 4,
    kChangeZOrder = 1u << 5,
    kChangeParent = 1u << 6,
    kChangeFont = 1u << 7,
    kChangeIcon = 1u << 8,
    kChangeCursor = 1u << 9,
    kChangeSelection = 1u << 10,
    kChangeScrollCaret = 1u << 11,
    kChangeColors = 1u << 12,
    kChangeImage = 1u << 13,
    kChangeActivation = 1u << 14,
};

class WindowSystemBackend {
public:
    virtual ~WindowSystemBackend() = default;

    virtual std::string_view name() const = 0;
    // Called once when the backend becomes the window system's backend.
    virtual void attach(WindowSystem& system) = 0;
    // Called when the window system is being torn down, before any window record is freed.
    virtual void detach() {}

    // A window record exists (before WM_NCCREATE); make its native part.
    virtual void window_created(Window& window) = 0;
    // The window is about to be freed (after WM_NCDESTROY); drop its native part.
    virtual void window_destroyed(Window& window) = 0;
    // Reflect state changes (a mask of WindowChange) in the native part.
    virtual void window_changed(Window& window, unsigned changes) = 0;
    virtual void focus_changed(HWND old_focus, HWND new_focus) = 0;
    // The window's client area must be painted again.
    virtual void invalidate(Window& window) = 0;
    // A drawing context for a WM_PAINT that the window system generates
    // itself (headless); the GTK backend paints in its draw handler instead.
    virtual std::unique_ptr<DrawingContext> create_paint_context(Window& window) = 0;
    // EndPaint for a context from create_paint_context.
    virtual void paint_finished(Window& window, DrawingContext& context) = 0;
    // True when the backend paints windows from its own drawing cycle, so the
    // message loop must not generate WM_PAINT.
    virtual bool paints_natively() const = 0;
    // True when edit controls are native editors that handle their own caret keys.
    virtual bool native_editing() const = 0;

    virtual SIZE measure_text(const LOGFONTA& font, std::string_view gbk) = 0;
    virtual int system_metric(int index) = 0;
    // Shows a modal message box and returns the ID* code of the button chosen.
    virtual int message_box(HWND owner, std::string_view text_gbk, std::string_view caption_gbk, UINT flags) = 0;

    // Blocks the window thread until wake() is called, toolkit events were
    // handled, or `timeout_ms` passed (-1: no timeout).
    virtual void wait(std::int64_t timeout_ms) = 0;
    // Any thread: makes a waiting wait() return soon.
    virtual void wake() = 0;
    virtual Clock& clock() = 0;
};

}  // namespace quilbex::ui
