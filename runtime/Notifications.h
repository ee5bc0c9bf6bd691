#pragma once
// The runtime's notification entry: how libraries ask the runtime for things.
// Arguments and results are pointer-sized on this platform.
//
//   code        request                                 result
//   1002        data type record of a type identifier   record pointer or 0
//   1005        runtime interface version               0x70005
//   1006        a program path as a new text            text (caller frees)
//   2001        numeric argument to a 32-bit integer    the integer (fatal if not numeric)
//   2003/2004   program folder / file name              pointer to the runtime's text
//   2024-2026   allocate (raw flag) / free / resize     as the memory services
//   2027/2028   error with a text / exit process        do not return
//   2029        kind of a data type                     2, 1 or 0
//   2030        run mode                                runMode
//   others      window-facing codes, answered by the installed window host

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::rt {

std::int64_t runtime_notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2);

// The data type record of a unit type identifier (library number in the high
// half, type number in the low half, both 1-based), or null.
const DataTypeRecord* data_type_record(std::uint32_t type_id);

}  // namespace quilbex::rt
