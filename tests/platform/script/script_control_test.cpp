#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchCall.h"
#include "platform/com/SafeArray.h"
#include "platform/script/ScriptControl.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace quilbex::com;

namespace {

class ScriptControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        quilbex::script::register_script_control_class();
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"MSScriptControl.ScriptControl", &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, 23, IID_IDispatch, m_script.put_void()), S_OK);
    }
    void TearDown() override {
        m_script.reset();
        CoUninitialize();
    }

    HRESULT put(const char16_t* name, Variant value) {
        return dispatch_call(m_script.get(), name, DISPATCH_PROPERTYPUT, {std::move(value)}, nullptr, &m_error);
    }
    HRESULT method(const char16_t* name, std::vector<Variant> args, Variant* result = nullptr) {
        return dispatch_call(m_script.get(), name, DISPATCH_METHOD, args, result, &m_error);
    }
    HRESULT eval(const char* utf8, Variant* result) { return method(u"Eval", {Variant::from_utf8(utf8)}, result); }
    void use_jscript() { ASSERT_EQ(put(u"Language", Variant::from_utf8("JScript")), S_OK); }

    ComPtr<IDispatch> m_script;
    DispatchError m_error;
};

}  // namespace

TEST_F(ScriptControlTest, accepts_only_jscript_under_either_name) {
    EXPECT_EQ(put(u"Language", Variant::from_utf8("VBScript")), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Language", Variant::from_utf8("javascript")), S_OK);
    EXPECT_EQ(put(u"Language", Variant::from_utf8("JSCRIPT")), S_OK);
    Variant lang;
    ASSERT_EQ(dispatch_call(m_script.get(), u"Language", DISPATCH_PROPERTYGET, {}, &lang), S_OK);
    EXPECT_EQ(utf8_from_bstr(lang->bstrVal), "JSCRIPT");
}

TEST_F(ScriptControlTest, running_code_before_the_language_is_set_fails) {
    Variant result;
    EXPECT_EQ(eval("1", &result), DISP_E_EXCEPTION);
    EXPECT_FALSE(m_error.description.empty());
}

TEST_F(ScriptControlTest, values_come_back_with_their_automation_types) {
    use_jscript();
    Variant r;
    ASSERT_EQ(eval("1 + 2", &r), S_OK);
    EXPECT_EQ(r->vt, VT_I4);
    EXPECT_EQ(r->lVal, 3);
    ASSERT_EQ(eval("1 / 4", &r), S_OK);
    EXPECT_EQ(r->vt, VT_R8);
    EXPECT_EQ(r->dblVal, 0.25);
    ASSERT_EQ(eval("4294967296", &r), S_OK);
    EXPECT_EQ(r->vt, VT_R8);
    ASSERT_EQ(eval("1 == 1", &r), S_OK);
    EXPECT_EQ(r->vt, VT_BOOL);
    EXPECT_EQ(r->boolVal, VARIANT_TRUE);
    ASSERT_EQ(eval("null", &r), S_OK);
    EXPECT_EQ(r->vt, VT_NULL);
    ASSERT_EQ(eval("undefined", &r), S_OK);
    EXPECT_EQ(r->vt, VT_EMPTY);
    ASSERT_EQ(eval("({a:1})", &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "[object Object]");
}

TEST_F(ScriptControlTest, strings_cross_as_utf16_including_surrogate_pairs) {
    use_jscript();
    Variant r;
    // U+4E2D and U+1F600 (a pair of two UTF-16 units inside the script).
    ASSERT_EQ(method(u"Eval", {Variant::from_bstr(bstr_from_utf16(u"'\u4E2D\U0001F600'.length"))}, &r), S_OK);
    EXPECT_EQ(r->lVal, 3);
    ASSERT_EQ(method(u"Eval", {Variant::from_bstr(bstr_from_utf16(u"'\u4E2D\U0001F600' + 'x'"))}, &r), S_OK);
    EXPECT_EQ(bstr_view(r->bstrVal), u"\u4E2D\U0001F600x");
    ASSERT_EQ(eval("unescape('%u4e2d%41')", &r), S_OK);
    EXPECT_EQ(bstr_view(r->bstrVal), u"\u4E2DA");
}

TEST_F(ScriptControlTest, code_added_once_stays_for_later_calls) {
    use_jscript();
    ASSERT_EQ(method(u"AddCode", {Variant::from_utf8("function twice(x) { return x * 2; } var base = 5;")}), S_OK);
    ASSERT_EQ(method(u"ExecuteStatement", {Variant::from_utf8("base = base + 1")}), S_OK);
    Variant r;
    ASSERT_EQ(method(u"Run", {Variant::from_utf8("twice"), Variant::from_utf8("base")}, &r), S_OK);
    EXPECT_EQ(r->vt, VT_R8);  // "base" * 2 is NaN: the argument is the text, not the variable
    ASSERT_EQ(eval("twice(base)", &r), S_OK);
    EXPECT_EQ(r->lVal, 12);
    ASSERT_EQ(method(u"Run", {Variant::from_utf8("twice"), Variant::from_i4(21)}, &r), S_OK);
    EXPECT_EQ(r->lVal, 42);
    ASSERT_EQ(method(u"Reset", {}), S_OK);
    EXPECT_EQ(eval("base", &r), DISP_E_EXCEPTION);
}

TEST_F(ScriptControlTest, run_passes_every_argument_and_arrays_as_arrays) {
    use_jscript();
    ASSERT_EQ(method(u"AddCode",
                     {Variant::from_utf8("function all() { var s = []; for (var i = 0; i < arguments.length; i++) "
                                         "s.push(typeof arguments[i] + ':' + arguments[i]); return s.join(','); }")}),
              S_OK);
    Variant r;
    ASSERT_EQ(method(u"Run",
                     {Variant::from_utf8("all"), Variant::from_i4(1), Variant::from_utf8("t"), Variant::from_bool(true),
                      Variant()},
                     &r),
              S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "number:1,string:t,boolean:true,undefined:undefined");
    Variant list;
    list->vt = VT_ARRAY | VT_I4;
    list->parray = SafeArrayCreateVector(VT_I4, 1, 2);
    static_cast<LONG*>(list->parray->pvData)[0] = 7;
    static_cast<LONG*>(list->parray->pvData)[1] = 8;
    ASSERT_EQ(method(u"Run", {Variant::from_utf8("all"), list}, &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "object:7,8");
    EXPECT_EQ(method(u"Run", {Variant::from_utf8("nothing_here")}, &r), DISP_E_EXCEPTION);
}

TEST_F(ScriptControlTest, script_errors_fail_the_call_with_the_message) {
    use_jscript();
    Variant r;
    EXPECT_EQ(eval("throw new Error('boom')", &r), DISP_E_EXCEPTION);
    EXPECT_NE(m_error.description.find(u"boom"), std::u16string::npos);
    EXPECT_EQ(eval("var x = ;", &r), DISP_E_EXCEPTION);
    EXPECT_NE(m_error.description.find(u"SyntaxError"), std::u16string::npos);
    EXPECT_EQ(eval("nothing.at.all", &r), DISP_E_EXCEPTION);
    // The engine stays usable after errors.
    ASSERT_EQ(eval("'still here'", &r), S_OK);
    EXPECT_EQ(utf8_from_bstr(r->bstrVal), "still here");
}

TEST_F(ScriptControlTest, a_script_that_exhausts_its_memory_fails_cleanly) {
    use_jscript();
    Variant r;
    EXPECT_EQ(eval("var a = []; for (var i = 0; ; i++) a.push('xxxxxxxxxxxxxxxx' + i);", &r), DISP_E_EXCEPTION);
    EXPECT_EQ(eval("var s = 'x'; while (true) s = s + s;", &r), DISP_E_EXCEPTION);
    ASSERT_EQ(eval("a = null; s = null; 6 * 7", &r), S_OK);
    EXPECT_EQ(r->lVal, 42);
}

TEST_F(ScriptControlTest, deep_recursion_fails_cleanly) {
    use_jscript();
    Variant r;
    EXPECT_EQ(eval("function f(n) { return f(n + 1) + 1; } f(0)", &r), DISP_E_EXCEPTION);
}

TEST_F(ScriptControlTest, a_script_that_never_ends_is_stopped_after_the_timeout) {
    use_jscript();
    ASSERT_EQ(put(u"Timeout", Variant::from_i4(300)), S_OK);
    auto start = std::chrono::steady_clock::now();
    Variant r;
    EXPECT_EQ(eval("while (1) { try { while (1); } catch (e) {} }", &r), DISP_E_EXCEPTION);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    ASSERT_EQ(eval("1", &r), S_OK);
    EXPECT_EQ(put(u"Timeout", Variant::from_i4(-5)), DISP_E_EXCEPTION);
}

TEST_F(ScriptControlTest, each_instance_has_its_own_globals) {
    use_jscript();
    Variant r;
    ASSERT_EQ(eval("var mine = 1", &r), S_OK);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"scriptcontrol", &clsid), S_OK);
    ComPtr<IDispatch> other;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, 23, IID_IDispatch, other.put_void()), S_OK);
    ASSERT_EQ(dispatch_call(other.get(), u"Language", DISPATCH_PROPERTYPUT, {Variant::from_utf8("JScript")}), S_OK);
    EXPECT_EQ(dispatch_call(other.get(), u"Eval", DISPATCH_METHOD, {Variant::from_utf8("mine")}, &r), DISP_E_EXCEPTION);
}
