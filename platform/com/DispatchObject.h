#pragma once
// DispatchObject: the base of our automation classes. It implements
// IDispatch over a TypeInfo: Invoke finds the member by id and access kind,
// checks the argument count and named arguments, converts every argument to
// its declared type and calls the class's `call` with them in declared order.
//
// Invoke results:
//   DISP_E_MEMBERNOTFOUND   no member with that id for that kind of access
//   DISP_E_NONAMEDARGS      named arguments other than a property put's value
//   DISP_E_BADPARAMCOUNT    too many arguments, or fewer than the required ones
//   DISP_E_PARAMNOTOPTIONAL a required argument passed as "missing"
//   DISP_E_TYPEMISMATCH,
//   DISP_E_OVERFLOW         an argument that does not convert (*arg_err = its index)
//   DISP_E_EXCEPTION        the member failed; EXCEPINFO holds the message
//   CO_E_NOTINITIALIZED     the calling thread has not initialised COM

#include "platform/com/ComPtr.h"
#include "platform/com/RefCounted.h"
#include "platform/com/TypeInfo.h"
#include "platform/com/Variant.h"

#include <string>
#include <vector>

namespace quilbex::com {

// One call of a member as the class sees it.
struct Invocation {
    DISPID id = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    // Declared parameters in order (an omitted optional one is VT_ERROR
    // holding DISP_E_PARAMNOTFOUND), then the variable arguments, if any.
    // A by-reference parameter given by reference stays a reference, so
    // that the member can write its output through it.
    std::vector<Variant> args;
    // How many positional arguments the caller passed (before omitted
    // optional parameters were filled in).
    std::size_t supplied = 0;
    // Where the member puts its result; always valid.
    VARIANT* result = nullptr;

    // Ends the call as a failure of the member with a message.
    HRESULT fail(std::u16string description, SCODE code = E_FAIL) {
        error_description = std::move(description);
        error_code = code;
        return DISP_E_EXCEPTION;
    }
    static bool is_missing(const Variant& v) { return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND; }

    std::u16string error_description;
    SCODE error_code = E_FAIL;

    // Arguments that already had their declared type are lent, not copied:
    // `args[i]` is a shallow copy of the caller's VARIANT for every i listed
    // here, and is emptied (not cleared) when the call ends. Members read
    // their arguments and never free or change them in place.
    std::vector<std::size_t> lent;
    ~Invocation() {
        for (std::size_t i : lent)
            VariantInit(args[i].get());
    }
};

class DispatchObject : public IDispatch, protected RefCounted {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return add_ref(); }
    ULONG Release() override { return release(); }
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                   UINT* arg_err) override;

protected:
    explicit DispatchObject(ComPtr<TypeInfo> type_info);
    ~DispatchObject() override = default;

    // Runs the member. Returns S_OK, or the result of Invocation::fail.
    virtual HRESULT invoke_member(Invocation& call) = 0;
    // Other interfaces the class offers; the default offers none.
    virtual void* query_extra(REFIID) { return nullptr; }

    const ComPtr<TypeInfo>& type_info() const { return m_type_info; }

private:
    HRESULT prepare_arguments(const ELEMDESC* params, int declared, bool vararg, int required, DISPPARAMS* dp,
                              UINT value_count, Invocation& call, UINT* arg_err);

    ComPtr<TypeInfo> m_type_info;
};

// Fills EXCEPINFO for a member failure (source and description as BSTRs).
void fill_excepinfo(EXCEPINFO* excep, std::u16string_view source, std::u16string_view description, SCODE code);
// Frees the BSTRs of an EXCEPINFO and zeroes it.
void clear_excepinfo(EXCEPINFO* excep);

}  // namespace quilbex::com
