#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "support/Gbk.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quilbex::com;

namespace {

Variant text(const char* utf8) { return Variant::from_utf8(utf8); }

std::string as_utf8(const Variant& v) { return utf8_from_bstr(v->bstrVal); }

HRESULT change(Variant& out, const Variant& in, VARTYPE vt, USHORT flags = 0) {
    return VariantChangeType(out.get(), in.get(), flags, vt);
}

}  // namespace

TEST(Bstr, keeps_byte_length_including_odd_lengths_and_embedded_zeros) {
    BstrPtr odd(SysAllocStringByteLen("abc", 3));
    EXPECT_EQ(SysStringByteLen(odd.get()), 3u);
    EXPECT_EQ(SysStringLen(odd.get()), 1u);
    EXPECT_EQ(reinterpret_cast<const char*>(odd.get())[3], '\0');

    const char16_t with_zero[] = {u'a', 0, u'b'};
    BstrPtr s(SysAllocStringLen(with_zero, 3));
    EXPECT_EQ(SysStringLen(s.get()), 3u);
    EXPECT_EQ(bstr_view(s.get()), std::u16string_view(with_zero, 3));
    EXPECT_EQ(s.get()[3], 0);

    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);
}

TEST(Bstr, converts_chinese_text_between_utf8_gbk_and_utf16) {
    BstrPtr s(bstr_from_utf8("\xE4\xB8\xAD\xF0\x9F\x98\x80"));  // U+4E2D, U+1F600
    ASSERT_EQ(SysStringLen(s.get()), 3u);
    EXPECT_EQ(s.get()[0], 0x4E2D);
    EXPECT_EQ(s.get()[1], 0xD83D);
    EXPECT_EQ(utf8_from_bstr(s.get()), "\xE4\xB8\xAD\xF0\x9F\x98\x80");
    BstrPtr g(bstr_from_gbk("\xD6\xD0"));
    EXPECT_EQ(bstr_view(g.get()), u"\u4E2D");
    EXPECT_EQ(gbk_from_bstr(g.get()), "\xD6\xD0");
}

