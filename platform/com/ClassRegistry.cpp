#include "platform/com/ClassRegistry.h"

#include "platform/com/Apartment.h"
#include "platform/com/TypeInfo.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace quilbex::com {
namespace {

struct ClassEntry {
    CLSID clsid;
    std::vector<std::u16string> prog_ids;
    ClassFactory factory;
};

struct Registry {
    std::mutex lock;
    std::vector<ClassEntry> classes;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::u16string_view view_of(LPCOLESTR s) {
    if (!s)
        return {};
    std::size_t n = 0;
    while (s[n])
        ++n;
    return {s, n};
}

int hex_value(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool read_hex(std::u16string_view t, std::size_t pos, std::size_t digits, std::uint32_t* out) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        int h = hex_value(t[pos + i]);
        if (h < 0)
            return false;
        v = (v << 4) | std::uint32_t(h);
    }
    *out = v;
    return true;
}

}  // namespace

void register_class(const CLSID& clsid, const std::vector<std::u16string>& prog_ids, ClassFactory factory) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    for (ClassEntry& e : r.classes) {
        if (e.clsid == clsid) {
            e.prog_ids = prog_ids;
            e.factory = std::move(factory);
            return;
        }
    }
    r.classes.push_back(ClassEntry{clsid, prog_ids, std::move(factory)});
}

HRESULT CLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid) {
    if (!prog_id || !clsid)
        return E_INVALIDARG;
    std::u16string_view wanted = view_of(prog_id);
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    for (const ClassEntry& e : r.classes)
        for (const std::u16string& p : e.prog_ids)
            if (names_equal(p, wanted)) {
                *clsid = e.clsid;
                return S_OK;
            }
    return CO_E_CLASSSTRING;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!text || !clsid)
        return E_INVALIDARG;
    std::u16string_view t = view_of(text);
    // {01234567-0123-0123-0123-0123456789AB}
    if (t.size() != 38 || t[0] != u'{' || t[37] != u'}' || t[9] != u'-' || t[14] != u'-' || t[19] != u'-' ||
        t[24] != u'-')
        return CO_E_CLASSSTRING;
    CLSID out{};
    std::uint32_t v;
    if (!read_hex(t, 1, 8, &v))
        return CO_E_CLASSSTRING;
    out.Data1 = v;
    if (!read_hex(t, 10, 4, &v))
        return CO_E_CLASSSTRING;
    out.Data2 = WORD(v);
    if (!read_hex(t, 15, 4, &v))
        return CO_E_CLASSSTRING;
    out.Data3 = WORD(v);
    static const std::size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(t, kBytePos[i], 2, &v))
            return CO_E_CLASSSTRING;
        out.Data4[i] = BYTE(v);
    }
    *clsid = out;
    return S_OK;
}

std::u16string string_from_clsid(const CLSID& c) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", c.Data1, c.Data2, c.Data3,
                  c.Data4[0], c.Data4[1], c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5], c.Data4[6], c.Data4[7]);
    std::u16string out;
    for (const char* p = buf; *p; ++p)
        out += char16_t(*p);
    return out;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!com_initialized_on_this_thread())
        return CO_E_NOTINITIALIZED;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ClassFactory factory;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        for (const ClassEntry& e : r.classes)
            if (e.clsid == clsid)
                factory = e.factory;
    }
    if (!factory)
        return REGDB_E_CLASSNOTREG;
    return factory(iid, out);
}

HRESULT OleRun(IUnknown* object) {
    if (!object)
        return E_INVALIDARG;
    ComPtr<IRunnableObject> runnable;
    if (SUCCEEDED(object->QueryInterface(IID_IRunnableObject, runnable.put_void())) && runnable)
        return runnable->Run();
    return S_OK;
}

HRESULT LoadTypeLib(LPCOLESTR, void** library) {
    if (library)
        *library = nullptr;
    return TYPE_E_CANTLOADLIBRARY;
}

}  // namespace quilbex::com
