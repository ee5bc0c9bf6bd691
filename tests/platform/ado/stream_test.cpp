#include "platform/ado/Stream.h"
#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchCall.h"
#include "platform/com/SafeArray.h"
#include "support/Gbk.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quilbex::com;
using quilbex::testing::gbk;

namespace {

Variant byte_array(std::string_view bytes) {
    Variant v;
    v->vt = VT_ARRAY | VT_UI1;
    v->parray = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes.size()));
    if (!bytes.empty())
        std::memcpy(v->parray->pvData, bytes.data(), bytes.size());
    return v;
}

std::string bytes_of(const Variant& v) {
    if (v->vt != (VT_ARRAY | VT_UI1))
        return "<not bytes>";
    return std::string(static_cast<const char*>(v->parray->pvData), safe_array_element_count(v->parray));
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        quilbex::ado::register_stream_class();
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"Adodb.Stream", &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, 23, IID_IDispatch, m_stream.put_void()), S_OK);
    }
    void TearDown() override {
        m_stream.reset();
        CoUninitialize();
    }

    HRESULT put(const char16_t* name, Variant v) {
        return dispatch_call(m_stream.get(), name, DISPATCH_PROPERTYPUT, {std::move(v)}, nullptr, &m_error);
    }
    HRESULT put(const char16_t* name, LONG v) { return put(name, Variant::from_i4(v)); }
    HRESULT put(const char16_t* name, const char* v) { return put(name, Variant::from_utf8(v)); }
    LONG get(const char16_t* name) {
        Variant r;
        EXPECT_EQ(dispatch_call(m_stream.get(), name, DISPATCH_PROPERTYGET, {}, &r), S_OK);
        return r->lVal;
    }
    HRESULT call(const char16_t* name, std::vector<Variant> args = {}, Variant* result = nullptr) {
        return dispatch_call(m_stream.get(), name, DISPATCH_METHOD, args, result, &m_error);
    }

    // Writes bytes in binary mode and rewinds: the start of every charset test.
    void load(std::string_view bytes) {
        ASSERT_EQ(put(u"Type", 1), S_OK);
        ASSERT_EQ(call(u"Open"), S_OK);
        ASSERT_EQ(call(u"Write", {byte_array(bytes)}), S_OK);
        ASSERT_EQ(put(u"Position", 0), S_OK);
    }

    std::string write_text_bytes(const char* charset, std::u16string_view text) {
        EXPECT_EQ(put(u"Type", 2), S_OK);
        EXPECT_EQ(call(u"Open"), S_OK);
        EXPECT_EQ(put(u"Charset", charset), S_OK);
        EXPECT_EQ(call(u"WriteText", {Variant::from_bstr(bstr_from_utf16(text))}), S_OK);
        EXPECT_EQ(put(u"Position", 0), S_OK);
        EXPECT_EQ(put(u"Type", 1), S_OK);
        Variant r;
        EXPECT_EQ(call(u"Read", {}, &r), S_OK);
        EXPECT_EQ(call(u"Close"), S_OK);
        return bytes_of(r);
    }

    ComPtr<IDispatch> m_stream;
    DispatchError m_error;
};

}  // namespace

TEST_F(StreamTest, bytes_written_come_back_unchanged_in_whole_or_in_part) {
    std::string all("\x00\x01\xFF\x80zz", 6);
    load(all);
    EXPECT_EQ(get(u"Size"), 6);
    Variant r;
    ASSERT_EQ(call(u"Read", {Variant::from_i4(2)}, &r), S_OK);
    EXPECT_EQ(bytes_of(r), all.substr(0, 2));
    EXPECT_EQ(get(u"Position"), 2);
    ASSERT_EQ(call(u"Read", {}, &r), S_OK);
    EXPECT_EQ(bytes_of(r), all.substr(2));
    ASSERT_EQ(call(u"Read", {}, &r), S_OK);
    EXPECT_EQ(r->vt, VT_NULL);
}

TEST_F(StreamTest, a_utf8_body_reads_as_text_and_writes_back_as_gbk) {
    std::string utf8 = "\xE7\xAD\xBE\xE5\x88\xB0 ok";  // "签到 ok"
    load(utf8);
    ASSERT_EQ(put(u"Type", 2), S_OK);
    ASSERT_EQ(put(u"Charset", "UTF-8"), S_OK);
    Variant text;
    ASSERT_EQ(call(u"ReadText", {}, &text), S_OK);
    EXPECT_EQ(bstr_view(text->bstrVal), u"\u7B7E\u5230 ok");
    ASSERT_EQ(call(u"Close"), S_OK);
    EXPECT_EQ(write_text_bytes("gbk", bstr_view(text->bstrVal)), gbk("签到 ok"));
    EXPECT_EQ(write_text_bytes("GB2312", u"\u4E2D"), gbk("中"));
}

