#include "tests/engine/EngineApi.h"

#include "platform/kernel/WorkingFolderName.h"
#include "tests/engine/TestTls.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace quilbex::testing {

EngineApi& EngineApi::get() {
    // The engine works in a folder of this test's own, named before the
    // library is loaded and removed with its web storage when the test ends.
    static TempDir engine_folder;
    static EngineApi* api = [] {
        ::setenv(kernel::kWorkingFolderVariable, engine_folder.path().c_str(), 1);
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
