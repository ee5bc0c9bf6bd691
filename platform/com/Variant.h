#pragma once
// VARIANT services with the platform's semantics: VariantInit, VariantClear,
// VariantCopy, VariantCopyInd and VariantChangeType (in VariantChange.cpp),
// and Variant, an owning C++ holder that clears on destruction.
//
// Ownership: a VARIANT owns its BSTR, array, interface and record unless it
// is VT_BYREF, in which case it only points at storage owned elsewhere.

#include "platform/com/ComTypes.h"

#include <string>
#include <string_view>

namespace quilbex::com {

void VariantInit(VARIANT* v);
// Frees what `v` owns and leaves it VT_EMPTY. DISP_E_BADVARTYPE for a type
// the platform does not know (the variant is then left untouched).
HRESULT VariantClear(VARIANT* v);
// Clears `dest` and makes it a deep copy of `src` (BSTRs and arrays copied,
// interfaces AddRef'd). A VT_BYREF source is copied as a reference.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, but a VT_BYREF source is replaced by a copy of the value it
// points at (one level; a reference to a VT_BYREF variant is E_INVALIDARG).
// `dest` may be `src`.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Converts `src` (dereferenced first) to type `vt` into `dest`; `dest` may
// be `src`. On failure `dest` is unchanged. Results: DISP_E_TYPEMISMATCH
// (no conversion), DISP_E_OVERFLOW (value out of range), DISP_E_BADVARTYPE.
// Flags: VARIANT_ALPHABOOL (a BOOL becomes "True"/"False" instead of "-1"/"0"),
// VARIANT_NOVALUEPROP (an object's default value is not fetched).
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt);

// Number and date texts as the platform writes them for the Chinese locale
// (15 significant digits for doubles, 7 for floats, "yyyy/M/d H:mm:ss").
std::u16string format_double(double value, int significant_digits = 15);
std::u16string format_date(DATE value);
// The inverse conversions. False when the text is not a number or date.
bool parse_double(std::u16string_view text, double* value);
bool parse_date(std::u16string_view text, DATE* value);

// An owned VARIANT. Moves transfer ownership; copies are deep.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant other) noexcept;
    ~Variant() { VariantClear(&m_value); }

    static Variant from_i4(LONG value);
    static Variant from_r8(double value);
    static Variant from_bool(bool value);
    static Variant from_bstr(BSTR owned);
    static Variant from_utf8(std::string_view text);
    static Variant from_gbk(std::string_view text);
    // Takes over what `raw` owns and leaves `raw` VT_EMPTY.
    static Variant adopt(VARIANT* raw);

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    VARIANT* operator->() { return &m_value; }
    const VARIANT* operator->() const { return &m_value; }
    VARTYPE vt() const { return m_value.vt; }
    // Hands the value over to a raw VARIANT that the caller then owns.
    void detach_to(VARIANT* raw);

private:
    VARIANT m_value;
};

}  // namespace quilbex::com
