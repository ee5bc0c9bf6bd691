#pragma once
// The built-in system library "kernel32.dll": the kernel functions that the
// program binds by name at run time (thread exit codes, code-page
// conversion, profile files, thread start and handles, the last error).

namespace quilbex::kernel {

// Registers "kernel32.dll" with the module registry. Idempotent and safe from
// any thread. The runtime calls it at start-up: a static library drops object
// files nothing refers to, so registration cannot rely on a static
// initialiser of this file alone.
void register_kernel32();

}  // namespace quilbex::kernel
