#include "platform/ui/DrawingContext.h"

#include "platform/ui/Gdi.h"

#include <algorithm>
#include <cstring>

namespace quilbex::ui {

HFONT DrawingContext::select_font(HFONT font) {
    HFONT old = m_font;
    m_font = font;
    return old;
}

COLORREF DrawingContext::set_text_color(COLORREF color) {
    COLORREF old = m_text_color;
    m_text_color = color;
    return old;
}

int DrawingContext::set_bk_mode(int mode) {
    int old = m_bk_mode;
    m_bk_mode = mode;
    return old;
}

COLORREF DrawingContext::set_bk_color(COLORREF color) {
    COLORREF old = m_bk_color;
    m_bk_color = color;
    return old;
}

void DrawingContext::intersect_clip(const RECT& rect) {
    RECT clipped;
    if (!IntersectRect(&clipped, &m_clip, &rect))
        clipped = {m_clip.left, m_clip.top, m_clip.left, m_clip.top};
    m_clip = clipped;
    clip_changed();
}

void DrawingContext::frame_rect(const RECT& r, COLORREF color) {
    if (rect_empty(r))
        return;
    fill_rect({r.left, r.top, r.right, r.top + 1}, color);
    fill_rect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    fill_rect({r.left, r.top, r.left + 1, r.bottom}, color);
    fill_rect({r.right - 1, r.top, r.right, r.bottom}, color);
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    COLORREF color;
    if (!dc || !rect || !brush_color(brush, &color))
        return 0;
    dc->fill_rect(*rect, color);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    COLORREF color;
    if (!dc || !rect || !brush_color(brush, &color))
        return 0;
    dc->frame_rect(*rect, color);
    return 1;
}

int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
    if (!dc || !rect)
        return 0;
    std::size_t n = !text ? 0 : length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    return dc->draw_text(std::string_view(text ? text : "", n), *rect, format);
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size) {
    if (!dc || !size || length < 0 || (!text && length > 0))
        return FALSE;
    *size = dc->text_extent(std::string_view(text ? text : "", static_cast<std::size_t>(length)));
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) { return dc ? dc->set_text_color(color) : 0xFFFFFFFF; }
COLORREF SetBkColor(HDC dc, COLORREF color) { return dc ? dc->set_bk_color(color) : 0xFFFFFFFF; }
int SetBkMode(HDC dc, int mode) { return dc ? dc->set_bk_mode(mode) : 0; }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ font) {
    if (!dc)
        return nullptr;
    HFONT old = dc->select_font(static_cast<HFONT>(font));
    return old ? static_cast<HGDIOBJ>(old) : GetStockObject(17);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!dc)
        return 0;
    dc->intersect_clip({left, top, right, bottom});
    return rect_empty(dc->clip_box()) ? 1 : 2;  // NULLREGION : SIMPLEREGION
}

int GetClipBox(HDC dc, RECT* rect) {
    if (!dc || !rect)
        return 0;
    *rect = dc->clip_box();
    return rect_empty(*rect) ? 1 : 2;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b)
        return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (rect_empty(r)) {
        *out = {0, 0, 0, 0};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect)
        return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
    if (!rect)
        return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect)
        return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT p) {
    return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

}  // namespace quilbex::ui