TEST_F(StreamTest, unicode_and_utf8_text_starts_with_a_byte_order_mark_that_reading_skips) {
    EXPECT_EQ(write_text_bytes("unicode", u"A"), std::string("\xFF\xFE"
                                                             "A\0",
                                                             4));
    EXPECT_EQ(write_text_bytes("utf-8", u"A"), "\xEF\xBB\xBF"
                                               "A");
    EXPECT_EQ(write_text_bytes("gbk", u"A"), "A");
    EXPECT_EQ(write_text_bytes("us-ascii", u"A"), "A");
    EXPECT_EQ(write_text_bytes("iso-8859-1", u"\u00E9"), "\xE9");

    load("\xEF\xBB\xBF"
         "x\xEF\xBB\xBF");
    ASSERT_EQ(put(u"Type", 2), S_OK);
    ASSERT_EQ(put(u"Charset", "utf-8"), S_OK);
    Variant text;
    ASSERT_EQ(call(u"ReadText", {}, &text), S_OK);
    // Only the mark at the start is skipped.
    EXPECT_EQ(bstr_view(text->bstrVal), u"x\uFEFF");
    ASSERT_EQ(call(u"Close"), S_OK);

    load(std::string("\xFF\xFEh\0i\0", 6));
    ASSERT_EQ(put(u"Type", 2), S_OK);
    ASSERT_EQ(put(u"Charset", "Unicode"), S_OK);
    ASSERT_EQ(call(u"ReadText", {}, &text), S_OK);
    EXPECT_EQ(bstr_view(text->bstrVal), u"hi");
}

TEST_F(StreamTest, the_type_changes_only_at_position_zero) {
    load("abc");
    ASSERT_EQ(put(u"Position", 2), S_OK);
    EXPECT_EQ(put(u"Type", 2), DISP_E_EXCEPTION);
    EXPECT_EQ(get(u"Type"), 1);
    ASSERT_EQ(put(u"Position", 0), S_OK);
    EXPECT_EQ(put(u"Type", 2), S_OK);
    EXPECT_EQ(put(u"Type", 3), DISP_E_EXCEPTION);
}

TEST_F(StreamTest, wrong_use_fails_instead_of_corrupting_the_stream) {
    Variant r;
    EXPECT_EQ(call(u"Read", {}, &r), DISP_E_EXCEPTION);  // closed
    load("abc");
    EXPECT_EQ(call(u"Open"), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Position", 4), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Position", -1), DISP_E_EXCEPTION);
    EXPECT_EQ(call(u"ReadText", {}, &r), DISP_E_EXCEPTION);  // binary stream
    EXPECT_EQ(call(u"Write", {Variant::from_utf8("text")}), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Charset", "klingon"), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Mode", 3), DISP_E_EXCEPTION);  // open
    EXPECT_EQ(get(u"Size"), 3);
}

TEST_F(StreamTest, writing_in_the_middle_overwrites_and_extends) {
    load("abcd");
    ASSERT_EQ(put(u"Position", 2), S_OK);
    ASSERT_EQ(call(u"Write", {byte_array("XYZ")}), S_OK);
    ASSERT_EQ(put(u"Position", 0), S_OK);
    Variant r;
    ASSERT_EQ(call(u"Read", {}, &r), S_OK);
    EXPECT_EQ(bytes_of(r), "abXYZ");
    ASSERT_EQ(put(u"Position", 1), S_OK);
    ASSERT_EQ(call(u"SetEOS"), S_OK);
    EXPECT_EQ(get(u"Size"), 1);
}

TEST_F(StreamTest, read_text_takes_lines_and_counts) {
    load("one\r\ntwo");
    ASSERT_EQ(put(u"Type", 2), S_OK);
    ASSERT_EQ(put(u"Charset", "us-ascii"), S_OK);
    Variant r;
    ASSERT_EQ(call(u"ReadText", {Variant::from_i4(-2)}, &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "one");
    ASSERT_EQ(call(u"ReadText", {Variant::from_i4(2)}, &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "tw");
    ASSERT_EQ(call(u"ReadText", {}, &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "o");
}

TEST_F(StreamTest, bytes_that_are_not_valid_in_the_charset_become_replacement_characters) {
    load("a\xFF"
         "b");
    ASSERT_EQ(put(u"Type", 2), S_OK);
    ASSERT_EQ(put(u"Charset", "utf-8"), S_OK);
    Variant r;
    ASSERT_EQ(call(u"ReadText", {}, &r), S_OK);
    EXPECT_EQ(bstr_view(r->bstrVal), u"a\uFFFDb");
}

// A stream of a large body reuses memory that an earlier, larger stream
// held: it must read back exactly its own bytes.
TEST_F(StreamTest, a_large_body_reads_back_only_its_own_bytes_after_a_larger_one) {
    load(std::string(600 * 1024, 'x'));
    ASSERT_EQ(call(u"Close"), S_OK);
    std::u16string text(200 * 1024, u'\u4E2D');
    text += u"end";
    std::string expected;
    for (int i = 0; i < 200 * 1024; ++i)
        expected += gbk("中");
    expected += "end";
    EXPECT_EQ(write_text_bytes("gbk", text), expected);
    load(std::string(300 * 1024, 'y'));
    ASSERT_EQ(put(u"Position", 100 * 1024), S_OK);
    ASSERT_EQ(call(u"Write", {byte_array("zz")}), S_OK);
    ASSERT_EQ(call(u"SetEOS"), S_OK);
    ASSERT_EQ(put(u"Position", 0), S_OK);
    Variant r;
    ASSERT_EQ(call(u"Read", {}, &r), S_OK);
    EXPECT_EQ(bytes_of(r), std::string(100 * 1024, 'y') + "zz");
}
