#include "platform/ui/GtkModule.h"

#include "platform/ui/WindowSystem.h"

#include <climits>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace quilbex::ui {

namespace {

using StartFunction = bool (*)();

std::mutex g_module_mutex;
std::string g_module_error;

std::string program_folder() {
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string text(path, static_cast<std::size_t>(length));
    std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash == 0 ? 1 : slash);
}

// The backend linked into this program, or else the one in the program
// folder's library. The library is opened with global symbols because the
// browser engine and the skin library look the backend's exports up by name;
// it stays loaded for the life of the process, as its widgets do.
StartFunction find_start(std::string& error) {
    if (void* linked = ::dlsym(RTLD_DEFAULT, kGtkStartSymbol))
        return reinterpret_cast<StartFunction>(linked);
    const std::string file = program_folder() + "/" + kGtkModuleFile;
    void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!module) {
        const char* reason = ::dlerror();
        error = "the window system library " + file + " could not be loaded (" + (reason ? reason : "unknown") + ")";
        return nullptr;
    }
    void* start = ::dlsym(module, kGtkStartSymbol);
    if (!start) {
        error = "the window system library " + file + " has no " + kGtkStartSymbol;
        return nullptr;
    }
    return reinterpret_cast<StartFunction>(start);
}

}  // namespace

std::string gtk_module_error() {
    std::lock_guard lock(g_module_mutex);
    return g_module_error;
}

bool WindowSystem::use_gtk() {
    std::string error;
    StartFunction start = find_start(error);
    {
        std::lock_guard lock(g_module_mutex);
        g_module_error = error;
    }
    return start && start();
}

}  // namespace quilbex::ui
