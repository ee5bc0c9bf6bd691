#pragma once
// Module loading as the program's DLL commands see it.
//
// Built-in system libraries ("kernel32.dll", "wininet.dll", "ole32.dll", ...)
// are tables of exports registered by our platform layers; they are found by
// their file name, compared without regard to case, as Windows finds its
// system DLLs. Any other name is a file on disk loaded with dlopen. "\" and
// "/" are both path separators.
//
// Handles are reference counted like Windows module handles: loading the same
// module twice returns the same handle and needs two FreeLibrary calls.

#include "platform/kernel/WinTypes.h"

#include <string>
#include <vector>

namespace quilbex::kernel {

struct BuiltinExport {
    const char* name;  // exported name
    win::FARPROC address;  // the function
    win::WORD ordinal;  // 0 when the export has no ordinal
};

// Registers (or extends) a built-in library. Safe to call from static
// initialisers and from tests; later exports with the same name replace
// earlier ones.
void register_builtin_library(const std::string& file_name, const std::vector<BuiltinExport>& exports);

// Windows semantics. A name with a directory part is a path: it is loaded from
// disk only (no built-in library answers to a path). A bare name is a
// built-in library when one has that name, otherwise a file searched for in
// the program's folder, then the current folder, then the system's library
// path. Returns null on failure.
win::HMODULE LoadLibraryA(win::LPCSTR file_name);

// Looks an export up by name, or by ordinal when the name pointer's value is
// below 0x10000 (MAKEINTRESOURCE), as on Windows.
win::FARPROC GetProcAddress(win::HMODULE module, win::LPCSTR name);

win::BOOL FreeLibrary(win::HMODULE module);

// The number of loads not yet matched by FreeLibrary; 0 for a handle that is
// not (or no longer) loaded. For tests and diagnostics.
int module_reference_count(win::HMODULE module);

// The standard system libraries, in the order in which an empty library file
// name is searched.
const std::vector<std::string>& standard_system_libraries();

}  // namespace quilbex::kernel
