#pragma once
// Fonts, brushes and system colours. Font and brush handles are objects of
// this layer; DeleteObject frees them, and refuses handles it does not know
// (including the stock objects, which live for the whole process).

#include "platform/ui/Types.h"

#include <string_view>

namespace quilbex::ui {

struct FontObject {
    LOGFONTA logfont;
};

struct BrushObject {
    COLORREF color;
    bool hollow;  // the null brush paints nothing
};

HFONT CreateFontIndirectA(const LOGFONTA* logfont);
HBRUSH CreateSolidBrush(COLORREF color);
// DEFAULT_GUI_FONT or NULL_BRUSH; other indices give null.
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);

COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// The font a handle stands for; the default GUI font for null or an unknown handle.
const LOGFONTA& font_of(HFONT font);
// The colour of a brush and whether it paints at all.
bool brush_color(HBRUSH brush, COLORREF* color);

// The logical font of DEFAULT_GUI_FONT: 12-pixel characters of the shell's
// dialog face, which the toolkit backend maps to a CJK-capable face.
const LOGFONTA& default_gui_logfont();

// The value the templates use for "the system button-face colour".
inline constexpr COLORREF kSystemButtonFaceMarker = 0xFF000000;
// Resolves the marker to the button-face colour; other colours are returned as they are.
COLORREF resolve_color(COLORREF color);

}  // namespace quilbex::ui
