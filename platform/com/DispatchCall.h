#pragma once
// Calling an automation member by name from C++: looks the name up with
// GetIDsOfNames, passes the arguments in their natural order and returns the
// Invoke result. For code of our own that drives objects directly; the
// program's own member call resolves names through the type comp instead.

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

#include <string>
#include <string_view>
#include <vector>

namespace quilbex::com {

struct DispatchError {
    HRESULT result = S_OK;
    std::u16string description;  // from EXCEPINFO for DISP_E_EXCEPTION
};

// `flags` is DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
// (a put passes its last argument as the property value). `result` may be null.
HRESULT dispatch_call(IDispatch* object, std::u16string_view name, WORD flags, const std::vector<Variant>& args,
                      Variant* result = nullptr, DispatchError* error = nullptr);

}  // namespace quilbex::com
