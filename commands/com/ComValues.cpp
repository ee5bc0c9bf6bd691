#include "commands/com/ComValues.h"

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Iconv.h"
#include "runtime/Memory.h"

#include <cstring>
#include <string_view>

namespace quilbex::commands::comvalues {

using namespace quilbex::com;

namespace {

// Reads a by-value or by-reference scalar of `size` bytes.
template <typename T> T read_scalar(const rt::ArgRecord& record) {
    T value{};
    if (by_reference(record.type)) {
        if (const void* at = record.pointer())
            std::memcpy(&value, at, sizeof(T));
    } else {
        std::uint64_t bits = record.bits();
        std::memcpy(&value, &bits, sizeof(T));
    }
    return value;
}

const char* read_text(const rt::ArgRecord& record) {
    if (!by_reference(record.type))
        return record.text();
    auto* variable = static_cast<const char* const*>(record.pointer());
    return variable ? *variable : nullptr;
}

bool scalar_to_variant(const rt::ArgRecord& record, VARIANT* out) {
    switch (base_type(record.type)) {
    case rt::kTypeBool:
        out->vt = VT_BOOL;
        out->boolVal = read_scalar<std::int32_t>(record) ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    case rt::kTypeDateTime:
        out->vt = VT_DATE;
        out->date = read_scalar<double>(record);
        return true;
    case rt::kTypeText:
        out->vt = VT_BSTR;
        out->bstrVal = bstr_from_text(read_text(record));
        return out->bstrVal != nullptr;
    case rt::kTypeByte:
        out->vt = VT_UI1;
        out->bVal = read_scalar<std::uint8_t>(record);
        return true;
    case rt::kTypeShort:
        out->vt = VT_I2;
        out->iVal = read_scalar<std::int16_t>(record);
        return true;
    case rt::kTypeInt:
        out->vt = VT_I4;
        out->lVal = read_scalar<std::int32_t>(record);
        return true;
    case rt::kTypeLong:
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(read_scalar<std::int64_t>(record));
        return true;
    case rt::kTypeFloat:
        out->vt = VT_R4;
        out->fltVal = read_scalar<float>(record);
        return true;
    case rt::kTypeDouble:
        out->vt = VT_R8;
        out->dblVal = read_scalar<double>(record);
        return true;
    case kTypeVariant: {
        auto* v = static_cast<const VARIANT*>(record.pointer());
        if (!v)
            return true;  // a missing variant block passes as empty
        return SUCCEEDED(VariantCopyInd(out, v));
    }
    default: return false;
    }
}

}  // namespace

BSTR bstr_from_text(const char* gbk) { return bstr_from_gbk(gbk ? std::string_view(gbk) : std::string_view()); }

char* text_from_bstr(BSTR text) {
    std::u16string_view units = bstr_view(text);
    // A text ends at its first zero: cut there before converting.
    units = units.substr(0, units.find(u'\0'));
    if (units.empty())
        return nullptr;
    auto* out = static_cast<char*>(rt::allocate(units.size() * 2 + 1));
    std::size_t n = gbk_from_utf16_into(units, out);
    out[n] = '\0';
    return static_cast<char*>(rt::resize(out, n + 1));
}

bool argument_to_variant(const rt::ArgRecord& record, VARTYPE declared, VARIANT* out) {
    VariantInit(out);
    if (base_type(record.type) != kTypeObject)
        return scalar_to_variant(record, out);
    auto* object = static_cast<const ObjectRecord*>(record.pointer());
    IUnknown* unknown = object ? object->object : nullptr;
    if (object && object->record_data && unknown) {
        ComPtr<IRecordInfo> info;
        if (FAILED(unknown->QueryInterface(IID_IRecordInfo, info.put_void())))
            return false;
        out->vt = VT_RECORD;
        out->pRecInfo = info.detach();
        out->pvRecord = object->record_data;  // lent: the variant does not own it
        return true;
    }
    VARTYPE base = declared & VT_TYPEMASK;
    if (base == VT_DISPATCH) {
        out->vt = VT_DISPATCH;
        if (unknown)
            unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out->pdispVal));
        return true;
    }
    // An object for an IUnknown or VARIANT parameter passes as itself (its
    // IDispatch when it has one, so that a VARIANT receiver can call it).
    if (base == VT_VARIANT && unknown &&
        SUCCEEDED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out->pdispVal)))) {
        out->vt = VT_DISPATCH;
        return true;
    }
    out->vt = VT_UNKNOWN;
    if (base == VT_UNKNOWN || base == VT_VARIANT) {
        out->punkVal = unknown;
        if (unknown)
            unknown->AddRef();
    }
    return true;
}

bool value_to_variant(const rt::ArgRecord& record, VARIANT* out) {
    VariantInit(out);
    if (base_type(record.type) != kTypeObject)
        return scalar_to_variant(record, out);
    auto* object = static_cast<const ObjectRecord*>(record.pointer());
    out->vt = VT_UNKNOWN;
    if (object && object->object)
        object->object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&out->punkVal));
    return true;
}

void empty_result(std::uint32_t type, rt::ArgRecord* result) {
    if (type == kTypeObject) {
        auto* record = static_cast<ObjectRecord*>(rt::allocate(sizeof(ObjectRecord)));
        *record = ObjectRecord{};
        *result = rt::ArgRecord::of_pointer(record, kTypeObject);
    } else if (type == kTypeVariant) {
        auto* v = static_cast<VARIANT*>(rt::allocate(sizeof(VARIANT)));
        std::memset(v, 0, sizeof(VARIANT));
        *result = rt::ArgRecord::of_pointer(v, kTypeVariant);
    } else {
        rt::ArgRecord zero;
        zero.type = type;
        *result = zero;
    }
}

