#pragma once
// The engine callbacks that raise a browser control's events.

namespace quilbex::browser {

class BrowserControl;

// Registers the control's callbacks on its view (with the control as
// context), or, with `on` false, removes them all.
void install_engine_callbacks(BrowserControl& control, bool on);

}  // namespace quilbex::browser
