#pragma once
// The system help functions of entry point 12.
//
//   0  find file: pattern (empty = continue), attribute mask, all-files flag,
//      address of the search handle -> next matching name as a new text, or 0
//   1  end a file search: search handle
//   2  make an array writable: element size, address of the array variable
//   3  register an exit callback: routine
//   4  read a property of a non-window object  -> 0 (this program has none)
//   5  write a property of a non-window object (this program has none)
//   6  load program data

#include "platform/kernel/WinTypes.h"
#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::rt {

char* find_file(const char* pattern, std::uint32_t attribute_mask, bool all_files, win::HANDLE* search);
void end_file_search(win::HANDLE search);
void make_array_writable(std::size_t element_size, void** array_variable);

std::uintptr_t system_help(std::uint32_t function, std::uintptr_t a1 = 0, std::uintptr_t a2 = 0, std::uintptr_t a3 = 0,
                           std::uintptr_t a4 = 0);

}  // namespace quilbex::rt
