#include "platform/ui/gtk/GtkText.h"

#include "platform/ui/Gbk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quilbex::ui::gtk {

namespace {

constexpr const char* kFallbackFamilies = "WenQuanYi Zen Hei,Noto Sans CJK SC,Sans";

std::string family_of(const LOGFONTA& font) {
    std::string face = gbk_to_utf8(std::string_view(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));
    if (face.empty() || face == "MS Shell Dlg" || face == "MS Shell Dlg 2" || face == "MS Sans Serif" ||
        face == "System")
        return kFallbackFamilies;
    return face + "," + kFallbackFamilies;
}

double pixel_size(const LOGFONTA& font) {
    if (font.lfHeight == 0)
        return 12.0;
    if (font.lfHeight < 0)
        return -static_cast<double>(font.lfHeight);
    // A positive height is the cell height, which includes the internal leading.
    return std::max(1.0, std::round(font.lfHeight * 0.85));
}

}  // namespace

FontDescription font_description(const LOGFONTA& font) {
    FontDescription d(pango_font_description_new());
    std::string family = family_of(font);
    pango_font_description_set_family(d.get(), family.c_str());
    pango_font_description_set_absolute_size(d.get(), pixel_size(font) * PANGO_SCALE);
    int weight = font.lfWeight == 0 ? 400 : std::clamp(static_cast<int>(font.lfWeight), 100, 1000);
    pango_font_description_set_weight(d.get(), static_cast<PangoWeight>(weight));
    pango_font_description_set_style(d.get(), font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

std::string font_css(const LOGFONTA& font) {
    std::string families;
    std::string family = family_of(font);
    for (std::size_t start = 0; start <= family.size();) {
        std::size_t comma = family.find(',', start);
        if (comma == std::string::npos)
            comma = family.size();
        if (!families.empty())
            families += ", ";
        families += "\"" + family.substr(start, comma - start) + "\"";
        start = comma + 1;
    }
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "font-size: %.0fpx; font-weight: %d; font-style: %s; text-decoration-line: %s;", pixel_size(font),
                  font.lfWeight == 0 ? 400 : std::clamp(static_cast<int>(font.lfWeight), 100, 1000),
                  font.lfItalic ? "italic" : "normal", font.lfUnderline ? "underline" : "none");
    return "font-family: " + families + "; " + buffer;
}

std::string css_color(COLORREF color) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", GetRValue(color), GetGValue(color), GetBValue(color));
    return buffer;
}

std::string mnemonic_label(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

GObjectPtr<GdkPixbuf> icon_pixbuf(HICON icon) {
    if (!is_icon(icon) || icon->width <= 0 || icon->height <= 0)
        return {};
    if (!icon->png.empty()) {
        auto loader = GObjectPtr<GdkPixbufLoader>::adopt(gdk_pixbuf_loader_new_with_type("png", nullptr));
        if (!loader)
            return {};
        bool ok = gdk_pixbuf_loader_write(loader.get(), icon->png.data(), icon->png.size(), nullptr);
        ok = gdk_pixbuf_loader_close(loader.get(), nullptr) && ok;
        GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader.get()) : nullptr;
        return pixbuf ? GObjectPtr<GdkPixbuf>::adopt(static_cast<GdkPixbuf*>(g_object_ref(pixbuf)))
                      : GObjectPtr<GdkPixbuf>{};
    }
    if (icon->argb.size() != static_cast<std::size_t>(icon->width) * icon->height)
        return {};
    auto pixbuf = GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon->width, icon->height));
    if (!pixbuf)
        return {};
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
    int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    for (int y = 0; y < icon->height; ++y) {
        for (int x = 0; x < icon->width; ++x) {
            std::uint32_t p = icon->argb[static_cast<std::size_t>(y) * icon->width + x];
            guchar* out = pixels + y * stride + x * 4;
            out[0] = (p >> 16) & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = p & 0xFF;
            out[3] = (p >> 24) & 0xFF;
        }
    }
    return pixbuf;
}

std::size_t gbk_offset_of_char(std::string_view gbk, long chars) {
    std::size_t at = 0;
    for (long i = 0; i < chars && at < gbk.size(); ++i)
        at += gbk_char_length(gbk, at);
    return at;
}

long char_count_of_gbk(std::string_view gbk, std::size_t bytes) {
    long count = 0;
    for (std::size_t at = 0; at < bytes && at < gbk.size(); ++count)
        at += gbk_char_length(gbk, at);
    return count;
}

}  // namespace quilbex::ui::gtk
