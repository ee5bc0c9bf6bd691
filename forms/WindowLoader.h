#pragma once
// Loading a window from its template: creating the window and its units
// through their types' creation routines, parenting, stacking and showing
// them, and announcing the new window to the application.

#include "forms/LoadedWindow.h"
#include "platform/ui/Types.h"

namespace quilbex::forms {

// show_argument: 0 for the start-up window and the load-window command; modal:
// the window is loaded modally (its owner argument is then ignored). Returns
// false, leaving no half-built window behind, when it cannot be created.
bool load_window(LoadedWindow& window, int show_argument, bool modal, ui::HWND owner);

// Notification 2005: loads a window for a library or the load-window command
// with the parent's window as owner; a modal window returns only after it
// has closed. 0 when the window was created, -1 otherwise.
int load_window_for_library(std::uint32_t window_id, ui::HWND owner, bool modal);

// The first-show step of a loaded window that was loaded and not yet shown:
// clears that mark and, for a modal window, runs the modal loop until the
// window is gone. Does nothing for any other window.
void run_first_show(std::uint32_t window_id);

// The window's show routine, used when its own record is made visible: shows
// the window and runs its first-show step.
void show_own_window(std::uint32_t window_id);

// Destroys a loaded window's window (and with it its units).
void destroy_loaded_window(LoadedWindow& window);

}  // namespace quilbex::forms
