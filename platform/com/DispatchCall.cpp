#include "platform/com/DispatchCall.h"

#include "platform/com/Bstr.h"
#include "platform/com/DispatchObject.h"

#include <cstring>

namespace quilbex::com {

HRESULT dispatch_call(IDispatch* object, std::u16string_view name, WORD flags, const std::vector<Variant>& args,
                      Variant* result, DispatchError* error) {
    auto report = [&](HRESULT h) {
        if (error)
            error->result = h;
        return h;
    };
    if (!object)
        return report(E_POINTER);
    std::u16string member(name);
    LPOLESTR names[1] = {member.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT h = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(h))
        return report(h);
    // Arguments travel last-first; the VARIANTs are borrowed, not copied.
    std::vector<VARIANT> raw(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        std::memcpy(&raw[args.size() - 1 - i], args[i].get(), sizeof(VARIANT));
    DISPID put_id = DISPID_PROPERTYPUT;
    const bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{raw.empty() ? nullptr : raw.data(), is_put ? &put_id : nullptr, UINT(raw.size()),
                      is_put ? 1u : 0u};
    EXCEPINFO excep{};
    Variant local;
    if (result)
        VariantClear(result->get());
    UINT arg_err = 0;
    h = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result->get() : local.get(), &excep,
                       &arg_err);
    if (error && h == DISP_E_EXCEPTION)
        error->description = bstr_view(excep.bstrDescription);
    clear_excepinfo(&excep);
    return report(h);
}

}  // namespace quilbex::com
