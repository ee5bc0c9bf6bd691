#pragma once
// What the application gives the runtime's process entry: its program image
// and its entry routine, found at link time.

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::app {

const rt::ProgramHeader& program_header();
std::int32_t application_entry();

// Called before start-up: installs the window system and the libraries the
// program carries (the forms host, built-in system libraries).
void prepare_process();

// A program started with arguments runs this instead of opening its windows
// and ends with its result as the exit code.
int run_command_line(int argc, char** argv);

}  // namespace quilbex::app
