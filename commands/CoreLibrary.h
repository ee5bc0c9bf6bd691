#pragma once
// The command tables of the core library (library 1) and the multithreading
// library (library 2), in the order their command numbers give.
//
// The core library's table here holds the text, number, time, byte-set,
// file and settings commands. The window commands (message_box, load_window,
// close_window, component_exists, append_edit_text) and the COM commands live
// with the forms runtime and in commands/com; the program image lists their
// tables after this one.

#include "runtime/ArgRecord.h"
#include "runtime/ProgramImage.h"

#include <span>
#include <string_view>

namespace quilbex::commands {

struct CommandEntry {
    std::string_view name;
    rt::CommandRoutine routine;
};

// Library 1: the commands of this folder, numbered from 0 in this order.
std::span<const CommandEntry> core_commands();

// The same routines as the plain array a library information record points
// at (LibraryInfo::commands).
std::span<const rt::CommandRoutine> core_command_routines();
std::span<const rt::CommandRoutine> thread_command_routines();

// Library 2: start_thread (command 0) and the notification routine.
std::span<const CommandEntry> thread_commands();
rt::LibraryNotify thread_library_notification();

// The routine of a command by name in either table, or null. For tests and
// for building the program image by name.
rt::CommandRoutine find_command(std::string_view name);

}  // namespace quilbex::commands
