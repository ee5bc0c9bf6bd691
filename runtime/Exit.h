#pragma once
// The end of the program: the end-of-program sequence and the exit service.

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::rt {

// The end-of-program sequence with exit code x. On a thread other than the
// main thread it only asks the main thread to exit (through the hidden owner
// window) and otherwise ends the process at once.
void end_of_program(std::uint32_t code);

// Entry point 9 and notification 2028: the end-of-program sequence, then the
// process ends with the code (0xFFFFFFFF is exit status 255 here).
[[noreturn]] void exit_process(std::uint32_t code);

// Entry point 12, function 3: appends the routine unless it is registered.
void register_exit_callback(ExitCallback routine);

}  // namespace quilbex::rt
