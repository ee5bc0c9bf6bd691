#pragma once
// The GTK backend is a library of its own in the program folder, loaded only
// when a window system on a display is asked for: a run that opens no window
// (the command line) then never maps GTK. Test programs may link the backend
// in instead; WindowSystem::use_gtk() looks for it there first.

#include <string>

namespace quilbex::ui {

inline constexpr const char* kGtkModuleFile = "quilbex-gtk.so";
inline constexpr const char* kGtkStartSymbol = "quilbex_ui_gtk_start";

// Why the last WindowSystem::use_gtk() found no backend to start (the
// library file missing or unusable); empty when it found one, even if no
// display could then be opened.
std::string gtk_module_error();

}  // namespace quilbex::ui
