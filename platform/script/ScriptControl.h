#pragma once
// The script control automation class, ProgIDs "ScriptControl" and
// "MSScriptControl.ScriptControl". Each instance has its own script engine.
//
// Members:
//   Language          get/put text: "JScript" or "JavaScript" (any case);
//                     setting it starts a fresh engine, any other name fails
//   Timeout           get/put milliseconds one entry may run (default 10000,
//                     -1 none); a script past it fails with "execution timeout"
//   AddCode(code)     runs code as global code (functions and vars stay)
//   Eval(expr)        the value of an expression or statement list
//   ExecuteStatement(statement)
//   Run(name, args…)  calls a global function with any number of arguments
//   Reset()           discards all code and state
// A script error, running out of the engine's 64 MB, or calling any of these
// before Language is set fails the call with DISP_E_EXCEPTION and the
// message in EXCEPINFO.

#include "platform/com/ComTypes.h"

namespace quilbex::script {

inline constexpr com::CLSID CLSID_ScriptControl{
    0x0E59F1D5, 0x1FBE, 0x11D0, {0x8F, 0xF2, 0x00, 0xA0, 0xD1, 0x00, 0x38, 0xBC}};

// Registers the class with the COM class registry; repeated calls are harmless.
void register_script_control_class();

}  // namespace quilbex::script
