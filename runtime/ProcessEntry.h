#pragma once
// What the application gives the runtime's process entry: its program image
// and its entry routine, found at link time.

#include "runtime/ProgramImage.h"

#include <cstdint>
#include <optional>

namespace quilbex::app {

const rt::ProgramHeader& program_header();
std::int32_t application_entry();

// Called before start-up: installs the window system and the libraries the
// program carries (the forms host, built-in system libraries).
void prepare_process();

// Reads the program's arguments first. A command runs here instead of the
// windows and its exit code is returned; nothing is returned when the
// windows are to open.
std::optional<int> run_command_line(int argc, char** argv);

}  // namespace quilbex::app
