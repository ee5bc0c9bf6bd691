#pragma once
// Code-page conversion as the program's Windows-facing code expects it.
//
// Texts inside the program are GBK (code page 936, the system ANSI code page
// here); the toolkit, the browser engine and the network speak UTF-8. The two
// Windows functions convert between a code page and UTF-16 with Windows'
// argument conventions; the two helpers below convert whole texts between GBK
// and UTF-8 for the layers that meet the outside world.
//
// Code pages: 0 (CP_ACP) and 936 are GBK, 65001 is UTF-8; anything else fails
// with ERROR_INVALID_PARAMETER. Input that cannot be decoded or encoded is
// replaced, never rejected (unless MB_ERR_INVALID_CHARS asks for that):
//
//   direction            bad input                        becomes
//   GBK -> UTF-16        undefined byte or pair,          U+003F '?'
//                        a lead byte without its trail
//   UTF-8 -> UTF-16      each maximal ill-formed subpart  U+FFFD
//   UTF-16 -> GBK        a character GBK lacks, a lone    the default character
//                        surrogate                        ('?' or lpDefaultChar)
//   UTF-16 -> UTF-8      a lone surrogate                 U+FFFD (EF BF BD)
//
// All functions are safe to call from any thread.

#include "platform/kernel/WinTypes.h"

#include <string>
#include <string_view>

namespace quilbex::kernel {

inline constexpr win::UINT CP_ACP = 0;
inline constexpr win::UINT CP_GBK = 936;
inline constexpr win::UINT CP_UTF8 = 65001;

inline constexpr win::DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr win::DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr win::DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

// Converts cbMultiByte bytes (-1: up to and including the terminating zero) to
// UTF-16. With cchWideChar 0 it returns the number of units needed and writes
// nothing; otherwise it returns the number of units written, or 0 with
// ERROR_INSUFFICIENT_BUFFER when they do not fit (the buffer may then hold a
// partial result, as on Windows). A count of 0 or a null input fails with
// ERROR_INVALID_PARAMETER.
int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, win::LPCSTR lpMultiByteStr, int cbMultiByte,
                        win::LPWSTR lpWideCharStr, int cchWideChar);

// The reverse direction with the same conventions. For UTF-8 lpDefaultChar and
// lpUsedDefaultChar must be null (ERROR_INVALID_PARAMETER otherwise). For GBK
// *lpUsedDefaultChar is set when a character had to be replaced.
int WideCharToMultiByte(win::UINT CodePage, win::DWORD dwFlags, win::LPCWSTR lpWideCharStr, int cchWideChar,
                        win::LPSTR lpMultiByteStr, int cbMultiByte, win::LPCSTR lpDefaultChar,
                        win::LPBOOL lpUsedDefaultChar);

// Whole-text conversions with the replacement rules above. Zero bytes inside
// the text are converted like any other character.
std::string gbk_to_utf8(std::string_view gbk);
std::string utf8_to_gbk(std::string_view utf8);

// A file name as the program's ANSI file functions receive it (GBK, "\" or "/"
// as separators) turned into the name the Linux file system expects (UTF-8,
// "/" only). The second byte of a two-byte GBK character may be 0x5C; such a
// byte is part of the character, not a separator.
std::string native_path(std::string_view ansi_path);

}  // namespace quilbex::kernel
