#pragma once
// The COM commands of the core library: creating automation objects by class
// name, calling their members by name, and moving data in and out of
// VARIANTs. All have the one command form.
//
// Values:
//   object (0x10030)   the address of an ObjectRecord; with the reference
//                      flag (0x20010030) the same address: the record is the
//                      variable, and outputs are written into it
//   variant (0x10031)  the address of a VARIANT (24 bytes on this platform);
//                      likewise with the reference flag
//   results of these types are new heap blocks the caller frees (after
//   object_clear / variant_clear) with the runtime's free service
//   arrays of objects and variants hold pointers to such blocks, arrays of
//   texts pointers to texts
//
// None of them shows a message or stops the program: failures are false,
// empty results and the thread's last object-call error (see below).

#include "platform/com/Interfaces.h"
#include "runtime/ArgRecord.h"

#include <cstdint>

namespace quilbex::commands {

inline constexpr std::uint32_t kTypeObject = 0x00010030;
inline constexpr std::uint32_t kTypeVariant = 0x00010031;

// An object value: the interface (IUnknown, IDispatch, or IRecordInfo for a
// COM record) and the record's data (null unless it holds a COM record). The
// record owns one reference on its interface. Both null: the empty object.
struct ObjectRecord {
    com::IUnknown* object = nullptr;
    void* record_data = nullptr;
};

// The last object-call error of the calling thread: 0 after a successful
// member call or property write, else a code from -1 to -18:
//   -1 empty object            -2 no IDispatch          -3 no such member
//   -4 no type information     -5 too many arguments     -7 argument type
//   -8 result conversion       -9 DISP_E_BADPARAMCOUNT  -10 DISP_E_BADVARTYPE
//  -11 DISP_E_EXCEPTION       -12 DISP_E_MEMBERNOTFOUND -13 DISP_E_NONAMEDARGS
//  -14 DISP_E_OVERFLOW        -15 DISP_E_PARAMNOTFOUND  -16 DISP_E_TYPEMISMATCH
//  -17 DISP_E_PARAMNOTOPTIONAL -18 any other failure
std::int32_t last_object_call_error();

// Makes the built-in automation classes ("ScriptControl",
// "MSScriptControl.ScriptControl", "Adodb.Stream") creatable and registers
// the built-in "ole32.dll" (CoInitialize, CoUninitialize, OleInitialize,
// OleUninitialize). Runs once; also done when this library is linked into a
// program that lists the COM commands.
void register_automation();

namespace lib {

void object_create(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_clear(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_is_empty(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_copy(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_call(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_call_variant(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_call_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_call_double(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_call_bool(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void object_set_property(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void variant_clear(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void variant_set_type(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void variant_to_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void variant_assign(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void variant_create_array(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

}  // namespace lib
}  // namespace quilbex::commands
