#pragma once
// The core library's commands that act on windows: message boxes, loading and
// closing windows, testing that a window or control exists, and appending to
// an edit box. Each has the one command form.
//
//   command           arguments                                         result
//   message_box       content, flags, [caption = "信息："], [owner]     button code
//   load_window       window, [parent window], modal                    logical
//   close_window      window or control, [close at once]                none
//   component_exists  window or control                                 logical
//   append_edit_text  edit box, text, [more texts...]                   none
//
// A window reference holds the window identifier in its low half and the
// window's own unit identifier in its high half; a control reference holds
// the control's identifier in its high half. close_window and
// append_edit_text end the program with "指定窗口或窗口组件不存在或尚未载入"
// for a window or control that is not loaded. Callable from any thread: the
// work is carried out on the window thread, which the caller waits for.

#include "runtime/ArgRecord.h"

namespace quilbex::forms::lib {

void message_box(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void load_window(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void close_window(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void component_exists(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void append_edit_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

}  // namespace quilbex::forms::lib

namespace quilbex::forms {

// The button code message_box returns for a MessageBox result.
int message_box_code(int button);

// The private message that closes a window when its thread next handles
// messages (the window unit finishes and destroys the window on it).
inline constexpr unsigned kMessageCloseWindow = 0x8065;

}  // namespace quilbex::forms
