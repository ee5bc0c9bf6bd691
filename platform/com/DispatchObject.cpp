#include "platform/com/DispatchObject.h"

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"

#include <cstring>

namespace quilbex::com {
namespace {

// The type an argument is converted to for a declared parameter type:
// the base type under pointers and arrays; arrays and variants take the
// argument as it is.
VARTYPE conversion_target(const TYPEDESC& t, bool* as_is, bool* by_ref) {
    const TYPEDESC* d = &t;
    *by_ref = false;
    while (d->vt == VT_PTR) {
        *by_ref = true;
        d = d->lptdesc;
    }
    if (d->vt == VT_SAFEARRAY || d->vt == VT_CARRAY || d->vt == VT_VARIANT || d->vt == VT_USERDEFINED) {
        *as_is = true;
        return VT_VARIANT;
    }
    *as_is = false;
    if (d->vt == VT_INT)
        return VT_I4;
    if (d->vt == VT_UINT)
        return VT_UI4;
    return d->vt;
}

}  // namespace

DispatchObject::DispatchObject(ComPtr<TypeInfo> type_info) : m_type_info(std::move(type_info)) {}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (void* extra = query_extra(iid)) {
        *out = extra;
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    add_ref();
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    m_type_info->AddRef();
    *out = m_type_info.get();
    return S_OK;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!(iid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return m_type_info->GetIDsOfNames(names, count, ids);
}

HRESULT DispatchObject::prepare_arguments(const ELEMDESC* params, int declared, bool vararg, int required,
                                          DISPPARAMS* dp, UINT value_count, Invocation& call, UINT* arg_err) {
    const int supplied = static_cast<int>(value_count);
    call.supplied = value_count;
    const int fixed = vararg ? declared - 1 : declared;
    if ((!vararg && supplied > declared) || supplied < required)
        return DISP_E_BADPARAMCOUNT;
    // rgvarg holds the named property value first (when present), then the
    // positional arguments last-first.
    const UINT named = dp->cArgs - value_count;
    auto positional = [&](int i) -> VARIANT& { return dp->rgvarg[named + (supplied - 1 - i)]; };
    auto fail_at = [&](int i, HRESULT h) {
        if (arg_err)
            *arg_err = named + UINT(supplied - 1 - i);
        return h;
    };
    for (int i = 0; i < supplied; ++i) {
        VARIANT& a = positional(i);
        Variant value;
        bool is_missing_marker = a.vt == VT_ERROR && a.scode == DISP_E_PARAMNOTFOUND;
        if (i >= fixed) {
            // Variable argument list: every surplus argument as given.
            HRESULT h = VariantCopyInd(value.get(), &a);
            if (FAILED(h))
                return fail_at(i, DISP_E_TYPEMISMATCH);
            call.args.push_back(std::move(value));
            continue;
        }
        const ELEMDESC& p = params[i];
        if (is_missing_marker) {
            if (!(p.paramdesc.wParamFlags & PARAMFLAG_FOPT))
                return fail_at(i, DISP_E_PARAMNOTOPTIONAL);
            value->vt = VT_ERROR;
            value->scode = DISP_E_PARAMNOTFOUND;
            call.args.push_back(std::move(value));
            continue;
        }
        bool as_is = false, by_ref = false;
        VARTYPE target = conversion_target(p.tdesc, &as_is, &by_ref);
        HRESULT h = S_OK;
        if (!(a.vt & VT_BYREF) && (as_is || a.vt == target)) {
            // Already of the declared type: lent for the call.
            std::memcpy(value.get(), &a, sizeof(VARIANT));
            call.lent.push_back(call.args.size());
        } else if (by_ref && (a.vt & VT_BYREF) && (as_is || (a.vt & ~VT_BYREF) == target)) {
            // An output parameter given by reference: pass the reference on.
            std::memcpy(value.get(), &a, sizeof(VARIANT));
        } else if (as_is) {
            h = VariantCopyInd(value.get(), &a);
        } else {
            h = VariantChangeType(value.get(), &a, 0, target);
        }
        if (FAILED(h))
            return fail_at(i, h == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH);
        call.args.push_back(std::move(value));
    }
    for (int i = supplied; i < fixed; ++i) {
        Variant missing;
        missing->vt = VT_ERROR;
        missing->scode = DISP_E_PARAMNOTFOUND;
        call.args.push_back(std::move(missing));
    }
    return S_OK;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* arg_err) {
    if (!com_initialized_on_this_thread())
        return CO_E_NOTINITIALIZED;
    if (!(iid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS empty{nullptr, nullptr, 0, 0};
    DISPPARAMS* dp = params ? params : &empty;
    if (dp->cArgs > 0 && !dp->rgvarg)
        return E_INVALIDARG;

    const bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    if (is_put) {
        if (dp->cNamedArgs != 1 || !dp->rgdispidNamedArgs || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            dp->cArgs < 1)
            return dp->cNamedArgs > 1 || (dp->cNamedArgs == 1 && dp->rgdispidNamedArgs &&
                                          dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                       ? DISP_E_NONAMEDARGS
                       : DISP_E_PARAMNOTOPTIONAL;
    } else if (dp->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }

    Invocation call;
    Variant local_result;
    call.id = id;
    call.result = local_result.get();

    if (const FUNCDESC* f = m_type_info->find_function(id, flags)) {
        call.kind = f->invkind;
        const bool vararg = f->cParamsOpt == -1;
        int declared = f->cParams;
        int optional = vararg ? 1 : f->cParamsOpt;
        if (is_put) {
            // The value is the last declared parameter and the named argument.
            if (declared < 1)
                return DISP_E_BADPARAMCOUNT;
            HRESULT h = prepare_arguments(f->lprgelemdescParam, declared - 1, false, declared - 1 - optional, dp,
                                          dp->cArgs - 1, call, arg_err);
            if (FAILED(h))
                return h;
            Variant value;
            bool as_is = false, by_ref = false;
            VARTYPE target = conversion_target(f->lprgelemdescParam[declared - 1].tdesc, &as_is, &by_ref);
            h = as_is ? VariantCopyInd(value.get(), &dp->rgvarg[0])
                      : VariantChangeType(value.get(), &dp->rgvarg[0], 0, target);
            if (FAILED(h)) {
                if (arg_err)
                    *arg_err = 0;
                return h == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
            }
            call.args.push_back(std::move(value));
        } else {
            HRESULT h = prepare_arguments(f->lprgelemdescParam, declared, vararg, declared - optional, dp, dp->cArgs,
                                          call, arg_err);
            if (FAILED(h))
                return h;
        }
    } else if (const VARDESC* v = m_type_info->find_variable(id)) {
        if (is_put) {
            if (dp->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            call.kind = (flags & DISPATCH_PROPERTYPUT) ? INVOKE_PROPERTYPUT : INVOKE_PROPERTYPUTREF;
            Variant value;
            bool as_is = false, by_ref = false;
            VARTYPE target = conversion_target(v->elemdescVar.tdesc, &as_is, &by_ref);
            HRESULT h = as_is ? VariantCopyInd(value.get(), &dp->rgvarg[0])
                              : VariantChangeType(value.get(), &dp->rgvarg[0], 0, target);
            if (FAILED(h)) {
                if (arg_err)
                    *arg_err = 0;
                return h == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
            }
            call.args.push_back(std::move(value));
        } else if (flags & DISPATCH_PROPERTYGET) {
            if (dp->cArgs != 0)
                return DISP_E_BADPARAMCOUNT;
            call.kind = INVOKE_PROPERTYGET;
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
    } else {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT h = invoke_member(call);
    if (h == DISP_E_EXCEPTION) {
        fill_excepinfo(excep, m_type_info->name(), call.error_description, call.error_code);
        return h;
    }
    if (FAILED(h))
        return h;
    if (result) {
        // The caller's result slot is taken as empty, as callers pass it.
        local_result.detach_to(result);
    }
    return S_OK;
}

void fill_excepinfo(EXCEPINFO* excep, std::u16string_view source, std::u16string_view description, SCODE code) {
    if (!excep)
        return;
    std::memset(excep, 0, sizeof(EXCEPINFO));
    excep->bstrSource = bstr_from_utf16(source);
    excep->bstrDescription = bstr_from_utf16(description);
    excep->scode = code;
}

void clear_excepinfo(EXCEPINFO* excep) {
    if (!excep)
        return;
    SysFreeString(excep->bstrSource);
    SysFreeString(excep->bstrDescription);
    SysFreeString(excep->bstrHelpFile);
    std::memset(excep, 0, sizeof(EXCEPINFO));
}

}  // namespace quilbex::com
