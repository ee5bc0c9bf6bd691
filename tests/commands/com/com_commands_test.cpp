#include "commands/com/ComCommands.h"
#include "commands/com/ComFacade.h"
#include "commands/com/ComLibrary.h"
#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchObject.h"
#include "platform/com/SafeArray.h"
#include "platform/kernel/ModuleRegistry.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

using namespace quilbex;
using namespace quilbex::commands;
using com::Variant;
using quilbex::testing::gbk;

namespace {

// A class that reports what its members received: Probe(a, [b], [c])
// describes each argument it got; Twist(io) negates an integer output and
// Greet(name) writes a text output; Items(...) counts variable arguments.
class Probe final : public com::DispatchObject {
public:
    Probe() : DispatchObject(type()) {}

private:
    static com::ComPtr<com::TypeInfo> type() {
        using namespace quilbex::com;
        const USHORT opt = PARAMFLAG_FIN | PARAMFLAG_FOPT;
        const USHORT inout = PARAMFLAG_FIN | PARAMFLAG_FOUT;
        static ComPtr<TypeInfo> info = TypeInfo::create_dispatch(
            u"Probe", {
                          {u"Probe",
                           1,
                           MemberKind::Method,
                           {VT_BSTR},
                           {{u"a", {VT_VARIANT}}, {u"b", {VT_VARIANT}, opt}, {u"c", {VT_VARIANT}, opt}}},
                          {u"Twist", 2, MemberKind::Method, {VT_VOID}, {{u"io", {VT_I4, true}, inout}}},
                          {u"Greet", 3, MemberKind::Method, {VT_VOID}, {{u"name", {VT_BSTR, true}, inout}}},
                          {u"Items",
                           4,
                           MemberKind::Method,
                           {VT_I4},
                           {{u"first", {VT_VARIANT}}, {u"rest", {VT_VARIANT, true, true}}},
                           true},
                          {u"Level", 5, MemberKind::Variable, {VT_I4}, {}},
                          {u"Bytes", 6, MemberKind::Method, {VT_VARIANT}, {{u"data", {VT_VARIANT}}}},
                      });
        return info;
    }

