#pragma once
// The program's default icon (its "DEFAULT_ICON" resource): an ICO file image
// that the program registers before its first window is created. Windows
// whose template carries no icon show it.

#include <cstdint>
#include <span>
#include <vector>

namespace quilbex::rt {

void set_default_icon(std::vector<std::uint8_t> ico);
// Empty when the program has none.
std::span<const std::uint8_t> default_icon();

}  // namespace quilbex::rt
