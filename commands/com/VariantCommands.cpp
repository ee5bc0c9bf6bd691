// variant_clear, variant_set_type, variant_create_array, variant_assign and
// variant_to_bytes.
#include "commands/Arguments.h"
#include "commands/com/ComCommands.h"
#include "commands/com/ComValues.h"
#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"

#include <cstring>
#include <vector>

namespace quilbex::commands::lib {

using namespace quilbex::com;
using namespace quilbex::commands::comvalues;

namespace {

VARIANT* variant_of(const rt::ArgRecord& record) { return static_cast<VARIANT*>(record.pointer()); }

// The array a variant holds, also by reference; null when it holds none.
SAFEARRAY* array_of(VARIANT* v) {
    if (!(v->vt & VT_ARRAY))
        return nullptr;
    if (v->vt & VT_BYREF)
        return v->pparray ? *v->pparray : nullptr;
    return v->parray;
}

// Element i (1-based over all elements, first dimension fastest) as
// subscripts. False when i is outside the array.
bool subscripts_of(SAFEARRAY* array, std::int64_t i, std::vector<LONG>* subscripts) {
    std::int64_t count = safe_array_element_count(array);
    if (i < 1 || i > count)
        return false;
    std::int64_t rest = i - 1;
    subscripts->resize(array->cDims);
    for (USHORT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND& b = array->rgsabound[d];
        (*subscripts)[d] = static_cast<LONG>(b.lLbound + rest % b.cElements);
        rest /= b.cElements;
    }
    return true;
}

// Element layout of the runtime's arrays by element type code.
struct ElementKind {
    VARTYPE vt;
    std::size_t size;
};

bool element_kind(std::uint32_t type, ElementKind* kind) {
    switch (type) {
    case rt::kTypeByte:
    case rt::kTypeByteSet: *kind = {VT_UI1, 1}; return true;
    case rt::kTypeShort: *kind = {VT_I2, 2}; return true;
    case rt::kTypeInt: *kind = {VT_I4, 4}; return true;
    case rt::kTypeLong: *kind = {VT_I4, 8}; return true;
    case rt::kTypeFloat: *kind = {VT_R4, 4}; return true;
    case rt::kTypeDouble: *kind = {VT_R8, 8}; return true;
    case rt::kTypeDateTime: *kind = {VT_DATE, 8}; return true;
    case rt::kTypeBool: *kind = {VT_BOOL, 4}; return true;
    case rt::kTypeText: *kind = {VT_BSTR, sizeof(void*)}; return true;
    case kTypeObject: *kind = {VT_UNKNOWN, sizeof(void*)}; return true;
    case kTypeVariant: *kind = {VT_VARIANT, sizeof(void*)}; return true;
    default: return false;
    }
}

// A runtime array (or byte set) as a new one-dimensional SAFEARRAY with
// lower bound 1. Null when the element type cannot be stored.
SAFEARRAY* array_from_runtime(const rt::ArgRecord& record) {
    std::uint32_t type = base_type(record.type);
    ElementKind kind;
    if (!element_kind(type, &kind))
        return nullptr;
    const void* block = record.pointer();
    std::size_t count = rt::array_element_count(block);
    if (type == rt::kTypeByteSet)
        return safe_array_from_bytes(1, count ? rt::array_data(block) : nullptr, ULONG(count));
    SAFEARRAY* array = SafeArrayCreateVector(kind.vt, 1, ULONG(count));
    if (!array || count == 0)
        return array;
    const unsigned char* in = rt::array_data(block);
    auto* out = static_cast<unsigned char*>(array->pvData);
    if (kind.size == array->cbElements && type != rt::kTypeText && type != kTypeObject && type != kTypeVariant &&
        type != rt::kTypeBool) {
        // Same layout on both sides: bytes, shorts, integers, reals, dates.
        std::memcpy(out, in, count * kind.size);
        return array;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* element = in + i * kind.size;
        unsigned char* slot = out + i * array->cbElements;
        switch (type) {
        case rt::kTypeLong: {
            std::int64_t wide;
            std::memcpy(&wide, element, 8);
            LONG low = static_cast<LONG>(wide);
            std::memcpy(slot, &low, 4);
            break;
        }
        case rt::kTypeBool: {
            std::int32_t flag;
            std::memcpy(&flag, element, 4);
            VARIANT_BOOL b = flag ? VARIANT_TRUE : VARIANT_FALSE;
            std::memcpy(slot, &b, 2);
            break;
        }
        case rt::kTypeText: {
            const char* text;
            std::memcpy(&text, element, sizeof text);
            BSTR s = bstr_from_text(text);
            std::memcpy(slot, &s, sizeof s);
            break;
        }
        case kTypeObject: {
            const ObjectRecord* object;
            std::memcpy(&object, element, sizeof object);
            IUnknown* unknown = object ? object->object : nullptr;
            if (unknown)
                unknown->AddRef();
            std::memcpy(slot, &unknown, sizeof unknown);
            break;
        }
        case kTypeVariant: {
            const VARIANT* v;
            std::memcpy(&v, element, sizeof v);
            if (v)
                VariantCopyInd(reinterpret_cast<VARIANT*>(slot), v);
            break;
        }
        default: std::memcpy(slot, element, kind.size); break;
        }
    }
    return array;
}

bool is_runtime_array(const rt::ArgRecord& record) {
    return base_type(record.type) == rt::kTypeByteSet || by_reference(record.type);
}

bool storable_element(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_VARIANT: return true;
    default: return false;
    }
}

// Puts `value` into element i of `array`, converted to its element type.
bool put_element(SAFEARRAY* array, std::int64_t i, VARIANT* value) {
    std::vector<LONG> subscripts;
    VARTYPE vt = VT_EMPTY;
    if (!subscripts_of(array, i, &subscripts) || FAILED(SafeArrayGetVartype(array, &vt)) || !storable_element(vt))
        return false;
    if (vt == VT_VARIANT)
        return SUCCEEDED(SafeArrayPutElement(array, subscripts.data(), value));
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), value, 0, vt)))
        return false;
    void* data = (vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH) ? static_cast<void*>(converted->punkVal)
                                                                          : static_cast<void*>(&converted->llVal);
    return SUCCEEDED(SafeArrayPutElement(array, subscripts.data(), data));
}

