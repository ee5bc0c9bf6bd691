#pragma once
// SAFEARRAY: a self-describing array of automation values. Elements lie in
// one block with the first dimension varying fastest; rgsabound[k] describes
// dimension k + 1 as passed to SafeArrayCreate. The element type is kept with
// the descriptor (SafeArrayGetVartype). Arrays own their BSTR, interface and
// VARIANT elements and free them on destruction.

#include "platform/com/ComTypes.h"

namespace quilbex::com {

inline constexpr USHORT FADF_RECORD = 0x0020;
inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

// The size of one element of type `vt` in an array, 0 when `vt` cannot be an
// array element.
ULONG safe_array_element_size(VARTYPE vt);

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG count);
// A VT_UI1 vector holding a copy of `count` bytes (filled straight from them,
// without clearing first).
SAFEARRAY* safe_array_from_bytes(LONG lower_bound, const void* bytes, ULONG count);
// Fails with DISP_E_ARRAYISLOCKED while the array is locked.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
// `dim` counts from 1. Out of range: DISP_E_BADINDEX.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
HRESULT SafeArrayLock(SAFEARRAY* array);
// Unlocking an unlocked array: E_UNEXPECTED.
HRESULT SafeArrayUnlock(SAFEARRAY* array);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
// `indices[k]` is the subscript of dimension k + 1.
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, const LONG* indices, void** element);
// Copies the element out: a new BSTR, an AddRef'd interface, a VariantCopy.
HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value);
// Copies the value in, freeing the old element. For BSTR and interface arrays
// `value` is the BSTR or interface pointer itself; otherwise a pointer to it.
HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, void* value);
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);

// Number of elements over all dimensions.
ULONG safe_array_element_count(const SAFEARRAY* array);

}  // namespace quilbex::com
