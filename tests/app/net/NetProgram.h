#pragma once
// A program image with the application's DLL command table, loaded into the
// runtime, so that the network routines bind the WinInet functions by name as
// the program does.

#include "platform/wininet/WinInet.h"
#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"

namespace quilbex::testing {

struct NetProgram {
    static constexpr const char* kLibraries[16] = {"wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                                   "Wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                                   "ole32.dll",    "ole32.dll",    "kernel32.dll", "Kernel32.dll",
                                                   "SkinH_QV.dll", "SkinH_QV.dll", "Kernel32.dll", "kernel32.dll"};
    static constexpr const char* kFunctions[16] = {
        "InternetOpenA",      "InternetConnectA", "InternetCloseHandle", "HttpOpenRequestA",
        "InternetSetOptionA", "HttpSendRequestA", "InternetReadFile",    "HttpQueryInfoA",
        "CoInitialize",       "CoUninitialize",   "GetExitCodeThread",   "TerminateThread",
        "SkinH_Attach",       "SkinH_AttachRes",  "MultiByteToWideChar", "WideCharToMultiByte"};

    rt::ProgramHeader header{};

    NetProgram() {
        wininet::register_wininet();
        header.runMode = 3;
        header.dllCommandCount = 16;
        header.dllLibraryNames = kLibraries;
        header.dllFunctionNames = kFunctions;
        rt::runtime_app().reset();
        rt::set_window_host(nullptr);
        rt::set_program_header(header);
        rt::load_program_data();
    }
};

}  // namespace quilbex::testing
