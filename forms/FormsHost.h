#pragma once
// The forms runtime behind the runtime core: installs itself as the runtime's
// window host, so that start-up reads the window templates, loads the
// start-up window and runs the message loop over the window system.

namespace quilbex::forms {

// Installs the forms host (and the window system's input filter). The window
// system must already be selected on the main thread.
void install_forms_host();

}  // namespace quilbex::forms
