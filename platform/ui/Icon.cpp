#include "platform/ui/Icon.h"

#include "platform/ui/Constants.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace quilbex::ui {

namespace {

struct IconTable {
    std::mutex mutex;
    std::unordered_map<IconObject*, std::unique_ptr<IconObject>> icons;
    std::unordered_map<UINT, std::unique_ptr<IconObject>> standard;
};

IconTable& table() {
    static IconTable* instance = new IconTable;
    return *instance;
}

IconObject* adopt(std::unique_ptr<IconObject> icon) {
    IconObject* raw = icon.get();
    auto& t = table();
    std::lock_guard lock(t.mutex);
    t.icons.emplace(raw, std::move(icon));
    return raw;
}

// Bounds-checked little-endian reads over the file image.
class Reader {
public:
    Reader(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(data ? size : 0) {}
    bool has(std::size_t offset, std::size_t length) const { return offset <= m_size && length <= m_size - offset; }
    std::uint32_t u8(std::size_t o) const { return m_data[o]; }
    std::uint32_t u16(std::size_t o) const { return m_data[o] | (m_data[o + 1] << 8); }
    std::uint32_t u32(std::size_t o) const { return u16(o) | (u16(o + 2) << 16); }
    const std::uint8_t* at(std::size_t o) const { return m_data + o; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

struct Entry {
    int width;
    int height;
    int bit_count;
    POINT hotspot;
    std::uint32_t size;
    std::uint32_t offset;
};

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kMaxDimension = 1024;

std::optional<std::vector<Entry>> read_directory(const Reader& r, std::uint32_t expected_type) {
    if (!r.has(0, 6) || r.u16(0) != 0 || r.u16(2) != expected_type)
        return std::nullopt;
    std::uint32_t count = r.u16(4);
    if (count == 0 || !r.has(6, count * 16))
        return std::nullopt;
    std::vector<Entry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t e = 6 + i * 16;
        Entry entry;
        entry.width = r.u8(e) ? static_cast<int>(r.u8(e)) : 256;
        entry.height = r.u8(e + 1) ? static_cast<int>(r.u8(e + 1)) : 256;
        entry.hotspot = {static_cast<LONG>(r.u16(e + 4)), static_cast<LONG>(r.u16(e + 6))};
        entry.bit_count = expected_type == 1 ? static_cast<int>(r.u16(e + 6)) : 0;
        entry.size = r.u32(e + 8);
        entry.offset = r.u32(e + 12);
        if (!r.has(entry.offset, entry.size))
            return std::nullopt;
        entries.push_back(entry);
    }
    return entries;
}

const Entry& choose(const std::vector<Entry>& entries, int cx, int cy) {
    const Entry* best = &entries.front();
    auto score = [&](const Entry& e) {
        bool exact = cx > 0 && cy > 0 && e.width == cx && e.height == cy;
        return std::tuple(exact, cx > 0 ? -std::abs(e.width - cx) : e.width, e.bit_count);
    };
    for (const Entry& e : entries)
        if (score(e) > score(*best))
            best = &e;
    return *best;
}

// Decodes a DIB entry: a BITMAPINFOHEADER whose height covers the colour
// bitmap and the AND mask, an optional palette, then both bitmaps bottom-up.
std::unique_ptr<IconObject> decode_dib(const Reader& r, const Entry& entry) {
    std::size_t h0 = entry.offset;
    if (entry.size < 40 || r.u32(h0) < 40 || r.u32(h0) > entry.size)
        return nullptr;
    std::int32_t width = static_cast<std::int32_t>(r.u32(h0 + 4));
    std::int32_t height = static_cast<std::int32_t>(r.u32(h0 + 8)) / 2;
    std::uint32_t bpp = r.u16(h0 + 14);
    std::uint32_t compression = r.u32(h0 + 16);
    std::uint32_t colors_used = r.u32(h0 + 32);
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || compression != 0)
        return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return nullptr;
    std::size_t palette_count = bpp <= 8 ? (colors_used ? colors_used : (1u << bpp)) : 0;
    if (palette_count > 256)
        return nullptr;
    std::size_t palette = h0 + r.u32(h0);
    std::size_t xor_stride = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
    std::size_t and_stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    std::size_t xor_bits = palette + palette_count * 4;
    std::size_t and_bits = xor_bits + xor_stride * height;
    std::size_t end = h0 + entry.size;
    if (xor_bits > end || and_bits > end || !r.has(palette, palette_count * 4) || !r.has(xor_bits, xor_stride * height))
        return nullptr;
    bool has_mask = and_bits + and_stride * height <= end && r.has(and_bits, and_stride * height);

    auto icon = std::make_unique<IconObject>();
    icon->width = width;
    icon->height = height;
    icon->argb.resize(static_cast<std::size_t>(width) * height);
    bool any_alpha = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = r.at(xor_bits + xor_stride * (height - 1 - y));
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            if (bpp == 32) {
                pixel = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) |
                        (static_cast<std::uint32_t>(row[x * 4 + 3]) << 24);
                any_alpha = any_alpha || (pixel >> 24) != 0;
            } else if (bpp == 24) {
                pixel = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
            } else {
                std::size_t bit = static_cast<std::size_t>(x) * bpp;
                std::uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (index < palette_count)
                    pixel = r.u32(palette + index * 4) & 0xFFFFFF;
            }
            icon->argb[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    if (!any_alpha) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* mask = has_mask ? r.at(and_bits + and_stride * (height - 1 - y)) : nullptr;
            for (int x = 0; x < width; ++x) {
                bool transparent = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
                if (!transparent)
                    icon->argb[static_cast<std::size_t>(y) * width + x] |= 0xFF000000u;
            }
        }
    }
    return icon;
}

