#pragma once
// Loads the built "SkinH_QV.dll" the way the program does, by file name,
// and finds its two functions by name. The library stays mapped after the
// handle closes, as it does in the program (which links the toolkit itself):
// unloading the toolkit with it would strand the toolkit's global data.

#include <dlfcn.h>
#include <memory>
#include <stdexcept>
#include <string>

namespace quilbex::testing {

struct SkinLibrary {
    using Attach = int (*)();
    using AttachRes = int (*)(const void*, int, const char*, int, int, int);

    struct Closer {
        void operator()(void* handle) const { dlclose(handle); }
    };

    SkinLibrary() : handle(dlopen(QUILBEX_SKIN_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
        if (!handle)
            throw std::runtime_error(std::string("cannot load the skin library: ") + dlerror());
        attach = reinterpret_cast<Attach>(dlsym(handle.get(), "SkinH_Attach"));
        attach_res = reinterpret_cast<AttachRes>(dlsym(handle.get(), "SkinH_AttachRes"));
        if (!attach || !attach_res)
            throw std::runtime_error("the skin library lacks an export");
    }

    std::unique_ptr<void, Closer> handle;
    Attach attach = nullptr;
    AttachRes attach_res = nullptr;
};

}  // namespace quilbex::testing
