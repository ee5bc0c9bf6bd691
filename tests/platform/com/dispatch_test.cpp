#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchObject.h"

#include <gtest/gtest.h>
#include <thread>

using namespace quilbex::com;

namespace {

// A small automation class: Add(a, [b]) adds numbers, Join(sep, ...) joins
// its variable arguments, Name is a property, Count a variable, Swap writes
// through its output parameter, Fail raises an error.
class Sample final : public DispatchObject {
public:
    static ComPtr<IDispatch> create() {
        auto* s = new Sample();
        return ComPtr<IDispatch>::adopt(s);
    }

private:
    Sample() : DispatchObject(type()) {}

    static ComPtr<TypeInfo> type() {
        static ComPtr<TypeInfo> info = TypeInfo::create_dispatch(
            u"Sample",
            {
                {u"Add",
                 1,
                 MemberKind::Method,
                 {VT_R8},
                 {{u"a", {VT_R8}}, {u"b", {VT_R8}, PARAMFLAG_FIN | PARAMFLAG_FOPT}}},
                {u"Join",
                 2,
                 MemberKind::Method,
                 {VT_BSTR},
                 {{u"sep", {VT_BSTR}}, {u"items", {VT_VARIANT, true, true}}},
                 true},
                {u"Name", 3, MemberKind::PropertyGet, {VT_BSTR}, {}},
                {u"Name", 3, MemberKind::PropertyPut, {VT_VOID}, {{u"value", {VT_BSTR}}}},
                {u"Count", 4, MemberKind::Variable, {VT_I4}, {}},
                {u"Swap", 5, MemberKind::Method, {VT_VOID}, {{u"io", {VT_I4, true}, PARAMFLAG_FIN | PARAMFLAG_FOUT}}},
                {u"Fail", 6, MemberKind::Method, {VT_VOID}, {}},
            });
        return info;
    }

    HRESULT invoke_member(Invocation& call) override {
        switch (call.id) {
        case 1: {
            double b = Invocation::is_missing(call.args[1]) ? 100 : call.args[1]->dblVal;
            call.result->vt = VT_R8;
            call.result->dblVal = call.args[0]->dblVal + b;
            return S_OK;
        }
        case 2: {
            std::u16string out;
            for (std::size_t i = 1; i < call.args.size(); ++i) {
                Variant s;
                if (FAILED(VariantChangeType(s.get(), call.args[i].get(), 0, VT_BSTR)))
                    return call.fail(u"not text");
                if (i > 1)
                    out += bstr_view(call.args[0]->bstrVal);
                out += bstr_view(s->bstrVal);
            }
            call.result->vt = VT_BSTR;
            call.result->bstrVal = bstr_from_utf16(out);
            return S_OK;
        }
        case 3:
            if (call.kind == INVOKE_PROPERTYPUT) {
                m_name = bstr_view(call.args[0]->bstrVal);
                return S_OK;
            }
            call.result->vt = VT_BSTR;
            call.result->bstrVal = bstr_from_utf16(m_name);
            return S_OK;
        case 4:
            if (call.kind == INVOKE_PROPERTYGET) {
                call.result->vt = VT_I4;
                call.result->lVal = m_count;
            } else {
                m_count = call.args[0]->lVal;
            }
            return S_OK;
        case 5:
            if (call.args[0]->vt == (VT_BYREF | VT_I4))
                *call.args[0]->plVal = -*call.args[0]->plVal;
            return S_OK;
        default: return call.fail(u"it failed", E_FAIL);
        }
    }

