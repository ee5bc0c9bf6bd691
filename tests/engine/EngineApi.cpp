#include "tests/engine/EngineApi.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace quilbex::testing {

EngineApi& EngineApi::get() {
    static EngineApi* api = [] {
        auto* loaded = new EngineApi;
        loaded->module = dlopen(QUILBEX_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!loaded->module) {
            ADD_FAILURE() << "cannot open " << QUILBEX_ENGINE_PATH << ": " << dlerror();
            return loaded;
        }
#define WKE_FN(name)                                                                                                   \
    loaded->name = reinterpret_cast<decltype(&::name)>(dlsym(loaded->module, #name));                                  \
    if (!loaded->name)                                                                                                 \
        ADD_FAILURE() << "node.dll does not export " #name;
#include "tests/engine/EngineFunctions.inc"
#undef WKE_FN
        return loaded;
    }();
    return *api;
}

}  // namespace quilbex::testing
