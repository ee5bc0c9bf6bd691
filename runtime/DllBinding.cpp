#include "runtime/DllBinding.h"

#include "platform/kernel/ModuleRegistry.h"
#include "runtime/ErrorReport.h"
#include "runtime/RuntimeApp.h"
#include "runtime_messages/RuntimeMessages.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace quilbex::rt {
namespace {

// An exported name "#n" is the ordinal n modulo 65536, passed the way
// GetProcAddress takes ordinals.
win::LPCSTR export_key(const char* name) {
    if (name && name[0] == '#') {
        unsigned long ordinal = std::strtoul(name + 1, nullptr, 10) % 65536;
        return reinterpret_cast<win::LPCSTR>(static_cast<std::uintptr_t>(ordinal));
    }
    return name;
}

win::HMODULE load_from_program_folders(const std::string& file) {
    auto& app = runtime_app();
    if (file.find(':') == std::string::npos) {
        // The runtime's extra DLL folder is empty in this program, so the
        // search starts at the program folder.
        for (const std::string& candidate : {app.programDir + "\\" + file, app.moduleDir + file}) {
            if (auto module = kernel::LoadLibraryA(candidate.c_str()))
                return module;
        }
    }
    return kernel::LoadLibraryA(file.c_str());
}

[[noreturn]] void report_missing(const char* library, const char* function) {
    char message[1024];
    if (!library || !*library)
        std::snprintf(message, sizeof message, messages::dll_export_missing(), function ? function : "");
    else
        std::snprintf(message, sizeof message, messages::dll_library_export_missing(), library,
                      function ? function : "");
    report_runtime_error(message, 0, 0, 0);
}

}  // namespace

// Worker threads bind commands too; one lock keeps the caches consistent, so
// that a command is loaded and stored once even when two threads race for it.
static std::mutex g_binding_mutex;

win::FARPROC resolve_dll_command(std::uint32_t index) {
    auto& app = runtime_app();
    std::unique_lock lock(g_binding_mutex);
    if (index >= app.dllAddresses.size()) {
        lock.unlock();
        report_runtime_error(nullptr, 0, index, 0);  // no such command in the image
    }
    if (auto address = app.dllAddresses[index])
        return address;
    const char* library = app.dllLibraries[index];
    const char* function = app.dllFunctions[index];
    win::LPCSTR key = export_key(function);
    win::HMODULE module = nullptr;
    win::FARPROC address = nullptr;
    if (!library || !*library) {
        for (const auto& name : kernel::standard_system_libraries()) {
            win::HMODULE candidate = kernel::LoadLibraryA(name.c_str());
            if (!candidate)
                continue;
            address = kernel::GetProcAddress(candidate, key);
            if (address) {
                module = candidate;
                break;
            }
            kernel::FreeLibrary(candidate);
        }
    } else {
        module = load_from_program_folders(library);
        if (module)
            address = kernel::GetProcAddress(module, key);
    }
    if (!address) {
        if (module)
            kernel::FreeLibrary(module);
        lock.unlock();
        report_missing(library, function);
    }
    app.dllAddresses[index] = address;
    app.dllModules[index] = module;
    return address;
}

void release_dll_modules() {
    auto& app = runtime_app();
    std::lock_guard lock(g_binding_mutex);
    for (auto module : app.dllModules) {
        if (module)
            kernel::FreeLibrary(module);
    }
    app.dllLibraries.clear();
    app.dllFunctions.clear();
    app.dllModules.clear();
    app.dllAddresses.clear();
}

}  // namespace quilbex::rt
