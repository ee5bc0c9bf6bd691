#include "forms/blocks/LabelBlock.h"

namespace quilbex::forms {

Parsed<LabelBlock> read_label_block(std::span<const std::uint8_t> data) {
    LabelBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    b.version = read_block_version(in, LabelBlock::kMaxVersion, "label");
    b.effect = in.i32("effect");
    b.frame_width = in.i32("frame width");
    b.border = in.i32("border");
    for (auto& colour : b.frame_colours)
        colour = in.u32("frame colour");
    b.text_colour = in.u32("text colour");
    b.background_colour = in.u32("background colour");
    b.picture_mode = in.i32("picture mode");
    b.gradient_mode = in.i32("gradient mode");
    for (auto& colour : b.gradient_colours)
        colour = in.u32("gradient colour");
    b.horizontal_alignment = in.i32("horizontal alignment");
    b.vertical_alignment = in.i32("vertical alignment");
    b.word_wrap = in.i32("word wrap");
    b.font = in.byte_array("font");
    b.background_picture = in.byte_array("background picture");
    b.caption = in.counted_text("caption");
    if (b.version >= 2)
        for (auto& text : b.further_texts)
            text = in.counted_text("text");
    return finish_block(in, std::move(b), "label");
}

Parsed<Bytes> write_label_block(const LabelBlock& b) {
    ByteWriter out;
    if (b.version > LabelBlock::kMaxVersion)
        out.fail("label block version above 2");
    out.u32(b.version);
    out.i32(b.effect);
    out.i32(b.frame_width);
    out.i32(b.border);
    for (auto colour : b.frame_colours)
        out.u32(colour);
    out.u32(b.text_colour);
    out.u32(b.background_colour);
    out.i32(b.picture_mode);
    out.i32(b.gradient_mode);
    for (auto colour : b.gradient_colours)
        out.u32(colour);
    out.i32(b.horizontal_alignment);
    out.i32(b.vertical_alignment);
    out.i32(b.word_wrap);
    out.byte_array(b.font);
    out.byte_array(b.background_picture);
    out.counted_text(b.caption);
    if (b.version >= 2)
        for (const auto& text : b.further_texts)
            out.counted_text(text);
    return finish(out);
}

}  // namespace quilbex::forms
