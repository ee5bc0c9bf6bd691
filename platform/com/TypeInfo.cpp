#include "platform/com/TypeInfo.h"

#include "platform/com/Bstr.h"

namespace quilbex::com {
namespace {

char16_t fold(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c; }

std::u16string_view view_of(LPCOLESTR s) {
    if (!s)
        return {};
    std::size_t n = 0;
    while (s[n])
        ++n;
    return {s, n};
}

INVOKEKIND invoke_kind_of(MemberKind kind) {
    switch (kind) {
    case MemberKind::PropertyGet: return INVOKE_PROPERTYGET;
    case MemberKind::PropertyPut: return INVOKE_PROPERTYPUT;
    case MemberKind::PropertyPutRef: return INVOKE_PROPERTYPUTREF;
    default: return INVOKE_FUNC;
    }
}

}  // namespace

bool names_equal(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

ULONG LHashValOfNameSys(SYSKIND, LCID lcid, LPCOLESTR name) {
    ULONG h = 0x1505;
    for (char16_t c : view_of(name))
        h = h * 33 + fold(c);
    return ((lcid & 0xFF) << 16) | (h & 0xFFFF);
}

TypeInfo::TypeInfo(std::u16string name, TYPEKIND kind) : m_name(std::move(name)) {
    m_attr.lcid = 0;
    m_attr.memidConstructor = DISPID_UNKNOWN;
    m_attr.memidDestructor = DISPID_UNKNOWN;
    m_attr.typekind = kind;
    m_attr.cbAlignment = 8;
    m_attr.wMajorVerNum = 1;
}

ComPtr<TypeInfo> TypeInfo::create_dispatch(std::u16string name, const std::vector<MemberShape>& members,
                                           Factory factory) {
    auto info = ComPtr<TypeInfo>::adopt(new TypeInfo(std::move(name), TKIND_DISPATCH));
    for (const MemberShape& m : members)
        info->add_member(m);
    info->m_factory = std::move(factory);
    info->m_attr.cFuncs = static_cast<WORD>(info->m_functions.size());
    info->m_attr.cVars = static_cast<WORD>(info->m_variables.size());
    return info;
}

ComPtr<TypeInfo> TypeInfo::create_enum(std::u16string name) {
    return ComPtr<TypeInfo>::adopt(new TypeInfo(std::move(name), TKIND_ENUM));
}

ComPtr<TypeInfo> TypeInfo::create_alias(std::u16string name, TypeShape aliased) {
    auto info = ComPtr<TypeInfo>::adopt(new TypeInfo(std::move(name), TKIND_ALIAS));
    info->m_attr.tdescAlias = info->make_typedesc(aliased);
    return info;
}

HREFTYPE TypeInfo::add_referenced_type(ComPtr<ITypeInfo> target) {
    m_referenced.push_back(std::move(target));
    return static_cast<HREFTYPE>(m_referenced.size());
}

TYPEDESC TypeInfo::make_typedesc(const TypeShape& shape) {
    TYPEDESC base{};
    base.vt = shape.vt;
    if (shape.vt == VT_USERDEFINED)
        base.hreftype = shape.ref;
    if (shape.safe_array) {
        m_typedescs.push_back(base);
        TYPEDESC array{};
        array.vt = VT_SAFEARRAY;
        array.lptdesc = &m_typedescs.back();
        base = array;
    }
    if (shape.by_ref) {
        m_typedescs.push_back(base);
        TYPEDESC ptr{};
        ptr.vt = VT_PTR;
        ptr.lptdesc = &m_typedescs.back();
        base = ptr;
    }
    return base;
}

void TypeInfo::add_member(const MemberShape& member) {
    if (member.kind == MemberKind::Variable) {
        Variable& v = m_variables.emplace_back();
        v.name = member.name;
        v.desc = VARDESC{};
        v.desc.memid = member.id;
        v.desc.varkind = VAR_DISPATCH;
        v.desc.elemdescVar.tdesc = make_typedesc(member.result);
        return;
    }
    Function& f = m_functions.emplace_back();
    f.name = member.name;
    for (const ParamShape& p : member.params) {
        ELEMDESC e{};
        e.tdesc = make_typedesc(p.type);
        e.paramdesc.wParamFlags = p.flags;
        f.params.push_back(e);
        f.param_names.push_back(p.name);
    }
    int optional = 0;
    for (const ParamShape& p : member.params)
        if (p.flags & PARAMFLAG_FOPT)
            ++optional;
    f.desc = FUNCDESC{};
    f.desc.memid = member.id;
    f.desc.lprgelemdescParam = f.params.empty() ? nullptr : f.params.data();
    f.desc.funckind = FUNC_DISPATCH;
    f.desc.invkind = invoke_kind_of(member.kind);
    f.desc.callconv = CC_STDCALL;
    f.desc.cParams = static_cast<SHORT>(member.params.size());
    f.desc.cParamsOpt = member.vararg ? SHORT(-1) : static_cast<SHORT>(optional);
    f.desc.elemdescFunc.tdesc = make_typedesc(member.result);
}

const FUNCDESC* TypeInfo::find_function(DISPID id, WORD flags) const {
    for (const Function& f : m_functions)
        if (f.desc.memid == id && (f.desc.invkind & flags))
            return &f.desc;
    return nullptr;
}

const VARDESC* TypeInfo::find_variable(DISPID id) const {
    for (const Variable& v : m_variables)
        if (v.desc.memid == id)
            return &v.desc;
    return nullptr;
}

bool TypeInfo::has_member(DISPID id) const { return find_variable(id) || find_function(id, 0xF); }

HRESULT TypeInfo::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ITypeInfo) {
        *out = static_cast<ITypeInfo*>(this);
    } else if (iid == IID_ITypeComp) {
        *out = static_cast<ITypeComp*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    add_ref();
    return S_OK;
}

HRESULT TypeInfo::GetTypeAttr(TYPEATTR** out) {
    if (!out)
        return E_POINTER;
    *out = &m_attr;
    return S_OK;
}

HRESULT TypeInfo::GetTypeComp(ITypeComp** out) {
    if (!out)
        return E_POINTER;
    add_ref();
    *out = this;
    return S_OK;
}

HRESULT TypeInfo::GetFuncDesc(UINT index, FUNCDESC** out) {
    if (!out)
        return E_POINTER;
    if (index >= m_functions.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *out = &m_functions[index].desc;
    return S_OK;
}

HRESULT TypeInfo::GetVarDesc(UINT index, VARDESC** out) {
    if (!out)
        return E_POINTER;
    if (index >= m_variables.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *out = &m_variables[index].desc;
    return S_OK;
}

HRESULT TypeInfo::GetNames(MEMBERID id, BSTR* names, UINT max_names, UINT* count) {
    if (!names || !count)
        return E_POINTER;
    *count = 0;
    for (const Function& f : m_functions) {
        if (f.desc.memid != id)
            continue;
        if (max_names > 0)
            names[(*count)++] = bstr_from_utf16(f.name);
        for (const std::u16string& p : f.param_names)
            if (*count < max_names)
                names[(*count)++] = bstr_from_utf16(p);
        return S_OK;
    }
    for (const Variable& v : m_variables) {
        if (v.desc.memid == id) {
            if (max_names > 0)
                names[(*count)++] = bstr_from_utf16(v.name);
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeInfo::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) {
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    std::u16string_view wanted = view_of(names[0]);
    const Function* found = nullptr;
    for (const Function& f : m_functions)
        if (names_equal(f.name, wanted)) {
            found = &f;
            break;
        }
    if (!found) {
        for (const Variable& v : m_variables)
            if (names_equal(v.name, wanted)) {
                ids[0] = v.desc.memid;
                return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
            }
        return DISP_E_UNKNOWNNAME;
    }
    ids[0] = found->desc.memid;
    HRESULT result = S_OK;
    for (UINT i = 1; i < count; ++i) {
        std::u16string_view param = view_of(names[i]);
        for (std::size_t k = 0; k < found->param_names.size(); ++k)
            if (names_equal(found->param_names[k], param))
                ids[i] = static_cast<MEMBERID>(k);
        if (ids[i] == DISPID_UNKNOWN)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT TypeInfo::GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (ref == 0 || ref > m_referenced.size())
        return TYPE_E_ELEMENTNOTFOUND;
    ITypeInfo* target = m_referenced[ref - 1].get();
    target->AddRef();
    *out = target;
    return S_OK;
}

HRESULT TypeInfo::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!m_factory)
        return E_NOTIMPL;
    return m_factory(iid, out);
}

HRESULT TypeInfo::Bind(LPOLESTR name, ULONG, WORD flags, ITypeInfo** type_info, DESCKIND* kind, BINDPTR* bound) {
    if (!type_info || !kind || !bound)
        return E_POINTER;
    *type_info = nullptr;
    *kind = DESCKIND_NONE;
    bound->lpfuncdesc = nullptr;
    std::u16string_view wanted = view_of(name);
    bool name_seen = false;
    for (Function& f : m_functions) {
        if (!names_equal(f.name, wanted))
            continue;
        name_seen = true;
        if (flags == 0 || (f.desc.invkind & flags)) {
            *kind = DESCKIND_FUNCDESC;
            bound->lpfuncdesc = &f.desc;
            add_ref();
            *type_info = static_cast<ITypeInfo*>(this);
            return S_OK;
        }
    }
    for (Variable& v : m_variables) {
        if (names_equal(v.name, wanted)) {
            *kind = DESCKIND_VARDESC;
            bound->lpvardesc = &v.desc;
            add_ref();
            *type_info = static_cast<ITypeInfo*>(this);
            return S_OK;
        }
    }
    return name_seen ? TYPE_E_TYPEMISMATCH : S_OK;
}

}  // namespace quilbex::com
