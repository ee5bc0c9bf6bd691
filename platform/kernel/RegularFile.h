#pragma once
// The member's own files in the program folder (History.log, Daily.lock) are
// opened by name in a folder that other programs can write to. They are
// opened without following a symbolic link and without blocking (a FIFO
// would otherwise hold the opener until a reader comes, which freezes a
// window), and kept only when they turn out to be regular files.

#include "platform/kernel/Result.h"
#include "platform/kernel/UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace quilbex::kernel {

// Opens `path` with `flags` plus O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC (and
// `mode` for O_CREAT) and checks that it is a regular file; when it cannot be
// used, why not, in words for the member.
Result<UniqueFd> open_regular_file(const std::string& path, int flags, mode_t mode);

}  // namespace quilbex::kernel

// The application's code names these without the kernel's namespace.
namespace quilbex::app {
using kernel::open_regular_file;
using kernel::UniqueFd;
}  // namespace quilbex::app
