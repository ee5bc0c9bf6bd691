#pragma once
// The drawing context of the GTK backend: cairo for shapes, Pango for text.

#include "platform/ui/DrawingContext.h"

#include <cairo.h>

namespace quilbex::ui::gtk {

class CairoContext final : public DrawingContext {
public:
    // Draws on `cr` (not owned) whose origin is the client area's top-left;
    // `clip` is the area GTK asked to be painted.
    CairoContext(cairo_t* cr, RECT clip);
    ~CairoContext() override;

    void fill_rect(const RECT& rect, COLORREF color) override;
    void gradient_fill(const RECT& rect, COLORREF from, COLORREF to, GradientDirection direction) override;
    void line(POINT from, POINT to, COLORREF color) override;
    int draw_text(std::string_view text, RECT& rect, UINT format) override;
    SIZE text_extent(std::string_view text) override;
    void draw_icon(HICON icon, const RECT& dest) override;

protected:
    void clip_changed() override;

private:
    cairo_t* m_cr;
};

// The pixel extent of GBK text in a font, measured with Pango.
SIZE pango_text_extent(const LOGFONTA& font, std::string_view gbk);

}  // namespace quilbex::ui::gtk
