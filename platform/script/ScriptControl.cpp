#include "platform/script/ScriptControl.h"

#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchObject.h"
#include "platform/script/ScriptEngine.h"

#include <memory>

namespace quilbex::script {
namespace {

using namespace quilbex::com;

enum : DISPID {
    kLanguage = 1500,
    kTimeout = 1503,
    kAddCode = 2000,
    kEval = 2001,
    kExecuteStatement = 2002,
    kRun = 2003,
    kReset = 2004,
};

constexpr LONG kDefaultTimeoutMs = 10000;

ComPtr<TypeInfo> script_control_type() {
    static ComPtr<TypeInfo> info = TypeInfo::create_dispatch(
        u"ScriptControl",
        {
            {u"Language", kLanguage, MemberKind::PropertyGet, {VT_BSTR}, {}},
            {u"Language", kLanguage, MemberKind::PropertyPut, {VT_VOID}, {{u"pbstrLanguage", {VT_BSTR}}}},
            {u"Timeout", kTimeout, MemberKind::PropertyGet, {VT_I4}, {}},
            {u"Timeout", kTimeout, MemberKind::PropertyPut, {VT_VOID}, {{u"plMilleseconds", {VT_I4}}}},
            {u"AddCode", kAddCode, MemberKind::Method, {VT_VOID}, {{u"Code", {VT_BSTR}}}},
            {u"Eval", kEval, MemberKind::Method, {VT_VARIANT}, {{u"Expression", {VT_BSTR}}}},
            {u"ExecuteStatement", kExecuteStatement, MemberKind::Method, {VT_VOID}, {{u"Statement", {VT_BSTR}}}},
            {u"Run",
             kRun,
             MemberKind::Method,
             {VT_VARIANT},
             {{u"ProcedureName", {VT_BSTR}}, {u"Parameters", {VT_VARIANT, true, true}}},
             true},
            {u"Reset", kReset, MemberKind::Method, {VT_VOID}, {}},
        });
    return info;
}

bool is_supported_language(std::u16string_view name) {
    return names_equal(name, u"JScript") || names_equal(name, u"JavaScript");
}

class ScriptControlObject final : public DispatchObject {
public:
    ScriptControlObject() : DispatchObject(script_control_type()) {}

private:
    HRESULT invoke_member(Invocation& call) override {
        switch (call.id) {
        case kLanguage: return language(call);
        case kTimeout:
            if (call.kind == INVOKE_PROPERTYPUT) {
                LONG ms = call.args[0]->lVal;
                if (ms < -1)
                    return call.fail(u"Invalid Timeout value", E_INVALIDARG);
                m_timeout_ms = ms;
                return S_OK;
            }
            call.result->vt = VT_I4;
            call.result->lVal = m_timeout_ms;
            return S_OK;
        case kReset:
            if (!m_language.empty())
                return start_engine(call);
            return S_OK;
        default: break;
        }
        if (!m_engine)
            return call.fail(u"The Language property must be set before code is run", E_UNEXPECTED);
        ScriptEngine::Timeout timeout(m_timeout_ms);
        switch (call.id) {
        case kAddCode:
        case kExecuteStatement:
        case kEval: {
            ScriptOutcome outcome = m_engine->eval(bstr_view(call.args[0]->bstrVal), timeout);
            if (!outcome.ok)
                return call.fail(outcome.error);
            if (call.id == kEval)
                outcome.value.detach_to(call.result);
            return S_OK;
        }
        case kRun: {
            std::vector<Variant> args(call.args.begin() + 1, call.args.end());
            ScriptOutcome outcome = m_engine->call(bstr_view(call.args[0]->bstrVal), args, timeout);
            if (!outcome.ok)
                return call.fail(outcome.error);
            outcome.value.detach_to(call.result);
            return S_OK;
        }
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

    HRESULT language(Invocation& call) {
        if (call.kind != INVOKE_PROPERTYPUT) {
            call.result->vt = VT_BSTR;
            call.result->bstrVal = bstr_from_utf16(m_language);
            return S_OK;
        }
        std::u16string_view name = bstr_view(call.args[0]->bstrVal);
        if (!is_supported_language(name))
            return call.fail(u"The script language is not supported", E_INVALIDARG);
        m_language = name;
        return start_engine(call);
    }

    HRESULT start_engine(Invocation& call) {
        m_engine = ScriptEngine::create();
        if (!m_engine)
            return call.fail(u"Out of memory", E_OUTOFMEMORY);
        return S_OK;
    }

    std::u16string m_language;
    LONG m_timeout_ms = kDefaultTimeoutMs;
    std::unique_ptr<ScriptEngine> m_engine;
};

}  // namespace

void register_script_control_class() {
    register_class(CLSID_ScriptControl, {u"ScriptControl", u"MSScriptControl.ScriptControl"},
                   [](REFIID iid, void** out) {
                       auto object = ComPtr<ScriptControlObject>::adopt(new ScriptControlObject());
                       return object->QueryInterface(iid, out);
                   });
}

}  // namespace quilbex::script
