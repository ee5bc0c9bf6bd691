#pragma once
// The window unit's property block (versions 0 to 6).
//
//   field                          from version   default
//   version                                        6
//   border                         0               2 (fixed)
//   further setting                0               1
//   background colour              0               kSystemColour
//   maximize box, minimize box     0               0, 1
//   control box                    0               1
//   start position                 0               1 (centred)
//   close button enabled           0               1
//   further setting                0               0
//   Enter moves focus, Esc closes  0               0, 1
//   F1 opens help, help context    0               0, 0
//   show in task bar               2               1
//   two further settings           3               0, 0
//   always on top                  4               0
//   further setting                5               0
//   window class name (text)       6               empty
//   background picture (bytes)     0               empty
//   icon (bytes, an ICO image)     0               empty
//   further byte array             0               empty
//   title (text)                   0               empty
//   help file name (text)          0               empty

#include "forms/blocks/BlockStream.h"

namespace quilbex::forms {

enum class WindowBorder : std::int32_t {
    None = 0,
    Resizable = 1,
    Fixed = 2,
    ResizableTool = 3,
    FixedTool = 4,
    ResizableClientEdge = 5,
    FixedClientEdge = 6,
};

enum class StartPosition : std::int32_t { AsStored = 0, Centred = 1, Minimized = 2, Maximized = 3 };

struct WindowBlock {
    static constexpr std::uint32_t kMaxVersion = 6;

    std::uint32_t version = kMaxVersion;
    std::int32_t border = 2;
    std::int32_t further_3 = 1;
    std::uint32_t background_colour = kSystemColour;
    std::int32_t maximize_box = 0;
    std::int32_t minimize_box = 1;
    std::int32_t control_box = 1;
    std::int32_t start_position = 1;
    std::int32_t close_button = 1;
    std::int32_t further_10 = 0;
    std::int32_t enter_moves_focus = 0;
    std::int32_t esc_closes = 1;
    std::int32_t f1_opens_help = 0;
    std::int32_t help_context = 0;
    std::int32_t show_in_taskbar = 1;
    std::int32_t further_16 = 0;
    std::int32_t further_17 = 0;
    std::int32_t always_on_top = 0;
    std::int32_t further_19 = 0;
    std::string class_name;
    Bytes background_picture;
    Bytes icon;
    Bytes further_bytes;
    std::string title;
    std::string help_file;

    bool operator==(const WindowBlock&) const = default;
};

Parsed<WindowBlock> read_window_block(std::span<const std::uint8_t> block);
// Writes the fields that the block's version has.
Parsed<Bytes> write_window_block(const WindowBlock& block);

}  // namespace quilbex::forms
