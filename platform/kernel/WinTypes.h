#pragma once
// The Windows data types that our platform layers use in their Windows-named
// functions. Widths follow the Windows definitions (LONG and DWORD are 32 bits);
// handles and pointers are pointer-sized on this platform.

#include <cstdint>

namespace quilbex::win {

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using WCHAR = char16_t;
using HANDLE = void*;
using HMODULE = void*;
using HWND = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPDWORD = DWORD*;
using LPBOOL = BOOL*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using HRESULT = std::int32_t;

// GLib defines TRUE and FALSE as macros; the constants are declared with
// those set aside, so that this header may come before or after <glib.h>.
#pragma push_macro("TRUE")
#pragma push_macro("FALSE")
#undef TRUE
#undef FALSE
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
#pragma pop_macro("TRUE")
#pragma pop_macro("FALSE")
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// A function exported by one of our built-in system libraries; callers cast it
// to the function's real signature, as they would a GetProcAddress result.
using FARPROC = void (*)();

}  // namespace quilbex::win
