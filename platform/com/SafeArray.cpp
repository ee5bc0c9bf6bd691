#include "platform/com/SafeArray.h"

#include "platform/com/Bstr.h"
#include "platform/com/Interfaces.h"
#include "platform/com/SpareBlocks.h"
#include "platform/com/Variant.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace quilbex::com {
namespace {

// Array data of `size` zero bytes. Large data may come from one of this
// thread's spare blocks, so it is cleared here.
void* allocate_zeroed(std::size_t size) {
    if (size < kSpareBlockMinimum)
        return std::calloc(size ? size : 1, 1);
    void* data = take_block(size);
    if (data)
        std::memset(data, 0, size);
    return data;
}

// The element type lives in a header before the descriptor, as the platform
// keeps it before its own.
struct ArrayHeader {
    VARTYPE vt;
    std::uint16_t pad[7];
};
static_assert(sizeof(ArrayHeader) == 16);

ArrayHeader* header_of(SAFEARRAY* array) {
    return reinterpret_cast<ArrayHeader*>(reinterpret_cast<unsigned char*>(array) - sizeof(ArrayHeader));
}

USHORT features_for(VARTYPE vt) {
    switch (vt) {
    case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEVARTYPE;
    case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEVARTYPE;
    case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
    default: return FADF_HAVEVARTYPE;
    }
}

VARTYPE vartype_of(SAFEARRAY* array) { return header_of(array)->vt; }

bool owns_elements(VARTYPE vt) { return vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH || vt == VT_VARIANT; }

void clear_elements(SAFEARRAY* array) {
    VARTYPE vt = vartype_of(array);
    if (!array->pvData || !owns_elements(vt))
        return;
    ULONG count = safe_array_element_count(array);
    auto* base = static_cast<unsigned char*>(array->pvData);
    for (ULONG i = 0; i < count; ++i) {
        void* element = base + std::size_t(i) * array->cbElements;
        switch (vt) {
        case VT_BSTR: {
            BSTR* s = static_cast<BSTR*>(element);
            SysFreeString(*s);
            *s = nullptr;
            break;
        }
        case VT_UNKNOWN:
        case VT_DISPATCH: {
            IUnknown** p = static_cast<IUnknown**>(element);
            if (*p)
                (*p)->Release();
            *p = nullptr;
            break;
        }
        case VT_VARIANT: VariantClear(static_cast<VARIANT*>(element)); break;
        default: break;
        }
    }
}

}  // namespace

