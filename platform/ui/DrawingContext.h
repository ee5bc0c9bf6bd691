#pragma once
// The drawing context that custom-painted windows receive from BeginPaint.
// It keeps the selected font, text colour, background mode and clip box as a
// Windows device context does; each backend implements the primitives (cairo
// and Pango on GTK, a recorded list of operations when headless).
//
// Coordinates are client coordinates of the window being painted. Colours are
// 0x00BBGGRR; the system button-face marker 0xFF000000 is resolved by callers
// with resolve_color().

#include "platform/ui/Types.h"

#include <string_view>

namespace quilbex::ui {

enum class GradientDirection { Horizontal, Vertical };

class DrawingContext {
public:
    virtual ~DrawingContext() = default;

    HFONT select_font(HFONT font);
    HFONT font() const { return m_font; }
    COLORREF set_text_color(COLORREF color);
    COLORREF text_color() const { return m_text_color; }
    int set_bk_mode(int mode);
    int bk_mode() const { return m_bk_mode; }
    COLORREF set_bk_color(COLORREF color);
    COLORREF bk_color() const { return m_bk_color; }

    // The current clip box; painting outside it has no effect.
    RECT clip_box() const { return m_clip; }
    // Narrows the clip box to its intersection with `rect`.
    void intersect_clip(const RECT& rect);

    virtual void fill_rect(const RECT& rect, COLORREF color) = 0;
    // A linear gradient from `from` at the left (or top) edge to `to` at the right (or bottom).
    virtual void gradient_fill(const RECT& rect, COLORREF from, COLORREF to, GradientDirection direction) = 0;
    // A one-pixel line from `from` up to, not including, `to` (as LineTo draws).
    virtual void line(POINT from, POINT to, COLORREF color) = 0;
    // A one-pixel frame just inside `rect`.
    virtual void frame_rect(const RECT& rect, COLORREF color);
    // Draws GBK text in the selected font and text colour, with the DT_* flags
    // DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (single line), DT_SINGLELINE,
    // DT_WORDBREAK, DT_NOPREFIX (otherwise "&x" underlines x and "&&" is "&")
    // and DT_CALCRECT (measure only: `rect` receives the text's extent).
    // Returns the height of the drawn text.
    virtual int draw_text(std::string_view text, RECT& rect, UINT format) = 0;
    // The size of one line of GBK text in the selected font.
    virtual SIZE text_extent(std::string_view text) = 0;
    virtual void draw_icon(HICON icon, const RECT& dest) = 0;

protected:
    explicit DrawingContext(RECT clip) : m_clip(clip) {}
    // Called after the clip box changed.
    virtual void clip_changed() {}

private:
    HFONT m_font = nullptr;  // null stands for DEFAULT_GUI_FONT
    COLORREF m_text_color = 0;
    COLORREF m_bk_color = 0xFFFFFF;
    int m_bk_mode = 2;  // OPAQUE
    RECT m_clip;
};

// Windows-named helpers over a drawing context.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
// Selects a font (the only object a drawing context selects); returns the previous one.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ font);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, RECT* rect);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL PtInRect(const RECT* rect, POINT point);

}  // namespace quilbex::ui
