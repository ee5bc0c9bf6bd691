#pragma once
// The command-call frame: how every library command is called. The caller
// hands over the routine, the 0-based library index and the argument records;
// the frame zeroes a result record, calls the routine and returns the result.
// A call allocates nothing.

#include "runtime/ArgRecord.h"

#include <span>

namespace quilbex::rt {

// Entry point 2.
ArgRecord call_library_command(CommandRoutine routine, int library_index, int argc, ArgRecord* args);

// Entry point 3: a command of the core library (index 0).
ArgRecord call_core_command(CommandRoutine routine, int argc, ArgRecord* args);

inline ArgRecord call_core_command(CommandRoutine routine, std::span<ArgRecord> args) {
    return call_core_command(routine, static_cast<int>(args.size()), args.data());
}

// Entry point 4 and 2001: a numeric argument as a 32-bit integer. Bytes are
// zero-extended, shorts sign-extended, integers and long integers give their
// low 32 bits, reals are truncated toward zero; any other type ends the
// program with "欲转换数据类型不是数值".
std::int32_t convert_to_int32(const ArgRecord& record);

}  // namespace quilbex::rt
