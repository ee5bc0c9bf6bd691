#pragma once
// Reading and writing unit properties by window identifier, unit identifier
// and property index (entry points 4 and 5). Indices 0 to 7 are the common
// properties of every unit; 8 and up belong to the unit's type.
//
// Callable from any thread: on another thread the access is carried out on
// the window thread, which the caller waits for, so the template records are
// only ever touched by the window thread.

#include <cstdint>

namespace quilbex::forms {

// A text or byte-set result is a new block the caller frees.
std::uint64_t read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                 std::int32_t element);

// A text or byte-set value stays the caller's; the unit copies it.
void write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int32_t element,
                         std::uint64_t value);

// The clamps of the position and size properties.
std::int32_t clamp_position(std::int64_t value);
std::int32_t clamp_size(std::int64_t value);

}  // namespace quilbex::forms
