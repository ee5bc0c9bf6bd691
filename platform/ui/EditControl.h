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

#include <string>

namespace quilbex::ui {

LRESULT EditWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// For backends with native editors: the user changed the text in the editor
// (deleted or cut); the window takes the text and caret (byte offset) and
// tells its parent with EN_CHANGE when the content differs.
void edit_changed_by_user(HWND window, std::string gbk, std::size_t caret);
// The user moved the caret or the selection in a native editor.
void edit_selection_by_user(HWND window, std::size_t start, std::size_t end);

}  // namespace quilbex::ui
