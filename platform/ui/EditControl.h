#pragma once
// The "EDIT" window class: a single- or multi-line text box over the window's
// GBK text. It keeps a selection (byte offsets on character boundaries), a
// text limit in bytes, a password character and the ES_* styles, and tells
// its parent about changes through WM_COMMAND (EN_CHANGE once per change of
// content, EN_SETFOCUS, EN_KILLFOCUS, EN_MAXTEXT).
//
// Typed characters arrive as WM_CHAR: one byte, or a two-byte GBK character
// as (lead << 8 | trail). Read-only boxes ignore typing but accept text set
// by the program (WM_SETTEXT, EM_REPLACESEL).

#include "platform/ui/Types.h"

namespace quilbex::ui {

LRESULT EditWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace quilbex::ui
