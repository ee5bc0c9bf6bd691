#pragma once
// Mouse and keyboard input on its way to the units: the common events every
// unit raises, and the window's keyboard behaviour.

#include "platform/ui/Types.h"

#include <cstdint>

namespace quilbex::forms {

// Installs the window system's input filter for the loaded windows.
void install_input_filter();

// The key code an event handler receives: numeric-pad digits become digit
// keys, the pad's "-", "." and "/" become 189, 190 and 191, masked to 13 bits.
std::uint32_t event_key_code(ui::WPARAM virtual_key);

// Bit 0 Ctrl, bit 1 Shift, bit 2 Alt, each set while the key is down.
std::uint32_t event_key_state();

// Runs the input filter on one message; true when the message was consumed.
bool filter_input(ui::MSG& message);

}  // namespace quilbex::forms
