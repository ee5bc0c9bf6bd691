#pragma once
// Library 3, the web browser library ("澜星Web浏览器"): its information record
// with the browser control unit type (type 5, identifier 0x00030005) and its
// two commands, for the program's library table.

#include "runtime/ProgramImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quilbex::browser {

inline constexpr std::uint32_t kBrowserLibraryNumber = 3;
inline constexpr std::uint32_t kBrowserUnitType = 0x00030005;

// Built on first call; valid for the whole process.
const rt::LibraryInfo* browser_library();

// Command 0: the cookie text of a control (argument: the control reference);
// the empty text when the control cannot be found.
void get_cookie_command(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
// Command 1: removes every cookie of the control's engine.
void clear_cookie_command(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

// Not a library command: when the cookie `name` of the page that the browser
// control (window_id, unit_id) shows expires (BrowserControl::cookie_expiry);
// nothing when there is no such control.
std::optional<std::int64_t> cookie_expiry(std::uint32_t window_id, std::uint32_t unit_id, const std::string& name);

}  // namespace quilbex::browser
