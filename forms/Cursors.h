#pragma once
// The mouse pointer of a unit (common property 7): its stored data and the
// cursor loaded from it.

#include "platform/ui/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quilbex::forms {

// The standard cursor list: position n stands for the system cursor at n.
const std::vector<std::uint32_t>& standard_cursor_list();

// Loads the cursor that mouse pointer data describes, or null for none.
ui::HCURSOR load_mouse_pointer(const std::vector<std::uint8_t>& data);

// Destroys a cursor loaded by load_mouse_pointer (standard cursors are shared
// and left alone).
void release_mouse_pointer(ui::HCURSOR cursor);

// The data as property 7 reads it: a leading standard cursor identifier is
// replaced by its position in the standard list.
std::string mouse_pointer_for_reading(const std::vector<std::uint8_t>& data);

}  // namespace quilbex::forms