    std::u16string m_name = u"none";
    LONG m_count = 0;
};

struct ComThread : ::testing::Test {
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

HRESULT invoke(IDispatch* d, DISPID id, WORD flags, std::vector<Variant> args_first_to_last, Variant* result,
               EXCEPINFO* excep = nullptr, UINT* arg_err = nullptr) {
    std::vector<VARIANT> raw(args_first_to_last.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[raw.size() - 1 - i] = *args_first_to_last[i].get();
    DISPID put = DISPID_PROPERTYPUT;
    bool is_put = flags & DISPATCH_PROPERTYPUT;
    DISPPARAMS dp{raw.data(), is_put ? &put : nullptr, UINT(raw.size()), is_put ? 1u : 0u};
    if (result)
        VariantClear(result->get());  // Invoke takes the result slot as empty
    return d->Invoke(id, IID_NULL, 0, flags, &dp, result ? result->get() : nullptr, excep, arg_err);
}

Variant missing() {
    Variant v;
    v->vt = VT_ERROR;
    v->scode = DISP_E_PARAMNOTFOUND;
    return v;
}

}  // namespace

TEST_F(ComThread, invoke_converts_arguments_and_fills_omitted_optional_ones) {
    auto d = Sample::create();
    Variant result;
    ASSERT_EQ(invoke(d.get(), 1, DISPATCH_METHOD, {Variant::from_utf8("2"), Variant::from_i4(3)}, &result), S_OK);
    EXPECT_EQ(result->dblVal, 5.0);
    ASSERT_EQ(invoke(d.get(), 1, DISPATCH_METHOD, {Variant::from_i4(1)}, &result), S_OK);
    EXPECT_EQ(result->dblVal, 101.0);
    ASSERT_EQ(invoke(d.get(), 1, DISPATCH_METHOD, {Variant::from_i4(1), missing()}, &result), S_OK);
    EXPECT_EQ(result->dblVal, 101.0);
}

TEST_F(ComThread, invoke_reports_each_kind_of_bad_call) {
    auto d = Sample::create();
    Variant result;
    UINT arg_err = 99;
    EXPECT_EQ(invoke(d.get(), 42, DISPATCH_METHOD, {}, &result), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(d.get(), 3, DISPATCH_METHOD, {}, &result), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(d.get(), 1, DISPATCH_METHOD, {}, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(
        invoke(d.get(), 1, DISPATCH_METHOD, {Variant::from_i4(1), Variant::from_i4(2), Variant::from_i4(3)}, &result),
        DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(d.get(), 1, DISPATCH_METHOD, {missing()}, &result), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(
        invoke(d.get(), 1, DISPATCH_METHOD, {Variant::from_i4(1), Variant::from_utf8("x")}, &result, nullptr, &arg_err),
        DISP_E_TYPEMISMATCH);
    EXPECT_EQ(arg_err, 0u);  // the last argument is element 0

    Variant arg = Variant::from_i4(1);
    DISPID named = 0;
    DISPPARAMS dp{arg.get(), &named, 1, 1};
    EXPECT_EQ(d->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &dp, result.get(), nullptr, nullptr), DISP_E_NONAMEDARGS);
}

TEST_F(ComThread, a_member_failure_is_an_exception_with_its_message) {
    auto d = Sample::create();
    EXCEPINFO excep{};
    Variant result;
    EXPECT_EQ(invoke(d.get(), 6, DISPATCH_METHOD, {}, &result, &excep), DISP_E_EXCEPTION);
    EXPECT_EQ(utf8_from_bstr(excep.bstrDescription), "it failed");
    EXPECT_EQ(utf8_from_bstr(excep.bstrSource), "Sample");
    EXPECT_EQ(excep.scode, E_FAIL);
    clear_excepinfo(&excep);
}

TEST_F(ComThread, properties_and_variables_take_put_and_get) {
    auto d = Sample::create();
    Variant result;
    ASSERT_EQ(invoke(d.get(), 3, DISPATCH_PROPERTYPUT, {Variant::from_i4(12)}, nullptr), S_OK);
    ASSERT_EQ(invoke(d.get(), 3, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(utf8_from_bstr(result->bstrVal), "12");
    // A put without its named value argument is refused.
    Variant arg = Variant::from_i4(1);
    DISPPARAMS dp{arg.get(), nullptr, 1, 0};
    EXPECT_EQ(d->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, nullptr), DISP_E_PARAMNOTOPTIONAL);
    ASSERT_EQ(invoke(d.get(), 4, DISPATCH_PROPERTYPUT, {Variant::from_utf8("7")}, nullptr), S_OK);
    ASSERT_EQ(invoke(d.get(), 4, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result->lVal, 7);
    EXPECT_EQ(invoke(d.get(), 4, DISPATCH_PROPERTYPUT, {Variant::from_r8(1e12)}, nullptr), DISP_E_OVERFLOW);
}

TEST_F(ComThread, variable_argument_lists_take_any_number_of_values) {
    auto d = Sample::create();
    Variant result;
    ASSERT_EQ(invoke(d.get(), 2, DISPATCH_METHOD,
                     {Variant::from_utf8(","), Variant::from_i4(1), Variant::from_utf8("b"), Variant::from_bool(false)},
                     &result),
              S_OK);
    EXPECT_EQ(utf8_from_bstr(result->bstrVal), "1,b,0");
    ASSERT_EQ(invoke(d.get(), 2, DISPATCH_METHOD, {Variant::from_utf8(",")}, &result), S_OK);
    EXPECT_EQ(SysStringLen(result->bstrVal), 0u);
}

TEST_F(ComThread, an_output_parameter_given_by_reference_is_written_through) {
    auto d = Sample::create();
    LONG value = 5;
    Variant ref;
    ref->vt = VT_BYREF | VT_I4;
    ref->plVal = &value;
    ASSERT_EQ(invoke(d.get(), 5, DISPATCH_METHOD, {ref}, nullptr), S_OK);
    EXPECT_EQ(value, -5);
}

TEST_F(ComThread, type_information_describes_and_binds_members) {
    auto d = Sample::create();
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(d->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 6);
    EXPECT_EQ(attr->cVars, 1);
    info->ReleaseTypeAttr(attr);

    ComPtr<ITypeComp> comp;
    ASSERT_EQ(info->GetTypeComp(comp.put()), S_OK);
    std::u16string name = u"jOIN";
    ComPtr<ITypeInfo> bound_info;
    DESCKIND kind;
    BINDPTR bound;
    ASSERT_EQ(comp->Bind(name.data(), LHashValOfNameSys(SYS_WIN32, 0, name.c_str()), INVOKE_FUNC, bound_info.put(),
                         &kind, &bound),
              S_OK);
    ASSERT_EQ(kind, DESCKIND_FUNCDESC);
    EXPECT_EQ(bound.lpfuncdesc->memid, 2);
    EXPECT_EQ(bound.lpfuncdesc->cParamsOpt, -1);
    EXPECT_EQ(bound.lpfuncdesc->lprgelemdescParam[1].tdesc.vt, VT_PTR);
    EXPECT_EQ(bound.lpfuncdesc->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_SAFEARRAY);
    bound_info->ReleaseFuncDesc(bound.lpfuncdesc);

    name = u"Name";
    EXPECT_EQ(comp->Bind(name.data(), 0, INVOKE_FUNC, bound_info.put(), &kind, &bound), TYPE_E_TYPEMISMATCH);
    ASSERT_EQ(comp->Bind(name.data(), 0, INVOKE_PROPERTYPUT, bound_info.put(), &kind, &bound), S_OK);
    EXPECT_EQ(bound.lpfuncdesc->invkind, INVOKE_PROPERTYPUT);
    name = u"Nothing";
    ASSERT_EQ(comp->Bind(name.data(), 0, INVOKE_FUNC, bound_info.put(), &kind, &bound), S_OK);
    EXPECT_EQ(kind, DESCKIND_NONE);
    name = u"count";
    ASSERT_EQ(comp->Bind(name.data(), 0, INVOKE_PROPERTYGET, bound_info.put(), &kind, &bound), S_OK);
    EXPECT_EQ(kind, DESCKIND_VARDESC);

    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(1, names, 3, &count), S_OK);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(utf8_from_bstr(names[0]), "Add");
    EXPECT_EQ(utf8_from_bstr(names[2]), "b");
    for (BSTR n : names)
        SysFreeString(n);
}

TEST(ComObjects, are_released_exactly_once) {
    Sample::create();  // the class's type information lives on for the process
    long before = live_com_objects();
    {
        auto d = Sample::create();
        EXPECT_GT(live_com_objects(), before);
        ComPtr<IDispatch> second = d;
        ComPtr<IUnknown> unknown = d.query<IUnknown>();
        EXPECT_EQ(d->AddRef(), 4u);
        EXPECT_EQ(d->Release(), 3u);
    }
    EXPECT_EQ(live_com_objects(), before);
}

TEST(ComObjects, cannot_be_created_or_called_on_a_thread_without_com) {
    const CLSID clsid{0x1234, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    register_class(clsid, {u"Quilbex.Sample"},
                   [](REFIID iid, void** out) { return Sample::create()->QueryInterface(iid, out); });
    HRESULT created = S_OK, called = S_OK, after = E_FAIL;
    std::thread worker([&] {
        void* out = nullptr;
        created = CoCreateInstance(clsid, nullptr, 23, IID_IUnknown, &out);
        CoInitialize(nullptr);
        ComPtr<IDispatch> d;
        after = CoCreateInstance(clsid, nullptr, 23, IID_IDispatch, d.put_void());
        CoUninitialize();
        Variant result;
        called = invoke(d.get(), 3, DISPATCH_PROPERTYGET, {}, &result);
    });
    worker.join();
    EXPECT_EQ(created, CO_E_NOTINITIALIZED);
    EXPECT_EQ(after, S_OK);
    EXPECT_EQ(called, CO_E_NOTINITIALIZED);
}

TEST_F(ComThread, classes_are_found_by_prog_id_without_regard_to_case) {
    const CLSID clsid{0xABCDEF01, 0x2345, 0x6789, {0xAB, 0xCD, 0xEF, 0, 1, 2, 3, 4}};
    register_class(clsid, {u"Quilbex.Other"},
                   [](REFIID iid, void** out) { return Sample::create()->QueryInterface(iid, out); });
    CLSID found{};
    ASSERT_EQ(CLSIDFromProgID(u"QUILBEX.other", &found), S_OK);
    EXPECT_EQ(found, clsid);
    EXPECT_EQ(CLSIDFromProgID(u"Quilbex.Missing", &found), CO_E_CLASSSTRING);

    std::u16string text = string_from_clsid(clsid);
    EXPECT_EQ(text, u"{ABCDEF01-2345-6789-ABCD-EF0001020304}");
    CLSID parsed{};
    ASSERT_EQ(CLSIDFromString(text.c_str(), &parsed), S_OK);
    EXPECT_EQ(parsed, clsid);
    EXPECT_EQ(CLSIDFromString(u"{ABCDEF01-2345-6789-ABCD-EF00010203}", &parsed), CO_E_CLASSSTRING);

    const CLSID unknown{1, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, 23, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
    ComPtr<IUnknown> obj;
    ASSERT_EQ(CoCreateInstance(found, nullptr, 23, IID_IUnknown, obj.put_void()), S_OK);
    EXPECT_EQ(OleRun(obj.get()), S_OK);
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}
