#pragma once
// The built-in "ole32.dll" that the program binds CoInitialize and
// CoUninitialize from. Call once at start-up, before DLL commands bind
// (the runtime does); repeated calls are harmless.

namespace quilbex::com {

void register_ole32_library();

}  // namespace quilbex::com
