#include "platform/ado/Stream.h"

#include "platform/ado/Charset.h"
#include "platform/ado/StreamBuffer.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchObject.h"
#include "platform/com/SafeArray.h"

#include <algorithm>
#include <cstring>

namespace quilbex::ado {
namespace {

using namespace quilbex::com;

enum : DISPID {
    kSize = 1,
    kEOS,
    kPosition,
    kType,
    kLineSeparator,
    kState,
    kMode,
    kCharset,
    kRead,
    kOpen,
    kClose,
    kSkipLine,
    kWrite,
    kSetEOS,
    kReadText,
    kWriteText,
};

enum : LONG { kTypeBinary = 1, kTypeText = 2 };
enum : LONG { kModeUnknown = 0, kModeRead = 1, kModeWrite = 2, kModeReadWrite = 3, kModeMax = 0x3FFFFF };
enum : LONG { kReadAll = -1, kReadLine = -2 };
enum : LONG { kWriteLine = 1 };

// The platform's stream error codes, reported in EXCEPINFO.
constexpr SCODE kErrInvalidArgument = hr(0x800A0BB9);
constexpr SCODE kErrIllegalOperation = hr(0x800A0C93);
constexpr SCODE kErrObjectClosed = hr(0x800A0E78);
constexpr SCODE kErrObjectOpen = hr(0x800A0E79);

constexpr USHORT kOpt = PARAMFLAG_FIN | PARAMFLAG_FOPT;

ComPtr<TypeInfo> stream_type() {
    static ComPtr<TypeInfo> info = TypeInfo::create_dispatch(
        u"Stream", {
                       {u"Size", kSize, MemberKind::PropertyGet, {VT_I4}, {}},
                       {u"EOS", kEOS, MemberKind::PropertyGet, {VT_BOOL}, {}},
                       {u"Position", kPosition, MemberKind::PropertyGet, {VT_I4}, {}},
                       {u"Position", kPosition, MemberKind::PropertyPut, {VT_VOID}, {{u"pPos", {VT_I4}}}},
                       {u"Type", kType, MemberKind::PropertyGet, {VT_I4}, {}},
                       {u"Type", kType, MemberKind::PropertyPut, {VT_VOID}, {{u"ptype", {VT_I4}}}},
                       {u"State", kState, MemberKind::PropertyGet, {VT_I4}, {}},
                       {u"Mode", kMode, MemberKind::PropertyGet, {VT_I4}, {}},
                       {u"Mode", kMode, MemberKind::PropertyPut, {VT_VOID}, {{u"pMode", {VT_I4}}}},
                       {u"Charset", kCharset, MemberKind::PropertyGet, {VT_BSTR}, {}},
                       {u"Charset", kCharset, MemberKind::PropertyPut, {VT_VOID}, {{u"pbstrCharset", {VT_BSTR}}}},
                       {u"Read", kRead, MemberKind::Method, {VT_VARIANT}, {{u"NumBytes", {VT_I4}, kOpt}}},
                       {u"Open",
                        kOpen,
                        MemberKind::Method,
                        {VT_VOID},
                        {{u"Source", {VT_VARIANT}, kOpt},
                         {u"Mode", {VT_I4}, kOpt},
                         {u"Options", {VT_I4}, kOpt},
                         {u"UserName", {VT_BSTR}, kOpt},
                         {u"Password", {VT_BSTR}, kOpt}}},
                       {u"Close", kClose, MemberKind::Method, {VT_VOID}, {}},
                       {u"Write", kWrite, MemberKind::Method, {VT_VOID}, {{u"Buffer", {VT_VARIANT}}}},
                       {u"SetEOS", kSetEOS, MemberKind::Method, {VT_VOID}, {}},
                       {u"ReadText", kReadText, MemberKind::Method, {VT_BSTR}, {{u"NumChars", {VT_I4}, kOpt}}},
                       {u"WriteText",
                        kWriteText,
                        MemberKind::Method,
                        {VT_VOID},
                        {{u"Data", {VT_BSTR}}, {u"Options", {VT_I4}, kOpt}}},
                   });
    return info;
}

LONG optional_long(const Variant& v, LONG fallback) { return Invocation::is_missing(v) ? fallback : v->lVal; }

class StreamObject final : public DispatchObject {
public:
    StreamObject() : DispatchObject(stream_type()), m_charset(*find_charset(u"unicode")) {}

private:
    HRESULT invoke_member(Invocation& call) override {
        const bool put = call.kind == INVOKE_PROPERTYPUT;
        switch (call.id) {
        case kType: return put ? set_type(call) : get_long(call, m_type);
        case kMode:
            if (!put)
                return get_long(call, m_mode);
            if (m_open)
                return call.fail(u"The stream is open", kErrObjectOpen);
            if (call.args[0]->lVal < 0 || call.args[0]->lVal > kModeMax)
                return call.fail(u"Invalid mode", kErrInvalidArgument);
            m_mode = call.args[0]->lVal;
            return S_OK;
        case kState: return get_long(call, m_open ? 1 : 0);
        case kCharset: return put ? set_charset(call) : get_text(call, m_charset.name);
        case kOpen: return open(call);
        default: break;
        }
        if (!m_open)
            return call.fail(u"The stream is closed", kErrObjectClosed);
        switch (call.id) {
        case kSize: return get_long(call, LONG(m_data.size()));
        case kEOS:
            call.result->vt = VT_BOOL;
            call.result->boolVal = m_position >= m_data.size() ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case kPosition:
            if (!put)
                return get_long(call, LONG(m_position));
            if (call.args[0]->lVal < 0 || std::size_t(call.args[0]->lVal) > m_data.size())
                return call.fail(u"The position is outside the stream", kErrInvalidArgument);
            m_position = std::size_t(call.args[0]->lVal);
            return S_OK;
        case kClose:
            m_open = false;
            m_data.release();
            m_position = 0;
            return S_OK;
        case kSetEOS:
            if (!writable())
                return call.fail(u"The stream is read-only", kErrIllegalOperation);
            m_data.truncate(m_position);
            return S_OK;
        case kWrite: return write(call);
        case kRead: return read(call);
        case kWriteText: return write_text(call);
        case kReadText: return read_text(call);
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

    static HRESULT get_long(Invocation& call, LONG value) {
        call.result->vt = VT_I4;
        call.result->lVal = value;
        return S_OK;
    }

    static HRESULT get_text(Invocation& call, const std::string& ascii) {
        call.result->vt = VT_BSTR;
        call.result->bstrVal = bstr_from_utf8(ascii);
        return S_OK;
    }

    bool writable() const { return m_mode != kModeRead; }
    bool readable() const { return m_mode != kModeWrite; }

    HRESULT set_type(Invocation& call) {
        LONG type = call.args[0]->lVal;
        if (type != kTypeBinary && type != kTypeText)
            return call.fail(u"Invalid stream type", kErrInvalidArgument);
        if (m_open && m_position != 0)
            return call.fail(u"The type can change only at position 0", kErrIllegalOperation);
        m_type = type;
        return S_OK;
    }

    HRESULT set_charset(Invocation& call) {
        auto charset = find_charset(bstr_view(call.args[0]->bstrVal));
        if (!charset)
            return call.fail(u"Unknown character set", kErrInvalidArgument);
        m_charset = *charset;
        return S_OK;
    }

    HRESULT open(Invocation& call) {
        if (m_open)
            return call.fail(u"The stream is already open", kErrObjectOpen);
        if (!Invocation::is_missing(call.args[0]) && call.args[0]->vt != VT_EMPTY)
            return call.fail(u"Opening a stream from a source is not supported", kErrInvalidArgument);
        LONG mode = optional_long(call.args[1], m_mode);
        if (mode < 0 || mode > kModeMax)
            return call.fail(u"Invalid mode", kErrInvalidArgument);
        m_mode = mode;
        m_open = true;
        m_data.release();
        m_position = 0;
        return S_OK;
    }

    // False when out of memory (the stream is unchanged).
    bool put_bytes(std::string_view bytes) {
        if (bytes.empty())
            return true;
        // Growing leaves the new bytes unset; all of them are written here.
        if (!m_data.grow_to(m_position + bytes.size()))
            return false;
        std::memcpy(m_data.data() + m_position, bytes.data(), bytes.size());
        m_position += bytes.size();
        return true;
    }

    HRESULT write(Invocation& call) {
        if (m_type != kTypeBinary)
            return call.fail(u"Write needs a binary stream", kErrIllegalOperation);
        if (!writable())
            return call.fail(u"The stream is read-only", kErrIllegalOperation);
        const VARIANT* v = call.args[0].get();
        if (v->vt != (VT_ARRAY | VT_UI1) && v->vt != (VT_ARRAY | VT_I1))
            return call.fail(u"Write needs a byte array", kErrInvalidArgument);
        SAFEARRAY* a = v->parray;
        std::size_t count = a ? safe_array_element_count(a) : 0;
        if (!put_bytes(std::string_view(a ? static_cast<const char*>(a->pvData) : "", count)))
            return call.fail(u"Out of memory", E_OUTOFMEMORY);
        return S_OK;
    }

    HRESULT read(Invocation& call) {
        if (m_type != kTypeBinary)
            return call.fail(u"Read needs a binary stream", kErrIllegalOperation);
        if (!readable())
            return call.fail(u"The stream is write-only", kErrIllegalOperation);
        LONG wanted = optional_long(call.args[0], kReadAll);
        if (wanted < kReadAll)
            return call.fail(u"Invalid byte count", kErrInvalidArgument);
        std::size_t left = m_data.size() - m_position;
        std::size_t count = wanted == kReadAll ? left : std::min<std::size_t>(left, std::size_t(wanted));
        if (count == 0) {
            call.result->vt = VT_NULL;
            return S_OK;
        }
        SAFEARRAY* a = safe_array_from_bytes(0, m_data.data() + m_position, ULONG(count));
        if (!a)
            return call.fail(u"Out of memory", E_OUTOFMEMORY);
        m_position += count;
        call.result->vt = VT_ARRAY | VT_UI1;
        call.result->parray = a;
        return S_OK;
    }

    HRESULT write_text(Invocation& call) {
        if (m_type != kTypeText)
            return call.fail(u"WriteText needs a text stream", kErrIllegalOperation);
        if (!writable())
            return call.fail(u"The stream is read-only", kErrIllegalOperation);
        std::u16string_view text = bstr_view(call.args[0]->bstrVal);
        std::u16string with_line;
        if (optional_long(call.args[1], 0) == kWriteLine) {
            with_line.assign(text);
            with_line += u"\r\n";
            text = with_line;
        }
        const std::size_t size_before = m_data.size(), position_before = m_position;
        bool stored = true;
        if (m_position == 0 && m_data.empty())
            stored = put_bytes(m_charset.bom);
        if (stored && m_position == m_data.size()) {
            stored = encode_text_append(text, m_charset, m_data);
            m_position = m_data.size();
        } else if (stored) {
            stored = put_bytes(encode_text(text, m_charset));
        }
        if (!stored) {
            m_data.truncate(size_before);
            m_position = position_before;
            return call.fail(u"Out of memory", E_OUTOFMEMORY);
        }
        return S_OK;
    }

    HRESULT read_text(Invocation& call) {
        if (m_type != kTypeText)
            return call.fail(u"ReadText needs a text stream", kErrIllegalOperation);
        if (!readable())
            return call.fail(u"The stream is write-only", kErrIllegalOperation);
        LONG wanted = optional_long(call.args[0], kReadAll);
        if (wanted < kReadLine)
            return call.fail(u"Invalid character count", kErrInvalidArgument);
        std::string_view rest = m_data.view().substr(m_position);
        if (m_position == 0 && !m_charset.bom.empty() && rest.substr(0, m_charset.bom.size()) == m_charset.bom) {
            rest.remove_prefix(m_charset.bom.size());
            m_position = m_charset.bom.size();
        }
        if (wanted == kReadAll) {
            BSTR all = decode_to_bstr(rest, m_charset);
            if (!all)
                return call.fail(u"Out of memory", E_OUTOFMEMORY);
            m_position += rest.size();
            call.result->vt = VT_BSTR;
            call.result->bstrVal = all;
            return S_OK;
        }
        std::u16string text = decode_text(rest, m_charset);
        std::size_t consumed = rest.size();
        std::size_t keep = text.size();
        if (wanted == kReadLine) {
            std::size_t eol = text.find(u"\r\n");
            if (eol != std::u16string::npos)
                keep = eol;
        } else if (wanted >= 0) {
            keep = std::min<std::size_t>(keep, std::size_t(wanted));
        }
        if (keep < text.size()) {
            std::size_t skip = (wanted == kReadLine) ? 2 : 0;  // the line break is read, not returned
            consumed =
                std::min(rest.size(), encode_text(std::u16string_view(text).substr(0, keep + skip), m_charset).size());
            text.resize(keep);
        }
        m_position += consumed;
        call.result->vt = VT_BSTR;
        call.result->bstrVal = bstr_from_utf16(text);
        return S_OK;
    }

    bool m_open = false;
    LONG m_type = kTypeText;
    LONG m_mode = kModeUnknown;
    Charset m_charset;
    StreamBuffer m_data;
    std::size_t m_position = 0;
};

}  // namespace

void register_stream_class() {
    register_class(CLSID_Stream, {u"ADODB.Stream", u"ADODB.Stream.6.0"}, [](REFIID iid, void** out) {
        auto object = ComPtr<StreamObject>::adopt(new StreamObject());
        return object->QueryInterface(iid, out);
    });
}

}  // namespace quilbex::ado
