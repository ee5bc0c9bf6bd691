#include "platform/ui/gtk/CairoContext.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/gtk/GtkText.h"

#include <algorithm>
#include <pango/pangocairo.h>

namespace quilbex::ui::gtk {

namespace {

void set_color(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

// Windows line ends become newlines; without DT_NOPREFIX, "&x" shows x and "&&" shows "&".
std::string displayed_text(std::string_view gbk, UINT format) {
    std::string utf8 = gbk_to_utf8(gbk);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        if (c == '\r')
            continue;
        if (c == '&' && !(format & DT_NOPREFIX)) {
            if (i + 1 < utf8.size() && utf8[i + 1] == '&')
                ++i;
            else
                continue;
        }
        if ((format & DT_SINGLELINE) && c == '\n')
            c = ' ';
        out += c;
    }
    return out;
}

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};

std::unique_ptr<PangoLayout, LayoutDeleter> make_layout(cairo_t* cr, const LOGFONTA& font, const std::string& utf8) {
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cr));
    FontDescription description = font_description(font);
    pango_layout_set_font_description(layout.get(), description.get());
    if (font.lfUnderline || font.lfStrikeOut) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (font.lfUnderline)
            pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.lfStrikeOut)
            pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout.get(), attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));
    return layout;
}

}  // namespace

SIZE pango_text_extent(const LOGFONTA& font, std::string_view gbk) {
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
    auto layout = make_layout(cr.get(), font, displayed_text(gbk, DT_NOPREFIX));
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout.get(), &w, &h);
    return {w, h};
}

CairoContext::CairoContext(cairo_t* cr, RECT clip) : DrawingContext(clip), m_cr(cr) { cairo_save(m_cr); }

CairoContext::~CairoContext() { cairo_restore(m_cr); }

void CairoContext::clip_changed() {
    RECT c = clip_box();
    cairo_rectangle(m_cr, c.left, c.top, std::max<LONG>(0, rect_width(c)), std::max<LONG>(0, rect_height(c)));
    cairo_clip(m_cr);
}

void CairoContext::fill_rect(const RECT& r, COLORREF color) {
    if (rect_empty(r))
        return;
    set_color(m_cr, color);
    cairo_rectangle(m_cr, r.left, r.top, rect_width(r), rect_height(r));
    cairo_fill(m_cr);
}

void CairoContext::gradient_fill(const RECT& r, COLORREF from, COLORREF to, GradientDirection direction) {
    if (rect_empty(r))
        return;
    std::unique_ptr<cairo_pattern_t, PatternDeleter> owned(direction == GradientDirection::Horizontal
                                                               ? cairo_pattern_create_linear(r.left, 0, r.right, 0)
                                                               : cairo_pattern_create_linear(0, r.top, 0, r.bottom));
    cairo_pattern_t* pattern = owned.get();
    cairo_pattern_add_color_stop_rgb(pattern, 0, GetRValue(from) / 255.0, GetGValue(from) / 255.0,
                                     GetBValue(from) / 255.0);
    cairo_pattern_add_color_stop_rgb(pattern, 1, GetRValue(to) / 255.0, GetGValue(to) / 255.0, GetBValue(to) / 255.0);
    cairo_set_source(m_cr, pattern);
    cairo_rectangle(m_cr, r.left, r.top, rect_width(r), rect_height(r));
    cairo_fill(m_cr);
}

void CairoContext::line(POINT from, POINT to, COLORREF color) {
    set_color(m_cr, color);
    cairo_set_line_width(m_cr, 1.0);
    cairo_move_to(m_cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(m_cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(m_cr);
}

int CairoContext::draw_text(std::string_view text, RECT& r, UINT format) {
    std::string utf8 = displayed_text(text, format);
    auto layout = make_layout(m_cr, font_of(font()), utf8);
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
        pango_layout_set_width(layout.get(), std::max<LONG>(1, rect_width(r)) * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout.get(), &w, &h);
    if (format & DT_CALCRECT) {
        r.right = r.left + w;
        r.bottom = r.top + h;
        return h;
    }
    PangoAlignment alignment = (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                               : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                     : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout.get(), alignment);
    double x = r.left;
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
        if (format & DT_CENTER)
            x = r.left + (rect_width(r) - w) / 2.0;
        else if (format & DT_RIGHT)
            x = r.right - w;
    }
    double y = r.top;
    // As on Windows, vertical centring and bottom alignment apply to single lines only.
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = r.top + (rect_height(r) - h) / 2.0;
        else if (format & DT_BOTTOM)
            y = r.bottom - h;
    }
    cairo_save(m_cr);
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(m_cr, r.left, r.top, rect_width(r), rect_height(r));
        cairo_clip(m_cr);
    }
    if (bk_mode() == OPAQUE) {
        set_color(m_cr, bk_color());
        cairo_rectangle(m_cr, x, y, w, h);
        cairo_fill(m_cr);
    }
    set_color(m_cr, text_color());
    cairo_move_to(m_cr, x, y);
    pango_cairo_show_layout(m_cr, layout.get());
    cairo_restore(m_cr);
    return h;
}

SIZE CairoContext::text_extent(std::string_view text) { return pango_text_extent(font_of(font()), text); }

void CairoContext::draw_icon(HICON icon, const RECT& dest) {
    auto pixbuf = icon_pixbuf(icon);
    if (!pixbuf || rect_empty(dest))
        return;
    cairo_save(m_cr);
    cairo_translate(m_cr, dest.left, dest.top);
    cairo_scale(m_cr, static_cast<double>(rect_width(dest)) / gdk_pixbuf_get_width(pixbuf.get()),
                static_cast<double>(rect_height(dest)) / gdk_pixbuf_get_height(pixbuf.get()));
    gdk_cairo_set_source_pixbuf(m_cr, pixbuf.get(), 0, 0);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

}  // namespace quilbex::ui::gtk
