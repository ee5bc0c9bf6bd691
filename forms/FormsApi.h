#pragma once
// What the forms runtime offers the units (forms/units/, the browser control)
// and the window commands. Main thread only unless a comment says otherwise.

#include "forms/LoadedWindow.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace quilbex::forms {

// Raises event `event` of unit (window_id, unit_id) with up to five 32-bit
// arguments (notification 2008). Returns the handler's value when a handler
// ran and returned one; `ran` tells whether a handler ran at all. No handler
// runs while event dispatch is suspended.
struct EventOutcome {
    bool ran = false;
    std::optional<std::int64_t> value;
};
EventOutcome raise_event(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event,
                         std::initializer_list<std::uint32_t> args = {});

// Whether a handler is bound to the event (false while dispatch is suspended).
bool has_handler(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event);

// Notification 2000: a unit's window is gone. For a control, its cursor is
// destroyed and its object slot cleared (the object is deleted); for the
// window's own record the saved unit list is put back, a modal loop that this
// window runs is told to end, and, when no loaded window is live any more and
// the message loop was entered, the quit message is posted with code 0.
void unit_destroyed(std::uint32_t window_id, std::uint32_t unit_id);

// The window list entry of a window identifier, or null.
LoadedWindow* find_loaded_window(std::uint32_t window_id);

// The hidden owner window ("_QV_HideOwner"), or null before start-up.
ui::HWND hidden_owner();

// Whether any loaded window has a live window.
bool any_window_live();

// Event dispatch is suspended while the count is 1 or more (any thread).
bool dispatch_suspended();

// Keyboard and mouse input. The forms runtime installs the window system's
// input filter. For every input message it finds the loaded window and unit
// that the message's window belongs to, raises the common events -1 to -12
// (a handler's 0 result keeps a mouse or key message from the unit; event -11
// may replace or remove the character), and then, for WM_KEYDOWN and
// WM_SYSKEYDOWN, gives the window unit's keyboard routine (interface 9 of the
// window's own type, called with the window's object and the message) the
// chance to handle the key (Tab, Enter, Esc, arrows, F1, Alt mnemonics); a
// true result consumes the message. A unit whose interface 8 wants the key
// keeps it: the window unit asks through unit_wants_key.
bool unit_wants_key(std::uint32_t window_id, ui::HWND focus, int key);

// Re-enables the windows that a modal window disabled when it was shown.
void restore_windows_disabled_by(LoadedWindow& window);

}  // namespace quilbex::forms
