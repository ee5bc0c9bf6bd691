#include "runtime/RuntimeApp.h"

namespace quilbex::rt {

void CRuntimeApp::reset() {
    header = nullptr;
    runMode = reservedA = reservedB = 0;
    programDir.clear();
    programFile.clear();
    moduleDir.clear();
    mainThreadId = {};
    constStart = nullptr;
    constEnd = nullptr;
    dllLibraries.clear();
    dllFunctions.clear();
    dllModules.clear();
    dllAddresses.clear();
    libraries.clear();
    libraryValues.clear();
    exitCallbacks.clear();
    suppressCount = 0;
    errorHandler = nullptr;
    errorHandlerRunning = false;
    oleInitialized = false;
    socketsInitialized = false;
    cleanupStarted = false;
    loopEntered = false;
}

CRuntimeApp& runtime_app() {
    static CRuntimeApp app;
    return app;
}

}  // namespace quilbex::rt
