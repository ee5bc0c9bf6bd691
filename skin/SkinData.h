#pragma once
// The skin data format of this library:
//
//   offset  size  field
//   0       5     signature ".SHE" and a zero byte
//   5       4     format version, little-endian (1)
//   9       4     style sheet length n, little-endian
//   13      n     the style sheet: GTK CSS in UTF-8
//   13+n    4     CRC-32 of the style sheet, little-endian
//
// Nothing may follow the checksum. A skin is applied only when every field
// checks out.

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quilbex::skin {

// The results SkinH_AttachRes and SkinH_Attach return (0 is success).
enum class SkinError : int {
    None = 0,
    NoData = 1,  // null data or a length below 1
    BadSignature = 2,  // not ".SHE\0"
    UnsupportedVersion = 3,
    BadLength = 4,  // the declared sheet length does not match the data
    BadChecksum = 5,
    BadSheet = 6,  // not UTF-8, or the toolkit refused the style sheet
    NoDisplay = 7,  // the toolkit has no screen in this process
};

inline constexpr std::uint32_t kSkinVersion = 1;
inline constexpr std::size_t kSkinHeaderSize = 13;

std::uint32_t crc32(std::span<const std::uint8_t> bytes);

// The style sheet of valid skin data, or why the data is refused.
std::variant<std::string, SkinError> unpack_skin(std::span<const std::uint8_t> data);

std::vector<std::uint8_t> pack_skin(const std::string& style_sheet);

}  // namespace quilbex::skin
