#pragma once
// The COM interfaces our automation objects implement, as C++ abstract
// classes with the Windows method names, argument orders and result codes.
// Lifetime is by AddRef/Release only: no interface is ever deleted directly,
// which is why the destructors are protected.

#include "platform/com/ComTypes.h"

namespace quilbex::com {

class ITypeInfo;
class ITypeComp;

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
    // Calls member `id` with the access in `flags` (DISPATCH_*). Arguments in
    // `params` are last-first; a property put names its value DISPID_PROPERTYPUT.
    // A failing member fills `excep` (when given) and returns DISP_E_EXCEPTION;
    // an argument that cannot be converted sets *arg_err to its index.
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excep, UINT* arg_err) = 0;

protected:
    ~IDispatch() = default;
};

class ITypeInfo : public IUnknown {
public:
    virtual HRESULT GetTypeAttr(TYPEATTR** out) = 0;
    virtual HRESULT GetTypeComp(ITypeComp** out) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** out) = 0;
    virtual HRESULT GetVarDesc(UINT index, VARDESC** out) = 0;
    // names[0] is the member's name, the rest its parameters' names.
    virtual HRESULT GetNames(MEMBERID id, BSTR* names, UINT max_names, UINT* count) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) = 0;
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* attr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* desc) = 0;
    virtual void ReleaseVarDesc(VARDESC* desc) = 0;

protected:
    ~ITypeInfo() = default;
};

class ITypeComp : public IUnknown {
public:
    // Binds `name` (compared without regard to case) to a member whose invoke
    // kind is in `flags` (0: any kind). Not found: S_OK with DESCKIND_NONE.
    // Found only with other kinds: TYPE_E_TYPEMISMATCH. On success the caller
    // owns *type_info and releases the description through it.
    virtual HRESULT Bind(LPOLESTR name, ULONG hash, WORD flags, ITypeInfo** type_info, DESCKIND* kind,
                         BINDPTR* bound) = 0;

protected:
    ~ITypeComp() = default;
};

// A user-defined record type carried in VT_RECORD variants.
class IRecordInfo : public IUnknown {
public:
    virtual void* RecordCreate() = 0;
    virtual HRESULT RecordCopy(void* existing, void* copy) = 0;
    virtual HRESULT RecordDestroy(void* record) = 0;
    virtual HRESULT GetSize(ULONG* size) = 0;

protected:
    ~IRecordInfo() = default;
};

// Objects that need to be put into a running state before use (OleRun).
class IRunnableObject : public IUnknown {
public:
    virtual HRESULT Run() = 0;

protected:
    ~IRunnableObject() = default;
};

template <typename T> struct InterfaceId;
template <> struct InterfaceId<IUnknown> { static constexpr const IID& value = IID_IUnknown; };
template <> struct InterfaceId<IDispatch> { static constexpr const IID& value = IID_IDispatch; };
template <> struct InterfaceId<ITypeInfo> { static constexpr const IID& value = IID_ITypeInfo; };
template <> struct InterfaceId<ITypeComp> { static constexpr const IID& value = IID_ITypeComp; };
template <> struct InterfaceId<IRecordInfo> { static constexpr const IID& value = IID_IRecordInfo; };
template <> struct InterfaceId<IRunnableObject> { static constexpr const IID& value = IID_IRunnableObject; };

}  // namespace quilbex::com
