#pragma once
// The engine library as the program sees it: "node.dll" opened with dlopen
// and every function bound by name.

#include "engine/wke.h"

#include <string>

namespace quilbex::testing {

struct EngineApi {
#define WKE_FN(name) decltype(&::name) name = nullptr;
#include "tests/engine/EngineFunctions.inc"
#undef WKE_FN

    // Opens the library once per process; fails the calling test when a
    // function is missing.
    static EngineApi& get();
    void* module = nullptr;
};

}  // namespace quilbex::testing
