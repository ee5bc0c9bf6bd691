#pragma once
// The Windows-named window functions, over the current WindowSystem.
//
// They may be called from any thread. On a thread other than the window
// thread each call is carried over to the window thread and waits until it
// has run there (SendMessageA therefore waits until the window's thread has
// handled the message). Handles that do not name a live window make the
// functions fail as on Windows (FALSE, null or 0), never crash.

#include "platform/ui/Constants.h"
#include "platform/ui/DrawingContext.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Icon.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/Types.h"
#include "platform/ui/WindowClass.h"

#include <functional>
#include <string>
#include <string_view>

namespace quilbex::ui {

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

BOOL ShowWindow(HWND window, int command);
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND window);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);

BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR buffer, int size);
int GetWindowTextLengthA(HWND window);
// The whole window text (GBK) without a size limit.
std::string window_text(HWND window);

BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND window);

HWND SetParent(HWND child, HWND new_parent);
HWND GetParent(HWND window);
HWND GetWindow(HWND window, UINT command);
HWND GetTopWindow(HWND window);
BOOL IsChild(HWND parent, HWND window);
int GetDlgCtrlID(HWND window);
HWND GetDlgItem(HWND parent, int id);

LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);
BOOL GetMessageA(MSG* msg, HWND window, UINT min, UINT max);
BOOL PeekMessageA(MSG* msg, HWND window, UINT min, UINT max, UINT remove);
// Input reaches windows directly (through the input filter), so there is
// nothing to translate; kept for loops written the Windows way.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL WaitMessage();
LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The system menu, as far as this window system has one: its close item
// (SC_CLOSE). Deleting, removing or disabling it takes the close box away and
// makes WM_SYSCOMMAND SC_CLOSE do nothing; GetSystemMenu with revert TRUE
// puts it back. Other items are not known (FALSE, or -1 from EnableMenuItem).
HMENU GetSystemMenu(HWND window, BOOL revert);
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags);
// Returns the item's previous state (MF_ENABLED or MF_GRAYED), or -1.
int EnableMenuItem(HMENU menu, UINT item, UINT enable);

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int GetSystemMetrics(int index);
short GetKeyState(int virtual_key);

// --- functions of our own ---

// Runs the message loop until WM_QUIT; returns its exit code.
int run_message_loop();
// Dispatches what is waiting without blocking; false when a quit message is
// waiting (it stays in the queue).
bool pump_pending_messages();
// Runs the message loop until `done` is true (modal loops). A quit message
// ends it early and is posted again for the outer loop.
void run_message_loop_until(const std::function<bool()>& done);
// The filter sees every mouse and keyboard message before the window
// procedure does; returning true keeps the message from the window.
void set_input_filter(std::function<bool(MSG&)> filter);
// The extent of one line of GBK text in a font (null: DEFAULT_GUI_FONT).
SIZE measure_text(HFONT font, std::string_view text);
// The cursor shown over a window (null: its class cursor).
BOOL set_window_cursor(HWND window, HCURSOR cursor);
HCURSOR window_cursor(HWND window);
// True on the thread that owns the windows.
bool is_window_thread();

}  // namespace quilbex::ui
