// The member call behind object_call, its typed variants and
// object_set_property: binds the member name through the object's type
// information, converts the arguments to VARIANTs as the member declares
// them, invokes, writes outputs back and converts the result.
#include "commands/Arguments.h"
#include "commands/com/ComCommands.h"
#include "commands/com/ComValues.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Iconv.h"
#include "platform/com/TypeInfo.h"
#include "platform/com/Variant.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quilbex::commands {

using namespace quilbex::com;
using namespace quilbex::commands::comvalues;

namespace {

thread_local std::int32_t t_last_error = 0;

enum class Access { Read = 1, Write = 2, Call = 3 };

std::int32_t error_for(HRESULT h) {
    switch (h) {
    case DISP_E_BADPARAMCOUNT: return -9;
    case DISP_E_BADVARTYPE: return -10;
    case DISP_E_EXCEPTION: return -11;
    case DISP_E_MEMBERNOTFOUND: return -12;
    case DISP_E_NONAMEDARGS: return -13;
    case DISP_E_OVERFLOW: return -14;
    case DISP_E_PARAMNOTFOUND: return -15;
    case DISP_E_TYPEMISMATCH: return -16;
    case DISP_E_PARAMNOTOPTIONAL: return -17;
    default: return -18;
    }
}

// A declared type as the call sees it: VT_PTR adds VT_BYREF, arrays add
// VT_ARRAY, VT_INT/VT_UINT become 32-bit, user-defined types resolve through
// their type information (enumerations VT_I4, dispatch interfaces
// VT_DISPATCH, aliases in turn, anything else VT_UNKNOWN).
VARTYPE resolve_type(ITypeInfo* info, const TYPEDESC& t, int depth = 0) {
    if (depth > 16)
        return VT_UNKNOWN;
    switch (t.vt) {
    case VT_PTR: return t.lptdesc ? VARTYPE(resolve_type(info, *t.lptdesc, depth + 1) | VT_BYREF) : VARTYPE(VT_UNKNOWN);
    case VT_SAFEARRAY:
        return t.lptdesc ? VARTYPE(resolve_type(info, *t.lptdesc, depth + 1) | VT_ARRAY) : VARTYPE(VT_UNKNOWN);
    case VT_CARRAY:
        return t.lpadesc ? VARTYPE(resolve_type(info, t.lpadesc->tdescElem, depth + 1) | VT_ARRAY)
                         : VARTYPE(VT_UNKNOWN);
    case VT_INT: return VT_I4;
    case VT_UINT: return VT_UI4;
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> ref;
        if (!info || FAILED(info->GetRefTypeInfo(t.hreftype, ref.put())))
            return VT_UNKNOWN;
        TYPEATTR* attr = nullptr;
        if (FAILED(ref->GetTypeAttr(&attr)) || !attr)
            return VT_UNKNOWN;
        VARTYPE out = VT_UNKNOWN;
        if (attr->typekind == TKIND_ENUM)
            out = VT_I4;
        else if (attr->typekind == TKIND_DISPATCH)
            out = VT_DISPATCH;
        else if (attr->typekind == TKIND_ALIAS)
            out = resolve_type(ref.get(), attr->tdescAlias, depth + 1);
        ref->ReleaseTypeAttr(attr);
        return out;
    }
    default: return t.vt;
    }
}

// What Bind found, released through the type information that owns it.
struct Binding {
    ComPtr<ITypeInfo> info;
    DESCKIND kind = DESCKIND_NONE;
    BINDPTR bound{};

    ~Binding() {
        if (!info)
            return;
        if (kind == DESCKIND_FUNCDESC)
            info->ReleaseFuncDesc(bound.lpfuncdesc);
        else if (kind == DESCKIND_VARDESC)
            info->ReleaseVarDesc(bound.lpvardesc);
        else if (kind == DESCKIND_TYPECOMP && bound.lptcomp)
            bound.lptcomp->Release();
    }
};

bool bind(ITypeComp* comp, LPOLESTR name, Access access, Binding* binding) {
    static const WORD kRead[] = {INVOKE_PROPERTYGET, INVOKE_FUNC};
    static const WORD kWrite[] = {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};
    static const WORD kCall[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
    const WORD* kinds = access == Access::Read ? kRead : access == Access::Write ? kWrite : kCall;
    std::size_t count = access == Access::Read ? 2 : access == Access::Write ? 3 : 4;
    ULONG hash = LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, name);
    for (std::size_t i = 0; i < count; ++i) {
        Binding attempt;
        HRESULT h = comp->Bind(name, hash, kinds[i], attempt.info.put(), &attempt.kind, &attempt.bound);
        if (SUCCEEDED(h) && attempt.kind != DESCKIND_NONE) {
            binding->info = std::move(attempt.info);
            binding->kind = attempt.kind;
            binding->bound = attempt.bound;
            attempt.kind = DESCKIND_NONE;
            return true;
        }
    }
    return false;
}

