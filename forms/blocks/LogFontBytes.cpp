#include "forms/blocks/LogFontBytes.h"

#include "forms/template/ByteStream.h"

#include <algorithm>

namespace quilbex::forms {

std::optional<LogFont> decode_logfont(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kLogFontSize)
        return std::nullopt;
    ByteReader in(bytes);
    LogFont font;
    font.height = in.i32("height");
    font.width = in.i32("width");
    font.escapement = in.i32("escapement");
    font.orientation = in.i32("orientation");
    font.weight = in.i32("weight");
    auto small = in.take_bytes(8, "font bytes");
    font.italic = small[0];
    font.underline = small[1];
    font.strike_out = small[2];
    font.char_set = small[3];
    font.out_precision = small[4];
    font.clip_precision = small[5];
    font.quality = small[6];
    font.pitch_and_family = small[7];
    auto face = in.take_bytes(kFaceNameSize, "face name");
    auto end = std::find(face.begin(), face.end(), std::uint8_t{0});
    font.face_name.assign(face.begin(), end);
    return font;
}

std::vector<std::uint8_t> encode_logfont(const LogFont& font) {
    ByteWriter out;
    out.i32(font.height);
    out.i32(font.width);
    out.i32(font.escapement);
    out.i32(font.orientation);
    out.i32(font.weight);
    const std::uint8_t small[8] = {font.italic,        font.underline,      font.strike_out, font.char_set,
                                   font.out_precision, font.clip_precision, font.quality,    font.pitch_and_family};
    out.raw(small);
    std::array<std::uint8_t, kFaceNameSize> face{};
    std::string name = font.face_name.substr(0, std::min(font.face_name.find('\0'), kFaceNameSize - 1));
    std::copy(name.begin(), name.end(), face.begin());
    out.raw(face);
    return out.take();
}

}  // namespace quilbex::forms