    com::HRESULT invoke_member(com::Invocation& call) override {
        using namespace quilbex::com;
        switch (call.id) {
        case 1: {
            std::u16string out = u"supplied=" + std::u16string(1, char16_t(u'0' + call.supplied));
            for (const Variant& a : call.args) {
                out += u";";
                if (Invocation::is_missing(a)) {
                    out += u"missing";
                    continue;
                }
                Variant text;
                VariantChangeType(text.get(), a.get(), 0, VT_BSTR);
                out += char16_t(u'0' + a->vt / 10);
                out += char16_t(u'0' + a->vt % 10);
                out += u":";
                out += bstr_view(text->bstrVal);
            }
            call.result->vt = VT_BSTR;
            call.result->bstrVal = bstr_from_utf16(out);
            return S_OK;
        }
        case 2:
            if (call.args[0]->vt == (VT_BYREF | VT_I4))
                *call.args[0]->plVal = -*call.args[0]->plVal;
            return S_OK;
        case 3:
            if (call.args[0]->vt == (VT_BYREF | VT_BSTR)) {
                std::u16string s = u"\u4F60\u597D " + std::u16string(bstr_view(*call.args[0]->pbstrVal));
                SysFreeString(*call.args[0]->pbstrVal);
                *call.args[0]->pbstrVal = bstr_from_utf16(s);
            }
            return S_OK;
        case 4:
            call.result->vt = VT_I4;
            call.result->lVal = LONG(call.args.size());
            return S_OK;
        case 5:
            if (call.kind == INVOKE_PROPERTYPUT)
                m_level = call.args[0]->lVal;
            call.result->vt = VT_I4;
            call.result->lVal = m_level;
            return S_OK;
        case 6: return VariantCopy(call.result, call.args[0].get());
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }
    com::LONG m_level = 0;
};

class ComCommands : public ::testing::Test {
protected:
    void SetUp() override {
        com::CoInitialize(nullptr);
        register_automation();
        static const com::CLSID clsid{0x51EB0001, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
        com::register_class(clsid, {u"Quilbex.Probe"}, [](const com::IID& iid, void** out) {
            auto p = com::ComPtr<Probe>::adopt(new Probe());
            return p->QueryInterface(iid, out);
        });
    }
    void TearDown() override { com::CoUninitialize(); }

    static std::string text(const Text& t) { return t ? std::string(t.get()) : std::string(); }
    static std::string byte_text(const ByteSet& b) {
        auto span = rt::byte_set_bytes(b.get());
        return std::string(reinterpret_cast<const char*>(span.data()), span.size());
    }
};

}  // namespace

TEST_F(ComCommands, a_call_on_an_empty_object_fails_with_minus_one_and_an_empty_result) {
    ObjectVar empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(object_call_text(empty, "Eval", {text_argument("1")}), nullptr);
    EXPECT_EQ(last_object_call_error(), -1);
    VariantVar v = object_call_variant(empty, "Eval");
    EXPECT_EQ(v.get()->vt, com::VT_EMPTY);
    EXPECT_EQ(object_call_double(empty, "Eval"), 0.0);
    EXPECT_FALSE(object_call_bool(empty, "Eval"));
}

TEST_F(ComCommands, script_control_properties_calls_and_errors_set_the_last_error) {
    ObjectVar script;
    ASSERT_TRUE(object_create(script, "ScriptControl"));
    EXPECT_TRUE(object_set_property(script, "Language", text_argument("JScript")));
    EXPECT_EQ(last_object_call_error(), 0);
    EXPECT_FALSE(object_set_property(script, "Langauge", text_argument("JScript")));
    EXPECT_EQ(last_object_call_error(), -3);

    EXPECT_EQ(text(object_call_text(script, "Eval", {text_argument("'a' + 1")})), "a1");
    EXPECT_EQ(object_call_double(script, "Eval", {text_argument("1.5 * 2")}), 3.0);
    EXPECT_TRUE(object_call_bool(script, "Eval", {text_argument("2 > 1")}));
    EXPECT_EQ(text(object_call_text(script, "Eval", {text_argument("'\\u4e2d'")})), gbk("中"));

    EXPECT_EQ(object_call_text(script, "Eval", {text_argument("throw new Error('x')")}), nullptr);
    EXPECT_EQ(last_object_call_error(), -11);
    // A script value that does not convert to the requested type: -8.
    EXPECT_EQ(object_call_double(script, "Eval", {text_argument("'abc'")}), 0.0);
    EXPECT_EQ(last_object_call_error(), -8);
    EXPECT_FALSE(object_set_property(script, "Language", text_argument("Perl")));
    EXPECT_EQ(last_object_call_error(), -11);
}

TEST_F(ComCommands, omitted_arguments_in_the_middle_are_missing_and_trailing_ones_are_not_passed) {
    ObjectVar probe;
    ASSERT_TRUE(object_create(probe, "quilbex.probe"));
    EXPECT_EQ(text(object_call_text(probe, "Probe", {int_argument(1), omitted_argument(), text_argument("z")})),
              "supplied=3;03:1;missing;08:z");
    EXPECT_EQ(text(object_call_text(probe, "Probe", {int_argument(1), omitted_argument(), omitted_argument()})),
              "supplied=1;03:1;missing;missing");
    EXPECT_EQ(text(object_call_text(probe, "Probe", {bool_argument(true), double_argument(0.5)})),
              "supplied=2;11:-1;05:0.5;missing");
}

TEST_F(ComCommands, argument_counts_and_types_are_checked_before_the_call) {
    ObjectVar probe;
    ASSERT_TRUE(object_create(probe, "Quilbex.Probe"));
    object_call(probe, "Probe", {int_argument(1), int_argument(2), int_argument(3), int_argument(4)});
    EXPECT_EQ(last_object_call_error(), -5);
    alignas(4) unsigned char bytes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 7};
    object_call(probe, "Probe", {rt::ArgRecord::of_pointer(bytes, rt::kTypeByteSet)});
    EXPECT_EQ(last_object_call_error(), -7);
    object_call(probe, "Probe");
    EXPECT_EQ(last_object_call_error(), -9);
    // A variable argument list takes any number.
    ObjectVar same = probe.copy();
    EXPECT_EQ(object_call_double(same, "Items", {int_argument(1), int_argument(2), int_argument(3), int_argument(4)}),
              4.0);
    EXPECT_EQ(last_object_call_error(), 0);
}

TEST_F(ComCommands, outputs_are_written_back_into_variables_passed_by_reference) {
    ObjectVar probe;
    ASSERT_TRUE(object_create(probe, "Quilbex.Probe"));
    std::int32_t number = 41;
    object_call(probe, "Twist", {rt::ArgRecord::of_pointer(&number, rt::kTypeInt | rt::kByReference)});
    EXPECT_EQ(last_object_call_error(), 0);
    EXPECT_EQ(number, -41);
    // By value: the variable is not touched.
    object_call(probe, "Twist", {int_argument(5)});
    EXPECT_EQ(number, -41);

    char* name = rt::make_text(gbk("张三"));
    object_call(probe, "Greet", {rt::ArgRecord::of_pointer(&name, rt::kTypeText | rt::kByReference)});
    EXPECT_EQ(std::string(name), gbk("你好 张三"));
    rt::release(name);

    VariantVar v;
    ASSERT_TRUE(variant_assign(v, int_argument(7)));
    object_call(probe, "Twist", {v.by_ref()});
    EXPECT_EQ(v.get()->vt, com::VT_I4);
    EXPECT_EQ(v.get()->lVal, -7);
}

TEST_F(ComCommands, variables_are_read_and_written_as_properties) {
    ObjectVar probe;
    ASSERT_TRUE(object_create(probe, "Quilbex.Probe"));
    EXPECT_TRUE(object_set_property(probe, "level", text_argument("12")));
    EXPECT_EQ(object_call_double(probe, "Level"), 12.0);
}

TEST_F(ComCommands, stream_position_reads_a_by_reference_integer_and_bytes_pass_unchanged) {
    ObjectVar stream;
    ASSERT_TRUE(object_create(stream, "ADODB.STREAM"));
    ASSERT_TRUE(object_set_property(stream, "Type", int_argument(1)));
    object_call(stream, "Open");
    ASSERT_EQ(last_object_call_error(), 0);
    std::string payload("\x01\x00\xFF\x7Fxyz", 7);
    rt::OwnedBlock bytes(rt::make_byte_set(payload.data(), payload.size()));
    VariantVar data;
    ASSERT_TRUE(variant_assign(data, rt::ArgRecord::of_pointer(bytes.get(), rt::kTypeByteSet)));
    object_call(stream, "Write", {data.arg()});
    ASSERT_EQ(last_object_call_error(), 0);
    std::int32_t position = 3;
    ASSERT_TRUE(
        object_set_property(stream, "Position", rt::ArgRecord::of_pointer(&position, rt::kTypeInt | rt::kByReference)));
    EXPECT_EQ(object_call_double(stream, "Position"), 3.0);
    ASSERT_TRUE(object_set_property(stream, "Position", int_argument(0)));
    VariantVar read = object_call_variant(stream, "Read");
    ASSERT_EQ(last_object_call_error(), 0);
    ByteSet out = variant_to_bytes(read);
    auto span = rt::byte_set_bytes(out.get());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(span.data()), span.size()), payload);
}

