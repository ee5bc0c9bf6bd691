#include "platform/ui/Constants.h"
#include "platform/ui/Icon.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace quilbex::ui {
namespace {

void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// An ICO (type 1) or CUR (type 2) file with one w x h DIB entry of `bpp` bits.
std::vector<std::uint8_t> ico(int w, int h, int bpp, std::uint32_t type = 1, bool with_alpha = true) {
    std::vector<std::uint8_t> dib;
    put32(dib, 40);
    put32(dib, w);
    put32(dib, h * 2);
    put16(dib, 1);
    put16(dib, bpp);
    for (int i = 0; i < 6; ++i)
        put32(dib, 0);
    if (bpp == 1) {
        put32(dib, 0x000000);  // palette: black, then red
        put32(dib, 0xFF0000);
    }
    std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            if (bpp == 32) {
                // Bottom-up rows: the file's first row is the image's last.
                std::uint8_t blue = static_cast<std::uint8_t>(y == 0 ? 0xFF : 0x00);
                row[x * 4] = blue;
                row[x * 4 + 3] = with_alpha ? 0xFF : 0x00;
            } else if (x == 0) {
                row[0] = 0x80;  // first pixel of each row uses palette entry 1
            }
        }
        dib.insert(dib.end(), row.begin(), row.end());
    }
    std::size_t mask_stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t> row(mask_stride, 0);
        if (y == 0)
            row[0] = 0x80;  // the bottom row's first pixel is transparent
        dib.insert(dib.end(), row.begin(), row.end());
    }
    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, type);
    put16(file, 1);
    file.push_back(static_cast<std::uint8_t>(w));
    file.push_back(static_cast<std::uint8_t>(h));
    file.push_back(0);
    file.push_back(0);
    put16(file, type == 2 ? 3 : 1);
    put16(file, type == 2 ? 4 : bpp);
    put32(file, static_cast<std::uint32_t>(dib.size()));
    put32(file, 22);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

TEST(Icon, a_32_bit_icon_keeps_its_alpha_and_rows_come_top_first) {
    auto data = ico(32, 32, 32);
    HICON icon = CreateIconFromIcoData(data.data(), data.size(), 32, 32);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
    EXPECT_EQ(icon->argb[31 * 32], 0xFF0000FFu);  // last image row is the file's first: blue
    EXPECT_EQ(icon->argb[0], 0xFF000000u);
    EXPECT_TRUE(is_icon(icon));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(is_icon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
}

TEST(Icon, palette_icons_take_transparency_from_the_mask) {
    auto data = ico(16, 16, 1);
    HICON icon = CreateIconFromIcoData(data.data(), data.size(), 0, 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->argb[15 * 16], 0x00FF0000u);  // masked: transparent
    EXPECT_EQ(icon->argb[0], 0xFFFF0000u);  // palette entry 1, opaque
    EXPECT_EQ(icon->argb[1], 0xFF000000u);
    DestroyIcon(icon);
}

TEST(Icon, malformed_icon_data_is_refused) {
    auto good = ico(16, 16, 32);
    EXPECT_EQ(CreateIconFromIcoData(nullptr, 100, 0, 0), nullptr);
    for (std::size_t cut : {0u, 5u, 21u, 30u, 70u}) {
        std::vector<std::uint8_t> truncated(good.begin(), good.begin() + cut);
        EXPECT_EQ(CreateIconFromIcoData(truncated.data(), truncated.size(), 0, 0), nullptr) << cut;
    }
    auto bad_offset = good;
    bad_offset[18] = 0xFF;
    bad_offset[19] = 0xFF;
    bad_offset[20] = 0xFF;
    EXPECT_EQ(CreateIconFromIcoData(bad_offset.data(), bad_offset.size(), 0, 0), nullptr);
    auto huge = good;
    huge[22 + 4] = 0xFF;
    huge[22 + 5] = 0xFF;  // width 65535
    EXPECT_EQ(CreateIconFromIcoData(huge.data(), huge.size(), 0, 0), nullptr);
    auto bad_depth = good;
    bad_depth[22 + 14] = 7;
    EXPECT_EQ(CreateIconFromIcoData(bad_depth.data(), bad_depth.size(), 0, 0), nullptr);
    auto cursor = ico(16, 16, 32, 2);
    EXPECT_EQ(CreateIconFromIcoData(cursor.data(), cursor.size(), 0, 0), nullptr);  // a cursor is not an icon
}

TEST(Icon, cursors_carry_their_hot_spot_and_standard_cursors_are_shared) {
    auto data = ico(16, 16, 32, 2);
    HCURSOR cursor = CreateCursorFromCurData(data.data(), data.size());
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(cursor->is_cursor);
    EXPECT_EQ(cursor->hotspot, (POINT{3, 4}));
    EXPECT_TRUE(DestroyCursor(cursor));
    auto arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_ARROW)));
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_ARROW))));
    EXPECT_TRUE(DestroyCursor(arrow));
    EXPECT_TRUE(is_icon(arrow));  // still there
    EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(0x7777))), nullptr);
}

TEST(Icon, the_logical_font_keeps_the_template_layout) {
    static_assert(sizeof(LOGFONTA) == 60);
    EXPECT_EQ(offsetof(LOGFONTA, lfWeight), 16u);
    EXPECT_EQ(offsetof(LOGFONTA, lfItalic), 20u);
}

}  // namespace
}  // namespace quilbex::ui