// Element i of `array` as a VARIANT.
bool get_element(SAFEARRAY* array, std::int64_t i, Variant* out) {
    std::vector<LONG> subscripts;
    VARTYPE vt = VT_EMPTY;
    if (!subscripts_of(array, i, &subscripts) || FAILED(SafeArrayGetVartype(array, &vt)) || !storable_element(vt))
        return false;
    if (vt == VT_VARIANT)
        return SUCCEEDED(SafeArrayGetElement(array, subscripts.data(), out->get()));
    Variant element;
    if (FAILED(SafeArrayGetElement(array, subscripts.data(), &element->llVal)))
        return false;
    element->vt = vt;
    *out = std::move(element);
    return true;
}

// The bytes of a byte array (VT_UI1 or VT_I1) or of `value` converted to one.
void bytes_result(rt::ArgRecord* result, const VARIANT* value) {
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), value, 0, VT_ARRAY | VT_UI1))) {
        set_byte_set(result, std::string_view());
        return;
    }
    SAFEARRAY* array = converted->parray;
    std::size_t count = safe_array_element_count(array);
    set_byte_set(result, std::string_view(array && count ? static_cast<const char*>(array->pvData) : "", count));
}

}  // namespace

void variant_clear(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    VARIANT* v = variant_of(argument(argc, args, 0));
    if (!v)
        return;
    VariantClear(v);
    std::memset(v, 0, sizeof(VARIANT));
}

