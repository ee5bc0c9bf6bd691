#pragma once
// The Windows user-interface types of our window system: geometry, messages,
// handles, window classes, fonts and paint records. Layouts follow the Windows
// definitions; handles and pointers are pointer-sized on this platform.

#include "platform/kernel/WinTypes.h"

#include <cstddef>
#include <cstdint>

namespace quilbex::ui {

using namespace quilbex::win;

class DrawingContext;
struct FontObject;
struct BrushObject;
struct IconObject;

using ATOM = WORD;
using COLORREF = DWORD;  // 0x00BBGGRR
using HDC = DrawingContext*;
using HFONT = FontObject*;
using HBRUSH = BrushObject*;
using HICON = IconObject*;
using HCURSOR = IconObject*;  // a cursor is an icon with a hot spot, as on Windows
using HBITMAP = IconObject*;  // pictures set on buttons share the icon's pixel store
using HMENU = void*;
using HINSTANCE = void*;
using HGDIOBJ = void*;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

inline LONG rect_width(const RECT& r) { return r.right - r.left; }
inline LONG rect_height(const RECT& r) { return r.bottom - r.top; }
inline bool rect_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

inline constexpr int LF_FACESIZE = 32;

// The logical font record exactly as the templates store it (60 bytes).
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must keep the 60-byte layout of the templates");
static_assert(offsetof(LOGFONTA, lfFaceName) == 28);

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

inline constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
inline constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
inline constexpr short GET_X_LPARAM(LPARAM v) { return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(v))); }
inline constexpr short GET_Y_LPARAM(LPARAM v) { return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(v))); }
inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return static_cast<COLORREF>(r | (g << 8) | (b << 16)); }
inline constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

}  // namespace quilbex::ui
