#pragma once
// The font of form fields and buttons. WebKit takes it from the desktop's
// interface font, but its web process does not get that font when it is
// told of a render device (which the engine does to keep GL out of the
// program): the fields then fall back to the page's default font, larger.
// A user style sheet gives them the desktop's font again; the page's own
// styles still win over it.

#include <string>

namespace quilbex::engine {

// The style sheet for a desktop font named as GTK names it ("Sans 10");
// empty when the name holds no usable family and size.
std::string control_font_style_sheet(const std::string& font_name);

}  // namespace quilbex::engine
