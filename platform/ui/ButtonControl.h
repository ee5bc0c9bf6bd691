#pragma once
// The "BUTTON" window class (push buttons): a click with the mouse, the space
// bar or BM_CLICK sends WM_COMMAND with BN_CLICKED to the parent. BM_SETSTYLE
// switches BS_DEFPUSHBUTTON, BM_SETIMAGE keeps a picture for the backend.

#include "platform/ui/Types.h"

namespace quilbex::ui {

LRESULT ButtonWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace quilbex::ui
