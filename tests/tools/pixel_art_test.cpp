// Pixel-art icons: parsing the text form and the bytes of the icon file.

#include "tools/formgen/PixelArt.h"

#include <gtest/gtest.h>

namespace quilbex::tools {
namespace {

std::uint32_t u32_at(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

PixelImage parsed(const std::string& text) {
    auto result = parse_pixel_art(text);
    if (auto* error = std::get_if<PixelArtError>(&result))
        ADD_FAILURE() << error->line << ": " << error->message;
    return std::holds_alternative<PixelImage>(result) ? std::get<PixelImage>(result) : PixelImage{};
}

TEST(PixelArt, reads_palette_colours_with_and_without_alpha) {
    PixelImage image = parsed("# a comment\nsize 3 2\ncolour . none\ncolour r #FF0000\ncolour h #0000FF80\n"
                              "pixels\nr.h\nhhr\n");
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.argb, (std::vector<std::uint32_t>{0xFFFF0000, 0, 0x800000FF, 0x800000FF, 0x800000FF, 0xFFFF0000}));
}

TEST(PixelArt, refuses_rows_and_colours_that_do_not_match) {
    const char* bad[] = {
        "size 2 1\ncolour . none\npixels\n...\n",  // row too long
        "size 2 2\ncolour . none\npixels\n..\n",  // too few rows
        "size 2 1\ncolour . none\npixels\n..\n..\n",  // too many rows
        "size 2 1\ncolour . none\npixels\n.x\n",  // colour not in the palette
        "size 2 1\ncolour . #12345\npixels\n..\n",  // malformed colour
        "colour . none\npixels\n..\n",  // no size
        "size 0 1\n",
        "shape 2 1\n",
    };
    for (const char* text : bad)
        EXPECT_TRUE(std::holds_alternative<PixelArtError>(parse_pixel_art(text))) << text;
}

TEST(PixelArt, icon_file_is_bottom_up_bgra_with_its_transparency_mask) {
    PixelImage image;
    image.width = 32;
    image.height = 32;
    image.argb.assign(32 * 32, 0xFF102030);
    image.argb[0] = 0;  // top-left transparent
    image.argb[31 * 32 + 1] = 0x80AABBCC;  // bottom row, second pixel, half transparent
    auto ico = encode_ico(image);
    ASSERT_EQ(ico.size(), 4286u);
    EXPECT_EQ(u32_at(ico, 14), 4286u - 22);  // image size in the directory entry
    EXPECT_EQ(u32_at(ico, 18), 22u);  // image offset
    EXPECT_EQ(u32_at(ico, 22), 40u);
    EXPECT_EQ(u32_at(ico, 30), 64u);  // colour rows and mask rows
    const std::size_t pixels = 62;
    // The first stored row is the bottom row.
    EXPECT_EQ(u32_at(ico, pixels + 4), 0x80AABBCCu);
    EXPECT_EQ(u32_at(ico, pixels), 0xFF102030u);
    // The top row is stored last; its first pixel is transparent in the mask.
    EXPECT_EQ(u32_at(ico, pixels + 31 * 128), 0u);
    const std::size_t mask = pixels + 4096;
    EXPECT_EQ(ico[mask], 0);  // bottom row: nothing fully transparent
    EXPECT_EQ(ico[mask + 31 * 4], 0x80);  // top row: leftmost bit set
}

}  // namespace
}  // namespace quilbex::tools
