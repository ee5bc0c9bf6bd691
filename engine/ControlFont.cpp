#include "engine/ControlFont.h"

#include <cmath>
#include <glib.h>
#include <memory>
#include <pango/pango.h>

namespace quilbex::engine {

namespace {

struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};

// The family as a CSS string: only the characters font names are made of,
// so that no setting can end the string or the rule.
std::string quoted_family(const char* family) {
    std::string quoted = "\"";
    for (const char* c = family; *c; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (g_ascii_isalnum(*c) || *c == ' ' || *c == '-' || *c == '_' || byte >= 0x80)
            quoted += *c;
    }
    return quoted == "\"" ? std::string() : quoted + "\"";
}

}  // namespace

std::string control_font_style_sheet(const std::string& font_name) {
    if (!g_utf8_validate(font_name.c_str(), -1, nullptr))
        return {};
    std::unique_ptr<PangoFontDescription, FontDescriptionFree> description(
        pango_font_description_from_string(font_name.c_str()));
    const char* family = pango_font_description_get_family(description.get());
    const int size = pango_font_description_get_size(description.get());
    if (!family || size <= 0)
        return {};
    const std::string quoted = quoted_family(family);
    // Points to CSS pixels (4/3 each), whole pixels as WebKit sizes them.
    double pixels = static_cast<double>(size) / PANGO_SCALE;
    if (!pango_font_description_get_size_is_absolute(description.get()))
        pixels = pixels * 4 / 3;
    const long rounded = std::lround(pixels);
    if (quoted.empty() || rounded < 1 || rounded > 200)
        return {};
    return "input, textarea, select, button { font-family: " + quoted + "; font-size: " + std::to_string(rounded) +
           "px; }";
}

}  // namespace quilbex::engine
