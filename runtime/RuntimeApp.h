#pragma once
// The runtime's application object and its state. There is exactly one; its
// fields carry the names the runtime's design gives them. Unless a comment
// says otherwise, the state is touched by the main thread only.

#include "platform/kernel/WinTypes.h"
#include "runtime/ProgramImage.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace quilbex::rt {

using ErrorHandler = std::int32_t (*)(std::int32_t code, const char* text);

class CRuntimeApp {
public:
    const ProgramHeader* header = nullptr;  // the image loaded by load_program_data

    std::uint32_t runMode = 0;
    std::uint32_t reservedA = 0;
    std::uint32_t reservedB = 0;

    // GBK texts. programDir has no trailing separator; moduleDir has one.
    std::string programDir;
    std::string programFile;
    std::string moduleDir;
    std::thread::id mainThreadId;

    // The application's constant region; read from any thread.
    std::atomic<const unsigned char*> constStart{nullptr};
    std::atomic<const unsigned char*> constEnd{nullptr};

    // DLL commands: names from the image, then the caches filled on first call.
    std::vector<const char*> dllLibraries;
    std::vector<const char*> dllFunctions;
    std::vector<win::HMODULE> dllModules;
    std::vector<win::FARPROC> dllAddresses;

    std::vector<const LibraryInfo*> libraries;
    std::vector<std::uint32_t> libraryValues;

    std::vector<ExitCallback> exitCallbacks;

    // While 1 or more, no event is dispatched; read from any thread.
    std::atomic<int> suppressCount{0};
    ErrorHandler errorHandler = nullptr;
    bool errorHandlerRunning = false;

    bool oleInitialized = false;
    bool socketsInitialized = false;
    std::atomic<bool> cleanupStarted{false};
    bool loopEntered = false;

    // Resets every field (for tests that run several programs in one process).
    void reset();
};

CRuntimeApp& runtime_app();

}  // namespace quilbex::rt
