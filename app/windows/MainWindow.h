#pragma once
// The main window's handlers and the application's exit routine. Each handler
// wires controls to the network flows and the runtime's commands; it does no
// work of its own. All run on the window thread.

#include "runtime/ProgramImage.h"

#include <string>

namespace quilbex::app {

rt::HandlerResult main_window_created(const rt::HandlerCall& call);
rt::HandlerResult clock_tick(const rt::HandlerCall& call);
rt::HandlerResult quote_button_click(const rt::HandlerCall& call);
rt::HandlerResult login_button_click(const rt::HandlerCall& call);
rt::HandlerResult save_button_click(const rt::HandlerCall& call);
rt::HandlerResult sign_button_click(const rt::HandlerCall& call);

// The member's cookie file (GBK path), and the write of the save button:
// false when the file could not be written.
std::string cookie_file();
bool save_cookie(const char* cookie);
// Appends one line to the display box 编辑框_显示.
void append_status_line(const char* text);

// The exit routine: frees forum_cookie.
void release_globals(int position);

}  // namespace quilbex::app
