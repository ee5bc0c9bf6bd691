#include "commands/Arguments.h"
#include "commands/threads/ThreadCommands.h"
#include "platform/kernel/Thread.h"

#include <cstring>

namespace quilbex::commands::lib {

void start_thread(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    auto routine = reinterpret_cast<kernel::LPTHREAD_START_ROUTINE>(argument(argc, args, 0).pointer());
    rt::ArgRecord parameter_arg = argument(argc, args, 1);
    std::uint32_t parameter = argc >= 2 && !parameter_arg.omitted() ? parameter_arg.low : 0;
    win::HANDLE handle = kernel::CreateThread(
        nullptr, 0, routine, reinterpret_cast<win::LPVOID>(static_cast<std::uintptr_t>(parameter)), 0, nullptr);
    set_bool(result, handle != nullptr);

    rt::ArgRecord variable = argument(argc, args, 2);
    if (argc < 3 || variable.omitted() || !variable.pointer()) {
        if (handle)
            kernel::CloseHandle(handle);
        return;
    }
    // Handle values fit the 32-bit integer variable.
    auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
    std::memcpy(variable.pointer(), &value, sizeof value);
}

}  // namespace quilbex::commands::lib
