#pragma once
// The fixed table of runtime entry points. Application code reaches the
// runtime only through these slots (its own copy of the first 13).
//
//   slot  entry point                       slot  entry point
//   0     report runtime error (coded)       7     resize
//   1     call DLL command (resolve)         8     free
//   2     call library command               9     exit process
//   3     call core library command          10    enter message loop
//   4     read unit property                 11    load start-up window
//   5     write unit property                12    system help
//   6     allocate                           13    external package routine (fatal)

#include "platform/kernel/WinTypes.h"
#include "runtime/ArgRecord.h"

#include <cstddef>
#include <cstdint>

namespace quilbex::rt {

// Slots 0, 9 and 13 never return (attributes cannot mark function pointers).
struct EntryPoints {
    void (*report_error)(std::int32_t code, std::uint32_t a, std::uint32_t b);
    win::FARPROC (*call_dll_command)(std::uint32_t index);
    ArgRecord (*call_library_command)(CommandRoutine routine, int library_index, int argc, ArgRecord* args);
    ArgRecord (*call_core_command)(CommandRoutine routine, int argc, ArgRecord* args);
    std::uint64_t (*read_property)(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                   std::int32_t element);
    void (*write_property)(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int32_t element,
                           std::uint64_t value);
    void* (*allocate)(std::size_t size);
    void* (*resize)(void* block, std::size_t size);
    void (*free)(void* block);
    void (*exit_process)(std::uint32_t code);
    void (*enter_message_loop)();
    void (*load_startup_window)(std::uint32_t window_id);
    std::uintptr_t (*system_help)(std::uint32_t function, std::uintptr_t a1, std::uintptr_t a2, std::uintptr_t a3,
                                  std::uintptr_t a4);
    void (*external_package_routine)();
};

const EntryPoints& entry_points();

}  // namespace quilbex::rt