// The 2n VARIANTs of a call: argument slots (last argument first) and the
// shadows that by-reference slots point into.
class ArgumentBlock {
public:
    explicit ArgumentBlock(std::size_t n) : m_slots(2 * n), m_lent(2 * n, false) {
        for (VARIANT& v : m_slots)
            VariantInit(&v);
    }
    ~ArgumentBlock() {
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            VARIANT& v = m_slots[i];
            if (m_lent[i]) {
                // A shallow copy of the caller's variant: nothing here owns it.
                VariantInit(&v);
                continue;
            }
            if (v.vt == VT_RECORD) {
                // The record's data is lent by the caller's object; only the
                // reference on its record information belongs to the call.
                if (v.pRecInfo)
                    v.pRecInfo->Release();
                VariantInit(&v);
            }
            VariantClear(&v);
        }
    }
    VARIANT* slot(std::size_t i) { return &m_slots[i]; }
    VARIANT* shadow(std::size_t i) { return &m_slots[m_slots.size() / 2 + i]; }
    VARIANT* data() { return m_slots.data(); }
    // Lends the caller's variant to argument slot `i` for the call.
    void lend(std::size_t i, const VARIANT& value) {
        std::memcpy(&m_slots[i], &value, sizeof(VARIANT));
        m_lent[i] = true;
    }

private:
    std::vector<VARIANT> m_slots;
    std::vector<bool> m_lent;
};

// The variant of a variant argument that can be lent to a by-value
// parameter as it is, rather than copied: members never free or change their
// by-value arguments, and a by-value parameter is never written back. Only
// texts and arrays are lent, the values worth not copying (a body of a
// megabyte); null for anything else, which is copied as before (a reference
// within a variant is read through by the copy).
const VARIANT* lendable_variant(const rt::ArgRecord& record, VARTYPE declared) {
    if ((declared & VT_BYREF) || base_type(record.type) != kTypeVariant)
        return nullptr;
    auto* v = static_cast<const VARIANT*>(record.pointer());
    if (!v || (v->vt & VT_BYREF))
        return nullptr;
    return v->vt == VT_BSTR || ((v->vt & VT_ARRAY) && v->parray) ? v : nullptr;
}

void move_variant(VARIANT* to, VARIANT* from) {
    std::memcpy(to, from, sizeof(VARIANT));
    VariantInit(from);
}

// Fills slot and shadow for one supplied argument. False: -7.
bool fill_argument(const rt::ArgRecord& record, VARTYPE declared, VARIANT* slot, VARIANT* shadow) {
    if (record.omitted()) {
        slot->vt = VT_ERROR;
        slot->scode = DISP_E_PARAMNOTFOUND;
        return true;
    }
    if (!(declared & VT_BYREF))
        return argument_to_variant(record, declared, slot);
    if (!argument_to_variant(record, declared, shadow))
        return false;
    const VARTYPE base = declared & ~VT_BYREF;
    if (shadow->vt == VT_ERROR) {
        move_variant(slot, shadow);
    } else if (base & VT_ARRAY) {
        if (shadow->vt & VT_ARRAY) {
            slot->vt = VT_BYREF | shadow->vt;
            slot->pparray = &shadow->parray;
        } else {
            move_variant(slot, shadow);
        }
    } else if (base == VT_VARIANT) {
        slot->vt = VT_BYREF | VT_VARIANT;
        slot->pvarVal = shadow;
    } else if (base != VT_RECORD && SUCCEEDED(VariantChangeType(shadow, shadow, 0, base))) {
        slot->vt = VT_BYREF | base;
        slot->byref = &shadow->llVal;
        if (base == VT_DECIMAL)
            slot->byref = shadow;
    } else {
        move_variant(slot, shadow);
    }
    return true;
}