std::unique_ptr<IconObject> decode(const void* data, std::size_t size, std::uint32_t type, int cx, int cy) {
    Reader r(data, size);
    auto entries = read_directory(r, type);
    if (!entries)
        return nullptr;
    const Entry& entry = choose(*entries, cx, cy);
    std::unique_ptr<IconObject> icon;
    if (entry.size >= 24 && std::memcmp(r.at(entry.offset), kPngSignature, 8) == 0) {
        icon = std::make_unique<IconObject>();
        std::uint32_t w = (r.u8(entry.offset + 16) << 24) | (r.u8(entry.offset + 17) << 16) |
                          (r.u8(entry.offset + 18) << 8) | r.u8(entry.offset + 19);
        std::uint32_t h = (r.u8(entry.offset + 20) << 24) | (r.u8(entry.offset + 21) << 16) |
                          (r.u8(entry.offset + 22) << 8) | r.u8(entry.offset + 23);
        if (w == 0 || h == 0 || w > kMaxDimension || h > kMaxDimension)
            return nullptr;
        icon->width = static_cast<int>(w);
        icon->height = static_cast<int>(h);
        icon->png.assign(r.at(entry.offset), r.at(entry.offset) + entry.size);
    } else {
        icon = decode_dib(r, entry);
    }
    if (icon && type == 2) {
        icon->is_cursor = true;
        icon->hotspot = entry.hotspot;
    }
    return icon;
}

}  // namespace

HICON CreateIconFromIcoData(const void* data, std::size_t size, int cx, int cy) {
    auto icon = decode(data, size, 1, cx, cy);
    return icon ? adopt(std::move(icon)) : nullptr;
}

HCURSOR CreateCursorFromCurData(const void* data, std::size_t size) {
    auto cursor = decode(data, size, 2, 0, 0);
    return cursor ? adopt(std::move(cursor)) : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    auto id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name));
    if (instance || reinterpret_cast<std::uintptr_t>(name) > 0xFFFF)
        return nullptr;
    switch (id) {
    case IDC_ARROW:
    case IDC_IBEAM:
    case IDC_WAIT:
    case IDC_CROSS:
    case IDC_UPARROW:
    case IDC_SIZENWSE:
    case IDC_SIZENESW:
    case IDC_SIZEWE:
    case IDC_SIZENS:
    case IDC_SIZEALL:
    case IDC_NO:
    case IDC_HAND:
    case IDC_APPSTARTING:
    case IDC_HELP: break;
    default: return nullptr;
    }
    auto& t = table();
    std::lock_guard lock(t.mutex);
    auto& slot = t.standard[id];
    if (!slot) {
        slot = std::make_unique<IconObject>();
        slot->is_cursor = true;
        slot->standard_id = id;
        slot->width = slot->height = 32;
    }
    return slot.get();
}

BOOL DestroyIcon(HICON icon) {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    return t.icons.erase(icon) ? TRUE : FALSE;
}

BOOL DestroyCursor(HCURSOR cursor) {
    {
        auto& t = table();
        std::lock_guard lock(t.mutex);
        for (auto& [id, standard] : t.standard)
            if (standard.get() == cursor)
                return TRUE;  // shared for the whole process
    }
    return DestroyIcon(cursor);
}

bool is_icon(HICON icon) {
    if (!icon)
        return false;
    auto& t = table();
    std::lock_guard lock(t.mutex);
    if (t.icons.count(icon))
        return true;
    for (auto& [id, standard] : t.standard)
        if (standard.get() == icon)
            return true;
    return false;
}

}  // namespace quilbex::ui
