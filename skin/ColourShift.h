#pragma once
// Shifts the colours of a GTK style sheet in hue, saturation and brightness.
//
// Colours are rewritten where they are values: in declarations (after the
// ':' of a rule's property) and in @define-color statements. Selectors such
// as "#name", comments and quoted strings are left alone. Recognised colour
// forms are #rgb, #rgba, #rrggbb, #rrggbbaa, rgb(...) and rgba(...); named
// colours and colour expressions (shade(), mix(), ...) keep their text, but
// colours inside their arguments are shifted.

#include <string>

namespace quilbex::skin {

struct ColourAdjustment {
    int hue = 0;  // degrees, -180 to 180
    int saturation = 0;  // percent, -100 (grey) to 100 (twice as saturated)
    int brightness = 0;  // percent, -100 (black) to 100 (white)

    // Limits each value to its range.
    ColourAdjustment clamped() const;
    bool is_identity() const { return hue == 0 && saturation == 0 && brightness == 0; }
};

// Returns the sheet unchanged when the adjustment is the identity.
std::string shift_colours(const std::string& style_sheet, ColourAdjustment adjustment);

struct Rgb {
    int r = 0, g = 0, b = 0;  // 0 to 255
    bool operator==(const Rgb&) const = default;
};

Rgb shift_colour(Rgb colour, ColourAdjustment adjustment);

}  // namespace quilbex::skin
