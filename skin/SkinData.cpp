#include "skin/SkinData.h"

#include <array>
#include <cstring>

namespace quilbex::skin {
namespace {

constexpr std::uint8_t kSignature[5] = {'.', 'S', 'H', 'E', 0};

std::uint32_t read_u32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

constexpr std::array<std::uint32_t, 256> make_crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static constexpr auto kTable = make_crc_table();
    std::uint32_t c = 0xFFFFFFFFu;
    for (auto b : bytes)
        c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::variant<std::string, SkinError> unpack_skin(std::span<const std::uint8_t> data) {
    if (data.empty())
        return SkinError::NoData;
    if (data.size() < sizeof kSignature || std::memcmp(data.data(), kSignature, sizeof kSignature) != 0)
        return SkinError::BadSignature;
    if (data.size() < kSkinHeaderSize)
        return SkinError::BadLength;
    if (read_u32(data.data() + 5) != kSkinVersion)
        return SkinError::UnsupportedVersion;
    std::uint64_t length = read_u32(data.data() + 9);
    if (data.size() != kSkinHeaderSize + length + 4)
        return SkinError::BadLength;
    auto sheet = data.subspan(kSkinHeaderSize, static_cast<std::size_t>(length));
    if (read_u32(sheet.data() + sheet.size()) != crc32(sheet))
        return SkinError::BadChecksum;
    return std::string(sheet.begin(), sheet.end());
}

std::vector<std::uint8_t> pack_skin(const std::string& style_sheet) {
    std::vector<std::uint8_t> out(kSignature, kSignature + sizeof kSignature);
    put_u32(out, kSkinVersion);
    put_u32(out, static_cast<std::uint32_t>(style_sheet.size()));
    out.insert(out.end(), style_sheet.begin(), style_sheet.end());
    put_u32(out, crc32({reinterpret_cast<const std::uint8_t*>(style_sheet.data()), style_sheet.size()}));
    return out;
}

}  // namespace quilbex::skin
