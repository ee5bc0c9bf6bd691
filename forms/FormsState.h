#pragma once
// The forms runtime's state: the window list read from the templates, the
// program image it was relocated against, and the event being handled.
// Touched by the main thread only; worker threads reach windows through sent
// messages (see PropertyAccess.h).

#include "forms/LoadedWindow.h"
#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::forms {

struct EventSource {
    std::uint32_t window_id = 0;
    std::uint32_t unit_id = 0;
    bool known = false;
};

struct FormsState {
    WindowList windows;
    const rt::ProgramHeader* header = nullptr;
    EventSource current_source;
    std::uint32_t current_modal_window = 0;  // the window whose modal loop runs, 0 for none
    bool creating_modal = false;  // the runtime-wide setting while a window is created
};

FormsState& forms_state();

}  // namespace quilbex::forms
