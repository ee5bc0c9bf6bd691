#pragma once
// The multithreading library (library 2): start_thread and the library's
// notification routine.
//
// start_thread (subroutine, [parameter: 0], [handle variable]) runs the
// subroutine, a DWORD (*)(LPVOID) routine, on a new thread with the integer
// parameter and gives true when the thread was created. With a handle
// variable (an integer passed by reference) the thread's handle is stored
// there and the caller closes it; without one the handle is closed at once.
// The new thread gets nothing else from the runtime: no COM, no waiting, no
// stop at program end.

#include "runtime/ArgRecord.h"
#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::commands::lib {

void start_thread(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

// Code 1 (start-up): keeps the runtime's notification entry. Code 6 (end of
// program): deletes the critical sections the library created. Other codes:
// -1.
std::int32_t thread_library_notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2);

// The runtime's notification entry as code 1 handed it over (null before).
rt::RuntimeNotify thread_library_runtime();

}  // namespace quilbex::commands::lib