TEST(VariantChangeType, rounds_reals_half_to_even_and_reports_overflow) {
    Variant out;
    ASSERT_EQ(change(out, Variant::from_r8(2.5), VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 2);
    ASSERT_EQ(change(out, Variant::from_r8(3.5), VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 4);
    ASSERT_EQ(change(out, Variant::from_r8(-2.6), VT_I2), S_OK);
    EXPECT_EQ(out->iVal, -3);
    EXPECT_EQ(change(out, Variant::from_r8(3e9), VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(change(out, Variant::from_i4(256), VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(change(out, Variant::from_i4(-1), VT_UI1), DISP_E_OVERFLOW);
    // A failed conversion leaves the destination as it was.
    EXPECT_EQ(out->vt, VT_I2);
}

TEST(VariantChangeType, reads_and_writes_number_texts) {
    Variant out;
    ASSERT_EQ(change(out, text(" 42 "), VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 42);
    ASSERT_EQ(change(out, text("-1.5e3"), VT_R8), S_OK);
    EXPECT_DOUBLE_EQ(out->dblVal, -1500.0);
    ASSERT_EQ(change(out, text("&HFF"), VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 255);
    EXPECT_EQ(change(out, text("12abc"), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(out, text(""), VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(out, text("nan"), VT_R8), DISP_E_TYPEMISMATCH);

    ASSERT_EQ(change(out, Variant::from_r8(0.1), VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "0.1");
    ASSERT_EQ(change(out, Variant::from_r8(1234567.25), VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "1234567.25");
    ASSERT_EQ(change(out, Variant::from_r8(1e21), VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "1E+21");
    ASSERT_EQ(change(out, Variant::from_i4(-7), VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "-7");
}

TEST(VariantChangeType, booleans_are_minus_one_and_zero) {
    Variant out;
    ASSERT_EQ(change(out, Variant::from_i4(5), VT_BOOL), S_OK);
    EXPECT_EQ(out->boolVal, VARIANT_TRUE);
    ASSERT_EQ(change(out, text("False"), VT_BOOL), S_OK);
    EXPECT_EQ(out->boolVal, VARIANT_FALSE);
    ASSERT_EQ(change(out, text("TRUE"), VT_BOOL), S_OK);
    EXPECT_EQ(out->boolVal, VARIANT_TRUE);
    ASSERT_EQ(change(out, Variant::from_bool(true), VT_I4), S_OK);
    EXPECT_EQ(out->lVal, -1);
    ASSERT_EQ(change(out, Variant::from_bool(true), VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "-1");
    ASSERT_EQ(change(out, Variant::from_bool(true), VT_BSTR, VARIANT_ALPHABOOL), S_OK);
    EXPECT_EQ(as_utf8(out), "True");
    EXPECT_EQ(change(out, text("maybe"), VT_BOOL), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, dates_round_trip_through_text) {
    Variant out;
    Variant date;
    date->vt = VT_DATE;
    date->date = 45000.5;  // 2023-03-15 12:00
    ASSERT_EQ(change(out, date, VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "2023/3/15 12:00:00");
    Variant back;
    ASSERT_EQ(change(back, out, VT_DATE), S_OK);
    EXPECT_DOUBLE_EQ(back->date, 45000.5);
    ASSERT_EQ(change(back, text("1899-12-30"), VT_DATE), S_OK);
    EXPECT_EQ(back->date, 0.0);
    EXPECT_EQ(change(back, text("2023/2/30"), VT_DATE), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(back, Variant::from_r8(1e9), VT_DATE), DISP_E_OVERFLOW);
}

TEST(VariantChangeType, text_and_byte_arrays_share_their_bytes) {
    Variant s = text("AB");
    Variant bytes;
    ASSERT_EQ(change(bytes, s, VT_ARRAY | VT_UI1), S_OK);
    ASSERT_EQ(safe_array_element_count(bytes->parray), 4u);
    EXPECT_EQ(std::memcmp(bytes->parray->pvData, "A\0B\0", 4), 0);
    Variant back;
    ASSERT_EQ(change(back, bytes, VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(back), "AB");
    EXPECT_EQ(change(back, Variant::from_i4(1), VT_ARRAY | VT_UI1), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, null_converts_to_nothing_and_empty_to_zero_values) {
    Variant null;
    null->vt = VT_NULL;
    Variant out;
    EXPECT_EQ(change(out, null, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(out, null, VT_BSTR), DISP_E_TYPEMISMATCH);
    Variant empty;
    ASSERT_EQ(change(out, empty, VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 0);
    ASSERT_EQ(change(out, empty, VT_BSTR), S_OK);
    EXPECT_EQ(SysStringLen(out->bstrVal), 0u);
    ASSERT_EQ(change(out, empty, VT_DISPATCH), S_OK);
    EXPECT_EQ(out->pdispVal, nullptr);
}

TEST(VariantChangeType, converts_in_place_and_through_references) {
    Variant v = text("17");
    ASSERT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), S_OK);
    EXPECT_EQ(v->vt, VT_I4);
    EXPECT_EQ(v->lVal, 17);

    LONG target = 99;
    Variant ref;
    ref->vt = VT_BYREF | VT_I4;
    ref->plVal = &target;
    Variant out;
    ASSERT_EQ(change(out, ref, VT_BSTR), S_OK);
    EXPECT_EQ(as_utf8(out), "99");
}

TEST(VariantCopyInd, copies_the_referenced_value_deeply) {
    BSTR owned = bstr_from_utf8("x");
    Variant ref;
    ref->vt = VT_BYREF | VT_BSTR;
    ref->pbstrVal = &owned;
    Variant copy;
    ASSERT_EQ(VariantCopyInd(copy.get(), ref.get()), S_OK);
    EXPECT_EQ(copy->vt, VT_BSTR);
    EXPECT_NE(copy->bstrVal, owned);
    EXPECT_EQ(as_utf8(copy), "x");
    SysFreeString(owned);

    Variant inner = text("y");
    Variant vref;
    vref->vt = VT_BYREF | VT_VARIANT;
    vref->pvarVal = inner.get();
    ASSERT_EQ(VariantCopyInd(vref.get(), vref.get()), S_OK);
    EXPECT_EQ(vref->vt, VT_BSTR);
    EXPECT_NE(vref->bstrVal, inner->bstrVal);
}

TEST(VariantClear, rejects_unknown_types_without_touching_them) {
    VARIANT v;
    VariantInit(&v);
    v.vt = 0x0FFF;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, 0x0FFF);
}

TEST(SafeArray, vectors_have_their_bounds_and_own_their_strings) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(a, nullptr);
    LONG lo = 0, hi = 0;
    ASSERT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(a, 1, &hi), S_OK);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(SafeArrayGetLBound(a, 2, &lo), DISP_E_BADINDEX);
    BstrPtr value(bstr_from_utf8("v"));
    LONG idx = 2;
    ASSERT_EQ(SafeArrayPutElement(a, &idx, value.get()), S_OK);
    BSTR got = nullptr;
    ASSERT_EQ(SafeArrayGetElement(a, &idx, &got), S_OK);
    EXPECT_NE(got, value.get());
    EXPECT_EQ(utf8_from_bstr(got), "v");
    SysFreeString(got);
    idx = 4;
    EXPECT_EQ(SafeArrayPutElement(a, &idx, value.get()), DISP_E_BADINDEX);
    idx = 0;
    EXPECT_EQ(SafeArrayGetElement(a, &idx, &got), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
}

TEST(SafeArray, first_dimension_varies_fastest) {
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 1}};
    SAFEARRAY* a = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(a, nullptr);
    for (LONG j = 1; j <= 3; ++j)
        for (LONG i = 1; i <= 2; ++i) {
            LONG idx[2] = {i, j};
            LONG value = i * 10 + j;
            ASSERT_EQ(SafeArrayPutElement(a, idx, &value), S_OK);
        }
    auto* data = static_cast<LONG*>(a->pvData);
    EXPECT_EQ(data[0], 11);
    EXPECT_EQ(data[1], 21);
    EXPECT_EQ(data[2], 12);
    SafeArrayDestroy(a);
}

TEST(SafeArray, a_locked_array_cannot_be_destroyed) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, 4);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(a), S_OK);
    EXPECT_EQ(SafeArrayUnlock(a), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
    EXPECT_EQ(SafeArrayCreateVector(VT_RECORD, 0, 1), nullptr);
}

TEST(SafeArray, variant_arrays_copy_deeply) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    Variant s = text("deep");
    LONG idx = 0;
    ASSERT_EQ(SafeArrayPutElement(a, &idx, s.get()), S_OK);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), S_OK);
    SafeArrayDestroy(a);
    Variant got;
    ASSERT_EQ(SafeArrayGetElement(copy, &idx, got.get()), S_OK);
    EXPECT_EQ(as_utf8(got), "deep");
    SafeArrayDestroy(copy);
}

TEST(Bstr, long_mixed_texts_convert_like_iconv_across_ascii_runs) {
    std::string utf8;
    for (int i = 0; i < 50; ++i)
        utf8 += std::string(std::size_t(i % 13), 'a' + char(i % 26)) + "签到" + std::string(std::size_t(i % 5), '7');
    std::string gbk_text = quilbex::testing::gbk(utf8);
    BstrPtr from_utf8(bstr_from_utf8(utf8));
    BstrPtr from_gbk(bstr_from_gbk(gbk_text));
    EXPECT_EQ(bstr_view(from_utf8.get()), bstr_view(from_gbk.get()));
    EXPECT_EQ(gbk_from_bstr(from_utf8.get()), gbk_text);
    EXPECT_EQ(utf8_from_bstr(from_gbk.get()), utf8);
}
