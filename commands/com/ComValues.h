#pragma once
// Conversions between the runtime's values and VARIANTs, shared by the member
// call and the variant commands. Texts convert through the system code page
// (GBK) and UTF-16.

#include "commands/com/ComCommands.h"
#include "platform/com/Variant.h"
#include "runtime/ArgRecord.h"

#include <cstdint>

namespace quilbex::commands::comvalues {

using com::BSTR;
using com::VARIANT;
using com::VARTYPE;

// The value of an argument record as a VARIANT, reading through the address
// of a by-reference record. `declared` is the parameter's resolved type; it
// decides how an object is passed. False for types that cannot be passed
// (byte sets, arrays, subroutine pointers, unknown codes).
bool argument_to_variant(const rt::ArgRecord& record, VARTYPE declared, VARIANT* out);

// A single runtime value for variant_assign: as argument_to_variant, except
// that an object is always passed as its IUnknown.
bool value_to_variant(const rt::ArgRecord& record, VARIANT* out);

// Converts `value` to runtime type `type` into *result (new blocks for texts,
// objects and variants). False when it does not convert; *result is then
// untouched.
// With `consume`, what `value` holds may be taken over (it is left valid).
bool variant_to_result(VARIANT* value, std::uint32_t type, rt::ArgRecord* result, bool consume = false);

// Writes `value` into the variable that a by-reference record points at,
// converted to the variable's type; the variable's old text or interface is
// released. False when it does not convert (the variable is unchanged).
bool write_back(const VARIANT* value, const rt::ArgRecord& record);

// The empty value of `type`: a new empty object record, a new zeroed VARIANT,
// or zero (null text, 0, false).
void empty_result(std::uint32_t type, rt::ArgRecord* result);

// A runtime text (may be null) as a new BSTR, and back (empty gives null).
BSTR bstr_from_text(const char* gbk);
char* text_from_bstr(BSTR text);

// The type code of a record without the reference flag.
inline std::uint32_t base_type(std::uint32_t type) { return type & ~rt::kByReference; }
inline bool by_reference(std::uint32_t type) { return (type & rt::kByReference) != 0; }

}  // namespace quilbex::commands::comvalues
