// VariantChangeType and the number and date texts it reads and writes.
#include "platform/com/Bstr.h"
#include "platform/com/Interfaces.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace quilbex::com {
namespace {

// The platform's date range: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

std::u16string ascii16(const char* s) {
    std::u16string out;
    for (; *s; ++s)
        out += char16_t(static_cast<unsigned char>(*s));
    return out;
}

bool is_space16(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view trim(std::u16string_view t) {
    while (!t.empty() && is_space16(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && is_space16(t.back()))
        t.remove_suffix(1);
    return t;
}

bool equals_ignore_case(std::u16string_view a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        char d = b[i];
        if (d >= 'A' && d <= 'Z')
            d = char(d - 'A' + 'a');
        if (c != char16_t(d))
            return false;
    }
    return true;
}

// A numeric reading of a scalar: exact for integers, a double otherwise.
struct Number {
    bool integral = true;
    std::int64_t i = 0;
    std::uint64_t u = 0;  // used when the source is an unsigned 64-bit value above INT64_MAX
    bool big_unsigned = false;
    double d = 0;
};

Number from_int(std::int64_t v) { return Number{true, v, 0, false, double(v)}; }
Number from_real(double v) { return Number{false, 0, 0, false, v}; }

HRESULT read_number(const VARIANT* v, USHORT flags, Number* out);

HRESULT default_value(IDispatch* disp, VARIANT* out) {
    if (!disp)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantInit(out);
    HRESULT h =
        disp->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
    if (FAILED(h)) {
        VariantClear(out);
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT read_number(const VARIANT* v, USHORT flags, Number* out) {
    switch (v->vt) {
    case VT_EMPTY: *out = from_int(0); return S_OK;
    case VT_I1: *out = from_int(v->cVal); return S_OK;
    case VT_UI1: *out = from_int(v->bVal); return S_OK;
    case VT_I2: *out = from_int(v->iVal); return S_OK;
    case VT_UI2: *out = from_int(v->uiVal); return S_OK;
    case VT_I4: *out = from_int(v->lVal); return S_OK;
    case VT_INT: *out = from_int(v->intVal); return S_OK;
    case VT_UI4: *out = from_int(v->ulVal); return S_OK;
    case VT_UINT: *out = from_int(v->uintVal); return S_OK;
    case VT_I8: *out = from_int(v->llVal); return S_OK;
    case VT_UI8:
        if (v->ullVal > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
            *out = Number{true, 0, v->ullVal, true, double(v->ullVal)};
            return S_OK;
        }
        *out = from_int(std::int64_t(v->ullVal));
        return S_OK;
    case VT_BOOL: *out = from_int(v->boolVal ? -1 : 0); return S_OK;
    case VT_R4: *out = from_real(v->fltVal); return S_OK;
    case VT_R8: *out = from_real(v->dblVal); return S_OK;
    case VT_DATE: *out = from_real(v->date); return S_OK;
    case VT_CY: *out = from_real(double(v->llVal) / 10000.0); return S_OK;
    case VT_BSTR: {
        double d;
        if (!parse_double(bstr_view(v->bstrVal), &d))
            return DISP_E_TYPEMISMATCH;
        *out = from_real(d);
        return S_OK;
    }
    case VT_DISPATCH: {
        if (flags & VARIANT_NOVALUEPROP)
            return DISP_E_TYPEMISMATCH;
        VARIANT value;
        HRESULT h = default_value(v->pdispVal, &value);
        if (FAILED(h))
            return h;
        h = value.vt == VT_DISPATCH ? DISP_E_TYPEMISMATCH : read_number(&value, flags, out);
        VariantClear(&value);
        return h;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

// Rounds a real as the platform does when it makes an integer: half to even.
bool round_to_int64(double d, std::int64_t* out) {
    if (std::isnan(d))
        return false;
    double r = std::nearbyint(d);
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return false;
    *out = static_cast<std::int64_t>(r);
    return true;
}

HRESULT to_integer(const Number& n, std::int64_t min, std::uint64_t max, std::int64_t* out_signed,
                   std::uint64_t* out_unsigned) {
    if (n.big_unsigned) {
        if (n.u > max)
            return DISP_E_OVERFLOW;
        *out_unsigned = n.u;
        *out_signed = 0;
        return S_OK;
    }
    std::int64_t i = n.i;
    if (!n.integral && !round_to_int64(n.d, &i))
        return DISP_E_OVERFLOW;
    if (i < min || (i >= 0 && std::uint64_t(i) > max))
        return DISP_E_OVERFLOW;
    *out_signed = i;
    *out_unsigned = std::uint64_t(i);
    return S_OK;
}

HRESULT convert_to_integer(const Number& n, VARTYPE vt, VARIANT* out) {
    std::int64_t s = 0;
    std::uint64_t u = 0;
    HRESULT h = S_OK;
    switch (vt) {
    case VT_I1:
        h = to_integer(n, -128, 127, &s, &u);
        out->cVal = CHAR(s);
        break;
    case VT_UI1:
        h = to_integer(n, 0, 255, &s, &u);
        out->bVal = BYTE(s);
        break;
    case VT_I2:
        h = to_integer(n, -32768, 32767, &s, &u);
        out->iVal = SHORT(s);
        break;
    case VT_UI2:
        h = to_integer(n, 0, 65535, &s, &u);
        out->uiVal = USHORT(s);
        break;
    case VT_I4:
    case VT_INT:
        h = to_integer(n, INT32_MIN, INT32_MAX, &s, &u);
        out->lVal = LONG(s);
        break;
    case VT_UI4:
    case VT_UINT:
        h = to_integer(n, 0, UINT32_MAX, &s, &u);
        out->ulVal = ULONG(u);
        break;
    case VT_I8:
        h = to_integer(n, INT64_MIN, INT64_MAX, &s, &u);
        out->llVal = s;
        break;
    case VT_UI8:
        h = to_integer(n, 0, UINT64_MAX, &s, &u);
        out->ullVal = u;
        break;
    case VT_ERROR:
        h = to_integer(n, INT32_MIN, UINT32_MAX, &s, &u);
        out->scode = SCODE(std::uint32_t(u));
        break;
    default: return DISP_E_TYPEMISMATCH;
    }
    if (FAILED(h))
        return h;
    out->vt = vt;
    return S_OK;
}

std::u16string text_of_integer(std::int64_t v) { return ascii16(std::to_string(v).c_str()); }

HRESULT scalar_to_text(const VARIANT* v, USHORT flags, std::u16string* text) {
    switch (v->vt) {
    case VT_EMPTY: text->clear(); return S_OK;
    case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL)
            *text = v->boolVal ? u"True" : u"False";
        else
            *text = v->boolVal ? u"-1" : u"0";
        return S_OK;
    case VT_R4: *text = format_double(v->fltVal, 7); return S_OK;
    case VT_R8: *text = format_double(v->dblVal, 15); return S_OK;
    case VT_CY: *text = format_double(double(v->llVal) / 10000.0, 15); return S_OK;
    case VT_DATE: *text = format_date(v->date); return S_OK;
    case VT_UI8: *text = ascii16(std::to_string(v->ullVal).c_str()); return S_OK;
    case VT_DISPATCH: {
        if (flags & VARIANT_NOVALUEPROP)
            return DISP_E_TYPEMISMATCH;
        VARIANT value;
        HRESULT h = default_value(v->pdispVal, &value);
        if (FAILED(h))
            return h;
        h = value.vt == VT_DISPATCH ? DISP_E_TYPEMISMATCH : scalar_to_text(&value, flags, text);
        VariantClear(&value);
        return h;
    }
    default: {
        Number n;
        if (v->vt == VT_BSTR || v->vt == VT_ERROR || v->vt == VT_NULL || v->vt == VT_UNKNOWN ||
            FAILED(read_number(v, flags, &n)) || !n.integral)
            return DISP_E_TYPEMISMATCH;
        *text = text_of_integer(n.i);
        return S_OK;
    }
    }
}

HRESULT convert_to_bstr(const VARIANT* v, USHORT flags, VARIANT* out) {
    if (v->vt == (VT_ARRAY | VT_UI1) || v->vt == (VT_ARRAY | VT_I1)) {
        // A byte array becomes a BSTR over the same bytes.
        SAFEARRAY* a = v->parray;
        ULONG count = a ? safe_array_element_count(a) : 0;
        BSTR s = SysAllocStringByteLen(a ? static_cast<LPCSTR>(a->pvData) : nullptr, count);
        if (!s)
            return E_OUTOFMEMORY;
        out->vt = VT_BSTR;
        out->bstrVal = s;
        return S_OK;
    }
    std::u16string text;
    HRESULT h = scalar_to_text(v, flags, &text);
    if (FAILED(h))
        return h;
    BSTR s = bstr_from_utf16(text);
    if (!s)
        return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = s;
    return S_OK;
}

HRESULT convert_to_byte_array(const VARIANT* v, VARIANT* out) {
    if (v->vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    UINT bytes = SysStringByteLen(v->bstrVal);
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, bytes);
    if (!a)
        return E_OUTOFMEMORY;
    if (bytes)
        std::memcpy(a->pvData, v->bstrVal, bytes);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = a;
    return S_OK;
}

HRESULT convert_to_bool(const VARIANT* v, USHORT flags, VARIANT* out) {
    if (v->vt == VT_BSTR) {
        std::u16string_view t = trim(bstr_view(v->bstrVal));
        if (equals_ignore_case(t, "true") || equals_ignore_case(t, "#true#")) {
            out->vt = VT_BOOL;
            out->boolVal = VARIANT_TRUE;
            return S_OK;
        }
        if (equals_ignore_case(t, "false") || equals_ignore_case(t, "#false#")) {
            out->vt = VT_BOOL;
            out->boolVal = VARIANT_FALSE;
            return S_OK;
        }
    }
    Number n;
    HRESULT h = read_number(v, flags, &n);
    if (FAILED(h))
        return h;
    bool value = n.big_unsigned || (n.integral ? n.i != 0 : n.d != 0.0);
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT convert_to_real(const VARIANT* v, USHORT flags, VARTYPE vt, VARIANT* out) {
    double d = 0;
    if (vt == VT_DATE && v->vt == VT_BSTR) {
        if (!parse_date(bstr_view(v->bstrVal), &d))
            return DISP_E_TYPEMISMATCH;
    } else {
        Number n;
        HRESULT h = read_number(v, flags, &n);
        if (FAILED(h))
            return h;
        d = n.integral && !n.big_unsigned ? double(n.i) : n.d;
    }
    switch (vt) {
    case VT_R4:
        if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
            return DISP_E_OVERFLOW;
        out->fltVal = float(d);
        break;
    case VT_R8: out->dblVal = d; break;
    case VT_DATE:
        if (!(d >= kMinDate && d < kMaxDate))
            return DISP_E_OVERFLOW;
        out->date = d;
        break;
    case VT_CY: {
        double scaled = d * 10000.0;
        std::int64_t i;
        if (!round_to_int64(scaled, &i))
            return DISP_E_OVERFLOW;
        out->llVal = i;
        break;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
    out->vt = vt;
    return S_OK;
}

HRESULT convert_to_interface(const VARIANT* v, VARTYPE vt, VARIANT* out) {
    if (v->vt == VT_EMPTY) {
        out->vt = vt;
        out->punkVal = nullptr;
        return S_OK;
    }
    if (v->vt != VT_UNKNOWN && v->vt != VT_DISPATCH)
        return DISP_E_TYPEMISMATCH;
    if (!v->punkVal) {
        out->vt = vt;
        out->punkVal = nullptr;
        return S_OK;
    }
    void* p = nullptr;
    HRESULT h = v->punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
    if (FAILED(h))
        return DISP_E_TYPEMISMATCH;
    out->vt = vt;
    out->punkVal = static_cast<IUnknown*>(p);
    return S_OK;
}

HRESULT convert(const VARIANT* v, USHORT flags, VARTYPE vt, VARIANT* out) {
    if (v->vt == vt)
        return VariantCopy(out, v);
    if (vt & VT_BYREF)
        return DISP_E_TYPEMISMATCH;
    if (v->vt == VT_NULL)
        return vt == VT_EMPTY ? S_OK : DISP_E_TYPEMISMATCH;
    if (v->vt == VT_RECORD || (v->vt & VT_ARRAY && vt != VT_BSTR))
        return DISP_E_TYPEMISMATCH;
    if (vt == (VT_ARRAY | VT_UI1))
        return convert_to_byte_array(v, out);
    if (vt & VT_ARRAY)
        return DISP_E_TYPEMISMATCH;
    switch (vt) {
    case VT_EMPTY: return S_OK;
    case VT_NULL: return DISP_E_TYPEMISMATCH;
    case VT_BSTR: return convert_to_bstr(v, flags, out);
    case VT_BOOL: return convert_to_bool(v, flags, out);
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY: return convert_to_real(v, flags, vt, out);
    case VT_UNKNOWN:
    case VT_DISPATCH: return convert_to_interface(v, vt, out);
    case VT_ERROR:
        if (v->vt == VT_EMPTY) {
            out->vt = VT_ERROR;
            out->scode = 0;
            return S_OK;
        }
        [[fallthrough]];
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: {
        if (v->vt == VT_ERROR || v->vt == VT_UNKNOWN)
            return DISP_E_TYPEMISMATCH;
        Number n;
        HRESULT h = read_number(v, flags, &n);
        if (FAILED(h))
            return h;
        return convert_to_integer(n, vt, out);
    }
    case VT_VARIANT:
    case VT_DECIMAL:
    case VT_RECORD: return DISP_E_BADVARTYPE;
    default: return DISP_E_BADVARTYPE;
    }
}

void civil_from_days(std::int64_t z, int* y, int* m, int* d) {
    // Days since 1970-01-01 to a proleptic Gregorian date.
    z += 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t yy = yoe + era * 400;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    *d = int(doy - (153 * mp + 2) / 5 + 1);
    *m = int(mp < 10 ? mp + 3 : mp - 9);
    *y = int(yy + (*m <= 2));
}

std::int64_t days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// 1899-12-30 is day 0 of the automation date and day -25569 of the Unix era.
constexpr std::int64_t kDateEpochOffset = -25569;

bool parse_uint(std::u16string_view& t, int max_digits, int* out) {
    int v = 0, n = 0;
    while (!t.empty() && t.front() >= u'0' && t.front() <= u'9' && n < max_digits) {
        v = v * 10 + (t.front() - u'0');
        t.remove_prefix(1);
        ++n;
    }
    *out = v;
    return n > 0;
}

bool parse_time(std::u16string_view t, double* fraction) {
    int h, mi, s = 0;
    if (!parse_uint(t, 2, &h) || t.empty() || t.front() != u':')
        return false;
    t.remove_prefix(1);
    if (!parse_uint(t, 2, &mi))
        return false;
    if (!t.empty() && t.front() == u':') {
        t.remove_prefix(1);
        if (!parse_uint(t, 2, &s))
            return false;
    }
    if (!trim(t).empty() || h > 23 || mi > 59 || s > 59)
        return false;
    *fraction = (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, USHORT flags, VARTYPE vt) {
    if (!dest || !src)
        return E_INVALIDARG;
    if (src->vt == vt && !(vt & VT_BYREF)) {
        // Already of the type: one copy (none in place).
        return dest == src ? S_OK : VariantCopy(dest, src);
    }
    VARIANT source;
    VariantInit(&source);
    HRESULT h = VariantCopyInd(&source, src);
    if (FAILED(h))
        return h;
    VARIANT result;
    VariantInit(&result);
    h = convert(&source, flags, vt, &result);
    VariantClear(&source);
    if (FAILED(h)) {
        VariantClear(&result);
        return h;
    }
    if (dest != src || !(src->vt & VT_BYREF)) {
        h = VariantClear(dest);
        if (FAILED(h)) {
            VariantClear(&result);
            return h;
        }
    }
    std::memcpy(dest, &result, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}

std::u16string format_double(double value, int significant_digits) {
    if (std::isnan(value))
        return u"NaN";
    if (std::isinf(value))
        return value > 0 ? u"Infinity" : u"-Infinity";
    if (value == 0)
        return u"0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", significant_digits, value);
    return ascii16(buf);
}

std::u16string format_date(DATE value) {
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    std::int64_t seconds = std::llround(frac * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += value < 0 ? -1 : 1;
    }
    char buf[64];
    std::u16string out;
    if (whole != 0) {
        int y, m, d;
        civil_from_days(std::int64_t(whole) + kDateEpochOffset, &y, &m, &d);
        std::snprintf(buf, sizeof buf, "%d/%d/%d", y, m, d);
        out = ascii16(buf);
    }
    if (seconds != 0 || whole == 0) {
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
        if (!out.empty())
            out += u' ';
        out += ascii16(buf);
    }
    return out;
}

bool parse_double(std::u16string_view text, double* value) {
    std::u16string_view t = trim(text);
    if (t.empty() || t.size() > 400)
        return false;
    std::string ascii;
    for (char16_t c : t) {
        if (c > 0x7F)
            return false;
        ascii += char(c);
    }
    if (ascii.size() > 2 && ascii[0] == '&' && (ascii[1] == 'H' || ascii[1] == 'h')) {
        char* end = nullptr;
        unsigned long long v = std::strtoull(ascii.c_str() + 2, &end, 16);
        if (*end || v > 0xFFFFFFFFull)
            return false;
        // "&H" numbers are 32-bit signed on the platform ("&HFFFFFFFF" is -1).
        *value = double(std::int32_t(std::uint32_t(v)));
        return true;
    }
    // Only plain decimal notation: no "inf", "nan" or C hex floats.
    for (char c : ascii) {
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            return false;
    }
    char* end = nullptr;
    double v = std::strtod(ascii.c_str(), &end);
    if (*end || end == ascii.c_str())
        return false;
    if (std::isinf(v))
        return false;
    *value = v;
    return true;
}

bool parse_date(std::u16string_view text, DATE* value) {
    std::u16string_view t = trim(text);
    double fraction = 0;
    if (parse_time(t, &fraction)) {
        *value = fraction;
        return true;
    }
    int y, m, d;
    if (!parse_uint(t, 4, &y) || t.empty() || (t.front() != u'/' && t.front() != u'-'))
        return false;
    char16_t sep = t.front();
    t.remove_prefix(1);
    if (!parse_uint(t, 2, &m) || t.empty() || t.front() != sep)
        return false;
    t.remove_prefix(1);
    if (!parse_uint(t, 2, &d))
        return false;
    if (y < 100 || m < 1 || m > 12 || d < 1)
        return false;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > kDays[m - 1] || (m == 2 && d == 29 && !leap))
        return false;
    t = trim(t);
    if (!t.empty() && !parse_time(t, &fraction))
        return false;
    double days = double(days_from_civil(y, m, d) - kDateEpochOffset);
    *value = days >= 0 ? days + fraction : days - fraction;
    return true;
}

}  // namespace quilbex::com
