#pragma once
// File search with Windows wild cards ("*" any run, "?" one character) in the
// last path component, as FindFirstFileA / FindNextFileA / FindClose.
//
// Attributes are derived from the Linux file: a directory has
// FILE_ATTRIBUTE_DIRECTORY, a name beginning with "." FILE_ATTRIBUTE_HIDDEN, a
// file its owner cannot write FILE_ATTRIBUTE_READONLY; an entry with none of
// these is FILE_ATTRIBUTE_NORMAL. Linux has no archive or system attribute.
// Names match without regard to case, as on Windows. Patterns and the names
// handed back are GBK, as the ANSI functions take and give them.

#include "platform/kernel/WinTypes.h"

namespace quilbex::kernel {

inline constexpr win::DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr win::DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr win::DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr win::DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr win::DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr win::DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct FILETIME {
    win::DWORD dwLowDateTime;
    win::DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    win::DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    win::DWORD nFileSizeHigh;
    win::DWORD nFileSizeLow;
    win::DWORD dwReserved0;
    win::DWORD dwReserved1;
    char cFileName[260];
    char cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320);

// Returns INVALID_HANDLE_VALUE when nothing matches.
win::HANDLE FindFirstFileA(win::LPCSTR pattern, WIN32_FIND_DATAA* data);
win::BOOL FindNextFileA(win::HANDLE search, WIN32_FIND_DATAA* data);
win::BOOL FindClose(win::HANDLE search);

// Windows wild-card match of one name, ignoring case. Exposed for tests.
bool wildcard_match(const char* pattern, const char* name);

}  // namespace quilbex::kernel
