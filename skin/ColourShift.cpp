#include "skin/ColourShift.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace quilbex::skin {
namespace {

struct Hsl {
    double h, s, l;  // h in degrees [0, 360), s and l in [0, 1]
};

Hsl to_hsl(Rgb c) {
    double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    double max = std::max({r, g, b}), min = std::min({r, g, b});
    double l = (max + min) / 2;
    if (max == min)
        return {0, 0, l};
    double d = max - min;
    double s = l > 0.5 ? d / (2 - max - min) : d / (max + min);
    double h = max == r ? (g - b) / d + (g < b ? 6 : 0) : max == g ? (b - r) / d + 2 : (r - g) / d + 4;
    return {h * 60, s, l};
}

double hue_to_channel(double p, double q, double t) {
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

Rgb to_rgb(Hsl c) {
    auto channel = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    if (c.s == 0)
        return {channel(c.l), channel(c.l), channel(c.l)};
    double q = c.l < 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
    double p = 2 * c.l - q;
    double h = c.h / 360;
    return {channel(hue_to_channel(p, q, h + 1.0 / 3)), channel(hue_to_channel(p, q, h)),
            channel(hue_to_channel(p, q, h - 1.0 / 3))};
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

// Rewrites a hex colour starting at css[i] == '#'; returns the characters used.
std::size_t shift_hex(const std::string& css, std::size_t i, ColourAdjustment a, std::string& out) {
    std::size_t n = 0;
    while (i + 1 + n < css.size() && is_name_char(css[i + 1 + n]))
        ++n;
    for (std::size_t k = 0; k < n; ++k)
        if (hex_digit(css[i + 1 + k]) < 0)
            n = 0;
    if (n != 3 && n != 4 && n != 6 && n != 8) {
        out += '#';
        return 1;
    }
    auto digit = [&](std::size_t k) { return hex_digit(css[i + 1 + k]); };
    bool short_form = n <= 4;
    auto component = [&](int index) {
        return short_form ? digit(index) * 17 : digit(2 * index) * 16 + digit(2 * index + 1);
    };
    Rgb shifted = shift_colour({component(0), component(1), component(2)}, a);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", shifted.r, shifted.g, shifted.b);
    out += buffer;
    if (n == 4 || n == 8) {
        int alpha = component(3);
        std::snprintf(buffer, sizeof buffer, "%02x", alpha);
        out += buffer;
    }
    return 1 + n;
}

// Parses one rgb() component: an integer 0-255 or a percentage.
std::optional<int> parse_component(const std::string& text) {
    std::string t;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            t += c;
    if (t.empty())
        return std::nullopt;
    bool percent = t.back() == '%';
    if (percent)
        t.pop_back();
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (t.empty() || *end != '\0' || !std::isfinite(v))
        return std::nullopt;
    if (percent)
        v = v * 255 / 100;
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// Rewrites rgb(r,g,b) or rgba(r,g,b,a) at css[i]; returns 0 when it is not one.
std::size_t shift_function(const std::string& css, std::size_t i, ColourAdjustment a, std::string& out) {
    bool has_alpha = css.compare(i, 5, "rgba(") == 0;
    if (!has_alpha && css.compare(i, 4, "rgb(") != 0)
        return 0;
    std::size_t open = i + (has_alpha ? 5 : 4);
    std::size_t close = css.find(')', open);
    if (close == std::string::npos)
        return 0;
    std::string inside = css.substr(open, close - open);
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= inside.size(); ++k) {
        if (k == inside.size() || inside[k] == ',') {
            parts.push_back(inside.substr(start, k - start));
            start = k + 1;
        }
    }
    if (parts.size() != (has_alpha ? 4u : 3u))
        return 0;
    auto r = parse_component(parts[0]), g = parse_component(parts[1]), b = parse_component(parts[2]);
    if (!r || !g || !b)
        return 0;
    Rgb shifted = shift_colour({*r, *g, *b}, a);
    out += (has_alpha ? "rgba(" : "rgb(") + std::to_string(shifted.r) + "," + std::to_string(shifted.g) + "," +
           std::to_string(shifted.b);
    if (has_alpha)
        out += "," + parts[3];
    out += ")";
    return close + 1 - i;
}

}  // namespace

ColourAdjustment ColourAdjustment::clamped() const {
    return {std::clamp(hue, -180, 180), std::clamp(saturation, -100, 100), std::clamp(brightness, -100, 100)};
}

Rgb shift_colour(Rgb colour, ColourAdjustment adjustment) {
    ColourAdjustment a = adjustment.clamped();
    if (a.is_identity())
        return colour;
    Hsl c = to_hsl(colour);
    c.h = std::fmod(c.h + a.hue + 360.0, 360.0);
    c.s = std::clamp(c.s * (1 + a.saturation / 100.0), 0.0, 1.0);
    double b = a.brightness / 100.0;
    c.l = b >= 0 ? c.l + (1 - c.l) * b : c.l * (1 + b);
    return to_rgb(c);
}

std::string shift_colours(const std::string& css, ColourAdjustment adjustment) {
    ColourAdjustment a = adjustment.clamped();
    if (a.is_identity())
        return css;
    std::string out;
    out.reserve(css.size());
    int depth = 0;
    bool in_value = false;  // inside a declaration value or an @define-color statement
    std::size_t i = 0;
    while (i < css.size()) {
        char c = css[i];
        if (css.compare(i, 2, "/*") == 0) {
            std::size_t end = css.find("*/", i + 2);
            end = end == std::string::npos ? css.size() : end + 2;
            out.append(css, i, end - i);
            i = end;
            continue;
        }
        if (c == '"' || c == '\'') {
            std::size_t end = i + 1;
            while (end < css.size() && css[end] != c) {
                if (css[end] == '\\')
                    ++end;
                ++end;
            }
            end = std::min(end + 1, css.size());
            out.append(css, i, end - i);
            i = end;
            continue;
        }
        if (in_value) {
            if (c == '#') {
                i += shift_hex(css, i, a, out);
                continue;
            }
            if ((c == 'r') && (i == 0 || !is_name_char(css[i - 1]))) {
                if (std::size_t used = shift_function(css, i, a, out)) {
                    i += used;
                    continue;
                }
            }
        }
        if (c == '{') {
            ++depth;
            in_value = false;
        } else if (c == '}') {
            depth = std::max(0, depth - 1);
            in_value = false;
        } else if (c == ';') {
            in_value = false;
        } else if (c == ':' && depth > 0) {
            in_value = true;
        } else if (c == '@' && depth == 0 && css.compare(i, 13, "@define-color") == 0) {
            in_value = true;
        }
        out += c;
        ++i;
    }
    return out;
}

}  // namespace quilbex::skin