void variant_set_type(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_bool(result, false);
    VARIANT* v = variant_of(argument(argc, args, 0));
    if (!v)
        return;
    VariantClear(v);
    std::memset(v, 0, sizeof(VARIANT));
    static const VARTYPE kTypes[] = {VT_I4, VT_BSTR, VT_BOOL, VT_DATE, VT_DISPATCH, VT_ERROR};
    std::int32_t n = int_of(argument(argc, args, 1));
    if (n == 0) {
        set_bool(result, true);
        return;
    }
    VARTYPE vt;
    if (n >= 1 && n <= 6)
        vt = kTypes[n - 1];
    else if (n >= 7 && n <= 12)
        vt = VARTYPE(kTypes[n - 7] | VT_ARRAY);
    else if (n == 13)
        vt = VT_ARRAY | VT_VARIANT;
    else
        return;
    set_bool(result, SUCCEEDED(VariantChangeType(v, v, 0, vt)));
}

void variant_create_array(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_bool(result, false);
    VARIANT* v = variant_of(argument(argc, args, 0));
    static const VARTYPE kTypes[] = {VT_UI1,  VT_I2,   VT_I4,   VT_R4,      VT_R8,
                                     VT_BSTR, VT_BOOL, VT_DATE, VT_UNKNOWN, VT_VARIANT};
    std::int32_t n = int_of(argument(argc, args, 1));
    std::int32_t count = int_of(argument(argc, args, 2));
    if (!v || n < 1 || n > 10 || count < 0)
        return;
    SAFEARRAY* array = SafeArrayCreateVector(kTypes[n - 1], 1, ULONG(count));
    if (!array)
        return;
    VariantClear(v);
    std::memset(v, 0, sizeof(VARIANT));
    v->vt = VT_ARRAY | kTypes[n - 1];
    v->parray = array;
    set_bool(result, true);
}

void variant_assign(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_bool(result, false);
    VARIANT* v = variant_of(argument(argc, args, 0));
    rt::ArgRecord value = argument(argc, args, 1);
    rt::ArgRecord index = argument(argc, args, 2);
    if (!v)
        return;
    SAFEARRAY* target = nullptr;
    if (index.omitted()) {
        VariantClear(v);
        std::memset(v, 0, sizeof(VARIANT));
    } else if (!(target = array_of(v))) {
        return;
    }
    Variant built;
    if (is_runtime_array(value)) {
        SAFEARRAY* array = array_from_runtime(value);
        if (!array)
            return;
        VARTYPE vt = VT_EMPTY;
        SafeArrayGetVartype(array, &vt);
        built->vt = VT_ARRAY | vt;
        built->parray = array;
    } else if (!value_to_variant(value, built.get())) {
        return;
    }
    if (!target) {
        built.detach_to(v);
        set_bool(result, true);
        return;
    }
    // An array goes only into an array of VARIANTs.
    VARTYPE element_type = VT_EMPTY;
    SafeArrayGetVartype(target, &element_type);
    if ((built->vt & VT_ARRAY) && element_type != VT_VARIANT)
        return;
    set_bool(result, put_element(target, int_of(index), built.get()));
}

void variant_to_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_byte_set(result, std::string_view());
    VARIANT* v = variant_of(argument(argc, args, 0));
    if (!v)
        return;
    rt::ArgRecord index = argument(argc, args, 1);
    SAFEARRAY* array = array_of(v);
    if (!array) {
        bytes_result(result, v);
        return;
    }
    if (index.omitted()) {
        VARTYPE vt = v->vt & VT_TYPEMASK;
        if (vt != VT_UI1 && vt != VT_I1)
            return;
        std::size_t count = safe_array_element_count(array);
        set_byte_set(result, std::string_view(count ? static_cast<const char*>(array->pvData) : "", count));
        return;
    }
    Variant element;
    if (!get_element(array, int_of(index), &element))
        return;
    bytes_result(result, element.get());
}

}  // namespace quilbex::commands::lib
