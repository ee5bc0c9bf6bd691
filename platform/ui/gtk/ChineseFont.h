#pragma once
// Whether the machine has a font that can show the windows' Chinese texts.
// Without one, GTK draws every label as empty boxes; the program then says
// on standard error which package to install.

#include <fontconfig/fontconfig.h>
#include <string>

namespace quilbex::ui::gtk {

// True when some font that `config` knows has the characters the windows
// use most (签, 到, 登, 录); `config` null means the current configuration.
bool has_chinese_font(FcConfig* config);

// The advice written to standard error when no font has them (UTF-8).
std::string chinese_font_advice();

// Writes the advice to standard error when no installed font has the characters.
void warn_without_chinese_font();

}  // namespace quilbex::ui::gtk