// A variant passed by value reaches the member as it is (not copied) and is
// still the caller's, unchanged, after the call; the call must not free it.
TEST_F(ComCommands, a_variant_argument_stays_the_callers_after_each_call) {
    ObjectVar probe;
    ASSERT_TRUE(object_create(probe, "Quilbex.Probe"));
    std::string payload("\x00\x80"
                        "bytes",
                        7);
    rt::OwnedBlock bytes(rt::make_byte_set(payload.data(), payload.size()));
    VariantVar data;
    ASSERT_TRUE(variant_assign(data, rt::ArgRecord::of_pointer(bytes.get(), rt::kTypeByteSet)));
    for (int round = 0; round < 2; ++round) {
        VariantVar echoed = object_call_variant(probe, "Bytes", {data.arg()});
        ASSERT_EQ(last_object_call_error(), 0);
        EXPECT_EQ(byte_text(variant_to_bytes(echoed)), payload);
    }
    EXPECT_EQ(byte_text(variant_to_bytes(data)), payload);

    VariantVar word;
    ASSERT_TRUE(variant_assign(word, text_argument(gbk("签到").c_str())));
    EXPECT_EQ(text(object_call_text(probe, "Probe", {word.arg()})), gbk("supplied=1;08:签到;missing;missing"));
    EXPECT_EQ(text(object_call_text(probe, "Probe", {word.arg()})), gbk("supplied=1;08:签到;missing;missing"));
    VariantVar again = object_call_variant(probe, "Bytes", {word.arg()});
    EXPECT_EQ(again.get()->vt, com::VT_BSTR);
    EXPECT_EQ(com::bstr_view(again.get()->bstrVal), com::bstr_view(word.get()->bstrVal));
}

