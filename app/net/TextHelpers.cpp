#include "app/net/TextHelpers.h"

#include "commands/com/ComFacade.h"
#include "commands/com/ComInit.h"
#include "commands/com/ComValues.h"
#include "platform/com/Bstr.h"
#include "platform/com/Iconv.h"
#include "platform/kernel/CodePage.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"

#include <cstring>
#include <string>
#include <string_view>

namespace quilbex::app {
namespace {

using namespace quilbex::commands;

std::string_view view(const char* text) { return text ? std::string_view(text) : std::string_view(); }

Text make(std::string_view bytes) { return Text(rt::make_text(bytes)); }

std::string str(const Text& text) { return text ? std::string(text.get()) : std::string(); }

const std::string& quote_token() {
    static const std::string token = kernel::utf8_to_gbk("#引号");
    return token;
}

bool is_safe(unsigned char b) {
    return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

Text replace_all(const char* text, const std::string& search, const std::string& replacement) {
    return replace_text(text, search.c_str(), replacement.c_str(), std::nullopt, std::nullopt, true);
}

// A whole-text conversion through UTF-16 between two code pages, sized for
// the real conversion.
Text convert_code_page(const char* text, win::UINT from, win::UINT to) {
    if (!text || !*text)
        return Text();
    int units = kernel::MultiByteToWideChar(from, 0, text, -1, nullptr, 0);
    if (units <= 0)
        return Text();
    std::u16string wide(std::size_t(units), u'\0');
    if (kernel::MultiByteToWideChar(from, 0, text, -1, wide.data(), units) <= 0)
        return Text();
    int bytes = kernel::WideCharToMultiByte(to, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return Text();
    std::string out(std::size_t(bytes), '\0');
    if (kernel::WideCharToMultiByte(to, 0, wide.data(), -1, out.data(), bytes, nullptr, nullptr) <= 0)
        return Text();
    return make(std::string_view(out.c_str()));
}

// The script engine's unescape: "%uXXXX" becomes that UTF-16 unit, "%XX"
// the character with that code; any other "%" stays as it is.
std::u16string script_unescape(std::u16string_view in) {
    auto hex = [&](std::size_t at, std::size_t count, char16_t& value) {
        value = 0;
        for (std::size_t k = at; k < at + count; ++k) {
            char16_t c = in[k];
            int d = c < 0x80 ? hex_digit(static_cast<char>(c)) : -1;
            if (d < 0)
                return false;
            value = static_cast<char16_t>(value * 16 + d);
        }
        return true;
    };
    std::u16string out;
    out.reserve(in.size());
    for (std::size_t k = 0; k < in.size(); ++k) {
        char16_t c = in[k];
        char16_t value = 0;
        if (c == u'%' && k + 6 <= in.size() && in[k + 1] == u'u' && hex(k + 2, 4, value)) {
            c = value;
            k += 5;
        } else if (c == u'%' && k + 3 <= in.size() && hex(k + 1, 2, value)) {
            c = value;
            k += 2;
        }
        out += c;
    }
    return out;
}

rt::ArgRecord byte_set_argument(const unsigned char* bytes) {
    return rt::ArgRecord::of_pointer(bytes, rt::kTypeByteSet);
}

// The names the stream knows for GBK.
bool names_gbk(const char* charset) {
    for (const char* name : {"gbk", "gb2312", "cp936", "windows-936"}) {
        if (find_text(charset, name, std::nullopt, true) == 1 && view(charset).size() == std::strlen(name))
            return true;
    }
    return false;
}

// The text read from the stream, as the program's text would hold it: cut at
// its first zero. When it is written back as GBK it can stay UTF-16, since
// passing through GBK on the way changes nothing the GBK writer would not
// change itself (a character GBK lacks becomes "?" either way). Any other
// target gets the text as it comes back from the program's GBK text, so that
// the result does not depend on the target.
void prepare_read_text(VariantVar& text, bool to_gbk) {
    com::VARIANT* v = text.get();
    if (!v || v->vt != com::VT_BSTR)
        return;
    std::u16string_view units = com::bstr_view(v->bstrVal);
    auto end = units.find(u'\0');
    if (end != std::u16string_view::npos)
        com::bstr_truncate(v->bstrVal, static_cast<com::UINT>(end));
    if (to_gbk)
        return;
    Text gbk(comvalues::text_from_bstr(v->bstrVal));
    com::BSTR back = comvalues::bstr_from_text(gbk.get());
    com::SysFreeString(v->bstrVal);
    v->bstrVal = back;
}

}  // namespace

Text text_between(const char* text, const char* left, const char* right, std::optional<std::int32_t> start,
                  bool ignore_case) {
    Text l = replace_all(left, quote_token(), "\"");
    Text r = replace_all(right, quote_token(), "\"");
    std::int32_t p = find_text(text, l.get(), start.value_or(1), ignore_case);
    if (p == -1)
        return Text();
    std::int32_t q = p + static_cast<std::int32_t>(view(l.get()).size());
    std::int32_t e = find_text(text, r.get(), q, ignore_case);
    if (e == -1)
        return Text();
    return mid_text(text, q, e - q);
}

Text url_encode(const char* text, bool keep_safe, bool utf8) {
    if (view(text).empty())
        return Text();
    std::string source = utf8 ? str(gbk_to_utf8(text)) : std::string(view(text));
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(source.size() * 3);
    for (unsigned char b : source) {
        if (keep_safe && is_safe(b)) {
            out += char(b);
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return make(out);
}

Text url_decode(const char* text, bool utf8) {
    std::string_view in = view(text);
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        int h = c == '%' && i + 2 < in.size() ? hex_digit(in[i + 1]) : -1;
        int l = h >= 0 ? hex_digit(in[i + 2]) : -1;
        if (c != '%' || h < 0 || l < 0) {
            out += c;
            continue;
        }
        if (int value = 16 * h + l)
            out += char(value);
        i += 2;
    }
    if (utf8)
        return utf8_to_gbk(out.c_str());
    return make(out);
}

Text gbk_to_utf8(const char* text) { return convert_code_page(text, kernel::CP_GBK, kernel::CP_UTF8); }

Text utf8_to_gbk(const char* text) { return convert_code_page(text, kernel::CP_UTF8, kernel::CP_GBK); }

ByteSet convert_charset(const unsigned char* bytes, const char* from, const char* to,
                        std::optional<std::int32_t> skip) {
    const char* from_set = view(from).empty() ? "UTF-8" : from;
    const char* to_set = view(to).empty() ? "GBK" : to;
    ComInitScope com;
    VariantVar result;
    {
        ObjectVar stream;
        if (!object_create(stream, "Adodb.Stream"))
            return ByteSet();
        object_set_property(stream, "Type", int_argument(1));
        object_call(stream, "Open");
        {
            // The body's copy as a byte array goes as soon as the stream has it.
            VariantVar data;
            variant_assign(data, byte_set_argument(bytes));
            object_call(stream, "Write", {data.arg()});
        }
        object_set_property(stream, "Position", int_argument(0));
        object_set_property(stream, "Type", int_argument(2));
        object_set_property(stream, "Charset", text_argument(from_set));
        {
            // The text stays one UTF-16 block from ReadText to WriteText, and
            // goes before the result is read.
            VariantVar text = object_call_variant(stream, "ReadText");
            prepare_read_text(text, names_gbk(to_set));
            object_call(stream, "Close");
            object_call(stream, "Open");
            object_set_property(stream, "Charset", text_argument(to_set));
            if (text.get() && text.get()->vt == com::VT_BSTR)
                object_call(stream, "WriteText", {text.arg()});
            else
                object_call(stream, "WriteText", {text_argument(nullptr)});
        }
        object_set_property(stream, "Position", int_argument(0));
        object_set_property(stream, "Type", int_argument(1));
        if (skip)
            object_set_property(stream, "Position", int_argument(*skip));
        result = object_call_variant(stream, "Read");
    }
    return variant_to_bytes(result);
}

Text bytes_as_unicode_text(const unsigned char* bytes) {
    ComInitScope com;
    ObjectVar stream;
    if (!object_create(stream, "Adodb.Stream"))
        return Text();
    object_set_property(stream, "Type", int_argument(1));
    object_set_property(stream, "Mode", int_argument(3));
    object_call(stream, "Open");
    VariantVar data;
    variant_assign(data, byte_set_argument(bytes));
    object_call(stream, "Write", {data.arg()});
    object_set_property(stream, "Position", int_argument(0));
    object_set_property(stream, "Type", int_argument(2));
    object_set_property(stream, "Charset", text_argument("unicode"));
    Text text = object_call_text(stream, "ReadText");
    object_call(stream, "Close");
    return text;
}

Text unescape_unicode(const char* text) {
    std::string s(view(text));
    if (!s.empty() && s[0] == '\r' && (s.size() < 2 || s[1] != '\n'))
        s.erase(0, 1);

    // The text is read as characters the way the script control would receive
    // it, "\u" becomes "%u", and the escapes are decoded here: the text never
    // becomes part of any script.
    std::u16string chars = com::utf16_from_gbk(s);
    for (std::size_t at = chars.find(u"\\u"); at != std::u16string::npos; at = chars.find(u"\\u", at + 2))
        chars[at] = u'%';
    std::string gbk = com::gbk_from_utf16(script_unescape(chars));
    Text out = make(std::string_view(gbk.c_str()));
    if (out)
        return out;
    Text percent = replace_text(s.c_str(), "\\u", "%u", std::nullopt, std::nullopt, true);
    std::string_view bytes = view(percent.get());
    rt::OwnedBlock raw(rt::make_byte_set(bytes.data(), bytes.size()));
    return bytes_as_unicode_text(raw.get());
}

Text unescape_percent(const char* text) {
    std::string gbk = com::gbk_from_utf16(script_unescape(com::utf16_from_gbk(std::string(view(text)))));
    return make(std::string_view(gbk.c_str()));
}

}  // namespace quilbex::app
