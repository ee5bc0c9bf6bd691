#pragma once
// Reading and writing the content of the program's controls (property index
// 8: an edit box's content, a label's caption, a timer's interval) through the
// runtime's property entry points, from any thread.

#include "runtime/EntryPoints.h"
#include "runtime/Memory.h"

#include <cstdint>

namespace quilbex::app {

inline constexpr std::int32_t kContentProperty = 8;
inline constexpr std::int32_t kNoElement = -1;

// The control's text (a new text; null when empty).
inline rt::OwnedText read_control_text(std::uint32_t window_id, std::uint32_t unit_id) {
    auto value = rt::entry_points().read_property(window_id, unit_id, kContentProperty, kNoElement);
    return rt::OwnedText(reinterpret_cast<char*>(static_cast<std::uintptr_t>(value)));
}

// A null text empties the control; the control copies the text.
inline void write_control_text(std::uint32_t window_id, std::uint32_t unit_id, const char* text) {
    rt::entry_points().write_property(window_id, unit_id, kContentProperty, kNoElement,
                                      reinterpret_cast<std::uintptr_t>(text));
}

inline void write_control_number(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t value) {
    rt::entry_points().write_property(window_id, unit_id, kContentProperty, kNoElement,
                                      static_cast<std::uint32_t>(value));
}

}  // namespace quilbex::app