TEST_F(ComCommands, unknown_classes_leave_the_variable_as_it_was) {
    ObjectVar object;
    ASSERT_TRUE(object_create(object, "ScriptControl"));
    com::IUnknown* before = object.record()->object;
    EXPECT_FALSE(object_create(object, "No.Such.Class"));
    EXPECT_FALSE(object_create(object, "{00000000-0000-0000-0000-000000000000}"));
    EXPECT_FALSE(object_create(object, "{not a clsid}"));
    EXPECT_EQ(object.record()->object, before);
    EXPECT_TRUE(object_create(object, "{0E59F1D5-1FBE-11D0-8FF2-00A0D10038BC}"));
}

TEST_F(ComCommands, objects_are_released_exactly_once) {
    {
        ObjectVar warm;
        ASSERT_TRUE(object_create(warm, "Quilbex.Probe"));
    }
    long before = com::live_com_objects();
    {
        ObjectVar a;
        ASSERT_TRUE(object_create(a, "Quilbex.Probe"));
        ObjectVar b = a.copy();
        object_clear(a);
        EXPECT_TRUE(a.empty());
        EXPECT_FALSE(b.empty());
        EXPECT_EQ(com::live_com_objects(), before + 1);
        // A created object replaces the variable's old one, which is released.
        ASSERT_TRUE(object_create(b, "Quilbex.Probe"));
        EXPECT_EQ(com::live_com_objects(), before + 1);
    }
    EXPECT_EQ(com::live_com_objects(), before);
}

TEST_F(ComCommands, variant_arrays_have_one_based_bounds_and_known_element_types) {
    VariantVar v;
    ASSERT_TRUE(variant_create_array(v, 1, 5));
    EXPECT_EQ(v.get()->vt, com::VT_ARRAY | com::VT_UI1);
    com::LONG lo = 0, hi = 0;
    com::SafeArrayGetLBound(v.get()->parray, 1, &lo);
    com::SafeArrayGetUBound(v.get()->parray, 1, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 5);
    EXPECT_FALSE(variant_create_array(v, 11, 5));
    EXPECT_EQ(v.get()->vt, com::VT_ARRAY | com::VT_UI1);  // left alone
    EXPECT_FALSE(variant_create_array(v, 1, -1));

    ASSERT_TRUE(variant_assign(v, int_argument(65), 2));
    ASSERT_TRUE(variant_assign(v, text_argument("66"), 3));
    EXPECT_FALSE(variant_assign(v, int_argument(1), 6));
    EXPECT_FALSE(variant_assign(v, int_argument(1), 0));
    EXPECT_FALSE(variant_assign(v, int_argument(300), 1));
    ByteSet bytes = variant_to_bytes(v);
    auto span = rt::byte_set_bytes(bytes.get());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(span.data()), span.size()), std::string("\0AB\0\0", 5));
}

TEST_F(ComCommands, empty_byte_sets_make_empty_byte_arrays) {
    VariantVar v;
    ASSERT_TRUE(variant_assign(v, rt::ArgRecord::of_pointer(nullptr, rt::kTypeByteSet)));
    EXPECT_EQ(v.get()->vt, com::VT_ARRAY | com::VT_UI1);
    EXPECT_EQ(com::safe_array_element_count(v.get()->parray), 0u);
    EXPECT_EQ(variant_to_bytes(v), nullptr);
}

TEST_F(ComCommands, runtime_arrays_become_safe_arrays_and_elements_convert) {
    alignas(8) unsigned char block[4 + 4 + 3 * 4];
    std::uint32_t header[2] = {1, 3};
    std::int32_t values[3] = {10, -2, 30};
    std::memcpy(block, header, 8);
    std::memcpy(block + 8, values, 12);
    VariantVar v;
    ASSERT_TRUE(variant_assign(v, rt::ArgRecord::of_pointer(block, rt::kTypeInt | rt::kByReference)));
    ASSERT_EQ(v.get()->vt, com::VT_ARRAY | com::VT_I4);
    com::LONG idx = 2, got = 0;
    ASSERT_EQ(com::SafeArrayGetElement(v.get()->parray, &idx, &got), com::S_OK);
    EXPECT_EQ(got, -2);
    // Element 1 as bytes: a number does not convert to a byte array.
    EXPECT_EQ(variant_to_bytes(v, 1), nullptr);
    // Any other array gives no bytes.
    EXPECT_EQ(variant_to_bytes(v), nullptr);

    VariantVar list;
    ASSERT_TRUE(variant_set_type(list, 13) == false);  // an empty variant is no array
    ASSERT_TRUE(variant_create_array(list, 10, 2));
    ASSERT_TRUE(variant_assign(list, text_argument("AB"), 1));
    ByteSet bytes = variant_to_bytes(list, 1);
    auto span = rt::byte_set_bytes(bytes.get());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(span.data()), span.size()), std::string("A\0B\0", 4));
}

