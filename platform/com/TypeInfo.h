#pragma once
// TypeInfo: the type information of one of our automation classes, built
// from a table of members, with a type comp that binds member names
// (without regard to case) to their descriptions.
//
// Descriptions handed out by GetFuncDesc, GetVarDesc and Bind live as long
// as the TypeInfo; ReleaseFuncDesc and ReleaseVarDesc only balance them.

#include "platform/com/ComPtr.h"
#include "platform/com/Interfaces.h"
#include "platform/com/RefCounted.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quilbex::com {

// A parameter or result type: a base type, optionally through a pointer
// (by reference), optionally a SAFEARRAY of it, or a reference to another
// type description (VT_USERDEFINED with `ref`).
struct TypeShape {
    VARTYPE vt = VT_VARIANT;
    bool by_ref = false;
    bool safe_array = false;
    HREFTYPE ref = 0;
};

struct ParamShape {
    std::u16string name;
    TypeShape type;
    USHORT flags = PARAMFLAG_FIN;  // PARAMFLAG_FOPT marks optional, PARAMFLAG_FOUT output
};

enum class MemberKind { Method, PropertyGet, PropertyPut, PropertyPutRef, Variable };

struct MemberShape {
    std::u16string name;
    DISPID id = 0;
    MemberKind kind = MemberKind::Method;
    TypeShape result{VT_VOID};  // functions; VT_VOID: no result. Variables: the variable's type
    std::vector<ParamShape> params;
    // The last parameter is a variable argument list (cParamsOpt = -1).
    bool vararg = false;
};

class TypeInfo final : public ITypeInfo, public ITypeComp, private RefCounted {
public:
    using Factory = std::function<HRESULT(REFIID, void**)>;

    // A dispatch interface with the given members.
    static ComPtr<TypeInfo> create_dispatch(std::u16string name, const std::vector<MemberShape>& members,
                                            Factory factory = {});
    // An enumeration or an alias, for VT_USERDEFINED references.
    static ComPtr<TypeInfo> create_enum(std::u16string name);
    static ComPtr<TypeInfo> create_alias(std::u16string name, TypeShape aliased);

    // Makes `target` reachable from this type's VT_USERDEFINED types; returns its reference.
    HREFTYPE add_referenced_type(ComPtr<ITypeInfo> target);

    const std::u16string& name() const { return m_name; }
    // The member with id `id` whose invoke kind is in `flags`; variables match
    // every kind. Null when none.
    const FUNCDESC* find_function(DISPID id, WORD flags) const;
    const VARDESC* find_variable(DISPID id) const;
    bool has_member(DISPID id) const;

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return add_ref(); }
    ULONG Release() override { return release(); }
    // ITypeInfo
    HRESULT GetTypeAttr(TYPEATTR** out) override;
    HRESULT GetTypeComp(ITypeComp** out) override;
    HRESULT GetFuncDesc(UINT index, FUNCDESC** out) override;
    HRESULT GetVarDesc(UINT index, VARDESC** out) override;
    HRESULT GetNames(MEMBERID id, BSTR* names, UINT max_names, UINT* count) override;
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override;
    HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override;
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    void ReleaseTypeAttr(TYPEATTR*) override {}
    void ReleaseFuncDesc(FUNCDESC*) override {}
    void ReleaseVarDesc(VARDESC*) override {}
    // ITypeComp
    HRESULT Bind(LPOLESTR name, ULONG hash, WORD flags, ITypeInfo** type_info, DESCKIND* kind, BINDPTR* bound) override;

private:
    struct Function {
        FUNCDESC desc;
        std::vector<ELEMDESC> params;
        std::vector<std::u16string> param_names;
        std::u16string name;
    };
    struct Variable {
        VARDESC desc;
        std::u16string name;
    };

    TypeInfo(std::u16string name, TYPEKIND kind);
    ~TypeInfo() override = default;
    TYPEDESC make_typedesc(const TypeShape& shape);
    void add_member(const MemberShape& member);

    std::u16string m_name;
    TYPEATTR m_attr{};
    std::deque<TYPEDESC> m_typedescs;  // pointed-to and element types, stable addresses
    std::deque<Function> m_functions;
    std::deque<Variable> m_variables;
    std::vector<ComPtr<ITypeInfo>> m_referenced;
    Factory m_factory;
};

// The name hash that ITypeComp::Bind takes (LHashValOfNameSys); our type
// comps compare names and accept any hash.
ULONG LHashValOfNameSys(SYSKIND kind, LCID lcid, LPCOLESTR name);

// Case-insensitive comparison of member names (ASCII letters fold).
bool names_equal(std::u16string_view a, std::u16string_view b);

}  // namespace quilbex::com
