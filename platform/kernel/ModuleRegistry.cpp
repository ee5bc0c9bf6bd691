#include "platform/kernel/ModuleRegistry.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace quilbex::kernel {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct BuiltinLibrary {
    std::string name;
    std::vector<BuiltinExport> exports;
};

struct DlCloser {
    void operator()(void* handle) const { ::dlclose(handle); }
};
using DlHandle = std::unique_ptr<void, DlCloser>;

// One loaded module; its address is the HMODULE handed out.
struct Module {
    std::string key;  // lower-case built-in name, or the file's real path
    const BuiltinLibrary* builtin = nullptr;  // set for built-in libraries
    DlHandle library;  // set for files loaded from disk
    int references = 0;
};

class Registry {
public:
    static Registry& instance() {
        static Registry registry;
        return registry;
    }

    void register_library(const std::string& file_name, const std::vector<BuiltinExport>& exports) {
        std::lock_guard lock(m_mutex);
        auto& library = m_builtins[lower(file_name)];
        if (library.name.empty())
            library.name = file_name;
        for (const auto& added : exports) {
            auto same = std::find_if(library.exports.begin(), library.exports.end(),
                                     [&](const BuiltinExport& e) { return std::string(e.name) == added.name; });
            if (same != library.exports.end())
                *same = added;
            else
                library.exports.push_back(added);
        }
    }

    win::HMODULE load(const std::string& file_name) {
        std::string native = native_path(file_name);
        if (native.empty())
            return nullptr;
        std::lock_guard lock(m_mutex);
        if (native.find('/') == std::string::npos) {
            auto builtin = m_builtins.find(lower(native));
            if (builtin != m_builtins.end())
                return acquire(builtin->first, &builtin->second, {});
            for (const auto& folder : {executable_directory(), std::string(".")}) {
                if (auto* module = load_file(folder + "/" + native))
                    return module;
            }
            return load_from_system(native);
        }
        return load_file(native);
    }

    win::FARPROC find(win::HMODULE handle, win::LPCSTR name) {
        std::lock_guard lock(m_mutex);
        Module* module = live(handle);
        if (!module || !name)
            return nullptr;
        auto value = reinterpret_cast<std::uintptr_t>(name);
        bool by_ordinal = value < 0x10000;
        if (module->builtin) {
            for (const auto& e : module->builtin->exports) {
                if (by_ordinal ? (e.ordinal != 0 && e.ordinal == value) : std::string(e.name) == name)
                    return e.address;
            }
            return nullptr;
        }
        if (by_ordinal)
            return nullptr;  // shared objects have no export ordinals
        return reinterpret_cast<win::FARPROC>(::dlsym(module->library.get(), name));
    }

    win::BOOL release(win::HMODULE handle) {
        std::lock_guard lock(m_mutex);
        Module* module = live(handle);
        if (!module)
            return win::FALSE;
        if (--module->references == 0)
            m_loaded.erase(module->key);
        return win::TRUE;
    }

    int references(win::HMODULE handle) {
        std::lock_guard lock(m_mutex);
        Module* module = live(handle);
        return module ? module->references : 0;
    }

private:
    Module* live(win::HMODULE handle) {
        for (auto& [key, module] : m_loaded)
            if (module.get() == handle)
                return module.get();
        return nullptr;
    }

    win::HMODULE acquire(const std::string& key, const BuiltinLibrary* builtin, DlHandle library) {
        auto& slot = m_loaded[key];
        if (!slot) {
            slot = std::make_unique<Module>();
            slot->key = key;
            slot->builtin = builtin;
            slot->library = std::move(library);
        }
        ++slot->references;
        return slot.get();
    }

    win::HMODULE load_file(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return nullptr;
        char resolved[4096];
        if (!::realpath(path.c_str(), resolved))
            return nullptr;
        std::string key = resolved;
        if (auto existing = m_loaded.find(key); existing != m_loaded.end())
            return acquire(key, nullptr, {});
        DlHandle library(::dlopen(resolved, RTLD_NOW | RTLD_LOCAL));
        if (!library)
            return nullptr;
        return acquire(key, nullptr, std::move(library));
    }

    win::HMODULE load_from_system(const std::string& name) {
        DlHandle library(::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL));
        if (!library)
            return nullptr;
        std::string key = "system:" + name;
        if (m_loaded.count(key))
            return acquire(key, nullptr, {});  // dlopen counted this load; our module holds one reference
        return acquire(key, nullptr, std::move(library));
    }

    std::mutex m_mutex;
    std::map<std::string, BuiltinLibrary> m_builtins;
    std::map<std::string, std::unique_ptr<Module>> m_loaded;
};

// The standard system libraries exist from the start, so that a command
// declared without a library file searches them in order.
const bool kStandardLibrariesRegistered = [] {
    for (const auto& name : standard_system_libraries())
        Registry::instance().register_library(name, {});
    return true;
}();

}  // namespace

void register_builtin_library(const std::string& file_name, const std::vector<BuiltinExport>& exports) {
    Registry::instance().register_library(file_name, exports);
}

win::HMODULE LoadLibraryA(win::LPCSTR file_name) { return file_name ? Registry::instance().load(file_name) : nullptr; }

win::FARPROC GetProcAddress(win::HMODULE module, win::LPCSTR name) { return Registry::instance().find(module, name); }

win::BOOL FreeLibrary(win::HMODULE module) { return Registry::instance().release(module); }

int module_reference_count(win::HMODULE module) { return Registry::instance().references(module); }

const std::vector<std::string>& standard_system_libraries() {
    static const std::vector<std::string> kLibraries = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                                        "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};
    return kLibraries;
}

}  // namespace quilbex::kernel
