#pragma once
// Start-up: the process comes up in run_program (the application object's
// InitInstance and ExitInstance), the application's entry routine loads the
// program data, registers its exit routine, loads the start-up window and
// enters the message loop.

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::rt {

using ApplicationEntry = std::int32_t (*)();

// The whole life of the program: InitInstance (module folder, then the entry
// routine), then ExitInstance (the end-of-program sequence with code 0).
// Returns the process exit code: the quit message's code.
int run_program(const ProgramHeader& header, ApplicationEntry entry);

// System help 6: loads the header given to run_program (or to
// set_program_header) into the runtime state.
void load_program_data();
void set_program_header(const ProgramHeader& header);

// Entry point 11: creates the start-up window; failure is the runtime error
// "载入启动窗口失败" with the window identifier.
void load_startup_window(std::uint32_t window_id);

// Entry point 10: sets loopEntered; returns at once when no loaded window is
// live, otherwise runs the message loop until the quit message.
void enter_message_loop();

// What an application entry routine does, in its fixed order.
struct ApplicationStartup {
    void (*initialise_globals)() = nullptr;
    ExitCallback exit_routine = nullptr;
    void (*initialise_modules)() = nullptr;
    std::uint32_t startup_window = 0;
};
std::int32_t run_application_entry(const ApplicationStartup& startup);

}  // namespace quilbex::rt
