#include "forms/blocks/WindowBlock.h"

namespace quilbex::forms {

Parsed<WindowBlock> read_window_block(std::span<const std::uint8_t> data) {
    WindowBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    b.version = read_block_version(in, WindowBlock::kMaxVersion, "window");
    b.border = in.i32("border");
    b.further_3 = in.i32("setting");
    b.background_colour = in.u32("background colour");
    b.maximize_box = in.i32("maximize box");
    b.minimize_box = in.i32("minimize box");
    b.control_box = in.i32("control box");
    b.start_position = in.i32("start position");
    b.close_button = in.i32("close button");
    b.further_10 = in.i32("setting");
    b.enter_moves_focus = in.i32("Enter moves focus");
    b.esc_closes = in.i32("Esc closes");
    b.f1_opens_help = in.i32("F1 opens help");
    b.help_context = in.i32("help context");
    if (b.version >= 2)
        b.show_in_taskbar = in.i32("show in task bar");
    if (b.version >= 3) {
        b.further_16 = in.i32("setting");
        b.further_17 = in.i32("setting");
    }
    if (b.version >= 4)
        b.always_on_top = in.i32("always on top");
    if (b.version >= 5)
        b.further_19 = in.i32("setting");
    if (b.version >= 6)
        b.class_name = in.counted_text("class name");
    b.background_picture = in.byte_array("background picture");
    b.icon = in.byte_array("icon");
    b.further_bytes = in.byte_array("byte array");
    b.title = in.counted_text("title");
    b.help_file = in.counted_text("help file");
    return finish_block(in, std::move(b), "window");
}

Parsed<Bytes> write_window_block(const WindowBlock& b) {
    ByteWriter out;
    if (b.version > WindowBlock::kMaxVersion)
        out.fail("window block version above 6");
    out.u32(b.version);
    out.i32(b.border);
    out.i32(b.further_3);
    out.u32(b.background_colour);
    out.i32(b.maximize_box);
    out.i32(b.minimize_box);
    out.i32(b.control_box);
    out.i32(b.start_position);
    out.i32(b.close_button);
    out.i32(b.further_10);
    out.i32(b.enter_moves_focus);
    out.i32(b.esc_closes);
    out.i32(b.f1_opens_help);
    out.i32(b.help_context);
    if (b.version >= 2)
        out.i32(b.show_in_taskbar);
    if (b.version >= 3) {
        out.i32(b.further_16);
        out.i32(b.further_17);
    }
    if (b.version >= 4)
        out.i32(b.always_on_top);
    if (b.version >= 5)
        out.i32(b.further_19);
    if (b.version >= 6)
        out.counted_text(b.class_name);
    out.byte_array(b.background_picture);
    out.byte_array(b.icon);
    out.byte_array(b.further_bytes);
    out.counted_text(b.title);
    out.counted_text(b.help_file);
    return finish(out);
}

}  // namespace quilbex::forms
