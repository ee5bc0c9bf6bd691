#include "platform/kernel/Kernel32.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/kernel/ProfileFile.h"
#include "platform/kernel/Thread.h"

#include <mutex>

namespace quilbex::kernel {
namespace {

template <typename Function> win::FARPROC address_of(Function* function) {
    return reinterpret_cast<win::FARPROC>(function);
}

void register_exports() {
    register_builtin_library("kernel32.dll",
                             {
                                 {"GetExitCodeThread", address_of(&GetExitCodeThread), 0},
                                 {"TerminateThread", address_of(&TerminateThread), 0},
                                 {"MultiByteToWideChar", address_of(&MultiByteToWideChar), 0},
                                 {"WideCharToMultiByte", address_of(&WideCharToMultiByte), 0},
                                 {"CreateThread", address_of(&CreateThread), 0},
                                 {"CloseHandle", address_of(&CloseHandle), 0},
                                 {"WaitForSingleObject", address_of(&WaitForSingleObject), 0},
                                 {"GetCurrentThreadId", address_of(&GetCurrentThreadId), 0},
                                 {"GetLastError", address_of(&GetLastError), 0},
                                 {"SetLastError", address_of(&SetLastError), 0},
                                 {"Sleep", address_of(&Sleep), 0},
                                 {"GetPrivateProfileStringA", address_of(&GetPrivateProfileStringA), 0},
                                 {"WritePrivateProfileStringA", address_of(&WritePrivateProfileStringA), 0},
                             });
}

// Also registers when this file is linked in for another reason.
[[maybe_unused]] const bool kRegisteredAtLoad = (register_kernel32(), true);

}  // namespace

void register_kernel32() {
    static std::once_flag once;
    std::call_once(once, register_exports);
}

}  // namespace quilbex::kernel
