#include "runtime/Ole.h"

#include "platform/kernel/ModuleRegistry.h"

#include <cstdint>

namespace quilbex::rt {
namespace {

using OleInitializeFunction = std::int32_t (*)(void*);
using OleUninitializeFunction = void (*)();

// The ole32 module stays loaded from initialisation to uninitialisation.
win::HMODULE g_ole32 = nullptr;

}  // namespace

bool ole_initialize() {
    if (!g_ole32)
        g_ole32 = kernel::LoadLibraryA("ole32.dll");
    if (!g_ole32)
        return false;
    auto initialize = reinterpret_cast<OleInitializeFunction>(kernel::GetProcAddress(g_ole32, "OleInitialize"));
    if (!initialize || initialize(nullptr) < 0) {
        kernel::FreeLibrary(g_ole32);
        g_ole32 = nullptr;
        return false;
    }
    return true;
}

void ole_uninitialize() {
    if (!g_ole32)
        return;
    if (auto uninitialize =
            reinterpret_cast<OleUninitializeFunction>(kernel::GetProcAddress(g_ole32, "OleUninitialize")))
        uninitialize();
    kernel::FreeLibrary(g_ole32);
    g_ole32 = nullptr;
}

}  // namespace quilbex::rt
