#include "platform/com/Ole32Library.h"

#include "platform/com/Apartment.h"
#include "platform/kernel/ModuleRegistry.h"

namespace quilbex::com {

void register_ole32_library() {
    kernel::register_builtin_library("ole32.dll",
                                     {
                                         {"CoInitialize", reinterpret_cast<win::FARPROC>(&ole32_CoInitialize), 0},
                                         {"CoInitializeEx", reinterpret_cast<win::FARPROC>(&CoInitializeEx), 0},
                                         {"CoUninitialize", reinterpret_cast<win::FARPROC>(&ole32_CoUninitialize), 0},
                                         {"OleInitialize", reinterpret_cast<win::FARPROC>(&ole32_CoInitialize), 0},
                                         {"OleUninitialize", reinterpret_cast<win::FARPROC>(&ole32_CoUninitialize), 0},
                                     });
}

}  // namespace quilbex::com