std::int32_t member_call(Access access, std::uint32_t result_type, rt::ArgRecord* result, int argc,
                         rt::ArgRecord* args) {
    rt::ArgRecord object_arg = argument(argc, args, 0);
    std::u16string name = utf16_from_gbk(text_of(argument(argc, args, 1)));
    auto* object = static_cast<const ObjectRecord*>(object_arg.pointer());
    if (!object || !object->object)
        return -1;
    ComPtr<IDispatch> dispatch;
    if (FAILED(object->object->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch)
        return -2;
    ComPtr<ITypeComp> comp;
    {
        ComPtr<ITypeInfo> info;
        if (FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info ||
            FAILED(info->GetTypeComp(comp.put())) || !comp)
            return -4;
    }
    Binding binding;
    if (!bind(comp.get(), name.data(), access, &binding))
        return -3;

    DISPID id = 0;
    WORD flags = 0;
    std::vector<ELEMDESC> declared;
    bool vararg = false;
    if (binding.kind == DESCKIND_FUNCDESC) {
        const FUNCDESC* f = binding.bound.lpfuncdesc;
        id = f->memid;
        flags = WORD(f->invkind);
        declared.assign(f->lprgelemdescParam, f->lprgelemdescParam + f->cParams);
        vararg = f->cParamsOpt == -1 && f->cParams > 0;
    } else if (binding.kind == DESCKIND_VARDESC || binding.kind == DESCKIND_IMPLICITAPPOBJ) {
        const VARDESC* v = binding.bound.lpvardesc;
        id = v->memid;
        if (access == Access::Write) {
            declared.push_back(v->elemdescVar);
            VARTYPE t = resolve_type(binding.info.get(), v->elemdescVar.tdesc);
            bool by_ref_put = (t & VT_ARRAY) || (t & VT_TYPEMASK) == VT_UNKNOWN || (t & VT_TYPEMASK) == VT_DISPATCH;
            flags = by_ref_put ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
        } else {
            flags = INVOKE_PROPERTYGET;
        }
    } else {
        return -3;
    }

    // The supplied arguments, without trailing omitted ones.
    int supplied = std::max(0, argc - 2);
    while (supplied > 0 && args[2 + supplied - 1].omitted())
        --supplied;
    if (supplied > int(declared.size())) {
        if (!vararg)
            return -5;
        ELEMDESC last = declared.back();
        declared.resize(std::size_t(supplied), last);
    }

    ArgumentBlock block{std::size_t(supplied)};
    for (int k = supplied - 1; k >= 0; --k) {
        std::size_t slot = std::size_t(supplied - 1 - k);
        VARTYPE t = resolve_type(binding.info.get(), declared[std::size_t(k)].tdesc);
        if (const VARIANT* lent = lendable_variant(args[2 + k], t))
            block.lend(slot, *lent);
        else if (!fill_argument(args[2 + k], t, block.slot(slot), block.shadow(slot)))
            return -7;
    }
    DISPID put_id = DISPID_PROPERTYPUT;
    const bool is_put = flags & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
    DISPPARAMS params{supplied ? block.data() : nullptr, is_put ? &put_id : nullptr, UINT(supplied), is_put ? 1u : 0u};
    Variant value;
    UINT arg_err = UINT(-1);
    HRESULT h = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, value.get(), nullptr, &arg_err);
    if (FAILED(h))
        return error_for(h);

    for (int k = 0; k < supplied; ++k) {
        VARIANT* slot = block.slot(std::size_t(supplied - 1 - k));
        const rt::ArgRecord& record = args[2 + k];
        if ((slot->vt & VT_BYREF) && (declared[std::size_t(k)].paramdesc.wParamFlags & PARAMFLAG_FOUT) &&
            by_reference(record.type))
            write_back(slot, record);
    }
    if (result_type != rt::kTypeNone && !variant_to_result(value.get(), result_type, result, true))
        return -8;
    return 0;
}

void run_member_call(Access access, std::uint32_t result_type, rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    if (result_type != rt::kTypeNone)
        result->type = result_type;
    std::int32_t error = member_call(access, result_type, result, argc, args);
    if (error != 0 && result_type != rt::kTypeNone)
        empty_result(result_type, result);
    t_last_error = error;
}

}  // namespace

std::int32_t last_object_call_error() { return t_last_error; }

namespace lib {

void object_call(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Call, rt::kTypeNone, result, argc, args);
}

void object_call_variant(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Call, kTypeVariant, result, argc, args);
}

void object_call_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Call, rt::kTypeText, result, argc, args);
}

void object_call_double(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Call, rt::kTypeDouble, result, argc, args);
}

void object_call_bool(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Call, rt::kTypeBool, result, argc, args);
}

void object_set_property(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    run_member_call(Access::Write, rt::kTypeNone, result, argc, args);
    set_bool(result, t_last_error == 0);
}

}  // namespace lib
}  // namespace quilbex::commands
