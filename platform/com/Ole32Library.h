#pragma once
// The built-in "ole32.dll": CoInitialize, CoInitializeEx, CoUninitialize,
// and OleInitialize/OleUninitialize (the same per-thread initialisation).
// Call once at start-up, before DLL commands bind; repeated calls are harmless.

namespace quilbex::com {

void register_ole32_library();

}  // namespace quilbex::com
