#include "forms/blocks/EditBoxBlock.h"

namespace quilbex::forms {

Parsed<EditBoxBlock> read_edit_box_block(std::span<const std::uint8_t> data) {
    EditBoxBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    b.version = read_block_version(in, EditBoxBlock::kMaxVersion, "edit box");
    b.border = in.i32("border");
    b.text_colour = in.u32("text colour");
    b.background_colour = in.u32("background colour");
    b.hide_selection = in.i32("hide selection");
    b.max_length = in.i32("maximum length");
    b.multi_line = in.i32("multi-line");
    b.scroll_bars = in.i32("scroll bars");
    b.alignment = in.i32("alignment");
    b.input_mode = in.i32("input mode");
    b.password_char = in.u16("password character");
    b.case_conversion = in.i32("case conversion");
    b.adjuster = in.i32("adjuster");
    b.adjuster_lower = in.i32("adjuster lower bound");
    b.adjuster_upper = in.i32("adjuster upper bound");
    b.selection_start = in.i32("selection start");
    b.selection_length = in.i32("selection length");
    b.font = in.byte_array("font");
    b.content = in.counted_text("content");
    if (b.version >= 2)
        for (auto& text : b.further_texts)
            text = in.counted_text("text");
    return finish_block(in, std::move(b), "edit box");
}

Parsed<Bytes> write_edit_box_block(const EditBoxBlock& b) {
    ByteWriter out;
    if (b.version > EditBoxBlock::kMaxVersion)
        out.fail("edit box block version above 2");
    out.u32(b.version);
    out.i32(b.border);
    out.u32(b.text_colour);
    out.u32(b.background_colour);
    out.i32(b.hide_selection);
    out.i32(b.max_length);
    out.i32(b.multi_line);
    out.i32(b.scroll_bars);
    out.i32(b.alignment);
    out.i32(b.input_mode);
    out.u16(b.password_char);
    out.i32(b.case_conversion);
    out.i32(b.adjuster);
    out.i32(b.adjuster_lower);
    out.i32(b.adjuster_upper);
    out.i32(b.selection_start);
    out.i32(b.selection_length);
    out.byte_array(b.font);
    out.counted_text(b.content);
    if (b.version >= 2)
        for (const auto& text : b.further_texts)
            out.counted_text(text);
    return finish(out);
}

}  // namespace quilbex::forms
