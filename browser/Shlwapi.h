#pragma once
// The built-in system library "shlwapi.dll": the one shell path function the
// program binds by name.

#include "platform/kernel/WinTypes.h"

namespace quilbex::browser {

// TRUE when the path (UTF-16; "\" or "/" as separators) names an existing
// file or folder, as the Windows function answers.
win::BOOL PathFileExistsW(win::LPCWSTR path);

// Registers "shlwapi.dll" with the module registry. Idempotent; the browser
// binding calls it before it loads the library.
void register_shlwapi();

}  // namespace quilbex::browser
