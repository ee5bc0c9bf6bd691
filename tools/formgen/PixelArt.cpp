#include "tools/formgen/PixelArt.h"

#include <map>
#include <sstream>

namespace quilbex::tools {
namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool parse_colour(const std::string& word, std::uint32_t& argb) {
    if (word == "none") {
        argb = 0;
        return true;
    }
    if (word.size() != 7 && word.size() != 9)
        return false;
    if (word[0] != '#')
        return false;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < word.size(); ++i) {
        char c = word[i];
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    argb = word.size() == 7 ? 0xFF000000 | value : (value >> 8) | (value & 0xFF) << 24;
    return true;
}

}  // namespace

std::variant<PixelImage, PixelArtError> parse_pixel_art(const std::string& text) {
    PixelImage image;
    std::map<char, std::uint32_t> palette;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool in_pixels = false;
    auto fail = [&](std::string message) { return PixelArtError{number, std::move(message)}; };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (in_pixels) {
            if (static_cast<int>(image.argb.size()) == image.width * image.height) {
                if (line.find_first_not_of(" \t") != std::string::npos && line[0] != '#')
                    return fail("more rows than the size says");
                continue;
            }
            if (static_cast<int>(line.size()) != image.width)
                return fail("a row must have " + std::to_string(image.width) + " pixels");
            for (char c : line) {
                auto it = palette.find(c);
                if (it == palette.end())
                    return fail(std::string("colour '") + c + "' is not in the palette");
                image.argb.push_back(it->second);
            }
            continue;
        }
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword[0] == '#')
            continue;
        if (keyword == "size") {
            if (!(words >> image.width >> image.height) || image.width < 1 || image.height < 1 || image.width > 256 ||
                image.height > 256)
                return fail("size needs a width and a height from 1 to 256");
        } else if (keyword == "colour") {
            std::string key;
            std::string value;
            if (!(words >> key >> value) || key.size() != 1)
                return fail("colour needs one character and a value");
            std::uint32_t argb = 0;
            if (!parse_colour(value, argb))
                return fail("colour values are none, #RRGGBB or #RRGGBBAA");
            palette[key[0]] = argb;
        } else if (keyword == "pixels") {
            if (image.width == 0)
                return fail("size must come before the pixels");
            in_pixels = true;
        } else {
            return fail("unknown keyword '" + keyword + "'");
        }
    }
    if (static_cast<int>(image.argb.size()) != image.width * image.height || image.width == 0)
        return PixelArtError{number, "the image has fewer rows than its size says"};
    return image;
}

std::vector<std::uint8_t> encode_ico(const PixelImage& image) {
    const int mask_stride = ((image.width + 31) / 32) * 4;
    const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(image.width * image.height * 4);
    const std::uint32_t mask_bytes = static_cast<std::uint32_t>(mask_stride * image.height);
    const std::uint32_t image_bytes = 40 + pixel_bytes + mask_bytes;
    std::vector<std::uint8_t> out;
    // Icon directory and its one entry (256 is stored as 0).
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.push_back(static_cast<std::uint8_t>(image.width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, image_bytes);
    put32(out, 22);
    // Bitmap header: the height counts the colour rows and the mask rows.
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.width));
    put32(out, static_cast<std::uint32_t>(image.height * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, pixel_bytes + mask_bytes);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t argb = image.argb[static_cast<std::size_t>(y * image.width + x)];
            out.push_back(static_cast<std::uint8_t>(argb));
            out.push_back(static_cast<std::uint8_t>(argb >> 8));
            out.push_back(static_cast<std::uint8_t>(argb >> 16));
            out.push_back(static_cast<std::uint8_t>(argb >> 24));
        }
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(mask_stride), 0);
        for (int x = 0; x < image.width; ++x)
            if ((image.argb[static_cast<std::size_t>(y * image.width + x)] >> 24) == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace quilbex::tools
