#pragma once
// Pixel art as readable text, and the icon file made from it.
//
//   # comment
//   size 32 32
//   colour . none              a transparent pixel
//   colour K #20324A           an opaque colour
//   colour s #20324A80         a colour with alpha
//   pixels
//   ....KKKK....               `height` rows of `width` one-character pixels
//
// The icon file holds one image: 32-bit BGRA rows bottom-up with their
// transparency mask, the layout that icon loaders of every toolkit accept.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quilbex::tools {

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // row-major, top row first
};

struct PixelArtError {
    int line;
    std::string message;
};

std::variant<PixelImage, PixelArtError> parse_pixel_art(const std::string& text);

// A one-image ICO file; for 32 x 32 it is 4286 bytes.
std::vector<std::uint8_t> encode_ico(const PixelImage& image);

}  // namespace quilbex::tools
