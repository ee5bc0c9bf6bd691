#include "commands/com/ComInit.h"

#include "commands/com/ComCommands.h"
#include "platform/kernel/ModuleRegistry.h"

#include <cstdint>

namespace quilbex::commands {
namespace {

using InitializeFunction = std::int32_t (*)(void*);
using UninitializeFunction = void (*)();

struct Ole32Functions {
    InitializeFunction initialize = nullptr;
    UninitializeFunction uninitialize = nullptr;
};

// Bound once; the module stays loaded for the rest of the run, as a bound
// DLL command's module does.
const Ole32Functions& ole32() {
    static const Ole32Functions functions = [] {
        register_automation();
        Ole32Functions f;
        if (win::HMODULE module = kernel::LoadLibraryA("ole32.dll")) {
            f.initialize = reinterpret_cast<InitializeFunction>(kernel::GetProcAddress(module, "CoInitialize"));
            f.uninitialize = reinterpret_cast<UninitializeFunction>(kernel::GetProcAddress(module, "CoUninitialize"));
        }
        return f;
    }();
    return functions;
}

}  // namespace

bool co_initialize() {
    const Ole32Functions& f = ole32();
    if (!f.initialize || !f.uninitialize)
        return false;
    return f.initialize(nullptr) >= 0;
}

void co_uninitialize() {
    if (ole32().uninitialize)
        ole32().uninitialize();
}

}  // namespace quilbex::commands
