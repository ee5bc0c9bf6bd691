// Invalidation, BeginPaint/EndPaint and the colour query of edit controls.

#include "platform/ui/Constants.h"
#include "platform/ui/DrawingContext.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/WindowSystem.h"

namespace quilbex::ui {

namespace {

// A context that draws nothing: it only carries the colours that a parent
// sets while it answers WM_CTLCOLOREDIT.
class ColorQueryContext final : public DrawingContext {
public:
    ColorQueryContext() : DrawingContext({0, 0, 0, 0}) {}
    void fill_rect(const RECT&, COLORREF) override {}
    void gradient_fill(const RECT&, COLORREF, COLORREF, GradientDirection) override {}
    void line(POINT, POINT, COLORREF) override {}
    int draw_text(std::string_view, RECT&, UINT) override { return 0; }
    SIZE text_extent(std::string_view) override { return {0, 0}; }
    void draw_icon(HICON, const RECT&) override {}
};

}  // namespace

void WindowSystem::invalidate(HWND handle, bool) {
    Window* w = find(handle);
    if (!w)
        return;
    w->needs_paint = true;
    m_backend->invalidate(*w);
}

HDC WindowSystem::begin_paint(HWND handle, PAINTSTRUCT* paint) {
    Window* w = find(handle);
    if (!w)
        return nullptr;
    DrawingContext* dc = w->backend_paint;
    if (!dc) {
        if (!w->own_paint)
            w->own_paint = m_backend->create_paint_context(*w);
        dc = w->own_paint.get();
    }
    w->needs_paint = false;
    bool erased = send_message(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
    if (paint) {
        paint->hdc = dc;
        paint->fErase = erased ? FALSE : TRUE;
        paint->rcPaint = dc->clip_box();
    }
    return dc;
}

void WindowSystem::end_paint(HWND handle) {
    Window* w = find(handle);
    if (!w || !w->own_paint)
        return;
    std::unique_ptr<DrawingContext> context = std::move(w->own_paint);
    m_backend->paint_finished(*w, *context);
}

void WindowSystem::paint_with(HWND handle, DrawingContext& context) {
    Window* w = find(handle);
    if (!w)
        return;
    DrawingContext* previous = w->backend_paint;
    w->backend_paint = &context;
    send_message(handle, WM_PAINT, 0, 0);
    if ((w = find(handle))) {
        w->backend_paint = previous;
        w->needs_paint = false;
    }
}

void WindowSystem::refresh_control_colors(HWND handle) {
    Window* w = find(handle);
    if (!w || w->kind != ControlKind::Edit)
        return;
    bool read_only = (w->style & ES_READONLY) || !w->enabled_flag();
    ColorQueryContext query;
    query.set_text_color(GetSysColor(COLOR_WINDOWTEXT));
    HBRUSH brush = nullptr;
    if (w->parent)
        brush =
            reinterpret_cast<HBRUSH>(send_message(w->parent, read_only ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                  reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(handle)));
    if (!(w = find(handle)))
        return;
    COLORREF background;
    if (!brush_color(brush, &background))
        background = GetSysColor(read_only ? COLOR_BTNFACE : COLOR_WINDOW);
    COLORREF text = query.text_color() & 0x00FFFFFF;
    if (w->edit.colors_known && w->edit.text_color == text && w->edit.background_color == background)
        return;
    w->edit.colors_known = true;
    w->edit.text_color = text;
    w->edit.background_color = background;
    m_backend->window_changed(*w, kChangeColors);
}

}  // namespace quilbex::ui