namespace {

// The VARIANT type a runtime type is converted through.
VARTYPE target_of(std::uint32_t type) {
    switch (type) {
    case kTypeObject: return VT_UNKNOWN;
    case rt::kTypeBool: return VT_BOOL;
    case rt::kTypeDateTime: return VT_DATE;
    case rt::kTypeText: return VT_BSTR;
    case rt::kTypeByte: return VT_UI1;
    case rt::kTypeShort: return VT_I2;
    case rt::kTypeInt:
    case rt::kTypeLong: return VT_I4;
    case rt::kTypeFloat: return VT_R4;
    case rt::kTypeDouble: return VT_R8;
    default: return VT_EMPTY;
    }
}

// Converts `value` for runtime type `type`; the result holds what it owns.
bool convert_for(VARIANT* value, std::uint32_t type, Variant* converted, bool consume = false) {
    if ((value->vt & VT_TYPEMASK) == VT_RECORD)
        return false;
    if (consume && !(value->vt & VT_BYREF) && (type == kTypeVariant || value->vt == target_of(type))) {
        *converted = Variant::adopt(value);
        return true;
    }
    if (type == kTypeVariant)
        return SUCCEEDED(VariantCopyInd(converted->get(), value));
    VARTYPE target = target_of(type);
    if (target == VT_EMPTY)
        return false;
    // VariantChangeType reads through a reference itself.
    return SUCCEEDED(VariantChangeType(converted->get(), value, 0, target));
}

}  // namespace

bool variant_to_result(VARIANT* value, std::uint32_t type, rt::ArgRecord* result, bool consume) {
    Variant v;
    if (!convert_for(value, type, &v, consume))
        return false;
    switch (type) {
    case kTypeObject: {
        auto* record = static_cast<ObjectRecord*>(rt::allocate(sizeof(ObjectRecord)));
        *record = ObjectRecord{v->punkVal, nullptr};
        v->punkVal = nullptr;  // the reference moves into the record
        v->vt = VT_EMPTY;
        *result = rt::ArgRecord::of_pointer(record, kTypeObject);
        return true;
    }
    case kTypeVariant: {
        auto* out = static_cast<VARIANT*>(rt::allocate(sizeof(VARIANT)));
        v.detach_to(out);
        *result = rt::ArgRecord::of_pointer(out, kTypeVariant);
        return true;
    }
    case rt::kTypeBool: *result = rt::ArgRecord::of_bool(v->boolVal != 0); return true;
    case rt::kTypeDateTime: *result = rt::ArgRecord::of_double(v->date, rt::kTypeDateTime); return true;
    case rt::kTypeText: *result = rt::ArgRecord::of_pointer(text_from_bstr(v->bstrVal), rt::kTypeText); return true;
    case rt::kTypeByte: *result = rt::ArgRecord::of_int(v->bVal, rt::kTypeByte); return true;
    case rt::kTypeShort: *result = rt::ArgRecord::of_int(v->iVal, rt::kTypeShort); return true;
    case rt::kTypeInt: *result = rt::ArgRecord::of_int(v->lVal); return true;
    case rt::kTypeLong: *result = rt::ArgRecord::of_long(v->lVal); return true;
    case rt::kTypeFloat: *result = rt::ArgRecord::of_float(v->fltVal); return true;
    case rt::kTypeDouble: *result = rt::ArgRecord::of_double(v->dblVal); return true;
    default: return false;
    }
}

bool write_back(const VARIANT* value, const rt::ArgRecord& record) {
    void* at = record.pointer();
    if (!at || !by_reference(record.type))
        return false;
    const std::uint32_t type = base_type(record.type);
    Variant v;
    if (!convert_for(const_cast<VARIANT*>(value), type, &v))
        return false;
    switch (type) {
    case kTypeObject: {
        auto* object = static_cast<ObjectRecord*>(at);
        if (object->object)
            object->object->Release();
        object->object = v->punkVal;
        v->punkVal = nullptr;
        v->vt = VT_EMPTY;
        return true;
    }
    case kTypeVariant: {
        auto* variable = static_cast<VARIANT*>(at);
        VariantClear(variable);
        v.detach_to(variable);
        return true;
    }
    case rt::kTypeText: {
        auto** variable = static_cast<char**>(at);
        char* text = text_from_bstr(v->bstrVal);
        rt::release(*variable);
        *variable = text;
        return true;
    }
    case rt::kTypeBool: *static_cast<std::int32_t*>(at) = v->boolVal ? 1 : 0; return true;
    case rt::kTypeDateTime: std::memcpy(at, &v->date, sizeof(double)); return true;
    case rt::kTypeByte: *static_cast<std::uint8_t*>(at) = v->bVal; return true;
    case rt::kTypeShort: std::memcpy(at, &v->iVal, sizeof(std::int16_t)); return true;
    case rt::kTypeInt: std::memcpy(at, &v->lVal, sizeof(std::int32_t)); return true;
    case rt::kTypeLong: {
        std::int64_t wide = v->lVal;
        std::memcpy(at, &wide, sizeof wide);
        return true;
    }
    case rt::kTypeFloat: std::memcpy(at, &v->fltVal, sizeof(float)); return true;
    case rt::kTypeDouble: std::memcpy(at, &v->dblVal, sizeof(double)); return true;
    default: return false;
    }
}

}  // namespace quilbex::commands::comvalues