ULONG safe_array_element_size(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

ULONG safe_array_element_count(const SAFEARRAY* array) {
    if (!array)
        return 0;
    ULONG count = 1;
    for (USHORT d = 0; d < array->cDims; ++d)
        count *= array->rgsabound[d].cElements;
    return count;
}

namespace {

// A new array whose data is a copy of `fill` (its whole size) or, without
// `fill`, zeroed.
SAFEARRAY* create_array(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds, const void* fill) {
    ULONG element_size = safe_array_element_size(vt);
    if (element_size == 0 || dims == 0 || dims > 64 || !bounds)
        return nullptr;
    std::uint64_t total = element_size;
    for (UINT d = 0; d < dims; ++d) {
        total *= bounds[d].cElements;
        if (total > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
            return nullptr;
    }
    std::size_t descriptor = sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<unsigned char*>(std::calloc(1, sizeof(ArrayHeader) + descriptor));
    if (!block)
        return nullptr;
    reinterpret_cast<ArrayHeader*>(block)->vt = vt;
    auto* array = reinterpret_cast<SAFEARRAY*>(block + sizeof(ArrayHeader));
    array->cDims = static_cast<USHORT>(dims);
    array->fFeatures = features_for(vt);
    array->cbElements = element_size;
    for (UINT d = 0; d < dims; ++d)
        array->rgsabound[d] = bounds[d];
    // Zeroed data leaves every BSTR, interface and VARIANT element empty.
    array->pvData = fill ? take_block(std::size_t(total)) : allocate_zeroed(std::size_t(total));
    if (!array->pvData) {
        std::free(block);
        return nullptr;
    }
    if (fill && total)
        std::memcpy(array->pvData, fill, std::size_t(total));
    return array;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
    return create_array(vt, dims, bounds, nullptr);
}

SAFEARRAY* safe_array_from_bytes(LONG lower_bound, const void* bytes, ULONG count) {
    SAFEARRAYBOUND bound{count, lower_bound};
    return create_array(VT_UI1, 1, &bound, count ? bytes : nullptr);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG count) {
    SAFEARRAYBOUND bound{count, lower_bound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array)
        return S_OK;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    clear_elements(array);
    give_block(array->pvData);
    std::free(header_of(array));
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) { return array ? array->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* array) { return array ? array->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims)
        return DISP_E_BADINDEX;
    *bound = array->rgsabound[dim - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[dim - 1];
    *bound = static_cast<LONG>(std::int64_t(b.lLbound) + b.cElements - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
    if (!array || !vt)
        return E_INVALIDARG;
    *vt = vartype_of(array);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
    if (!array)
        return E_INVALIDARG;
    ++array->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
    if (!array)
        return E_INVALIDARG;
    if (array->cLocks == 0)
        return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data)
        return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) { return SafeArrayUnlock(array); }

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, const LONG* indices, void** element) {
    if (!array || !indices || !element)
        return E_INVALIDARG;
    std::uint64_t offset = 0;
    std::uint64_t stride = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND& b = array->rgsabound[d];
        std::int64_t i = std::int64_t(indices[d]) - b.lLbound;
        if (i < 0 || i >= std::int64_t(b.cElements))
            return DISP_E_BADINDEX;
        offset += std::uint64_t(i) * stride;
        stride *= b.cElements;
    }
    *element = static_cast<unsigned char*>(array->pvData) + offset * array->cbElements;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value) {
    if (!value)
        return E_INVALIDARG;
    void* element = nullptr;
    HRESULT h = SafeArrayPtrOfIndex(array, indices, &element);
    if (FAILED(h))
        return h;
    switch (vartype_of(array)) {
    case VT_BSTR: {
        BSTR src = *static_cast<BSTR*>(element);
        BSTR copy = src ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src), SysStringByteLen(src)) : nullptr;
        if (src && !copy)
            return E_OUTOFMEMORY;
        *static_cast<BSTR*>(value) = copy;
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown* p = *static_cast<IUnknown**>(element);
        if (p)
            p->AddRef();
        *static_cast<IUnknown**>(value) = p;
        return S_OK;
    }
    case VT_VARIANT: {
        auto* out = static_cast<VARIANT*>(value);
        VariantInit(out);
        return VariantCopy(out, static_cast<VARIANT*>(element));
    }
    default: std::memcpy(value, element, array->cbElements); return S_OK;
    }
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, void* value) {
    void* element = nullptr;
    HRESULT h = SafeArrayPtrOfIndex(array, indices, &element);
    if (FAILED(h))
        return h;
    switch (vartype_of(array)) {
    case VT_BSTR: {
        BSTR src = static_cast<BSTR>(value);
        BSTR copy = src ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src), SysStringByteLen(src)) : nullptr;
        if (src && !copy)
            return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        auto* p = static_cast<IUnknown*>(value);
        if (p)
            p->AddRef();
        IUnknown** slot = static_cast<IUnknown**>(element);
        if (*slot)
            (*slot)->Release();
        *slot = p;
        return S_OK;
    }
    case VT_VARIANT: {
        if (!value)
            return E_INVALIDARG;
        VARIANT copy;
        VariantInit(&copy);
        h = VariantCopy(&copy, static_cast<VARIANT*>(value));
        if (FAILED(h))
            return h;
        VariantClear(static_cast<VARIANT*>(element));
        std::memcpy(element, &copy, sizeof(VARIANT));
        return S_OK;
    }
    default:
        if (!value)
            return E_INVALIDARG;
        std::memcpy(element, value, array->cbElements);
        return S_OK;
    }
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
    if (!copy)
        return E_INVALIDARG;
    *copy = nullptr;
    if (!array)
        return S_OK;
    VARTYPE vt = vartype_of(array);
    // Plain elements are copied as one block straight into the new data.
    const bool plain = !owns_elements(vt);
    SAFEARRAY* out = create_array(vt, array->cDims, array->rgsabound, plain ? array->pvData : nullptr);
    if (!out)
        return E_OUTOFMEMORY;
    if (plain) {
        *copy = out;
        return S_OK;
    }
    ULONG count = safe_array_element_count(array);
    auto* src = static_cast<unsigned char*>(array->pvData);
    auto* dst = static_cast<unsigned char*>(out->pvData);
    for (ULONG i = 0; i < count; ++i) {
        void* s = src + std::size_t(i) * array->cbElements;
        void* d = dst + std::size_t(i) * array->cbElements;
        if (vt == VT_BSTR) {
            BSTR b = *static_cast<BSTR*>(s);
            if (b) {
                *static_cast<BSTR*>(d) = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(b), SysStringByteLen(b));
                if (!*static_cast<BSTR*>(d)) {
                    SafeArrayDestroy(out);
                    return E_OUTOFMEMORY;
                }
            }
        } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
            IUnknown* p = *static_cast<IUnknown**>(s);
            if (p)
                p->AddRef();
            *static_cast<IUnknown**>(d) = p;
        } else if (vt == VT_VARIANT) {
            HRESULT h = VariantCopy(static_cast<VARIANT*>(d), static_cast<VARIANT*>(s));
            if (FAILED(h)) {
                SafeArrayDestroy(out);
                return h;
            }
        } else {
            std::memcpy(d, s, array->cbElements);
        }
    }
    *copy = out;
    return S_OK;
}

}  // namespace quilbex::com
