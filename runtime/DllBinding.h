#pragma once
// DLL commands: functions of dynamic libraries that the application names by
// library file and exported name in its image, bound on first call and cached
// for the rest of the run.
//
// A name that cannot be bound ends the program through the runtime error
// report; resolve_dll_command never returns null.

#include "platform/kernel/WinTypes.h"

#include <cstdint>

namespace quilbex::rt {

win::FARPROC resolve_dll_command(std::uint32_t index);

// Releases every module loaded for DLL commands (once per non-zero module
// entry, in index order) and empties the four tables.
void release_dll_modules();

// Calls DLL command `index` as a function of the given type, binding it on the
// first call. The compiler checks the argument list against Signature, so a
// call can never leave the stack unbalanced.
template <typename Signature> struct DllCommand;

template <typename R, typename... Args> struct DllCommand<R(Args...)> {
    std::uint32_t index;
    R operator()(Args... args) const {
        auto function = reinterpret_cast<R (*)(Args...)>(resolve_dll_command(index));
        return function(args...);
    }
};

}  // namespace quilbex::rt
