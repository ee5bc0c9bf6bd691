#include "platform/com/Variant.h"

#include "platform/com/Bstr.h"
#include "platform/com/Interfaces.h"
#include "platform/com/SafeArray.h"

#include <cstring>
#include <utility>

namespace quilbex::com {
namespace {

bool is_known_base_type(VARTYPE base) {
    switch (base) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_RECORD: return true;
    default: return false;
    }
}

HRESULT copy_bstr(BSTR src, BSTR* dest) {
    if (!src) {
        *dest = nullptr;
        return S_OK;
    }
    *dest = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src), SysStringByteLen(src));
    return *dest ? S_OK : E_OUTOFMEMORY;
}

HRESULT copy_record(const VARIANT* src, VARIANT* dest) {
    dest->pRecInfo = src->pRecInfo;
    dest->pvRecord = nullptr;
    if (!src->pRecInfo)
        return S_OK;
    src->pRecInfo->AddRef();
    if (src->pvRecord) {
        void* copy = src->pRecInfo->RecordCreate();
        if (!copy) {
            src->pRecInfo->Release();
            dest->pRecInfo = nullptr;
            return E_OUTOFMEMORY;
        }
        HRESULT h = src->pRecInfo->RecordCopy(src->pvRecord, copy);
        if (FAILED(h)) {
            src->pRecInfo->RecordDestroy(copy);
            src->pRecInfo->Release();
            dest->pRecInfo = nullptr;
            return h;
        }
        dest->pvRecord = copy;
    }
    return S_OK;
}

// Deep-copies the value part of `src` (not VT_BYREF) into an empty `dest`.
HRESULT copy_value(VARIANT* dest, const VARIANT* src) {
    VARIANT out;
    std::memcpy(&out, src, sizeof(VARIANT));
    HRESULT h = S_OK;
    if (src->vt & VT_ARRAY) {
        h = SafeArrayCopy(src->parray, &out.parray);
    } else {
        switch (src->vt) {
        case VT_BSTR: h = copy_bstr(src->bstrVal, &out.bstrVal); break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (src->punkVal)
                src->punkVal->AddRef();
            break;
        case VT_RECORD: h = copy_record(src, &out); break;
        default: break;
        }
    }
    if (FAILED(h))
        return h;
    std::memcpy(dest, &out, sizeof(VARIANT));
    return S_OK;
}

}  // namespace

void VariantInit(VARIANT* v) {
    if (!v)
        return;
    std::memset(v, 0, sizeof(VARIANT));
}

HRESULT VariantClear(VARIANT* v) {
    if (!v)
        return E_INVALIDARG;
    VARTYPE base = v->vt & VT_TYPEMASK;
    if (!is_known_base_type(base) || (v->vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)))
        return DISP_E_BADVARTYPE;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            HRESULT h = SafeArrayDestroy(v->parray);
            if (FAILED(h))
                return h;
        } else {
            switch (v->vt) {
            case VT_BSTR: SysFreeString(v->bstrVal); break;
            case VT_UNKNOWN:
            case VT_DISPATCH:
                if (v->punkVal)
                    v->punkVal->Release();
                break;
            case VT_RECORD:
                if (v->pRecInfo) {
                    if (v->pvRecord)
                        v->pRecInfo->RecordDestroy(v->pvRecord);
                    v->pRecInfo->Release();
                }
                break;
            default: break;
            }
        }
    }
    std::memset(v, 0, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    VARIANT copy;
    VariantInit(&copy);
    if (src->vt & VT_BYREF) {
        std::memcpy(&copy, src, sizeof(VARIANT));
    } else {
        VARTYPE base = src->vt & VT_TYPEMASK;
        if (!is_known_base_type(base))
            return DISP_E_BADVARTYPE;
        HRESULT h = copy_value(&copy, src);
        if (FAILED(h))
            return h;
    }
    HRESULT h = VariantClear(dest);
    if (FAILED(h)) {
        VariantClear(&copy);
        return h;
    }
    std::memcpy(dest, &copy, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src)
        return E_INVALIDARG;
    if (!(src->vt & VT_BYREF)) {
        if (dest == src)
            return S_OK;
        return VariantCopy(dest, src);
    }
    if (!src->byref)
        return E_INVALIDARG;
    VARTYPE vt = src->vt & ~VT_BYREF;
    VARIANT value;
    VariantInit(&value);
    if (vt == VT_VARIANT) {
        const VARIANT* inner = src->pvarVal;
        if (inner->vt & VT_BYREF)
            return E_INVALIDARG;
        HRESULT h = copy_value(&value, inner);
        if (FAILED(h))
            return h;
    } else {
        VARIANT shallow;
        VariantInit(&shallow);
        shallow.vt = vt;
        if (vt & VT_ARRAY) {
            shallow.parray = *src->pparray;
        } else if (vt == VT_RECORD) {
            shallow.pvRecord = src->pvRecord;
            shallow.pRecInfo = src->pRecInfo;
        } else {
            VARTYPE base = vt & VT_TYPEMASK;
            ULONG size = base == VT_DECIMAL ? 16 : safe_array_element_size(base);
            if (size == 0 || size > 16)
                return DISP_E_BADVARTYPE;
            std::memcpy(&shallow.llVal, src->byref, size);
        }
        HRESULT h = copy_value(&value, &shallow);
        if (FAILED(h))
            return h;
    }
    if (dest != src) {
        HRESULT h = VariantClear(dest);
        if (FAILED(h)) {
            VariantClear(&value);
            return h;
        }
    }
    std::memcpy(dest, &value, sizeof(VARIANT));
    return S_OK;
}

Variant::Variant(const Variant& other) {
    VariantInit(&m_value);
    VariantCopy(&m_value, &other.m_value);
}

Variant::Variant(Variant&& other) noexcept {
    std::memcpy(&m_value, &other.m_value, sizeof(VARIANT));
    VariantInit(&other.m_value);
}

Variant& Variant::operator=(Variant other) noexcept {
    std::swap(m_value, other.m_value);
    return *this;
}

Variant Variant::from_i4(LONG value) {
    Variant v;
    v.m_value.vt = VT_I4;
    v.m_value.lVal = value;
    return v;
}

Variant Variant::from_r8(double value) {
    Variant v;
    v.m_value.vt = VT_R8;
    v.m_value.dblVal = value;
    return v;
}

Variant Variant::from_bool(bool value) {
    Variant v;
    v.m_value.vt = VT_BOOL;
    v.m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::from_bstr(BSTR owned) {
    Variant v;
    v.m_value.vt = VT_BSTR;
    v.m_value.bstrVal = owned;
    return v;
}

Variant Variant::from_utf8(std::string_view text) { return from_bstr(bstr_from_utf8(text)); }

Variant Variant::from_gbk(std::string_view text) { return from_bstr(bstr_from_gbk(text)); }

Variant Variant::adopt(VARIANT* raw) {
    Variant v;
    std::memcpy(&v.m_value, raw, sizeof(VARIANT));
    VariantInit(raw);
    return v;
}

void Variant::detach_to(VARIANT* raw) {
    std::memcpy(raw, &m_value, sizeof(VARIANT));
    VariantInit(&m_value);
}

}  // namespace quilbex::com
