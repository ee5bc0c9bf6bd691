#pragma once
// A small program image for runtime tests: a constant region, a routine table
// and DLL command tables that each test fills as it needs.

#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"

#include <cstring>
#include <vector>

namespace quilbex::testing {

struct TestProgram {
    alignas(8) unsigned char constants[64] = {};
    std::vector<const char*> dll_libraries;
    std::vector<const char*> dll_functions;
    std::vector<const rt::LibraryInfo*> libraries;
    rt::ProgramHeader header{};

    TestProgram() {
        // A constant text and a constant 2x3 array of 32-bit integers.
        std::memcpy(constants, "const", 6);
        const std::uint32_t array[] = {2, 2, 3, 1, 2, 3, 4, 5, 6};
        std::memcpy(constants + 8, array, sizeof array);
    }

    const char* constant_text() const { return reinterpret_cast<const char*>(constants); }
    void* constant_array() { return constants + 8; }

    // Fills the header from the tables and loads it as system help 6 does.
    void load() {
        header = {};
        header.runMode = 3;
        header.reservedB = 112963;
        header.constStart = constants;
        header.constLength = sizeof constants;
        header.libraryCount = static_cast<std::uint32_t>(libraries.size());
        header.libraries = libraries.data();
        header.dllCommandCount = static_cast<std::uint32_t>(dll_libraries.size());
        header.dllLibraryNames = dll_libraries.data();
        header.dllFunctionNames = dll_functions.data();
        rt::runtime_app().reset();
        rt::set_window_host(nullptr);
        rt::set_program_header(header);
        rt::load_program_data();
    }
};

}  // namespace quilbex::testing
