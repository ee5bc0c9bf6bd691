#pragma once
// A font as the property blocks store it: the 60 bytes of a LOGFONTA record
// (five 32-bit integers, eight bytes, a 32-byte face name).
//
//   0  height      4  width        8  escapement   12 orientation   16 weight
//   20 italic      21 underline    22 strike-out   23 character set
//   24 output precision  25 clip precision  26 quality  27 pitch and family
//   28 face name (zero-terminated, at most 31 characters)

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quilbex::forms {

inline constexpr std::size_t kLogFontSize = 60;
inline constexpr std::size_t kFaceNameSize = 32;

struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strike_out = 0;
    std::uint8_t char_set = 0;
    std::uint8_t out_precision = 0;
    std::uint8_t clip_precision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitch_and_family = 0;
    std::string face_name;  // GBK

    bool operator==(const LogFont&) const = default;
};

// A stored font is used only when it is exactly 60 bytes; anything else means
// "no font" (the unit then uses the default GUI font). A face name without a
// terminator inside its 32 bytes is cut at 32 bytes.
std::optional<LogFont> decode_logfont(std::span<const std::uint8_t> bytes);

// The 60-byte form; a face name longer than 31 bytes is cut to 31.
std::vector<std::uint8_t> encode_logfont(const LogFont& font);

}  // namespace quilbex::forms
