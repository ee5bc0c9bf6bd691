#pragma once
// The table of the COM commands, in the order the program image lists them
// after the core library's own table.

#include "commands/CoreLibrary.h"

#include <span>

namespace quilbex::commands {

std::span<const CommandEntry> com_commands();
std::span<const rt::CommandRoutine> com_command_routines();

// A COM command's routine by name, or null.
rt::CommandRoutine find_com_command(std::string_view name);

}  // namespace quilbex::commands
