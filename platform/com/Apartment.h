#pragma once
// Per-thread COM initialisation. A thread must call CoInitialize (or
// CoInitializeEx) before it creates or calls an object; each successful call
// is matched by one CoUninitialize. Without it, object creation and calls
// fail with CO_E_NOTINITIALIZED.

#include "platform/com/ComTypes.h"

namespace quilbex::com {

inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;

// S_OK for the first initialisation on the thread, S_FALSE when it was
// already initialised (still to be matched by CoUninitialize).
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD model);
void CoUninitialize();

bool com_initialized_on_this_thread();

// Stdcall-shaped entry points for the program's DLL command table.
HRESULT ole32_CoInitialize(LPVOID reserved);
void ole32_CoUninitialize();

}  // namespace quilbex::com
