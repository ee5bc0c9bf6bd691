#pragma once
// Fonts, pictures and text conversions between the Windows vocabulary and
// GTK/Pango/cairo. Included only from the GTK backend's sources.

#include "platform/ui/Icon.h"
#include "platform/ui/Types.h"
#include "platform/ui/gtk/GObjectPtr.h"

#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <string_view>

namespace quilbex::ui::gtk {

struct PangoFontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
using FontDescription = std::unique_ptr<PangoFontDescription, PangoFontDescriptionDeleter>;

// The font a LOGFONTA asks for. Faces that name the Windows dialog and
// Chinese system fonts, and faces that are not installed, fall back to a
// CJK-capable face, so Chinese texts always show.
FontDescription font_description(const LOGFONTA& font);
// CSS declarations for the same font (for widgets styled by providers).
std::string font_css(const LOGFONTA& font);
// "#rrggbb" for a COLORREF.
std::string css_color(COLORREF color);
// "&x" mnemonics to GTK's "_x" ("&&" is "&", "_" is escaped).
std::string mnemonic_label(std::string_view utf8);
// A pixbuf of an icon or cursor; null when it cannot be decoded.
GObjectPtr<GdkPixbuf> icon_pixbuf(HICON icon);
// The GBK byte offset of a character offset in GBK text, and back.
std::size_t gbk_offset_of_char(std::string_view gbk, long chars);
long char_count_of_gbk(std::string_view gbk, std::size_t bytes);

}  // namespace quilbex::ui::gtk
