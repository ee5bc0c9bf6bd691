#include "forms/blocks/ButtonBlock.h"

namespace quilbex::forms {

Parsed<ButtonBlock> read_button_block(std::span<const std::uint8_t> data) {
    ButtonBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    b.version = read_block_version(in, ButtonBlock::kMaxVersion, "button");
    b.type = in.i32("type");
    b.horizontal_alignment = in.i32("horizontal alignment");
    b.vertical_alignment = in.i32("vertical alignment");
    b.picture = in.byte_array("picture");
    b.font = in.byte_array("font");
    b.caption = in.counted_text("caption");
    return finish_block(in, std::move(b), "button");
}

Parsed<Bytes> write_button_block(const ButtonBlock& b) {
    ByteWriter out;
    if (b.version > ButtonBlock::kMaxVersion)
        out.fail("button block version above 1");
    out.u32(b.version);
    out.i32(b.type);
    out.i32(b.horizontal_alignment);
    out.i32(b.vertical_alignment);
    out.byte_array(b.picture);
    out.byte_array(b.font);
    out.counted_text(b.caption);
    return finish(out);
}

}  // namespace quilbex::forms