TEST_F(ComCommands, set_type_makes_empty_values_of_the_numbered_types) {
    VariantVar v;
    ASSERT_TRUE(variant_set_type(v, 2));
    EXPECT_EQ(v.get()->vt, com::VT_BSTR);
    ASSERT_TRUE(variant_set_type(v, 3));
    EXPECT_EQ(v.get()->vt, com::VT_BOOL);
    ASSERT_TRUE(variant_set_type(v, 0));
    EXPECT_EQ(v.get()->vt, com::VT_EMPTY);
    EXPECT_FALSE(variant_set_type(v, 14));
}

TEST(ComCommandsThreads, the_last_error_is_per_thread_and_com_must_be_initialised) {
    register_automation();
    std::int32_t worker_error = 1;
    bool created_without_com = true;
    std::thread worker([&] {
        ObjectVar object;
        created_without_com = object_create(object, "ScriptControl");
        object_call(object, "Eval");
        worker_error = last_object_call_error();
    });
    worker.join();
    EXPECT_FALSE(created_without_com);
    EXPECT_EQ(worker_error, -1);
}

TEST(ComCommandsLibrary, lists_every_command_and_binds_ole32) {
    register_automation();
    EXPECT_EQ(com_commands().size(), 15u);
    EXPECT_NE(find_com_command("variant_to_bytes"), nullptr);
    EXPECT_EQ(find_com_command("nothing"), nullptr);
    win::HMODULE ole32 = kernel::LoadLibraryA("OLE32.DLL");
    ASSERT_NE(ole32, nullptr);
    using Init = win::HRESULT (*)(void*);
    using Uninit = void (*)();
    auto init = reinterpret_cast<Init>(kernel::GetProcAddress(ole32, "CoInitialize"));
    auto uninit = reinterpret_cast<Uninit>(kernel::GetProcAddress(ole32, "CoUninitialize"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(uninit, nullptr);
    std::thread worker([&] {
        EXPECT_FALSE(com::com_initialized_on_this_thread());
        EXPECT_EQ(init(nullptr), 0);
        EXPECT_TRUE(com::com_initialized_on_this_thread());
        uninit();
        EXPECT_FALSE(com::com_initialized_on_this_thread());
    });
    worker.join();
    kernel::FreeLibrary(ole32);
}

namespace {

// An object with only IUnknown, and a dispatch object without type information.
class PlainObject final : public com::IUnknown {
public:
    com::HRESULT QueryInterface(const com::IID& iid, void** out) override {
        if (!(iid == com::IID_IUnknown)) {
            *out = nullptr;
            return com::E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return com::S_OK;
    }
    com::ULONG AddRef() override { return ++m_refs; }
    com::ULONG Release() override {
        com::ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    com::ULONG m_refs = 1;
};

class Untyped final : public com::DispatchObject {
public:
    Untyped() : DispatchObject(com::TypeInfo::create_dispatch(u"Untyped", {})) {}
    com::HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo** out) override {
        *out = nullptr;
        return com::E_NOTIMPL;
    }

private:
    com::HRESULT invoke_member(com::Invocation&) override { return com::S_OK; }
};

}  // namespace

TEST_F(ComCommands, objects_without_dispatch_or_type_information_cannot_be_called) {
    ObjectVar plain;
    plain.record()->object = new PlainObject();
    object_call(plain, "Anything");
    EXPECT_EQ(last_object_call_error(), -2);
    ObjectVar untyped;
    untyped.record()->object = static_cast<com::IDispatch*>(new Untyped());
    EXPECT_EQ(object_call_text(untyped, "Anything"), nullptr);
    EXPECT_EQ(last_object_call_error(), -4);
}
